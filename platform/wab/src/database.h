// The address book's file: an SQLite database with one table of entries and one of their
// properties (each property's identifier, type and value, as it was set). The file carries an
// application id that marks it as ours and a schema version (user_version) that newer code
// upgrades step by step. It is written in WAL mode with a busy timeout, so that several
// processes can add and change entries at once; every change is one transaction.
//
// A file that is not SQLite, or is SQLite but not ours, is refused without being written: it
// is inspected through a read-only connection before anything else happens.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <vector>

#include "property.h"

struct sqlite3;
struct sqlite3_stmt;

namespace wab {

// The schema this code writes; files of an older version are upgraded on open.
constexpr int kSchemaVersion = 1;
// PRAGMA application_id of our files: "WAB1".
constexpr std::int32_t kApplicationId = 0x57414231;

struct StoredEntry {
    std::int64_t record = 0;
    ULONG objectType = MAPI_MAILUSER;
    PropertyList props;
};

class Database {
  public:
    // Opens the file, creating it (and its folder) when it does not exist or is empty.
    // MAPI_E_CORRUPT_DATA for a file that is not an address book of ours, MAPI_E_VERSION for one
    // written by a newer schema, MAPI_E_NO_ACCESS or MAPI_E_DISK_ERROR when it cannot be opened.
    static HRESULT Open(const std::filesystem::path& file, std::shared_ptr<Database>* out);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Every entry, in display-name order (then by record), with its properties.
    HRESULT LoadAll(std::vector<StoredEntry>* entries);
    // One entry; MAPI_E_NOT_FOUND when there is none with that record.
    HRESULT Load(std::int64_t record, StoredEntry* entry);
    HRESULT Insert(ULONG objectType, const PropertyList& props, std::int64_t* record);
    // Sets `changed` and removes the properties `removedIds` of an existing entry;
    // MAPI_E_OBJECT_DELETED when it is gone.
    HRESULT Update(std::int64_t record, const PropertyList& changed,
                   const std::vector<ULONG>& removedIds);
    // Deletes the entries; `deleted` counts those that existed.
    HRESULT Delete(const std::vector<std::int64_t>& records, ULONG* deleted);

  private:
    explicit Database(sqlite3* db) : db_(db) {}
    class Statement;
    class Transaction;
    sqlite3_stmt* Prepared(const char* sql);
    HRESULT WriteProperty(std::int64_t record, const Property& property);
    // Runs a cached statement with integer arguments: S_OK when it gives a row, S_FALSE when it
    // is done without one.
    HRESULT Run(const char* sql, std::initializer_list<std::int64_t> arguments);

    sqlite3* db_;
    std::vector<std::pair<const char*, sqlite3_stmt*>> statements_;
};

}  // namespace wab

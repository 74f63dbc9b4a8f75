#include "database.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>

namespace wab {
namespace {

constexpr int kBusyTimeoutMs = 10000;

HRESULT FromSqlite(int code) {
    switch (code & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return S_OK;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return MAPI_E_BUSY;
        case SQLITE_NOMEM:
            return MAPI_E_NOT_ENOUGH_MEMORY;
        case SQLITE_FULL:
            return MAPI_E_NOT_ENOUGH_DISK;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return MAPI_E_CORRUPT_DATA;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
        case SQLITE_AUTH:
            return MAPI_E_NO_ACCESS;
        default:
            return MAPI_E_DISK_ERROR;
    }
}

// The integer that a one-value pragma answers; nullopt when it fails (not SQLite, unreadable).
std::optional<std::int64_t> PragmaNumber(sqlite3* db, const char* pragma, int* code) {
    sqlite3_stmt* statement = nullptr;
    *code = sqlite3_prepare_v2(db, pragma, -1, &statement, nullptr);
    std::optional<std::int64_t> value;
    if (*code == SQLITE_OK) {
        *code = sqlite3_step(statement);
        if (*code == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
            *code = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    return value;
}

int Execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// Whether the file at `path` is an address book of ours that this code can use, looking through
// a read-only connection so that a file of any other kind stays exactly as it is.
HRESULT InspectExisting(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    HRESULT hr = FromSqlite(code);
    if (code == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        auto id = PragmaNumber(db, "PRAGMA application_id", &code);
        auto version = id ? PragmaNumber(db, "PRAGMA user_version", &code) : std::nullopt;
        if (!version) {
            hr = code == SQLITE_BUSY ? MAPI_E_BUSY : MAPI_E_CORRUPT_DATA;
        } else if (*id != kApplicationId || *version < 1) {
            hr = MAPI_E_CORRUPT_DATA;
        } else if (*version > kSchemaVersion) {
            hr = MAPI_E_VERSION;
        }
    }
    sqlite3_close_v2(db);
    return hr;
}

// Each step upgrades the schema from version (index) to version (index + 1); a new file goes
// through all of them from 0.
const char* const kUpgrades[kSchemaVersion] = {
    "CREATE TABLE entries ("
    "  record INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  object_type INTEGER NOT NULL);"
    "CREATE TABLE properties ("
    "  record INTEGER NOT NULL REFERENCES entries(record) ON DELETE CASCADE,"
    "  prop_id INTEGER NOT NULL,"
    "  prop_type INTEGER NOT NULL,"
    "  value,"
    "  PRIMARY KEY (record, prop_id)) WITHOUT ROWID;",
};

// Brings the schema up to date inside one write transaction; a file another process is
// creating at the same moment is left to it.
HRESULT PrepareSchema(sqlite3* db) {
    int code = Execute(db, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return FromSqlite(code);
    auto id = PragmaNumber(db, "PRAGMA application_id", &code);
    auto version = id ? PragmaNumber(db, "PRAGMA user_version", &code) : std::nullopt;
    auto tables =
        version ? PragmaNumber(db, "SELECT count(*) FROM sqlite_master", &code) : std::nullopt;
    HRESULT hr = FromSqlite(code);
    if (tables) {
        const bool fresh = *id == 0 && *version == 0 && *tables == 0;
        if (!fresh && *id != kApplicationId) {
            hr = MAPI_E_CORRUPT_DATA;
        } else if (*version > kSchemaVersion) {
            hr = MAPI_E_VERSION;
        } else {
            for (auto step = *version; step < kSchemaVersion && SUCCEEDED(hr); ++step)
                hr = FromSqlite(Execute(db, kUpgrades[step]));
            if (SUCCEEDED(hr) && *version < kSchemaVersion) {
                const std::string marks =
                    "PRAGMA application_id = " + std::to_string(kApplicationId) +
                    "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
                hr = FromSqlite(Execute(db, marks.c_str()));
            }
        }
    }
    if (SUCCEEDED(hr))
        hr = FromSqlite(Execute(db, "COMMIT"));
    if (FAILED(hr))
        Execute(db, "ROLLBACK");
    return hr;
}

}  // namespace

// Resets a cached statement when it goes out of scope.
class Database::Statement {
  public:
    explicit Statement(sqlite3_stmt* s) : s_(s) {}
    ~Statement() {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }

  private:
    sqlite3_stmt* s_;
};

// One transaction, rolled back unless committed.
class Database::Transaction {
  public:
    Transaction(sqlite3* db, const char* begin) : db_(db), code_(Execute(db, begin)) {}
    ~Transaction() {
        if (code_ == SQLITE_OK && !done_)
            Execute(db_, "ROLLBACK");
    }
    HRESULT Began() const { return FromSqlite(code_); }
    HRESULT Commit() {
        done_ = true;
        const int code = Execute(db_, "COMMIT");
        if (code != SQLITE_OK)
            Execute(db_, "ROLLBACK");
        return FromSqlite(code);
    }

  private:
    sqlite3* db_;
    int code_;
    bool done_ = false;
};

HRESULT Database::Open(const std::filesystem::path& file, std::shared_ptr<Database>* out) {
    out->reset();
    std::error_code ec;
    const bool existing = std::filesystem::file_size(file, ec) > 0 && !ec;
    if (existing) {
        if (HRESULT hr = InspectExisting(file); FAILED(hr))
            return hr;
    } else if (std::filesystem::is_directory(file, ec)) {
        return MAPI_E_NO_ACCESS;
    } else if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
    }

    sqlite3* db = nullptr;
    int code =
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_close_v2(db);
        return FromSqlite(code);
    }
    std::shared_ptr<Database> database(new Database(db));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Small pages for a new file: every change writes whole pages to the log, and storing an
    // entry touches a few pages with little on each. An existing file keeps its page size.
    Execute(db, "PRAGMA page_size = 1024");
    if (HRESULT hr = PrepareSchema(db); FAILED(hr))
        return hr;
    // Write-ahead logging lets readers go on while another process writes; NORMAL
    // synchronisation keeps every committed change across a crash of the process.
    Execute(db, "PRAGMA journal_mode = WAL");
    Execute(db, "PRAGMA synchronous = NORMAL");
    Execute(db, "PRAGMA foreign_keys = ON");
    *out = std::move(database);
    return S_OK;
}

Database::~Database() {
    for (auto& [sql, statement] : statements_)
        sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

sqlite3_stmt* Database::Prepared(const char* sql) {
    for (auto& [text, statement] : statements_) {
        if (text == sql)
            return statement;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    statements_.emplace_back(sql, statement);
    return statement;
}

namespace {

constexpr const char kSelectOrder[] =
    "SELECT e.record, e.object_type FROM entries e"
    " LEFT JOIN properties n ON n.record = e.record AND n.prop_id = ?1"
    " ORDER BY n.value COLLATE NOCASE, e.record";
constexpr const char kSelectAllProperties[] =
    "SELECT record, prop_id, prop_type, value FROM properties ORDER BY record, prop_id";
constexpr const char kSelectEntry[] = "SELECT object_type FROM entries WHERE record = ?1";
constexpr const char kSelectProperties[] =
    "SELECT prop_id, prop_type, value FROM properties WHERE record = ?1 ORDER BY prop_id";
constexpr const char kInsertEntry[] = "INSERT INTO entries (object_type) VALUES (?1)";
constexpr const char kWriteProperty[] =
    "INSERT OR REPLACE INTO properties (record, prop_id, prop_type, value)"
    " VALUES (?1, ?2, ?3, ?4)";
constexpr const char kDeleteProperty[] =
    "DELETE FROM properties WHERE record = ?1 AND prop_id = ?2";
constexpr const char kDeleteProperties[] = "DELETE FROM properties WHERE record = ?1";
constexpr const char kDeleteEntry[] = "DELETE FROM entries WHERE record = ?1";

// The property in columns (prop_id, prop_type, value) from `first` on; false when the row does
// not hold a value of its type (a damaged row is left out rather than trusted).
bool PropertyFromRow(sqlite3_stmt* s, int first, Property* out) {
    const auto id = sqlite3_column_int64(s, first);
    const auto type = sqlite3_column_int64(s, first + 1);
    if (id <= 0 || id > 0xFFFF || type < 0 || type > 0xFFFF)
        return false;
    const ULONG propType = static_cast<ULONG>(type);
    if (!IsStorableType(propType) || StoredType(propType) != propType)
        return false;
    out->tag = PROP_TAG(propType, static_cast<ULONG>(id));
    const int column = first + 2;
    const int storage = sqlite3_column_type(s, column);
    if (propType & MV_FLAG) {
        if (storage != SQLITE_BLOB)
            return false;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
        const int size = sqlite3_column_bytes(s, column);
        return DecodeMultiple(propType, std::string_view(bytes ? bytes : "", size), &out->data);
    }
    switch (propType) {
        case PT_NULL:
            out->data = std::monostate{};
            return storage == SQLITE_NULL;
        case PT_R4:
        case PT_DOUBLE:
        case PT_APPTIME:
            out->data = sqlite3_column_double(s, column);
            return storage == SQLITE_FLOAT;
        case PT_UNICODE: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
            out->data = std::string(text ? text : "", sqlite3_column_bytes(s, column));
            return storage == SQLITE_TEXT;
        }
        case PT_BINARY:
        case PT_CLSID: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
            out->data = std::string(bytes ? bytes : "", sqlite3_column_bytes(s, column));
            return storage == SQLITE_BLOB &&
                   (propType != PT_CLSID || sqlite3_column_bytes(s, column) == 16);
        }
        default:
            out->data = static_cast<std::int64_t>(sqlite3_column_int64(s, column));
            return storage == SQLITE_INTEGER;
    }
}

// Appends the property of the current row unless the row is damaged.
void AppendProperty(sqlite3_stmt* statement, int firstColumn, PropertyList* props) {
    Property property;
    if (PropertyFromRow(statement, firstColumn, &property))
        props->push_back(std::move(property));
}

}  // namespace

HRESULT Database::LoadAll(std::vector<StoredEntry>* entries) {
    entries->clear();
    Transaction read(db_, "BEGIN");
    if (FAILED(read.Began()))
        return read.Began();
    Statement order(Prepared(kSelectOrder));
    Statement all(Prepared(kSelectAllProperties));
    if (!order || !all)
        return FromSqlite(sqlite3_errcode(db_));
    sqlite3_bind_int64(order.get(), 1, PROP_ID(PR_DISPLAY_NAME));
    std::unordered_map<std::int64_t, std::size_t> positions;
    int code;
    while ((code = sqlite3_step(order.get())) == SQLITE_ROW) {
        StoredEntry entry;
        entry.record = sqlite3_column_int64(order.get(), 0);
        entry.objectType = static_cast<ULONG>(sqlite3_column_int64(order.get(), 1));
        positions.emplace(entry.record, entries->size());
        entries->push_back(std::move(entry));
    }
    if (code != SQLITE_DONE)
        return FromSqlite(code);
    while ((code = sqlite3_step(all.get())) == SQLITE_ROW) {
        auto it = positions.find(sqlite3_column_int64(all.get(), 0));
        if (it != positions.end())
            AppendProperty(all.get(), 1, &(*entries)[it->second].props);
    }
    if (code != SQLITE_DONE)
        return FromSqlite(code);
    return read.Commit();
}

HRESULT Database::Load(std::int64_t record, StoredEntry* entry) {
    Transaction read(db_, "BEGIN");
    if (FAILED(read.Began()))
        return read.Began();
    Statement head(Prepared(kSelectEntry));
    Statement props(Prepared(kSelectProperties));
    if (!head || !props)
        return FromSqlite(sqlite3_errcode(db_));
    sqlite3_bind_int64(head.get(), 1, record);
    int code = sqlite3_step(head.get());
    if (code == SQLITE_DONE)
        return MAPI_E_NOT_FOUND;
    if (code != SQLITE_ROW)
        return FromSqlite(code);
    entry->record = record;
    entry->objectType = static_cast<ULONG>(sqlite3_column_int64(head.get(), 0));
    entry->props.clear();
    sqlite3_bind_int64(props.get(), 1, record);
    while ((code = sqlite3_step(props.get())) == SQLITE_ROW)
        AppendProperty(props.get(), 0, &entry->props);
    if (code != SQLITE_DONE)
        return FromSqlite(code);
    return read.Commit();
}

HRESULT Database::WriteProperty(std::int64_t record, const Property& property) {
    Statement s(Prepared(kWriteProperty));
    if (!s)
        return FromSqlite(sqlite3_errcode(db_));
    const ULONG type = PROP_TYPE(property.tag);
    sqlite3_bind_int64(s.get(), 1, record);
    sqlite3_bind_int64(s.get(), 2, PROP_ID(property.tag));
    sqlite3_bind_int64(s.get(), 3, type);
    std::string multiple;
    if (type & MV_FLAG) {
        multiple = EncodeMultiple(property.data);
        sqlite3_bind_blob64(s.get(), 4, multiple.data(), multiple.size(), SQLITE_STATIC);
    } else if (const auto* integer = std::get_if<std::int64_t>(&property.data)) {
        sqlite3_bind_int64(s.get(), 4, *integer);
    } else if (const auto* real = std::get_if<double>(&property.data)) {
        sqlite3_bind_double(s.get(), 4, *real);
    } else if (const auto* bytes = std::get_if<std::string>(&property.data)) {
        if (type == PT_UNICODE) {
            sqlite3_bind_text64(s.get(), 4, bytes->data(), bytes->size(), SQLITE_STATIC,
                                SQLITE_UTF8);
        } else {
            sqlite3_bind_blob64(s.get(), 4, bytes->data(), bytes->size(), SQLITE_STATIC);
        }
    } else {
        sqlite3_bind_null(s.get(), 4);
    }
    return FromSqlite(sqlite3_step(s.get()));
}

HRESULT Database::Run(const char* sql, std::initializer_list<std::int64_t> arguments) {
    Statement s(Prepared(sql));
    if (!s)
        return FromSqlite(sqlite3_errcode(db_));
    int index = 1;
    for (std::int64_t argument : arguments)
        sqlite3_bind_int64(s.get(), index++, argument);
    const int code = sqlite3_step(s.get());
    return code == SQLITE_ROW ? S_OK : code == SQLITE_DONE ? S_FALSE : FromSqlite(code);
}

HRESULT Database::Insert(ULONG objectType, const PropertyList& props, std::int64_t* record) {
    Transaction write(db_, "BEGIN IMMEDIATE");
    if (FAILED(write.Began()))
        return write.Began();
    if (HRESULT hr = Run(kInsertEntry, {objectType}); FAILED(hr))
        return hr;
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    for (const Property& property : props) {
        if (HRESULT hr = WriteProperty(id, property); FAILED(hr))
            return hr;
    }
    if (HRESULT hr = write.Commit(); FAILED(hr))
        return hr;
    *record = id;
    return S_OK;
}

HRESULT Database::Update(std::int64_t record, const PropertyList& changed,
                         const std::vector<ULONG>& removedIds) {
    Transaction write(db_, "BEGIN IMMEDIATE");
    if (FAILED(write.Began()))
        return write.Began();
    const HRESULT exists = Run(kSelectEntry, {record});
    if (exists != S_OK)
        return FAILED(exists) ? exists : MAPI_E_OBJECT_DELETED;
    for (ULONG id : removedIds) {
        if (HRESULT hr = Run(kDeleteProperty, {record, id}); FAILED(hr))
            return hr;
    }
    for (const Property& property : changed) {
        if (HRESULT hr = WriteProperty(record, property); FAILED(hr))
            return hr;
    }
    return write.Commit();
}

HRESULT Database::Delete(const std::vector<std::int64_t>& records, ULONG* deleted) {
    *deleted = 0;
    Transaction write(db_, "BEGIN IMMEDIATE");
    if (FAILED(write.Began()))
        return write.Began();
    ULONG count = 0;
    for (std::int64_t record : records) {
        for (const char* sql : {kDeleteProperties, kDeleteEntry}) {
            if (HRESULT hr = Run(sql, {record}); FAILED(hr))
                return hr;
        }
        count += sqlite3_changes(db_) > 0 ? 1 : 0;
    }
    if (HRESULT hr = write.Commit(); FAILED(hr))
        return hr;
    *deleted = count;
    return S_OK;
}

}  // namespace wab

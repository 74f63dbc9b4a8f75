// Opening and making the files of one table: what mailbox files and Folders.dbx share.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dbx/database.h"
#include "dbx/file_builder.h"
#include "dbx/record.h"

namespace dbx::detail {

// Opens `path` and refuses (kUnsupported) a file that holds another table than `kind`;
// `what` names the expected table in the message ("a mailbox").
std::unique_ptr<Database> OpenTable(const std::filesystem::path& path, const OpenOptions& options,
                                    TableKind kind, std::string_view what);

// Writes a new file of `kind` with `user_data` and the records `add_records` adds, then opens it
// for changes. Refuses (kInvalidArgument) a path that exists.
std::unique_ptr<Database> CreateTable(const std::filesystem::path& path, TableKind kind,
                                      std::string user_data, FileSystem* fs,
                                      const std::function<void(FileBuilder&)>& add_records);

// A record holding just an id, to look a message or a folder up in index 0, which both tables key
// by the id.
Record IdProbe(uint32_t id);

}  // namespace dbx::detail

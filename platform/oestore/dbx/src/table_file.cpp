#include "table_file.h"

#include "dbx/error.h"
#include "dbx/schema.h"

namespace dbx::detail {

std::unique_ptr<Database> OpenTable(const std::filesystem::path& path, const OpenOptions& options,
                                    TableKind kind, std::string_view what) {
    auto db = Database::Open(path, options);
    if (db->kind() != kind) {
        throw Error(ErrorCode::kUnsupported, path.string() + " holds the " +
                                                 DescribeTableKind(db->kind()) + ", not " +
                                                 std::string(what));
    }
    return db;
}

std::unique_ptr<Database> CreateTable(const std::filesystem::path& path, TableKind kind,
                                      std::string user_data, FileSystem* fs,
                                      const std::function<void(FileBuilder&)>& add_records) {
    FileSystem& files = fs ? *fs : SystemFileSystem();
    if (files.Exists(path))
        throw Error(ErrorCode::kInvalidArgument, path.string() + " already exists");
    FileBuilder::Options options;
    options.fs = &files;
    FileBuilder builder(path, kind, std::move(user_data), options);
    add_records(builder);
    builder.Finish();
    OpenOptions open;
    open.writable = true;
    open.fs = &files;
    return Database::Open(path, open);
}

Record IdProbe(uint32_t id) {
    static_assert(msgcol::kId == fldcol::kId);
    Record probe;
    probe.SetDword(msgcol::kId, id);
    return probe;
}

}  // namespace dbx::detail

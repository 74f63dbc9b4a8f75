// libFuzzer target for the folder-count cache beside Folders.dbx (Folders.dbx.counts): what
// decodes must encode to the same bytes. The input is also tried with its checksum made right.
#include <cstdint>
#include <string>

#include "bytes.h"
#include "crc32.h"
#include "dbx/folder_counts.h"

namespace {

void Decode(const std::string& bytes) {
    if (auto folders = dbx::DecodeFolderCounts(bytes)) {
        if (dbx::EncodeFolderCounts(*folders) != bytes)
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    Decode(bytes);
    if (bytes.size() >= 4) {
        dbx::StoreU32(dbx::Bytes(bytes) + bytes.size() - 4,
                      dbx::Crc32(std::string_view(bytes).substr(0, bytes.size() - 4)));
        Decode(bytes);
    }
    return 0;
}

// libFuzzer target for the folder-count cache beside Folders.dbx (Folders.dbx.counts): what
// decodes must encode to the same bytes. The input is also tried with its checksum made right.
#include <cstdint>
#include <string>

#include "checksum.h"
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
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Decode(bytes);
    Decode(WithRightChecksum(bytes));
    return 0;
}

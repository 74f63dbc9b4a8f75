// The library's own side files end in a CRC-32 of everything before it. A fuzz target tries an
// input as it is and once more with that checksum made right, so that mutations reach past it.
#pragma once

#include <string>

#include "bytes.h"
#include "crc32.h"

inline std::string WithRightChecksum(std::string bytes) {
    if (bytes.size() >= 4) {
        dbx::StoreU32(dbx::Bytes(bytes) + bytes.size() - 4,
                      dbx::Crc32(std::string_view(bytes).substr(0, bytes.size() - 4)));
    }
    return bytes;
}

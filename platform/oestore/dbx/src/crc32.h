// CRC-32 as zlib and PNG compute it (reflected polynomial 0xEDB88320), for the library's own files.
#pragma once

#include <cstdint>
#include <string_view>

namespace dbx {

uint32_t Crc32(std::string_view bytes);

}  // namespace dbx

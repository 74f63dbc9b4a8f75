// Little-endian loads and stores on raw bytes. Every number in a .dbx file is little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace dbx {

inline uint16_t LoadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t LoadU64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadU32(p)) | (static_cast<uint64_t>(LoadU32(p + 4)) << 32);
}

inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void StoreU64(uint8_t* p, uint64_t v) {
    StoreU32(p, static_cast<uint32_t>(v));
    StoreU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint8_t* Bytes(std::string& s) {
    return reinterpret_cast<uint8_t*>(s.data());
}
inline const uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

inline void AppendU32(std::string& out, uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    out.append(reinterpret_cast<const char*>(b), 4);
}

inline void AppendU64(std::string& out, uint64_t v) {
    uint8_t b[8];
    StoreU64(b, v);
    out.append(reinterpret_cast<const char*>(b), 8);
}

}  // namespace dbx

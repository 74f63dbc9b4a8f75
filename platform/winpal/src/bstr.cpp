// BSTR allocation. A block holds four spare bytes, the 32-bit byte length, the text and a
// terminator; the BSTR points at the text, so the length sits just before it as on Windows, and
// the text stays 8-byte aligned. The terminator is two NUL bytes after the text, plus one more so
// that a string of odd byte length still ends in a whole NUL character.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <winpal/oleauto.h>

#include "automation_detail.h"

namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kTerminatorBytes = 3;
// The largest byte length the 32-bit length field and the allocation arithmetic allow.
constexpr UINT kMaxByteLength = 0x7FFFFFF0u;

unsigned char* BlockOf(BSTR b) {
    return reinterpret_cast<unsigned char*>(b) - kHeaderBytes;
}

// A new BSTR of `byteLength` bytes copied from `data`, or zero-filled when `data` is null.
BSTR AllocateBytes(const void* data, UINT byteLength) {
    if (byteLength > kMaxByteLength)
        return nullptr;
    std::size_t total = kHeaderBytes + byteLength + kTerminatorBytes;
    auto* block = static_cast<unsigned char*>(std::malloc(total));
    if (!block)
        return nullptr;
    std::memset(block, 0, kHeaderBytes);
    std::uint32_t length = byteLength;
    std::memcpy(block + kHeaderBytes - sizeof(length), &length, sizeof(length));
    unsigned char* text = block + kHeaderBytes;
    if (data) {
        std::memcpy(text, data, byteLength);
    } else {
        std::memset(text, 0, byteLength);
    }
    std::memset(text + byteLength, 0, kTerminatorBytes);
    return reinterpret_cast<BSTR>(text);
}

std::size_t CharacterCount(const OLECHAR* psz) {
    return std::char_traits<char16_t>::length(psz);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz)
        return nullptr;
    std::size_t count = CharacterCount(psz);
    if (count > kMaxByteLength / sizeof(OLECHAR))
        return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(count));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > kMaxByteLength / sizeof(OLECHAR))
        return nullptr;
    return AllocateBytes(strIn, ui * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
    return AllocateBytes(psz, len);
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (!pbstr)
        return FALSE;
    // Allocates before freeing: `psz` may point into the old string.
    BSTR fresh = SysAllocString(psz);
    if (psz && !fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
    if (!pbstr)
        return FALSE;
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh)
        return FALSE;
    // Without new text the old text is kept, as far as it reaches: a reallocation.
    if (!psz && *pbstr) {
        UINT kept = std::min(len, SysStringLen(*pbstr));
        std::memcpy(fresh, *pbstr, kept * sizeof(OLECHAR));
    }
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString) {
    if (bstrString)
        std::free(BlockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr)
        return 0;
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<unsigned char*>(bstr) - sizeof(length), sizeof(length));
    return length;
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / static_cast<UINT>(sizeof(OLECHAR));
}

namespace winpal::detail {

bool DuplicateBstr(BSTR source, BSTR* copy) {
    *copy = source ? AllocateBytes(source, SysStringByteLen(source)) : nullptr;
    return !source || *copy;
}

}  // namespace winpal::detail

#include "allocator.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace wab {
namespace {

constexpr std::uint32_t kParentMark = 0x57414250;  // "WABP"
constexpr std::uint32_t kLinkedMark = 0x5741424C;  // "WABL"
constexpr std::uint32_t kFreedMark = 0;

// Sits in front of every block; its size keeps the caller's part aligned for any type.
struct alignas(std::max_align_t) BlockHeader {
    BlockHeader* nextLinked;
    std::uint32_t mark;
};

BlockHeader* HeaderOf(LPVOID buffer) {
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(buffer) - sizeof(BlockHeader));
}

LPVOID NewBlock(ULONG size, std::uint32_t mark) {
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header)
        return nullptr;
    header->nextLinked = nullptr;
    header->mark = mark;
    LPVOID data = header + 1;
    std::memset(data, 0, size);
    return data;
}

}  // namespace

HRESULT AllocateBuffer(ULONG size, LPVOID* buffer) {
    if (!buffer)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = NewBlock(size, kParentMark);
    return *buffer ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) {
    if (!buffer)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = nullptr;
    if (!parent || HeaderOf(parent)->mark != kParentMark)
        return MAPI_E_INVALID_PARAMETER;
    LPVOID block = NewBlock(size, kLinkedMark);
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    BlockHeader* parentHeader = HeaderOf(parent);
    BlockHeader* header = HeaderOf(block);
    header->nextLinked = parentHeader->nextLinked;
    parentHeader->nextLinked = header;
    *buffer = block;
    return S_OK;
}

HRESULT FreeBuffer(LPVOID buffer) {
    if (!buffer)
        return S_OK;
    BlockHeader* header = HeaderOf(buffer);
    if (header->mark != kParentMark)
        return MAPI_E_INVALID_PARAMETER;
    BlockHeader* linked = header->nextLinked;
    while (linked) {
        BlockHeader* next = linked->nextLinked;
        linked->mark = kFreedMark;
        std::free(linked);
        linked = next;
    }
    header->mark = kFreedMark;
    std::free(header);
    return S_OK;
}

LPBYTE CopyBytesMore(std::string_view bytes, LPVOID parent) {
    LPVOID block = nullptr;
    if (FAILED(AllocateMore(static_cast<ULONG>(bytes.size()), parent, &block)))
        return nullptr;
    if (!bytes.empty())
        std::memcpy(block, bytes.data(), bytes.size());
    return static_cast<LPBYTE>(block);
}

LPSTR CopyAnsiMore(std::string_view ansi, LPVOID parent) {
    LPVOID block = nullptr;
    if (FAILED(AllocateMore(static_cast<ULONG>(ansi.size() + 1), parent, &block)))
        return nullptr;
    std::memcpy(block, ansi.data(), ansi.size());
    return static_cast<LPSTR>(block);
}

LPWSTR CopyWideMore(std::u16string_view wide, LPVOID parent) {
    LPVOID block = nullptr;
    if (FAILED(AllocateMore(static_cast<ULONG>((wide.size() + 1) * sizeof(WCHAR)), parent, &block)))
        return nullptr;
    std::memcpy(block, wide.data(), wide.size() * sizeof(WCHAR));
    return static_cast<LPWSTR>(block);
}

}  // namespace wab

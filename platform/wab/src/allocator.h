// The address book's memory: blocks from AllocateBuffer, with further blocks linked to them by
// AllocateMore, all freed together when the first one is freed (MAPI's allocation rules). Every
// buffer the interfaces hand out comes from here, so a caller frees it with IWABObject's
// FreeBuffer.
#pragma once

#include <string_view>

#include <wab/wabdefs.h>

namespace wab {

HRESULT AllocateBuffer(ULONG size, LPVOID* buffer);
// A block that lives as long as `parent`, which must come from AllocateBuffer.
HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer);
// Frees a block from AllocateBuffer with every block linked to it. Null is accepted; a linked
// block on its own is refused (MAPI_E_INVALID_PARAMETER) and stays allocated.
HRESULT FreeBuffer(LPVOID buffer);

// Copies of bytes and text into blocks linked to `parent`; null when memory runs out.
LPBYTE CopyBytesMore(std::string_view bytes, LPVOID parent);
LPSTR CopyAnsiMore(std::string_view ansi, LPVOID parent);
LPWSTR CopyWideMore(std::u16string_view wide, LPVOID parent);

// Holds a block from AllocateBuffer until it is handed out with Release().
class Buffer {
  public:
    Buffer() = default;
    explicit Buffer(LPVOID block) : block_(block) {}
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { FreeBuffer(block_); }
    template <class T = void>
    T* Get() const {
        return static_cast<T*>(block_);
    }
    LPVOID Release() {
        LPVOID block = block_;
        block_ = nullptr;
        return block;
    }

  private:
    LPVOID block_ = nullptr;
};

}  // namespace wab

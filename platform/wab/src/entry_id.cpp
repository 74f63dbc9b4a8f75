#include "entry_id.h"

#include <cstring>
#include <string_view>

#include <winpal/winpal.h>

#include "allocator.h"

namespace wab {
namespace {

constexpr BYTE kProviderUid[16] = {0xCA, 0xB2, 0xB5, 0xCB, 0x52, 0xB7, 0x85, 0xED,
                                   0xAA, 0xB8, 0x9A, 0x67, 0x4F, 0x38, 0x1A, 0x4D};
constexpr BYTE kOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr std::size_t kEntryIdSize = 36;
constexpr std::size_t kOneOffHeader = 24;

void PutLittle(std::string& out, std::uint64_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
}

std::uint64_t GetLittle(const BYTE* p, int bytes) {
    std::uint64_t x = 0;
    for (int i = 0; i < bytes; ++i)
        x |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return x;
}

bool ValidObjectType(EntryKind kind, ULONG type) {
    if (kind == EntryKind::Container)
        return type == MAPI_ABCONT;
    return type == MAPI_MAILUSER || type == MAPI_DISTLIST;
}

// Reads one NUL-terminated text from `bytes` at `pos`, as UTF-8.
std::optional<std::string> ReadText(std::string_view bytes, std::size_t& pos, bool wide) {
    if (!wide) {
        std::size_t end = bytes.find('\0', pos);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string text = winpal::Utf16ToUtf8(winpal::AnsiToWide(bytes.substr(pos, end - pos)));
        pos = end + 1;
        return text;
    }
    std::u16string text;
    for (;;) {
        if (bytes.size() - pos < 2)
            return std::nullopt;
        const char16_t unit =
            static_cast<char16_t>(static_cast<unsigned char>(bytes[pos]) |
                                  (static_cast<unsigned char>(bytes[pos + 1]) << 8));
        pos += 2;
        if (unit == 0)
            return winpal::Utf16ToUtf8(text);
        text.push_back(unit);
    }
}

void WriteText(std::string& out, const std::string& utf8, bool wide) {
    if (!wide) {
        out += winpal::WideToAnsi(winpal::Utf8ToUtf16(utf8));
        out.push_back('\0');
        return;
    }
    for (char16_t unit : winpal::Utf8ToUtf16(utf8))
        PutLittle(out, unit, 2);
    PutLittle(out, 0, 2);
}

}  // namespace

std::string MakeEntryId(const EntryRef& ref) {
    std::string out(4, '\0');
    out.append(reinterpret_cast<const char*>(kProviderUid), sizeof kProviderUid);
    PutLittle(out, static_cast<std::uint32_t>(ref.kind), 4);
    PutLittle(out, ref.objectType, 4);
    PutLittle(out, static_cast<std::uint64_t>(ref.record), 8);
    return out;
}

std::optional<EntryRef> ParseEntryId(ULONG cb, const ENTRYID* id) {
    if (!id || cb != kEntryIdSize)
        return std::nullopt;
    const BYTE* p = reinterpret_cast<const BYTE*>(id);
    if (GetLittle(p, 4) != 0 || std::memcmp(p + 4, kProviderUid, sizeof kProviderUid) != 0)
        return std::nullopt;
    EntryRef ref;
    const std::uint64_t kind = GetLittle(p + 20, 4);
    if (kind < 1 || kind > 3)
        return std::nullopt;
    ref.kind = static_cast<EntryKind>(kind);
    ref.objectType = static_cast<ULONG>(GetLittle(p + 24, 4));
    ref.record = static_cast<std::int64_t>(GetLittle(p + 28, 8));
    if (!ValidObjectType(ref.kind, ref.objectType))
        return std::nullopt;
    if ((ref.kind == EntryKind::Stored) != (ref.record > 0))
        return std::nullopt;
    return ref;
}

std::string MakeOneOffId(const OneOff& entry, ULONG oneOffFlags) {
    const bool wide = (oneOffFlags & MAPI_ONE_OFF_UNICODE) != 0;
    std::string out(4, '\0');
    out.append(reinterpret_cast<const char*>(kOneOffUid), sizeof kOneOffUid);
    PutLittle(out, 0, 2);
    PutLittle(out, oneOffFlags & 0xFFFF, 2);
    WriteText(out, entry.displayName, wide);
    WriteText(out, entry.addressType, wide);
    WriteText(out, entry.address, wide);
    return out;
}

std::optional<OneOff> ParseOneOffId(ULONG cb, const ENTRYID* id) {
    if (!id || cb < kOneOffHeader)
        return std::nullopt;
    std::string_view bytes(reinterpret_cast<const char*>(id), cb);
    const BYTE* p = reinterpret_cast<const BYTE*>(id);
    if (GetLittle(p, 4) != 0 || std::memcmp(p + 4, kOneOffUid, sizeof kOneOffUid) != 0 ||
        GetLittle(p + 20, 2) != 0)
        return std::nullopt;
    const bool wide = (GetLittle(p + 22, 2) & MAPI_ONE_OFF_UNICODE) != 0;
    std::size_t pos = kOneOffHeader;
    auto name = ReadText(bytes, pos, wide);
    auto type = name ? ReadText(bytes, pos, wide) : std::nullopt;
    auto address = type ? ReadText(bytes, pos, wide) : std::nullopt;
    if (!address)
        return std::nullopt;
    return OneOff{std::move(*name), std::move(*type), std::move(*address)};
}

HRESULT HandOutEntryId(const std::string& bytes, ULONG* cb, LPENTRYID* id) {
    if (!cb || !id)
        return MAPI_E_INVALID_PARAMETER;
    *cb = 0;
    *id = nullptr;
    LPVOID block = nullptr;
    if (FAILED(AllocateBuffer(static_cast<ULONG>(bytes.size()), &block)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    std::memcpy(block, bytes.data(), bytes.size());
    *cb = static_cast<ULONG>(bytes.size());
    *id = static_cast<LPENTRYID>(block);
    return S_OK;
}

}  // namespace wab

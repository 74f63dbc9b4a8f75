// Entry ids: the address book's own, and MAPI's one-off ids.
//
// Our ids are 36 bytes, little-endian: four zero flag bytes, the address book's provider UID
// (16 bytes), the kind of entry (4 bytes: 1 the personal address-book container, 2 a template for
// new entries, 3 a stored entry), its MAPI object type (4 bytes) and, for a stored entry, its
// record number in the database (8 bytes; 0 otherwise). Record numbers are never reused, so an
// id keeps naming the same entry across sessions, and a deleted entry's id names nothing.
//
// A one-off id (CreateOneOff) has MAPI's documented layout: four zero flag bytes, MAPI's one-off
// UID 812B1FA4-BEA3-1019-9D6E-00DD010F5402, a 16-bit version 0 and 16-bit flags, then the
// display name, address type and address, each NUL-terminated, in UTF-16 when the flags hold
// MAPI_ONE_OFF_UNICODE and in the ANSI code page otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <wab/wabdefs.h>

namespace wab {

enum class EntryKind : std::uint32_t { Container = 1, Template = 2, Stored = 3 };

struct EntryRef {
    EntryKind kind = EntryKind::Container;
    ULONG objectType = MAPI_ABCONT;
    std::int64_t record = 0;
};

std::string MakeEntryId(const EntryRef& ref);
// Null or empty ids are not ours; the caller decides what they mean.
std::optional<EntryRef> ParseEntryId(ULONG cb, const ENTRYID* id);
inline EntryRef PabRef() {
    return {EntryKind::Container, MAPI_ABCONT, 0};
}
inline EntryRef TemplateRef(ULONG objectType) {
    return {EntryKind::Template, objectType, 0};
}
inline EntryRef StoredRef(ULONG objectType, std::int64_t record) {
    return {EntryKind::Stored, objectType, record};
}

struct OneOff {
    std::string displayName;  // UTF-8
    std::string addressType;
    std::string address;
};
std::string MakeOneOffId(const OneOff& entry, ULONG oneOffFlags);
std::optional<OneOff> ParseOneOffId(ULONG cb, const ENTRYID* id);

// A copy of `bytes` in a block from AllocateBuffer, handed out as an entry id.
HRESULT HandOutEntryId(const std::string& bytes, ULONG* cb, LPENTRYID* id);

}  // namespace wab

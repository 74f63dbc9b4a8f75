// The interface identifiers of MAPI's address-book interfaces (mapiguid.h): OLE GUIDs of the form
// {000203xx-0000-0000-C000-000000000046}.
#pragma once

#include <winpal/types.h>

namespace wab::detail {
constexpr IID OleGuid(std::uint32_t data1) {
    return {data1, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}
}  // namespace wab::detail

inline constexpr IID IID_IMAPISession = wab::detail::OleGuid(0x00020300);
inline constexpr IID IID_IMAPITable = wab::detail::OleGuid(0x00020301);
inline constexpr IID IID_IMAPIAdviseSink = wab::detail::OleGuid(0x00020302);
inline constexpr IID IID_IMAPIProp = wab::detail::OleGuid(0x00020303);
inline constexpr IID IID_IMAPIStatus = wab::detail::OleGuid(0x00020305);
inline constexpr IID IID_IAddrBook = wab::detail::OleGuid(0x00020309);
inline constexpr IID IID_IMailUser = wab::detail::OleGuid(0x0002030A);
inline constexpr IID IID_IMAPIContainer = wab::detail::OleGuid(0x0002030B);
inline constexpr IID IID_IABContainer = wab::detail::OleGuid(0x0002030D);
inline constexpr IID IID_IDistList = wab::detail::OleGuid(0x0002030E);
inline constexpr IID IID_IMAPIProgress = wab::detail::OleGuid(0x0002031F);

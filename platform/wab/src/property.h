// Properties as the address book keeps them, and their passage to and from the callers'
// SPropValue arrays. Text is kept once, in UTF-8, under the wide type (PT_UNICODE or
// PT_MV_UNICODE) whichever type it was set with; it is served as PT_STRING8 in the ANSI code
// page or as PT_UNICODE, as the caller asks. Every other type is kept as given.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include <wab/wabdefs.h>

namespace wab {

using PropertyData =
    std::variant<std::monostate, std::int64_t, double, std::string, std::vector<std::int64_t>,
                 std::vector<double>, std::vector<std::string>>;

struct Property {
    Property() = default;
    Property(ULONG t, PropertyData d) : tag(t), data(std::move(d)) {}
    ULONG tag = PR_NULL;
    PropertyData data;
};
using PropertyList = std::vector<Property>;

// The type a value of `type` is kept under: PT_UNICODE for either text type (PT_MV_UNICODE for
// multi-valued text), the type itself otherwise.
ULONG StoredType(ULONG type);
// Whether a property of this type can be set and kept (not PT_ERROR, PT_OBJECT, PT_UNSPECIFIED
// or an unknown type).
bool IsStorableType(ULONG type);

// Reads a caller's value; false when its type cannot be kept or a pointer it needs is null.
bool PropertyFromValue(const SPropValue& value, Property* out);
// A text property for code that builds entries itself.
Property TextProperty(ULONG tag, std::string utf8);

// Writes `property` into `out` with the type `wantedType` asks for (PT_UNSPECIFIED: its own,
// text as PT_UNICODE when `flags` has MAPI_UNICODE and as PT_STRING8 otherwise). Text converts
// between the two text types; other types must match. Memory is linked to `parent`. On failure
// `out` becomes PT_ERROR with the reason, which is also returned.
HRESULT WriteValue(const Property& property, ULONG wantedType, ULONG flags, LPVOID parent,
                   SPropValue* out);

const Property* FindProperty(const PropertyList& list, ULONG propId);
// Adds the property, replacing one of the same identifier.
void SetProperty(PropertyList& list, Property property);
bool RemoveProperty(PropertyList& list, ULONG propId);
// The UTF-8 text of a text property; empty when there is none.
std::string TextOf(const PropertyList& list, ULONG propId);

// GetProps over `list`: with a tag array, one value per tag in that order (missing ones as
// PT_ERROR / MAPI_E_NOT_FOUND, and the result MAPI_W_ERRORS_RETURNED); without, every property.
// The array comes from AllocateBuffer with its contents linked to it.
HRESULT ServeProps(const PropertyList& list, LPSPropTagArray tags, ULONG flags, ULONG* count,
                   LPSPropValue* values);

// A tag array from AllocateBuffer holding `tags`.
HRESULT HandOutTags(const std::vector<ULONG>& tags, LPSPropTagArray* out);
// The tags of `list` as GetPropList hands them out (text as PT_UNICODE with MAPI_UNICODE, as
// PT_STRING8 otherwise).
HRESULT HandOutPropList(const PropertyList& list, ULONG flags, LPSPropTagArray* out);

// The value of a multi-valued property as one byte string, and back; false for bytes that do
// not describe a value of that type.
std::string EncodeMultiple(const PropertyData& data);
bool DecodeMultiple(ULONG type, std::string_view bytes, PropertyData* out);

}  // namespace wab

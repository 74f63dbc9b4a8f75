// Type-library data: what a library says about its automation types (identifiers, names,
// dispatch ids, parameter and result types, flags, help strings), held by the library itself as
// its TYPELIB resource. Name lookup for IDispatch::GetIDsOfNames and the type-library
// registration read it.
#pragma once

#include <string_view>
#include <vector>

#include <winpal/oleauto.h>

namespace olectl {

// LIBFLAGS
constexpr WORD LIBFLAG_FRESTRICTED = 0x1;
constexpr WORD LIBFLAG_FCONTROL = 0x2;
constexpr WORD LIBFLAG_FHIDDEN = 0x4;

// TYPEFLAGS
constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
constexpr WORD TYPEFLAG_FCONTROL = 0x20;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

// Member flags (FUNCFLAGS; VARFLAG_FREADONLY for properties that cannot be set).
constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
constexpr WORD VARFLAG_FREADONLY = 0x1;

// IMPLTYPEFLAGS
constexpr int IMPLTYPEFLAG_FDEFAULT = 0x1;
constexpr int IMPLTYPEFLAG_FSOURCE = 0x2;

enum class TypeKind { Dispatch, CoClass };

enum class MemberKind {
    Property,     // a property of the dispinterface: read and, unless VARFLAG_FREADONLY, written
    PropertyGet,  // a read accessor that takes parameters (propget)
    Method,
};

struct ParamInfo {
    const char* name;
    VARTYPE type;
};

struct MemberInfo {
    DISPID id;
    const char* name;
    MemberKind kind;
    VARTYPE type;  // the property's type or the result's; VT_EMPTY when a method has none
    std::vector<ParamInfo> params;
    WORD flags = 0;
    const char* helpString = "";
};

struct ImplementedInterface {
    const char* name;  // a dispinterface of the same library
    int flags;
};

struct TypeInfo {
    TypeKind kind;
    const char* name;
    GUID guid;
    WORD flags;
    const char* helpString;
    std::vector<MemberInfo> members;               // dispinterfaces
    std::vector<ImplementedInterface> interfaces;  // coclasses

    const MemberInfo* FindMember(DISPID id) const;
    // Names compare without regard to letter case, as automation compares them.
    const MemberInfo* FindMember(std::u16string_view name) const;
};

struct TypeLibInfo {
    const char* name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    WORD flags;
    const char* helpString;
    const char* helpFile;
    std::vector<TypeInfo> types;

    const TypeInfo* Find(REFGUID guid) const;
};

// IDispatch::GetIDsOfNames over one dispinterface: names[0] is a member, the others are its
// parameters (whose ids are their 0-based positions). Unknown names get DISPID_UNKNOWN and the
// result DISP_E_UNKNOWNNAME.
HRESULT GetIDsOfNames(const TypeInfo& dispinterface, REFIID riid, LPOLESTR* names, UINT count,
                      DISPID* ids);

}  // namespace olectl

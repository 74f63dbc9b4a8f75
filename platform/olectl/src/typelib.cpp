// Lookups in type-library data, and GetIDsOfNames over a dispinterface.
#include <olectl/typelib.h>

#include <cstring>

namespace olectl {
namespace {

char16_t FoldCase(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Type-library names are ASCII; a caller's name matches without regard to letter case.
bool SameName(const char* libraryName, std::u16string_view callerName) {
    std::size_t length = std::strlen(libraryName);
    if (length != callerName.size())
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldCase(static_cast<unsigned char>(libraryName[i])) != FoldCase(callerName[i]))
            return false;
    }
    return true;
}

std::u16string_view View(LPOLESTR text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace

const MemberInfo* TypeInfo::FindMember(DISPID id) const {
    for (const MemberInfo& member : members) {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

const MemberInfo* TypeInfo::FindMember(std::u16string_view name) const {
    for (const MemberInfo& member : members) {
        if (SameName(member.name, name))
            return &member;
    }
    return nullptr;
}

const TypeInfo* TypeLibInfo::Find(REFGUID guid) const {
    for (const TypeInfo& type : types) {
        if (type.guid == guid)
            return &type;
    }
    return nullptr;
}

HRESULT GetIDsOfNames(const TypeInfo& dispinterface, REFIID riid, LPOLESTR* names, UINT count,
                      DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    const MemberInfo* member = dispinterface.FindMember(View(names[0]));
    if (!member)
        return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        for (std::size_t p = 0; p < member->params.size(); ++p) {
            if (SameName(member->params[p].name, View(names[i])))
                ids[i] = static_cast<DISPID>(p);
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

}  // namespace olectl

// IDispatch::Invoke over a dispatch map: flag and argument checks, argument coercion, results
// and raised automation errors.
#include <olectl/dispatch.h>

#include <new>
#include <string>

#include <winpal/winpal.h>

#include <olectl/module.h>

namespace olectl {
namespace {

const char* DescriptionOf(SCODE scode) {
    switch (scode) {
        case CTL_E_SETNOTSUPPORTED:
            return "Property is read-only.";
        case CTL_E_SETNOTSUPPORTEDATRUNTIME:
            return "Property cannot be set at run time.";
        case CTL_E_GETNOTSUPPORTED:
            return "Property is write-only.";
        case CTL_E_FILENOTFOUND:
            return "File not found.";
        case CTL_E_DEVICEIOERROR:
            return "Device I/O error.";
        case CTL_E_DISKFULL:
            return "Disk full.";
        case CTL_E_PERMISSIONDENIED:
            return "Permission denied.";
        case CTL_E_PATHNOTFOUND:
            return "Path not found.";
        default:
            return "";
    }
}

void FillExcepInfo(const DispatchException& error, EXCEPINFO* info) {
    if (!info)
        return;
    *info = EXCEPINFO{};
    info->scode = error.Code();
    info->bstrSource = winpal::Bstr::FromAnsi(AfxGetAppName()).Detach();
    info->bstrDescription = winpal::Bstr::FromAnsi(error.Description()).Detach();
}

HRESULT InvokePut(const DispatchEntry& entry, CCmdTarget* object, DISPPARAMS* params,
                  UINT* argErr) {
    if (!entry.isProperty)
        return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        if (argErr)
            *argErr = 0;
        return DISP_E_PARAMNOTFOUND;
    }
    if (entry.putRaisesSetNotSupported)
        ThrowError(CTL_E_SETNOTSUPPORTED);
    if (!entry.put)
        return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    return entry.put(object, params, nullptr, argErr);
}

HRESULT InvokeCall(const DispatchEntry& entry, CCmdTarget* object, WORD flags, DISPPARAMS* params,
                   VARIANT* result, UINT* argErr) {
    if (params->cNamedArgs != 0) {
        if (argErr)
            *argErr = 0;
        return DISP_E_PARAMNOTFOUND;
    }
    WORD accepted = entry.isProperty ? (DISPATCH_PROPERTYGET | DISPATCH_METHOD) : DISPATCH_METHOD;
    if (!(flags & accepted))
        return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != entry.paramTypes.size())
        return DISP_E_BADPARAMCOUNT;
    return entry.call(object, params, result, argErr);
}

}  // namespace

void ThrowError(SCODE scode, const char* description) {
    throw DispatchException(scode, description ? description : DescriptionOf(scode));
}

const DispatchEntry* DispatchMap::Find(DISPID id) const {
    for (const DispatchEntry& entry : entries_) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

HRESULT Invoke(const DispatchMap& map, CCmdTarget* object, DISPID id, REFIID riid, WORD flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs > 0 && !params->rgvarg))
        return E_INVALIDARG;
    if (result)
        VariantInit(result);
    const DispatchEntry* entry = map.Find(id);
    if (!entry)
        return DISP_E_MEMBERNOTFOUND;
    try {
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
            return InvokePut(*entry, object, params, argErr);
        return InvokeCall(*entry, object, flags, params, result, argErr);
    } catch (const DispatchException& error) {
        FillExcepInfo(error, excepInfo);
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<std::string> CompareWithTypeInfo(const DispatchMap& map, const TypeInfo& info) {
    std::vector<std::string> differences;
    auto note = [&](const MemberInfo& member, const std::string& what) {
        differences.push_back(std::string(info.name) + "." + member.name + ": " + what);
    };
    for (const MemberInfo& member : info.members) {
        const DispatchEntry* entry = map.Find(member.id);
        if (!entry) {
            note(member, "no dispatch entry for id " + std::to_string(member.id));
            continue;
        }
        if (entry->isProperty != (member.kind != MemberKind::Method))
            note(member, "property in one, method in the other");
        if (entry->type != member.type)
            note(member, "result type differs");
        if (entry->paramTypes.size() != member.params.size()) {
            note(member, "parameter count differs");
        } else {
            for (std::size_t i = 0; i < member.params.size(); ++i) {
                if (entry->paramTypes[i] != member.params[i].type)
                    note(member, std::string("type of parameter ") + member.params[i].name);
            }
        }
        if (member.kind == MemberKind::Property) {
            bool readOnly = (member.flags & VARFLAG_FREADONLY) != 0;
            bool settable = entry->put || entry->putRaisesSetNotSupported;
            if (readOnly == settable)
                note(member, "read-only in one, settable in the other");
        }
    }
    for (const DispatchEntry& entry : map.Entries()) {
        if (!info.FindMember(entry.id)) {
            differences.push_back(std::string(info.name) + ": dispatch id " +
                                  std::to_string(entry.id) + " is not in the type library");
        }
    }
    return differences;
}

namespace detail {

HRESULT Coerce(VARIANTARG* source, VARTYPE vt, VARIANT* coerced) {
    VariantInit(coerced);
    return VariantChangeType(coerced, source, 0, vt);
}

HRESULT Arg<bool>::Load(VARIANTARG* source) {
    VARIANT coerced;
    HRESULT hr = Coerce(source, VT_BOOL, &coerced);
    if (SUCCEEDED(hr))
        value = coerced.boolVal != VARIANT_FALSE;
    return hr;
}

HRESULT Arg<std::string>::Load(VARIANTARG* source) {
    winpal::Variant coerced;
    HRESULT hr = Coerce(source, VT_BSTR, coerced.Ptr());
    if (FAILED(hr))
        return hr;
    value = winpal::WideToAnsi(winpal::BstrView(coerced.Ptr()->bstrVal));
    return S_OK;
}

HRESULT Result<std::string>::Store(const std::string& r, VARIANT* out) {
    out->vt = VT_BSTR;
    out->bstrVal = winpal::Bstr::FromAnsi(r).Detach();
    return S_OK;
}

}  // namespace detail
}  // namespace olectl

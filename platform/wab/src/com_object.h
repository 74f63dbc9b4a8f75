// The COM plumbing the address book's objects share: reference counting, QueryInterface over a
// list of interface ids, and IMAPIProp's methods over a property list, where the methods that
// no caller of this address book uses answer MAPI_E_NO_SUPPORT.
#pragma once

#include <atomic>
#include <initializer_list>

#include <wab/wabdefs.h>

#include "property.h"

namespace wab {

template <class Interface>
class RefCounted : public Interface {
  public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    virtual ~RefCounted() = default;
    // Answers QueryInterface for IUnknown and every id in `ids` with this object's interface.
    HRESULT QueryAs(REFIID riid, void** ppv, std::initializer_list<const IID*> ids) {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        bool known = riid == IID_IUnknown;
        for (const IID* id : ids)
            known = known || riid == *id;
        if (!known)
            return E_NOINTERFACE;
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

  private:
    std::atomic<ULONG> refs_{1};
};

// IMAPIProp over the list that Properties() gives; read-only unless a class overrides the
// writing methods.
template <class Interface>
class MapiProp : public RefCounted<Interface> {
  public:
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
        if (lppMAPIError)
            *lppMAPIError = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_ACCESS; }
    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                     LPSPropValue* lppPropArray) override {
        return ServeProps(Properties(), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
    }
    HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override;
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override {
        if (lppUnk)
            *lppUnk = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray* lppProblems) override {
        if (lppProblems)
            *lppProblems = nullptr;
        return MAPI_E_NO_ACCESS;
    }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray* lppProblems) override {
        if (lppProblems)
            *lppProblems = nullptr;
        return MAPI_E_NO_ACCESS;
    }
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                   LPSPropProblemArray* lppProblems) override {
        if (lppProblems)
            *lppProblems = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* lppProblems) override {
        if (lppProblems)
            *lppProblems = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* lpcPropNames,
                            LPMAPINAMEID** lpppPropNames) override {
        if (lpcPropNames)
            *lpcPropNames = 0;
        if (lpppPropNames)
            *lpppPropNames = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* lppPropTags) override {
        if (lppPropTags)
            *lppPropTags = nullptr;
        return MAPI_E_NO_SUPPORT;
    }

  protected:
    // The object's properties as GetProps serves them, computed ones included.
    virtual PropertyList Properties() = 0;
};

template <class Interface>
HRESULT MapiProp<Interface>::GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) {
    return HandOutPropList(Properties(), ulFlags, lppPropTagArray);
}

}  // namespace wab

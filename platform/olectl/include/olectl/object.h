// CCmdTarget: the base of the framework's automation objects. A reference-counted IDispatch whose
// Invoke goes through the object's dispatch map and whose GetIDsOfNames reads its dispinterface in
// the type library. It answers QueryInterface for IUnknown, IDispatch and the dispinterface's
// identifier, and for whatever GetInterface adds.
#pragma once

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

#include <olectl/dispatch.h>
#include <olectl/module.h>
#include <olectl/typelib.h>

namespace olectl {

class CCmdTarget : public IDispatch {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override;

    // No ITypeInfo is offered: callers bind by name through GetIDsOfNames.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // This object's IDispatch with a new reference, for handing to a caller.
    IDispatch* GetIDispatch() {
        AddRef();
        return this;
    }

  protected:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;

    virtual const DispatchMap& GetDispatchMap() const = 0;
    virtual const TypeInfo& GetDispatchInterface() const = 0;
    // Further interfaces of the object (already cast to the interface), or null.
    virtual void* GetInterface(REFIID riid);

  private:
    ObjectLock lock_;
    RefCount refs_;
};

// Makes a framework object with the one reference its maker owns.
template <class T, class... Args>
winpal::ComPtr<T> MakeObject(Args&&... args) {
    return winpal::ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace olectl

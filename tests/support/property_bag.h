// A property bag held in memory, as a container keeps a control's properties in its form file:
// values by name (names compare exactly), handed out in the type asked for.
#pragma once

#include <map>
#include <string>

#include <olectl/interfaces.h>
#include <winpal/winpal.h>

namespace testsupport {

class MemoryPropertyBag : public IPropertyBag {
  public:
    std::map<std::u16string, winpal::Variant> values;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IPropertyBag) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    // Lives on the test's stack.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        auto found = values.find(name);
        if (found == values.end())
            return E_INVALIDARG;
        const VARTYPE wanted = value->vt;
        if (wanted == VT_EMPTY)
            return VariantCopy(value, found->second.Ptr());
        return VariantChangeType(value, found->second.Ptr(), 0, wanted);
    }
    HRESULT Write(LPCOLESTR name, VARIANT* value) override {
        winpal::Variant copy;
        if (HRESULT hr = VariantCopy(copy.Ptr(), value); FAILED(hr))
            return hr;
        values[name] = std::move(copy);
        return S_OK;
    }
};

}  // namespace testsupport

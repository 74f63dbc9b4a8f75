// Reference counting shared by the scripted store's objects; each counts as one of the store's
// live objects while it exists.
#pragma once

#include "ScriptedStore.h"

namespace testsupport {

template <class Interface>
class Scripted : public Interface {
  public:
    explicit Scripted(ScriptedStore& store, const IID& iid) : store_(store), iid_(iid) {
        ++store_.liveObjects;
    }
    virtual ~Scripted() { --store_.liveObjects; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
            *ppv = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG remaining = --refs_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

  protected:
    ScriptedStore& store_;

  private:
    IID iid_;
    ULONG refs_ = 1;
};

}  // namespace testsupport

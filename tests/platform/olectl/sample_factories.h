// Puts the sample control and page classes in place for CoCreateInstance while a test runs.
#pragma once

#include <winpal/com.h>

#include <olectl/factory.h>

#include "sample_objects.h"

namespace sample {

// Calls of the sample factories' registry updates; failClassRegistration makes them fail.
extern int registryUpdates;
extern bool failClassRegistration;

class RegisteredSampleClasses {
  public:
    RegisteredSampleClasses() {
        Register(CLSID_SampleControl, &control_);
        Register(CLSID_SamplePage, &page_);
    }
    ~RegisteredSampleClasses() {
        CoRevokeClassObject(control_);
        CoRevokeClassObject(page_);
    }
    RegisteredSampleClasses(const RegisteredSampleClasses&) = delete;
    RegisteredSampleClasses& operator=(const RegisteredSampleClasses&) = delete;

  private:
    static void Register(REFCLSID clsid, DWORD* cookie) {
        IUnknown* factory = nullptr;
        olectl::AfxDllGetClassObject(clsid, IID_IUnknown, reinterpret_cast<void**>(&factory));
        CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, cookie);
        factory->Release();
    }
    DWORD control_ = 0;
    DWORD page_ = 0;
};

}  // namespace sample

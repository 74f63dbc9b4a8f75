// Puts classes of the module under test in place for CoCreateInstance while the object lives:
// their class objects from olectl::AfxDllGetClassObject, registered with CoRegisterClassObject
// and revoked again at the end. For tests that link olectl.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include <winpal/com.h>

#include <olectl/factory.h>

namespace testsupport {

class RegisteredModuleClasses {
  public:
    explicit RegisteredModuleClasses(std::initializer_list<CLSID> classes) {
        for (const CLSID& clsid : classes)
            Register(clsid);
    }
    ~RegisteredModuleClasses() {
        for (DWORD cookie : cookies_)
            CoRevokeClassObject(cookie);
    }
    RegisteredModuleClasses(const RegisteredModuleClasses&) = delete;
    RegisteredModuleClasses& operator=(const RegisteredModuleClasses&) = delete;

  private:
    void Register(REFCLSID clsid) {
        IUnknown* factory = nullptr;
        ASSERT_EQ(
            olectl::AfxDllGetClassObject(clsid, IID_IUnknown, reinterpret_cast<void**>(&factory)),
            S_OK);
        DWORD cookie = 0;
        CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
        cookies_.push_back(cookie);
        factory->Release();
    }

    std::vector<DWORD> cookies_;
};

}  // namespace testsupport

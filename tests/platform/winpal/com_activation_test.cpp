#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include <winpal/class_registration.h>
#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include <scoped_env.h>

#include "test_server.h"

namespace {

using winpal::ComPtr;

const char kServerPath[] = WINPAL_TESTSERVER_PATH;
const char kClassKey[] = "CLSID\\{6A1C3E52-9B0D-4F27-8E44-2D5B7C19A3F0}";
// A class that no server knows, for registrations made by hand.
constexpr CLSID kOtherClass = {
    0x2B7E4C90, 0x1D35, 0x4A6F, {0x93, 0x0C, 0x5E, 0x8A, 0x21, 0x47, 0xB6, 0xD4}};
const char kOtherClassKey[] = "CLSID\\{2B7E4C90-1D35-4A6F-930C-5E8A2147B6D4}";
constexpr LONG kStandInOrigin = 2;

HRESULT CallServerEntry(const char* name) {
    HMODULE server = LoadLibraryA(kServerPath);
    EXPECT_NE(server, nullptr);
    if (!server)
        return E_FAIL;
    auto entry =
        reinterpret_cast<LPFNREGISTERSERVER>(reinterpret_cast<void*>(GetProcAddress(server, name)));
    HRESULT result = entry ? entry() : E_FAIL;
    FreeLibrary(server);
    return result;
}

void SetDefaultValue(const std::string& subKey, DWORD type, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool ServerIsLoaded() {
    void* handle = dlopen(kServerPath, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

HRESULT Create(REFCLSID clsid, DWORD context, ComPtr<ITestObject>* object) {
    return CoCreateInstance(clsid, nullptr, context, IID_ITestObject, object->PutVoid());
}

// A stand-in class: its objects answer kStandInOrigin.
class StandInObject final : public ITestObject {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_ITestObject) {
            *ppv = static_cast<ITestObject*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    LONG Origin() override { return kStandInOrigin; }
    LONG Add(LONG a, LONG b) override { return a - b; }

  private:
    ~StandInObject() = default;
    std::atomic<ULONG> refs_{1};
};

class StandInFactory final : public IClassFactory {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }  // lives on the test's stack
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        ++created_;
        auto* object = new StandInObject;
        HRESULT result = object->QueryInterface(riid, ppv);
        object->Release();
        return result;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ULONG References() const { return refs_; }
    int Created() const { return created_; }

  private:
    std::atomic<ULONG> refs_{1};
    int created_ = 0;
};

class Activation : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(CallServerEntry("DllRegisterServer"), S_OK); }
    void TearDown() override {
        CallServerEntry("DllUnregisterServer");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kOtherClassKey);
        CoFreeUnusedLibraries();
    }
};

TEST_F(Activation, ServerRegistersItsOwnFullPath) {
    const std::optional<std::string> path =
        winpal::ClassesText(std::string(kClassKey) + "\\InprocServer32");
    ASSERT_TRUE(path);
    EXPECT_EQ(winpal::PathFromAnsi(*path), std::filesystem::path(kServerPath).lexically_normal());
    EXPECT_TRUE(winpal::PathFromAnsi(*path).is_absolute());
}

TEST_F(Activation, CreatesTheClassThroughTheRegistry) {
    for (DWORD context : {CLSCTX_INPROC_SERVER, CLSCTX_SERVER, CLSCTX_ALL}) {
        ComPtr<ITestObject> object;
        ASSERT_EQ(Create(CLSID_WinpalTestObject, context, &object), S_OK) << context;
        EXPECT_EQ(object->Origin(), kTestServerOrigin);
        EXPECT_EQ(object->Add(2, 3), 5);
    }
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.PutVoid()),
              S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, unknown.PutVoid()), S_OK);
}

TEST_F(Activation, ProgIdNamesTheClassBothWays) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"WinpalTest.Object", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_WinpalTestObject);
    clsid = CLSID_NULL;
    ASSERT_EQ(CLSIDFromString(u"WinpalTest.Object", &clsid), S_OK);  // a ProgID is accepted
    EXPECT_EQ(clsid, CLSID_WinpalTestObject);
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_WinpalTestObject, &progId), S_OK);
    EXPECT_EQ(winpal::Utf16ToUtf8(progId), kTestObjectProgId);
    CoTaskMemFree(progId);

    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(clsid, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kTestServerOrigin);
}

TEST_F(Activation, UnregisteredClassIsNotFound) {
    ASSERT_EQ(CallServerEntry("DllUnregisterServer"), S_OK);
    void* raw = this;  // any value, to see it cleared
    EXPECT_EQ(CoCreateInstance(CLSID_WinpalTestObject, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ITestObject, &raw),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(raw, nullptr);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"WinpalTest.Object", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"WinpalTest.Object", &clsid), CO_E_CLASSSTRING);
    LPOLESTR progId = nullptr;
    EXPECT_EQ(ProgIDFromCLSID(CLSID_WinpalTestObject, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
}

TEST_F(Activation, ContextWithoutInProcessServerFindsNothing) {
    ComPtr<ITestObject> object;
    EXPECT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_LOCAL_SERVER, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_HANDLER, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(Activation, LibraryFailuresGiveTheirCodes) {
    ComPtr<ITestObject> object;
    SetDefaultValue(kOtherClassKey, REG_SZ, "a class without a server");
    EXPECT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), REGDB_E_CLASSNOTREG);

    const std::string serverKey = std::string(kOtherClassKey) + "\\InprocServer32";
    SetDefaultValue(serverKey, REG_SZ, "/no/such/folder/libmissing.so");
    EXPECT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), CO_E_DLLNOTFOUND);

    SetDefaultValue(serverKey, REG_SZ, WINPAL_REFUSINGSERVER_PATH);  // no DllGetClassObject
    EXPECT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), CO_E_ERRORINDLL);

    SetDefaultValue(serverKey, REG_SZ, kServerPath);  // a server that does not know the class
    EXPECT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(object);
}

TEST_F(Activation, FactoryFailuresArePassedOn) {
    int outerStandIn = 0;
    ComPtr<IUnknown> inner;
    EXPECT_EQ(CoCreateInstance(CLSID_WinpalTestObject, reinterpret_cast<IUnknown*>(&outerStandIn),
                               CLSCTX_INPROC_SERVER, IID_IUnknown, inner.PutVoid()),
              CLASS_E_NOAGGREGATION);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(CoCreateInstance(CLSID_WinpalTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               dispatch.PutVoid()),
              E_NOINTERFACE);
    EXPECT_FALSE(dispatch);
    EXPECT_EQ(CoCreateInstance(CLSID_WinpalTestObject, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ITestObject, nullptr),
              E_POINTER);
}

TEST_F(Activation, ExpandableServerPathWithBackslashes) {
    const std::filesystem::path server(kServerPath);
    std::string folder = server.parent_path().string();
    testsupport::ScopedEnv env;
    env.Set("WINPAL_TEST_SERVER_DIR", folder);
    const std::string spelled = "%winpal_test_server_dir%\\" + server.filename().string();
    SetDefaultValue(std::string(kClassKey) + "\\InprocServer32", REG_EXPAND_SZ, spelled);
    ComPtr<ITestObject> object;
    EXPECT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
}

TEST_F(Activation, ReferencesBalanceAndUnusedServersAreUnloaded) {
    CoFreeUnusedLibraries();
    ASSERT_FALSE(ServerIsLoaded());
    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerIsLoaded());  // an object is alive
    EXPECT_EQ(object.Detach()->Release(), 0u);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.PutVoid()),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory.Detach()->Release(), 0u);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerIsLoaded());  // locked

    ASSERT_EQ(CoGetClassObject(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.PutVoid()),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerIsLoaded());

    // Loaded again on demand.
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Add(20, 22), 42);
}

TEST_F(Activation, RegisteredClassObjectTakesPrecedenceUntilRevoked) {
    StandInFactory standIn;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_WinpalTestObject, &standIn, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(standIn.References(), 2u);  // the table holds one
    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kStandInOrigin);
    EXPECT_EQ(standIn.Created(), 1);
    EXPECT_EQ(standIn.References(), 2u);  // the activation gave its reference back

    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(standIn.References(), 1u);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kTestServerOrigin);
}

TEST_F(Activation, StandInForAClassWithoutRegistration) {
    StandInFactory standIn;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kOtherClass, &standIn, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              S_OK);
    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(kOtherClass, CLSCTX_SERVER, &object), S_OK);
    EXPECT_EQ(object->Add(5, 3), 2);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(CoGetClassObject(kOtherClass, CLSCTX_INPROC_SERVER, nullptr, IID_IDispatch,
                               dispatch.PutVoid()),
              E_NOINTERFACE);
    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(Create(kOtherClass, CLSCTX_SERVER, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(Activation, SecondRegistrationOfAClassWaitsForTheFirstToBeRevoked) {
    StandInFactory first;
    StandInFactory second;
    DWORD firstCookie = 0;
    DWORD secondCookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kOtherClass, &first, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &firstCookie),
              S_OK);
    ASSERT_EQ(CoRegisterClassObject(kOtherClass, &second, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &secondCookie),
              S_OK);
    EXPECT_NE(firstCookie, secondCookie);
    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(first.Created(), 1);
    ASSERT_EQ(CoRevokeClassObject(firstCookie), S_OK);
    ASSERT_EQ(Create(kOtherClass, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(second.Created(), 1);
    ASSERT_EQ(CoRevokeClassObject(secondCookie), S_OK);
    EXPECT_EQ(first.References(), 1u);
    EXPECT_EQ(second.References(), 1u);
}

TEST_F(Activation, RegistrationContextDecidesWhoSeesTheClassObject) {
    StandInFactory local;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_WinpalTestObject, &local, CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTI_SEPARATE, &cookie),
              S_OK);
    ComPtr<ITestObject> object;
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kTestServerOrigin);  // a separate local registration
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_LOCAL_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kStandInOrigin);
    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);

    // A multiple-use local server serves the process's in-process requests too.
    ASSERT_EQ(CoRegisterClassObject(CLSID_WinpalTestObject, &local, CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    ASSERT_EQ(Create(CLSID_WinpalTestObject, CLSCTX_INPROC_SERVER, &object), S_OK);
    EXPECT_EQ(object->Origin(), kStandInOrigin);
    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST(ClassObjectTable, RejectsMissingArguments) {
    StandInFactory standIn;
    DWORD cookie = 7;
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, nullptr, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              E_INVALIDARG);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, &standIn, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    nullptr),
              E_INVALIDARG);
    EXPECT_EQ(standIn.References(), 1u);
    EXPECT_EQ(CoRevokeClassObject(0xFFFFFFF0u), E_INVALIDARG);
}

}  // namespace

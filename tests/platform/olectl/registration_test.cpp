// Registry entries of control classes, property pages and type libraries, and the register and
// unregister sequences of a library.
#include <gtest/gtest.h>

#include <filesystem>

#include <olectl/registration.h>
#include <temp_prefix.h>

#include <classes_registry.h>
#include "sample_factories.h"

namespace {

using testsupport::ClassesKeyExists;
using testsupport::ClassesText;

const std::string kControlKey = "CLSID\\{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B14}";
const std::string kPageKey = "CLSID\\{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B15}";
const std::string kLibId = "{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B11}";
const std::string kSampleInterfaceKey = "Interface\\{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B12}";
const std::string kControlInterfaceKey = "Interface\\{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B13}";
const std::string kPSDispatch = "{00020420-0000-0000-C000-000000000046}";

using sample::failClassRegistration;
using sample::registryUpdates;

// The registry update of one class factory of the test program.
bool UpdateClass(REFCLSID clsid, bool bRegister) {
    IClassFactory* factory = nullptr;
    if (FAILED(olectl::AfxDllGetClassObject(clsid, IID_IClassFactory,
                                            reinterpret_cast<void**>(&factory))))
        return false;
    bool ok = static_cast<olectl::COleObjectFactory*>(factory)->UpdateRegistry(bRegister);
    factory->Release();
    return ok;
}

std::string ProgramPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

class RegistrationTest : public testing::Test {
  protected:
    void SetUp() override {
        sample::UseSampleResources();
        registryUpdates = 0;
        failClassRegistration = false;
    }
    testsupport::TempPrefix prefix;
};

TEST_F(RegistrationTest, ControlClassGetsTheFrameworksKeys) {
    ASSERT_TRUE(UpdateClass(sample::CLSID_SampleControl, true));
    std::string path = ProgramPath();
    EXPECT_EQ(ClassesText(kControlKey), "Sample Control");
    EXPECT_EQ(ClassesText(kControlKey + "\\ProgID"), "SAMPLE.SampleCtrl.1");
    EXPECT_EQ(ClassesText(kControlKey + "\\InprocServer32"), path);
    EXPECT_EQ(ClassesText(kControlKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(kControlKey + "\\ToolboxBitmap32"), path + ", 1");
    EXPECT_EQ(ClassesText(kControlKey + "\\MiscStatus"), "0");
    EXPECT_EQ(ClassesText(kControlKey + "\\MiscStatus\\1"), "131473");
    EXPECT_TRUE(ClassesKeyExists(kControlKey + "\\Control"));
    EXPECT_FALSE(ClassesKeyExists(kControlKey + "\\Insertable"));
    EXPECT_EQ(ClassesText(kControlKey + "\\TypeLib"), kLibId);
    EXPECT_EQ(ClassesText(kControlKey + "\\Version"), "1.2");
    EXPECT_EQ(ClassesText("SAMPLE.SampleCtrl.1"), "Sample Control");
    EXPECT_EQ(ClassesText("SAMPLE.SampleCtrl.1\\CLSID"), "{1D2A1F57-0C5E-4C1B-9E44-510A6F0C2B14}");

    ASSERT_TRUE(UpdateClass(sample::CLSID_SampleControl, false));
    EXPECT_FALSE(ClassesKeyExists(kControlKey));
    EXPECT_FALSE(ClassesKeyExists("SAMPLE.SampleCtrl.1"));
    // Removing what is not there is no failure.
    EXPECT_TRUE(UpdateClass(sample::CLSID_SampleControl, false));
}

TEST_F(RegistrationTest, ThreadingAndInsertableFlags) {
    ASSERT_TRUE(olectl::AfxOleRegisterControlClass(
        olectl::AfxGetInstanceHandle(), sample::CLSID_SampleControl, "SAMPLE.SampleCtrl.1", 1, 1,
        olectl::afxRegInsertable | olectl::afxRegApartmentThreading | olectl::afxRegFreeThreading,
        0, sample::LIBID_Sample, 1, 0));
    EXPECT_EQ(ClassesText(kControlKey + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_TRUE(ClassesKeyExists(kControlKey + "\\Insertable"));
    EXPECT_TRUE(ClassesKeyExists("SAMPLE.SampleCtrl.1\\Insertable"));
    EXPECT_EQ(ClassesText(kControlKey + "\\MiscStatus\\1"), "0");
}

TEST_F(RegistrationTest, PropertyPageGetsItsTypeNameAndServer) {
    ASSERT_TRUE(UpdateClass(sample::CLSID_SamplePage, true));
    EXPECT_EQ(ClassesText(kPageKey), "Sample Page");
    EXPECT_EQ(ClassesText(kPageKey + "\\InprocServer32"), ProgramPath());
    EXPECT_EQ(ClassesText(kPageKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_FALSE(ClassesKeyExists(kPageKey + "\\ProgID"));
    EXPECT_FALSE(ClassesKeyExists("SAMPLE.SamplePage.1"));
    ASSERT_TRUE(UpdateClass(sample::CLSID_SamplePage, false));
    EXPECT_FALSE(ClassesKeyExists(kPageKey));
}

TEST_F(RegistrationTest, MissingTypeNameRegistersNothing) {
    EXPECT_FALSE(olectl::AfxOleRegisterPropertyPageClass(olectl::AfxGetInstanceHandle(),
                                                         sample::CLSID_SamplePage, 77, 0));
    EXPECT_FALSE(ClassesKeyExists(kPageKey));
}

TEST_F(RegistrationTest, TypeLibraryAndItsDispinterfaces) {
    ASSERT_EQ(
        olectl::RegisterTypeLib(sample::SampleTypeLib(), "/opt/sample/libsample.so", "/opt/sample"),
        S_OK);
    std::string version = "TypeLib\\" + kLibId + "\\1.2";
    EXPECT_EQ(ClassesText(version), "Sample Library");
    EXPECT_EQ(ClassesText(version + "\\FLAGS"), "0");
    EXPECT_EQ(ClassesText(version + "\\HELPDIR"), "/opt/sample");
    EXPECT_EQ(ClassesText(version + "\\409\\win32"), "/opt/sample/libsample.so");
    for (const std::string& key : {kSampleInterfaceKey, kControlInterfaceKey}) {
        EXPECT_EQ(ClassesText(key + "\\ProxyStubClsid"), kPSDispatch);
        EXPECT_EQ(ClassesText(key + "\\ProxyStubClsid32"), kPSDispatch);
        EXPECT_EQ(ClassesText(key + "\\TypeLib"), kLibId);
        EXPECT_EQ(ClassesText(key + "\\TypeLib", "Version"), "1.2");
    }
    EXPECT_EQ(ClassesText(kSampleInterfaceKey), "ISample");
    EXPECT_EQ(ClassesText(kControlInterfaceKey), "ISampleControl");
    // Coclasses are not registered by the type library.
    EXPECT_FALSE(ClassesKeyExists(kControlKey));

    // An interface that another library took over since stays.
    ASSERT_EQ(
        winpal::RegImportText("Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\" +
                              kControlInterfaceKey +
                              "\\TypeLib]\r\n@=\"{00000000-0000-0000-0000-000000000001}\"\r\n"),
        ERROR_SUCCESS);
    ASSERT_EQ(olectl::UnRegisterTypeLib(sample::SampleTypeLib()), S_OK);
    EXPECT_FALSE(ClassesKeyExists("TypeLib\\" + kLibId));
    EXPECT_FALSE(ClassesKeyExists(kSampleInterfaceKey));
    EXPECT_TRUE(ClassesKeyExists(kControlInterfaceKey));
    EXPECT_EQ(olectl::UnRegisterTypeLib(sample::SampleTypeLib()), TYPE_E_REGISTRYACCESS);
}

TEST_F(RegistrationTest, UnregisteringOneVersionKeepsTheOthers) {
    ASSERT_TRUE(winpal::RegImportText("Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_CLASSES_ROOT\\TypeLib\\" +
                                      kLibId + "\\1.0\\0\\win32]\r\n@=\"/old.so\"\r\n") ==
                ERROR_SUCCESS);
    ASSERT_EQ(olectl::RegisterTypeLib(sample::SampleTypeLib(), "/new.so", "/"), S_OK);
    ASSERT_EQ(olectl::UnRegisterTypeLib(sample::SampleTypeLib()), S_OK);
    EXPECT_FALSE(ClassesKeyExists("TypeLib\\" + kLibId + "\\1.2"));
    EXPECT_EQ(ClassesText("TypeLib\\" + kLibId + "\\1.0\\0\\win32"), "/old.so");
}

TEST_F(RegistrationTest, ModuleTypeLibraryRegistersFromItsResource) {
    ASSERT_TRUE(
        olectl::AfxOleRegisterTypeLib(olectl::AfxGetInstanceHandle(), sample::LIBID_Sample));
    std::string path = ProgramPath();
    std::string version = "TypeLib\\" + kLibId + "\\1.2";
    EXPECT_EQ(ClassesText(version + "\\409\\win32"), path);
    EXPECT_EQ(ClassesText(version + "\\HELPDIR"),
              std::filesystem::path(path).parent_path().string());
    // The resource must be the library asked for.
    EXPECT_FALSE(
        olectl::AfxOleRegisterTypeLib(olectl::AfxGetInstanceHandle(), sample::DIID_ISample));
    EXPECT_FALSE(olectl::AfxOleUnregisterTypeLib(sample::LIBID_Sample, 1, 0));
    EXPECT_TRUE(olectl::AfxOleUnregisterTypeLib(sample::LIBID_Sample, 1, 2));
    EXPECT_FALSE(ClassesKeyExists("TypeLib\\" + kLibId));
}

TEST_F(RegistrationTest, ServerRegistrationRegistersTheTypeLibraryFirst) {
    sample::UseSampleResources(false);
    EXPECT_EQ(olectl::AfxDllRegisterServer(sample::LIBID_Sample), SELFREG_E_TYPELIB);
    EXPECT_EQ(registryUpdates, 0);
    EXPECT_FALSE(ClassesKeyExists(kControlKey));

    sample::UseSampleResources(true);
    failClassRegistration = true;
    EXPECT_EQ(olectl::AfxDllRegisterServer(sample::LIBID_Sample), SELFREG_E_CLASS);
    failClassRegistration = false;

    ASSERT_EQ(olectl::AfxDllRegisterServer(sample::LIBID_Sample), S_OK);
    EXPECT_TRUE(ClassesKeyExists(kControlKey));
    EXPECT_TRUE(ClassesKeyExists(kPageKey));
    EXPECT_TRUE(ClassesKeyExists("TypeLib\\" + kLibId));

    ASSERT_EQ(olectl::AfxDllUnregisterServer(sample::LIBID_Sample, 1, 2), S_OK);
    EXPECT_FALSE(ClassesKeyExists(kControlKey));
    EXPECT_FALSE(ClassesKeyExists(kPageKey));
    EXPECT_FALSE(ClassesKeyExists("TypeLib\\" + kLibId));
    EXPECT_FALSE(ClassesKeyExists(kSampleInterfaceKey));
    // Nothing left to unregister: the type library step fails first.
    registryUpdates = 0;
    EXPECT_EQ(olectl::AfxDllUnregisterServer(sample::LIBID_Sample, 1, 2), SELFREG_E_TYPELIB);
    EXPECT_EQ(registryUpdates, 0);
}

TEST_F(RegistrationTest, ClassObjectsAndUnloading) {
    ASSERT_EQ(olectl::AfxDllCanUnloadNow(), S_OK);
    winpal::ComPtr<IClassFactory> factory;
    ASSERT_EQ(olectl::AfxDllGetClassObject(sample::CLSID_SampleControl, IID_IClassFactory,
                                           factory.PutVoid()),
              S_OK);
    EXPECT_EQ(olectl::AfxDllCanUnloadNow(), S_FALSE);
    void* none = nullptr;
    EXPECT_EQ(olectl::AfxDllGetClassObject(sample::LIBID_Sample, IID_IClassFactory, &none),
              CLASS_E_CLASSNOTAVAILABLE);

    winpal::ComPtr<IControlWindow> control;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()),
                                      IID_IControlWindow, control.PutVoid()),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IControlWindow, control.PutVoid()), S_OK);
    EXPECT_EQ(sample::SampleControl::alive, 1);
    winpal::ComPtr<IOlePropertyPage> wrong;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOlePropertyPage, wrong.PutVoid()),
              E_NOINTERFACE);
    EXPECT_EQ(sample::SampleControl::alive, 1);  // the refused one is gone again
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(olectl::AfxDllCanUnloadNow(), S_FALSE);  // a live control and a lock
    control.Reset();
    EXPECT_EQ(sample::SampleControl::alive, 0);
    EXPECT_EQ(olectl::AfxDllCanUnloadNow(), S_FALSE);  // the lock
    ASSERT_EQ(olectl::AfxDllGetClassObject(sample::CLSID_SampleControl, IID_IClassFactory,
                                           factory.PutVoid()),
              S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(olectl::AfxDllCanUnloadNow(), S_OK);
}

}  // namespace

// The built library as a host meets it: registered with its DllRegisterServer, activated through
// the registry, and driven by automation over the real mail store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <classes_registry.h>
#include <dispatch_calls.h>
#include <olectl/headless_site.h>
#include <temp_prefix.h>
#include <winpal/kernel.h>
#include <winpal/resources.h>
#include <winpal/winpal.h>

namespace testsupport {
namespace {

using winpal::Variant;

const std::string kControl = "CLSID\\{F0DF45CE-EE4E-434D-96B4-61C8616B5712}";
const std::string kPage = "CLSID\\{35475A04-7C1E-4441-B992-0AD49430BF6F}";
const std::string kLibId = "{852F7E51-E5D2-4F52-83DC-46C1359B3E32}";
const std::vector<std::pair<std::string, std::string>> kDispinterfaces = {
    {"{F8F4B95C-1176-46EF-90D0-957C9B84A4CB}", "IMessages"},
    {"{F4A8307A-F2A5-413A-A546-2D85C3834912}", "IFolders"},
    {"{F1EC5940-C276-4770-856D-59B19315C7BC}", "IContacts"},
    {"{30F279FA-71B2-4E9D-AC8C-5C1DFA32B675}", "_DQuillbox"},
    {"{EB25EEDC-5F93-4087-A38A-B0D2EA108D37}", "_DQuillboxEvents"},
    {"{7ED67201-C367-4FFC-9638-D9BF25D58892}", "IFolder"},
    {"{C01E0E76-67A6-4106-B155-2EFBE561707B}", "IMessage"},
    {"{1A31637E-CAC3-4729-B913-1574506E76CB}", "IEnumMessages"},
    {"{A36F3D6E-BBA5-4564-BCFF-C3EC7E7AF167}", "IAddressBooks"},
    {"{561783C8-D299-467E-AC40-0BA27B0C8797}", "IAddress"},
    {"{CDA2E255-1928-4152-9857-E0C07D6FADF7}", "IContact"},
    {"{0CA7FB41-6F92-4BAC-82F3-E7515FBDE669}", "IEnumContacts"},
    {"{4E2444C0-A4D7-4B22-BDD7-7A669FAA9F9D}", "IEnumFolders"},
};

// One loaded in-process server and its entry points.
class Library {
  public:
    explicit Library(const char* path) : path_(path), module_(LoadLibraryA(path)) {}
    ~Library() {
        if (module_)
            FreeLibrary(module_);
    }
    HRESULT Call(const char* entry) const {
        auto function = reinterpret_cast<HRESULT (*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, entry)));
        return function ? function() : E_NOTIMPL;
    }
    const std::string& Path() const { return path_; }
    bool Loaded() const { return module_ != nullptr; }

  private:
    std::string path_;
    HMODULE module_;
};

std::string ClassesExport() {
    std::string text;
    winpal::RegExportKey("HKEY_CLASSES_ROOT", &text);
    return text;
}

class QuillboxLibraryTest : public testing::Test {
  protected:
    TempPrefix prefix;
    Library quillbox{QUILLBOX_LIBRARY};
    Library store{OESTORE_LIBRARY};
};

TEST_F(QuillboxLibraryTest, RegistrationWritesTheClassesAndTheTypeLibrary) {
    ASSERT_TRUE(quillbox.Loaded());
    ASSERT_EQ(quillbox.Call("DllRegisterServer"), S_OK);
    const std::string& path = quillbox.Path();
    std::string folder = std::filesystem::path(path).parent_path().string();

    EXPECT_EQ(ClassesText(kControl), "Quillbox Control");
    EXPECT_EQ(ClassesText(kControl + "\\ProgID"), "QUILLBOX.QuillboxCtrl.1");
    EXPECT_EQ(ClassesText(kControl + "\\InprocServer32"), path);
    EXPECT_EQ(ClassesText(kControl + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(kControl + "\\ToolboxBitmap32"), path + ", 1");
    EXPECT_EQ(ClassesText(kControl + "\\MiscStatus"), "0");
    EXPECT_EQ(ClassesText(kControl + "\\MiscStatus\\1"), "131473");
    EXPECT_TRUE(ClassesKeyExists(kControl + "\\Control"));
    EXPECT_EQ(ClassesText(kControl + "\\TypeLib"), kLibId);
    EXPECT_EQ(ClassesText(kControl + "\\Version"), "1.0");
    EXPECT_EQ(ClassesText("QUILLBOX.QuillboxCtrl.1"), "Quillbox Control");
    EXPECT_EQ(ClassesText("QUILLBOX.QuillboxCtrl.1\\CLSID"),
              "{F0DF45CE-EE4E-434D-96B4-61C8616B5712}");

    EXPECT_EQ(ClassesText(kPage), "Quillbox Property Page");
    EXPECT_EQ(ClassesText(kPage + "\\InprocServer32"), path);

    std::string version = "TypeLib\\" + kLibId + "\\1.0";
    EXPECT_EQ(ClassesText(version), "Quillbox ActiveX Control");
    EXPECT_EQ(ClassesText(version + "\\FLAGS"), "0");
    EXPECT_EQ(ClassesText(version + "\\HELPDIR"), folder);
    EXPECT_EQ(ClassesText(version + "\\409\\win32"), path);
    for (const auto& [iid, name] : kDispinterfaces) {
        std::string key = "Interface\\" + iid;
        EXPECT_EQ(ClassesText(key), name);
        EXPECT_EQ(ClassesText(key + "\\ProxyStubClsid32"),
                  "{00020420-0000-0000-C000-000000000046}");
        EXPECT_EQ(ClassesText(key + "\\TypeLib"), kLibId);
        EXPECT_EQ(ClassesText(key + "\\TypeLib", "Version"), "1.0");
    }
    // Classes of the type library other than the control are not registered.
    EXPECT_FALSE(ClassesKeyExists("CLSID\\{6EA8D7D7-9CCD-4AA6-9DE5-131B4C6DDDC4}"));
    EXPECT_FALSE(ClassesKeyExists("Interface\\{6EA8D7D7-9CCD-4AA6-9DE5-131B4C6DDDC4}"));
}

TEST_F(QuillboxLibraryTest, UnregistrationRemovesWhatRegistrationWrote) {
    ASSERT_EQ(quillbox.Call("DllRegisterServer"), S_OK);
    ASSERT_EQ(quillbox.Call("DllUnregisterServer"), S_OK);
    std::string left = ClassesExport();
    for (const std::string& trace : {std::string("F0DF45CE"), std::string("35475A04"),
                                     std::string("852F7E51"), std::string("QUILLBOX")}) {
        EXPECT_EQ(left.find(trace), std::string::npos) << trace << " in\n" << left;
    }
    for (const auto& [iid, name] : kDispinterfaces)
        EXPECT_FALSE(ClassesKeyExists("Interface\\" + iid)) << name;
    // Nothing is left to unregister: the type-library step fails.
    EXPECT_EQ(quillbox.Call("DllUnregisterServer"), SELFREG_E_TYPELIB);
    // Registering again works as the first time.
    ASSERT_EQ(quillbox.Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(ClassesText(kControl), "Quillbox Control");
}

TEST_F(QuillboxLibraryTest, UnwritableRegistryFailsAtTheTypeLibraryAndRegistersNoClass) {
    std::filesystem::path system = prefix.Path() / "system.reg";
    const std::string damaged = "this is not a registry file\n";
    WriteFile(system, damaged);
    EXPECT_EQ(quillbox.Call("DllRegisterServer"), SELFREG_E_TYPELIB);
    EXPECT_EQ(ReadFile(system), damaged);
    std::filesystem::remove(system);
    EXPECT_FALSE(ClassesKeyExists(kControl));
    EXPECT_FALSE(ClassesKeyExists("QUILLBOX.QuillboxCtrl.1"));
}

// The control over the real store: folders, messages and the control's lifecycle, by name.
class QuillboxStoreTest : public QuillboxLibraryTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(quillbox.Call("DllRegisterServer"), S_OK);
        ASSERT_EQ(store.Call("DllRegisterServer"), S_OK);
        site = std::make_unique<olectl::HeadlessSite>();
        ASSERT_EQ(site->CreateControl("QUILLBOX.QuillboxCtrl.1"), S_OK);
        ASSERT_EQ(site->CreateControlWindow(), S_OK);
    }
    void TearDown() override {
        site.reset();
        CoFreeUnusedLibraries();
        EXPECT_EQ(quillbox.Call("DllCanUnloadNow"), S_OK);
    }

    winpal::ComPtr<IDispatch> Folders() {
        return ObjectOf(CallByName(site->Dispatch(), u"Folders"));
    }
    std::vector<std::string> Names() {
        auto folders = Folders();
        std::vector<std::string> names;
        LONG count = NumberOf(CallByName(folders.Get(), u"Count"));
        for (LONG i = 0; i < count; ++i)
            names.push_back(TextOf(CallByName(folders.Get(), u"FindFolderName", {Variant::I4(i)})));
        return names;
    }
    LONG IndexOf(const std::string& name) {
        std::vector<std::string> names = Names();
        auto found = std::find(names.begin(), names.end(), name);
        return found == names.end() ? -1 : static_cast<LONG>(found - names.begin());
    }
    LONG IdOf(const std::string& name) {
        return NumberOf(CallByName(Folders().Get(), u"FindFolderID", {Variant::I4(IndexOf(name))}));
    }
    bool Ok(const std::u16string& member, const std::vector<Variant>& args) {
        return BooleanOf(CallByName(Folders().Get(), member, args));
    }
    void Select(const std::string& name) {
        ASSERT_EQ(winpal::DispatchCall(site->Dispatch(), 2, DISPATCH_PROPERTYPUT,
                                       {Variant::I2(static_cast<SHORT>(IndexOf(name)))}),
                  S_OK);
    }
    LONG MessageCount() {
        return NumberOf(
            CallByName(ObjectOf(CallByName(site->Dispatch(), u"Messages")).Get(), u"Count"));
    }

    std::unique_ptr<olectl::HeadlessSite> site;
};

// The version resource as a host reads it from the library file.
TEST_F(QuillboxLibraryTest, VersionResourceIsReadableFromTheLibrary) {
    DWORD handle = 99;
    const DWORD size = GetFileVersionInfoSizeA(QUILLBOX_LIBRARY, &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(QUILLBOX_LIBRARY, 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(*static_cast<const DWORD*>(value), 0x04B00409u);
    const std::string table = "\\StringFileInfo\\040904B0\\";
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"InternalName", "Quillbox"},
                                                          {"FileVersion", "2, 0, 0, 1"},
                                                          {"ProductVersion", "2, 0, 0, 1"},
                                                          {"OLESelfRegister", ""}}) {
        ASSERT_TRUE(VerQueryValueA(block.data(), (table + name).c_str(), &value, &length)) << name;
        EXPECT_EQ(std::string(static_cast<const char*>(value)), text) << name;
    }
    EXPECT_FALSE(VerQueryValueA(block.data(), (table + "Missing").c_str(), &value, &length));
    EXPECT_EQ(GetFileVersionInfoSizeA(OESTORE_LIBRARY, &handle), 0u) << "a library without one";
}

// Bitmap resource 1 (the toolbox bitmap registration names) and icon resource 1, in the forms
// Windows keeps them.
TEST_F(QuillboxLibraryTest, ToolboxBitmapAndIconAreResourcesOfTheLibrary) {
    ASSERT_EQ(quillbox.Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(ClassesText(kControl + "\\ToolboxBitmap32"), quillbox.Path() + ", 1");
    HMODULE module = LoadLibraryA(QUILLBOX_LIBRARY);
    ASSERT_TRUE(module);
    auto bytes = [&](WORD type, WORD id) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
        if (!found)
            return std::string();
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(data, SizeofResource(module, found));
    };
    auto dword = [](const std::string& b, size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<uint8_t>(b[at + i]);
        return v;
    };
    // A 16 x 15 bitmap of 24 bits a pixel; its bottom-left pixel is the toolbox grey.
    const std::string bitmap = bytes(RT_BITMAP_ID, 1);
    ASSERT_EQ(bitmap.size(), 40u + 15 * 48);
    EXPECT_EQ(dword(bitmap, 4), 16u);
    EXPECT_EQ(dword(bitmap, 8), 15u);
    EXPECT_EQ(bitmap[14], 24);
    EXPECT_EQ(bitmap.substr(40, 3), "\xC0\xC0\xC0");
    // Icon 1: a directory of one 32 x 32 image, the image with its colours and its mask.
    const std::string group = bytes(RT_GROUP_ICON_ID, 1);
    ASSERT_EQ(group.size(), 20u);
    EXPECT_EQ(group[4], 1);
    EXPECT_EQ(static_cast<uint8_t>(group[6]), 32);
    const std::string icon = bytes(RT_ICON_ID, 1);
    EXPECT_EQ(dword(group, 14), icon.size());
    ASSERT_EQ(icon.size(), 40u + 32 * 128 + 32 * 4);
    EXPECT_EQ(dword(icon, 8), 64u) << "colours and mask";
    // The top-left corner is see-through: alpha 0, mask bit set (rows run bottom-up).
    EXPECT_EQ(icon[40 + 31 * 128 + 3], 0);
    EXPECT_EQ(static_cast<uint8_t>(icon[40 + 32 * 128 + 31 * 4]) & 0x80, 0x80);
    EXPECT_TRUE(bytes(RT_BITMAP_ID, 2).empty());
    EXPECT_TRUE(bytes(RT_ICON_ID, 7).empty());
    FreeLibrary(module);
}

TEST_F(QuillboxStoreTest, NewStoreListsTheFoldersOfANewIdentity) {
    // In the order the store enumerates them.
    EXPECT_EQ(Names(), (std::vector<std::string>{"Deleted Items", "Drafts", "Inbox", "Outbox",
                                                 "Sent Items"}));
}

TEST_F(QuillboxStoreTest, FoldersAreListedDepthFirst) {
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("A"), Variant::I4(0)}));
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("B"), Variant::I4(0)}));
    EXPECT_EQ(IndexOf("A"), -1);  // not before Refresh
    CallByName(Folders().Get(), u"Refresh");
    LONG a = IdOf("A");
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("A1"), Variant::I4(a)}));
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("A2"), Variant::I4(a)}));
    // A name the store already has under the same parent is refused.
    EXPECT_FALSE(Ok(u"CreateFolder", {Variant::Utf8("A2"), Variant::I4(a)}));
    CallByName(Folders().Get(), u"Refresh");
    std::vector<std::string> names = Names();
    LONG at = IndexOf("A");
    ASSERT_GE(at, 0);
    ASSERT_LE(static_cast<std::size_t>(at + 4), names.size());
    EXPECT_EQ(std::vector<std::string>(names.begin() + at, names.begin() + at + 4),
              (std::vector<std::string>{"A", "A1", "A2", "B"}));
    auto item = ObjectOf(CallByName(Folders().Get(), u"Item", {Variant::Utf8("A2")}));
    EXPECT_EQ(TextOf(CallByName(item.Get(), u"Name")), "A2");

    EXPECT_TRUE(Ok(u"RenameFolder", {Variant::Utf8("A-two"), Variant::I4(IdOf("A2"))}));
    EXPECT_TRUE(Ok(u"MoveFolder", {Variant::I4(IdOf("B")), Variant::I4(a)}));
    EXPECT_TRUE(Ok(u"DeleteFolder", {Variant::I4(IdOf("A1"))}));
    EXPECT_TRUE(Ok(u"CompactAll", {Variant::I4(0)}));
    CallByName(Folders().Get(), u"Refresh");
    names = Names();
    at = IndexOf("A");
    EXPECT_EQ(std::vector<std::string>(names.begin() + at, names.begin() + at + 3),
              (std::vector<std::string>{"A", "A-two", "B"}));
    EXPECT_EQ(IndexOf("A1"), -1);
}

TEST_F(QuillboxStoreTest, MessagesAreCreatedListedCopiedAndMoved) {
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("Work"), Variant::I4(0)}));
    ASSERT_TRUE(Ok(u"CreateFolder", {Variant::Utf8("Archive"), Variant::I4(0)}));
    CallByName(Folders().Get(), u"Refresh");
    ASSERT_TRUE(
        Ok(u"CreateMessage", {Variant::I4(IndexOf("Work")), Variant::Utf8("ann@example.org"),
                              Variant::Utf8("bob@example.org"), Variant::Utf8("Plans"),
                              Variant::Utf8("Meet at nine.")}));
    Select("Work");
    auto messages = ObjectOf(CallByName(site->Dispatch(), u"Messages"));
    ASSERT_EQ(MessageCount(), 1);
    auto message = ObjectOf(CallByName(messages.Get(), u"Item", {Variant::I4(1)}));
    EXPECT_EQ(TextOf(CallByName(message.Get(), u"Subject")), "Plans");
    EXPECT_EQ(TextOf(CallByName(message.Get(), u"DisplayFrom")), "ann@example.org");
    EXPECT_GT(NumberOf(CallByName(message.Get(), u"Size")), 0);
    LONG id = NumberOf(CallByName(messages.Get(), u"FindMessageID", {Variant::I4(0)}));

    EXPECT_TRUE(Ok(u"CopyMessage", {Variant::I4(id), Variant::I4(IdOf("Archive"))}));
    Select("Archive");
    EXPECT_EQ(MessageCount(), 1);
    LONG copy = NumberOf(CallByName(messages.Get(), u"FindMessageID", {Variant::I4(0)}));
    // Back in Work, move the original to the Inbox.
    Select("Work");
    EXPECT_TRUE(Ok(u"MoveMessage", {Variant::I4(id), Variant::I4(IdOf("Inbox"))}));
    EXPECT_EQ(MessageCount(), 1);  // until the list is refreshed
    CallByName(messages.Get(), u"Refresh");
    EXPECT_EQ(MessageCount(), 0);
    Select("Inbox");
    EXPECT_EQ(MessageCount(), 1);
    EXPECT_NE(copy, 0);
}

}  // namespace
}  // namespace testsupport

// Self-registration: DllRegisterServer writes the library's own path as the default value of
// HKEY_LOCAL_MACHINE\Software\Microsoft\WAB\DLLPath, where a client finds the library, loads it
// and opens the address book; DllUnregisterServer takes it away again.
#include <cstdlib>

#include <winpal/class_registration.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>

#include "wab_test_util.h"

namespace wabtest {
namespace {

std::filesystem::path BinFolder() {
    return std::filesystem::path(winpal::ModuleFileName(nullptr)).parent_path();
}

std::string DllPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    const LONG status =
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
}

using Entry = HRESULT (*)();

TEST(Registration, ClientsFindTheLibraryThroughDllPathAndOpenIt) {
    testsupport::TempPrefix prefix;
    const std::string library = winpal::AnsiFromPath(BinFolder() / "wab32.so");
    HMODULE module = LoadLibraryA(library.c_str());
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    auto unreg = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_NE(unreg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    EXPECT_EQ(DllPath(), library);

    // What the control does: the path from the registry, LoadLibraryA, GetProcAddress, WABOpen.
    HMODULE loaded = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(loaded, nullptr);
    auto open =
        reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(loaded, "WABOpen")));
    ASSERT_NE(open, nullptr);
    WAB_PARAM param{};
    param.cbSize = sizeof param;
    param.szFileName = const_cast<LPSTR>("");
    LPADRBOOK book = nullptr;
    LPWABOBJECT wab = nullptr;
    ASSERT_EQ(open(&book, &wab, &param, 0), S_OK);
    book->Release();
    wab->Release();
    FreeLibrary(loaded);

    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(DllPath(), "<no key>");
    FreeLibrary(module);
}

TEST(Registration, RegsvrRegistersTheLibrary) {
    testsupport::TempPrefix prefix;
    const std::filesystem::path bin = BinFolder();
    const std::string command =
        "\"" + (bin / "regsvr").string() + "\" \"" + (bin / "wab32.so").string() + "\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(DllPath(), winpal::AnsiFromPath(bin / "wab32.so"));
    const std::string undo = "\"" + (bin / "regsvr").string() + "\" -u \"" +
                             (bin / "wab32.so").string() + "\" > /dev/null";
    ASSERT_EQ(std::system(undo.c_str()), 0);
    EXPECT_EQ(DllPath(), "<no key>");
}

}  // namespace
}  // namespace wabtest

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <unistd.h>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

namespace {

std::string ModuleFileName(HMODULE module) {
    char buffer[4096];
    DWORD n = GetModuleFileNameA(module, buffer, sizeof buffer);
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, sizeof buffer);
    return std::string(buffer, n);
}

std::string WinpalLibraryPath() {
    return ModuleFileName(
        winpal::ModuleFromAddress(reinterpret_cast<const void*>(&CoTaskMemAlloc)));
}

TEST(Library, ModuleFromAddressFindsTheProgramAndTheLibrary) {
    const std::string program = ModuleFileName(nullptr);
    EXPECT_EQ(program, winpal::AnsiFromPath(std::filesystem::canonical("/proc/self/exe")));
    static int inThisProgram = 0;
    EXPECT_EQ(ModuleFileName(winpal::ModuleFromAddress(&inThisProgram)), program);

    const std::string library = WinpalLibraryPath();
    EXPECT_EQ(std::filesystem::path(library).filename(), "libwinpal.so");
    EXPECT_TRUE(std::filesystem::path(library).is_absolute());
    EXPECT_EQ(winpal::ModuleFromAddress(nullptr), nullptr);
}

TEST(Library, LoadLibraryGivesTheModuleAndItsExports) {
    const std::string path = WinpalLibraryPath();
    std::string windowsStyle = path;
    for (char& c : windowsStyle) {
        if (c == '/')
            c = '\\';
    }
    HMODULE module = LoadLibraryA(windowsStyle.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module, winpal::ModuleFromAddress(reinterpret_cast<const void*>(&CoTaskMemAlloc)));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(1)), nullptr);  // an ordinal
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Library, BareNameGoesThroughTheLoaderSearch) {
    HMODULE libc = LoadLibraryA("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(libc, "getpid")),
              reinterpret_cast<void*>(&getpid));
    EXPECT_TRUE(std::filesystem::path(ModuleFileName(libc)).is_absolute());
    EXPECT_TRUE(FreeLibrary(libc));
}

TEST(Library, MissingLibraryAndMadeUpHandlesFail) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("/no/such/folder/libnothing.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("libwinpal-no-such-library.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    int notAModule = 0;
    HMODULE bogus = reinterpret_cast<HMODULE>(&notAModule);
    char buffer[64];
    EXPECT_EQ(GetModuleFileNameA(bogus, buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetProcAddress(bogus, "CoTaskMemAlloc"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(bogus));
    EXPECT_FALSE(FreeLibrary(nullptr));
}

// Whether the library at `path` is loaded, asked the way Windows code asks.
bool IsLoaded(const std::string& path) {
    HMODULE module = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, path.c_str(),
                              &module) != FALSE;
}

TEST(Library, GetModuleHandleExFindsModulesAndCountsReferences) {
    EXPECT_FALSE(IsLoaded("libwinpal-no-such-library.so"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    // The test server, which another test of this process may have loaded and kept.
    const std::string path = WINPAL_TESTSERVER_PATH;
    const bool loadedBefore = IsLoaded(path);
    HMODULE loaded = LoadLibraryA(path.c_str());
    ASSERT_NE(loaded, nullptr);
    const auto* inside = reinterpret_cast<LPCSTR>(GetProcAddress(loaded, "DllCanUnloadNow"));
    HMODULE found = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, inside, &found));
    EXPECT_EQ(found, loaded);
    EXPECT_EQ(ModuleFileName(found), ModuleFileName(loaded));
    // That call took a reference of its own: one FreeLibrary leaves the library loaded.
    EXPECT_TRUE(FreeLibrary(loaded));
    EXPECT_TRUE(IsLoaded(path));
    EXPECT_TRUE(FreeLibrary(found));
    EXPECT_EQ(IsLoaded(path), loadedBefore);

    HMODULE program = nullptr;
    ASSERT_TRUE(
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, &program));
    EXPECT_EQ(ModuleFileName(program), ModuleFileName(nullptr));
    int notCode = 0;
    HMODULE none = reinterpret_cast<HMODULE>(&notCode);
    EXPECT_FALSE(GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr,
        &none));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(none, nullptr);
    // An address in no module: memory from the heap.
    auto onTheHeap = std::make_unique<char>('x');
    EXPECT_FALSE(
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, onTheHeap.get(), &none));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Library, GetModuleFileNameTruncatesAsWindowsDoes) {
    const std::string full = ModuleFileName(nullptr);
    char small[6];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 6u);
    EXPECT_EQ(std::string(small), full.substr(0, 5));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::string exact(full.size(), '#');
    EXPECT_EQ(GetModuleFileNameA(nullptr, exact.data(), static_cast<DWORD>(full.size())),
              full.size());  // no room for the NUL: truncated by one character
    EXPECT_EQ(exact.substr(0, full.size() - 1), full.substr(0, full.size() - 1));
    EXPECT_EQ(exact.back(), '\0');
}

}  // namespace

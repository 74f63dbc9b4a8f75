// Self-registration of an in-process server and the class-key helpers it is made of.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <winpal/class_registration.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include <classes_registry.h>

#include "registry_test_util.h"

namespace {

using testsupport::ClassesKeyExists;
using testsupport::ClassesText;

// {5C0E8A13-7B24-4F69-A1D2-3E4F5A6B7C8D}
constexpr CLSID kClass = {
    0x5C0E8A13, 0x7B24, 0x4F69, {0xA1, 0xD2, 0x3E, 0x4F, 0x5A, 0x6B, 0x7C, 0x8D}};
const std::string kClassKey = "CLSID\\{5C0E8A13-7B24-4F69-A1D2-3E4F5A6B7C8D}";

std::string ProgramPath() {
    return winpal::AnsiFromPath(std::filesystem::canonical("/proc/self/exe"));
}

TEST(ClassRegistration, ServerWithThreadingModelAndProgId) {
    ASSERT_TRUE(winpal::RegisterInprocServer(
        nullptr, {kClass, "Sample class", "Apartment", "Sample.Class.1"}));
    EXPECT_EQ(ClassesText(kClassKey), "Sample class");
    EXPECT_EQ(ClassesText(kClassKey + "\\InprocServer32"), ProgramPath());
    EXPECT_EQ(ClassesText(kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(kClassKey + "\\ProgID"), "Sample.Class.1");
    EXPECT_EQ(ClassesText("Sample.Class.1"), "Sample class");
    EXPECT_EQ(ClassesText("Sample.Class.1\\CLSID"), "{5C0E8A13-7B24-4F69-A1D2-3E4F5A6B7C8D}");

    ASSERT_TRUE(winpal::UnregisterInprocServer(kClass, "Sample.Class.1"));
    EXPECT_FALSE(ClassesKeyExists(kClassKey));
    EXPECT_FALSE(ClassesKeyExists("Sample.Class.1"));
    // Removing what is not there is no failure.
    EXPECT_TRUE(winpal::UnregisterInprocServer(kClass, "Sample.Class.1"));
}

TEST(ClassRegistration, WithoutThreadingModelOrProgIdNeitherIsWritten) {
    ASSERT_TRUE(winpal::RegisterInprocServer(nullptr, {kClass, "Sample class"}));
    EXPECT_EQ(ClassesText(kClassKey + "\\InprocServer32"), ProgramPath());
    EXPECT_EQ(ClassesText(kClassKey + "\\InprocServer32", "ThreadingModel"), std::nullopt);
    EXPECT_FALSE(ClassesKeyExists(kClassKey + "\\ProgID"));
}

TEST(ClassRegistration, AModuleWithoutAFileRegistersNothing) {
    int notAModule = 0;
    EXPECT_EQ(winpal::ModuleFileName(reinterpret_cast<HMODULE>(&notAModule)), "");
    EXPECT_FALSE(
        winpal::RegisterInprocServer(reinterpret_cast<HMODULE>(&notAModule), {kClass, "Sample"}));
    EXPECT_FALSE(ClassesKeyExists(kClassKey));
}

TEST(ClassRegistration, TextReadsOnlyTextValues) {
    ASSERT_TRUE(winpal::SetClassesText("Sample.Values", "name", "text"));
    HKEY key = regtest::CreateKey(HKEY_CLASSES_ROOT, "Sample.Values");
    const DWORD number = 7;
    ASSERT_EQ(regtest::SetBytes(key, "number", REG_DWORD,
                                std::string(reinterpret_cast<const char*>(&number), 4)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ClassesText("Sample.Values", "name"), "text");
    EXPECT_EQ(ClassesText("Sample.Values", "number"), std::nullopt);
    EXPECT_EQ(ClassesText("Sample.Values", "missing"), std::nullopt);
    EXPECT_EQ(ClassesText("Sample.Missing"), std::nullopt);
    EXPECT_FALSE(winpal::ClassesKeyHasSubkeys("Sample.Values"));
    ASSERT_TRUE(winpal::CreateClassesKey("Sample.Values\\Child"));
    EXPECT_TRUE(winpal::ClassesKeyHasSubkeys("Sample.Values"));
    EXPECT_TRUE(winpal::DeleteClassesTree("Sample.Values"));
    EXPECT_FALSE(ClassesKeyExists("Sample.Values"));
}

}  // namespace

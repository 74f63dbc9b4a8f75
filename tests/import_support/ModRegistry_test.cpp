#include "import_support/ModRegistry.h"

#include <gtest/gtest.h>

#include "RecordingDesktop.h"
#include "RegistryFixture.h"
#include "import_support/registry.h"
#include "temp_prefix.h"

namespace {

class RegistryHelpers : public testing::Test {
  protected:
    testsupport::TempPrefix prefix;
    RecordingDesktop desktop;
};

TEST_F(RegistryHelpers, RootNamesMustBeExactUpperCase) {
    EXPECT_EQ(ModRegistry::HiveFromName("HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(ModRegistry::HiveFromName("HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(ModRegistry::HiveFromName("HKEY_DYN_DATA"), 0x80000006u);
    EXPECT_EQ(ModRegistry::HiveFromName("HKEY_Current_User"), 0u);
    EXPECT_EQ(ModRegistry::HiveFromName("HKCU"), 0u);
}

TEST_F(RegistryHelpers, SplitSeparatesRootAndSubkeyPath) {
    QString path = "HKEY_CURRENT_USER\\Identities\\{A}";
    std::uint32_t root = 0;
    ModRegistry::SplitRegPath(path, root, desktop);
    EXPECT_EQ(root, 0x80000001u);
    EXPECT_EQ(path, "Identities\\{A}");
    path = "HKEY_LOCAL_MACHINE";
    ModRegistry::SplitRegPath(path, root, desktop);
    EXPECT_EQ(root, 0x80000002u);
    EXPECT_EQ(path, "");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(RegistryHelpers, MalformedPathsShowTheFormatMessageAndReadAsEmpty) {
    regfixture::CreateKey(HKEY_CURRENT_USER, "Identities\\{A}");
    for (QString bad :
         {QString("hkey_current_user\\Identities"), QString("HKEY_CURRENT_USER\\Identities\\")}) {
        desktop.messages.clear();
        EXPECT_EQ(ModRegistry::EnumSubkeys(bad, desktop).Count(), 0) << bad.toStdString();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].prompt, "Incorrect Format:\n\n" + bad);
        EXPECT_EQ(desktop.messages[0].buttons, vb::vbOKOnly);
        EXPECT_EQ(desktop.messages[0].title, "Ferrydeck");
    }
    desktop.messages.clear();
    EXPECT_EQ(ModRegistry::EnumValues("HKEY_NOWHERE\\Identities", desktop).Count(), 0);
    EXPECT_TRUE(desktop.messages.empty()) << "an unknown root is not a format error";
}

TEST_F(RegistryHelpers, SubkeysOfARootAndOfAKey) {
    regfixture::CreateKey(HKEY_CURRENT_USER, "Identities\\{B}");
    regfixture::CreateKey(HKEY_CURRENT_USER, "Identities\\{a}");
    regfixture::CreateKey(HKEY_CURRENT_USER, "Software");
    auto roots = ModRegistry::EnumSubkeys("HKEY_CURRENT_USER", desktop);
    ASSERT_EQ(roots.Count(), 2);
    EXPECT_EQ(roots.Item(1), "Identities");
    EXPECT_EQ(roots.Item(2), "Software");
    auto identities = ModRegistry::EnumSubkeys("HKEY_CURRENT_USER\\Identities", desktop);
    ASSERT_EQ(identities.Count(), 2);
    EXPECT_EQ(identities.Item(1), "{a}");
    EXPECT_EQ(identities.Item("{B}"), "{B}");
    EXPECT_EQ(ModRegistry::EnumSubkeys("HKEY_CURRENT_USER\\Missing", desktop).Count(), 0);
}

TEST_F(RegistryHelpers, ValuesByTypeAndByNameInAnyCase) {
    const std::string key = "Software\\Test";
    regfixture::SetValue(HKEY_CURRENT_USER, key, "Store Root", REG_EXPAND_SZ,
                         "%UserProfile%\\Mail");
    regfixture::SetValue(HKEY_CURRENT_USER, key, "Plain", REG_SZ, "text");
    regfixture::SetDword(HKEY_CURRENT_USER, key, "Count", 0xFFFFFFFEu);
    regfixture::SetValue(HKEY_CURRENT_USER, key, "Bytes", REG_BINARY,
                         std::string("\x00\xff\x41", 3));
    auto values = ModRegistry::EnumValues("HKEY_CURRENT_USER\\Software\\Test", desktop);
    ASSERT_EQ(values.Count(), 4);
    EXPECT_EQ(values.Item("store root").toString(), "%UserProfile%\\Mail");
    EXPECT_EQ(values.Item("PLAIN").toString(), "text");
    EXPECT_EQ(values.Item("Count").toInt(), -2);
    EXPECT_EQ(values.Item("Bytes").toString(), QString::fromUtf16(u"\u0000\u00ff\u0041", 3));
    EXPECT_EQ(values.KeyAt(1), "Store Root");
}

TEST_F(RegistryHelpers, ValueLongerThanTheFirstBufferIsReadWhole) {
    std::string longText(10000, 'x');
    longText.back() = 'y';
    regfixture::SetValue(HKEY_CURRENT_USER, "Software\\Long", "Big", REG_SZ, longText);
    regfixture::SetValue(HKEY_CURRENT_USER, "Software\\Long", "After", REG_SZ, "small");
    auto values = ModRegistry::EnumValues("HKEY_CURRENT_USER\\Software\\Long", desktop);
    ASSERT_EQ(values.Count(), 2);
    EXPECT_EQ(values.Item("Big").toString(), QString::fromStdString(longText));
    EXPECT_EQ(values.Item("After").toString(), "small");
}

TEST_F(RegistryHelpers, QueryRegValueReadsTextAndNumbersOnly) {
    regfixture::SetValue(HKEY_CURRENT_USER, "Identities", "Start As", REG_SZ, "{ID}");
    regfixture::SetDword(HKEY_CURRENT_USER, "Identities", "Number", 7);
    regfixture::SetValue(HKEY_CURRENT_USER, "Identities", "Expand", REG_EXPAND_SZ, "%TEMP%");
    const std::uint32_t hkcu = 0x80000001u;
    EXPECT_EQ(registry::QueryRegValue(hkcu, "Identities", "Start As"), QVariant(QString("{ID}")));
    EXPECT_EQ(registry::QueryRegValue(hkcu, "Identities", "Number"), QVariant(7));
    EXPECT_EQ(registry::QueryRegValue(hkcu, "Identities", "Expand"), QVariant(QString()));
    EXPECT_EQ(registry::QueryRegValue(hkcu, "Identities", "Missing"), QVariant(QString()));
    EXPECT_EQ(registry::QueryRegValue(hkcu, "Nowhere", "Start As"), QVariant(QString()));
}

TEST(FileNameOfPath, TakesTheLastComponent) {
    EXPECT_EQ(registry::FileNameOfPath("C:\\Mail\\Inbox.dbx"), "Inbox.dbx");
    EXPECT_EQ(registry::FileNameOfPath("/home/me/mail/Inbox.dbx"), "Inbox.dbx");
    EXPECT_EQ(registry::FileNameOfPath("Inbox.dbx"), "Inbox.dbx");
    EXPECT_EQ(registry::FileNameOfPath("C:\\Mail\\"), "");
}

TEST_F(RegistryHelpers, BrowseForFolderAsksTheDesktop) {
    desktop.chosenFolder = "/home/me/mail";
    EXPECT_EQ(registry::BrowseForFolder(desktop, "Choose Source Folder..."), "/home/me/mail");
    EXPECT_EQ(desktop.browseTitles, QStringList{"Choose Source Folder..."});
}

}  // namespace

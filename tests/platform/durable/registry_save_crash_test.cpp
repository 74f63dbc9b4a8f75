// The registry save, stopped at each of its writes (a process crash, a power loss, a power loss
// that kept some sectors) or with that write failing: the hive file is always the old one or the
// new one, whole, never a mix or nothing.
#include <gtest/gtest.h>

#include <string>

#include <winpal/file_system.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "crash_points.h"
#include "dbx/error.h"
#include "simulated_durable_files.h"
#include "temp_prefix.h"

namespace {

const std::string kHive = "/sim/prefix/user.reg";
const std::string kTemporary = "/sim/prefix/.user.reg.tmp-1";

void SetText(const char* key, const char* name, const std::string& text) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

// The user hive as the registry writes it, before and after a change of several keys, one of
// them with a value that spans sectors.
std::pair<std::string, std::string> HiveTexts() {
    testsupport::TempPrefix prefix;
    SetText("Identities", "Start As", "{11111111-2222-3333-4444-555555555555}");
    SetText("Software\\Ferrydeck", "Last Folder", "c:\\mail");
    const std::string before = testsupport::ReadFile(prefix.Path() / "user.reg");
    SetText("Identities", "Start As", "{AAAAAAAA-2222-3333-4444-555555555555}");
    SetText("Software\\Ferrydeck\\Recent", "List", std::string(3000, 'x'));
    for (int n = 0; n < 20; ++n)
        SetText(("Software\\Test\\Key " + std::to_string(n)).c_str(), "Value", "data");
    const std::string after = testsupport::ReadFile(prefix.Path() / "user.reg");
    return {before, after};
}

TEST(RegistrySave, ACrashOrFailureAtAnyWriteLeavesTheOldOrTheNewFileWhole) {
    const auto [before, after] = HiveTexts();
    ASSERT_FALSE(before.empty());
    ASSERT_GT(after.size(), before.size() + 3000);

    const dbxtest::Change save = [after = after](dbxtest::SimulatedFileSystem& fs) {
        durabletest::SimulatedDurableFiles files(fs);
        std::string error;
        if (int result =
                winpal::ReplaceFileDurably(files, kHive, kTemporary, after, error, nullptr)) {
            throw dbx::Error(dbx::ErrorCode::kIo, error, result);
        }
    };
    int old_seen = 0, new_seen = 0;
    const int64_t writes = dbxtest::ForEveryInterruption(
        {{kHive, before}}, save,
        [&](dbxtest::SimulatedFileSystem& left, const dbxtest::Interruption& how) {
            SCOPED_TRACE(how.how + " at write " + std::to_string(how.write));
            ASSERT_TRUE(left.Has(kHive)) << "the hive file is gone";
            const std::string content = left.Get(kHive);
            EXPECT_TRUE(content == before || content == after) << content.size() << " bytes";
            if (how.failure && how.reported) {
                EXPECT_TRUE(content == before) << "a refused save changes nothing";
            }
            old_seen += content == before;
            new_seen += content == after;
        });
    EXPECT_GE(writes, 4) << "create, write, flush, rename, flush the folder";
    EXPECT_GT(old_seen, 0);
    EXPECT_GT(new_seen, 0);
}

// The registry's own save goes through the same seam: the file it writes reads back, keeps the
// permission bits it had, and no temporary file stays behind.
TEST(RegistrySave, TheHiveIsReplacedThroughTheSeam) {
    testsupport::TempPrefix prefix;
    SetText("Identities", "Start As", "first");
    const std::filesystem::path hive = prefix.Path() / "user.reg";
    std::filesystem::permissions(
        hive, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    SetText("Identities", "Start As", "second");
    EXPECT_NE(testsupport::ReadFile(hive).find("\"Start As\"=\"second\""), std::string::npos);
    EXPECT_EQ(std::filesystem::status(hive).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    for (const auto& entry : std::filesystem::directory_iterator(prefix.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
}

}  // namespace

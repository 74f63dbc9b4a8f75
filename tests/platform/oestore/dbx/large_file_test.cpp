// A mailbox of 100 000 messages (about 300 MB): written in one pass, changed in place, checked
// clean and extracted by the independent reader undbx to exactly the stored messages. It needs
// about 10 s (a minute with the sanitizers) and 400 MB of temporary space, so it runs only when
// DBX_SLOW_TESTS is set (label "slow": DBX_SLOW_TESTS=1 ctest --test-dir build/default -L slow).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "dbx/check.h"
#include "dbx_test_util.h"
#include "temp_prefix.h"

namespace {

using namespace dbx;

std::pair<size_t, size_t> Fingerprint(const std::string& text) {
    return {std::hash<std::string>{}(text), text.size()};
}

TEST(LargeFile, HundredThousandMessagesAreCleanAndExtractExactly) {
    if (!std::getenv("DBX_SLOW_TESTS"))
        GTEST_SKIP() << "set DBX_SLOW_TESTS to run";
    testsupport::TempDir dir;
    auto path = dir.Path() / "Large.dbx";
    std::vector<std::pair<size_t, size_t>> expected;
    {
        MailboxWriter writer(path, {30, "Large", 3, "LocalStore", 0});
        for (uint32_t n = 0; n < 100000; ++n) {
            std::string text = dbxtest::MakeMessage(n, 1500 + (n * 7919) % 3000);
            expected.push_back(Fingerprint(text));
            writer.Add(text,
                       NewMessageOptions{n % 9 == 0 ? msgflag::kWatch : 0u, 0x01D0000000000000ull});
        }
        writer.Finish();
    }
    EXPECT_GT(std::filesystem::file_size(path), 250u << 20);
    EXPECT_EQ(dbxtest::CheckFindings(path), "");

    // Changes on the large file: deletes across the index, appends, flag changes.
    MessageFile file = MessageFile::Open(path, dbxtest::Writable());
    std::vector<uint32_t> doomed;
    for (uint32_t id = 1000; id < 1100; ++id)
        doomed.push_back(id);
    file.Delete(doomed);
    expected.erase(expected.begin() + 998, expected.begin() + 1098);
    for (uint32_t n = 0; n < 20; ++n) {
        std::string text = dbxtest::MakeMessage(200000 + n, 4000);
        expected.push_back(Fingerprint(text));
        file.Append(text);
    }
    std::vector<uint32_t> flagged{5, 50000, 99000};
    EXPECT_EQ(file.SetFlags(flagged, msgflag::kWatch | msgflag::kFlagged, 0), 3u);
    EXPECT_EQ(file.count(), 99920u);
    EXPECT_EQ(dbxtest::CheckFindings(path), "");

    std::sort(expected.begin(), expected.end());
    if (std::system("command -v undbx > /dev/null 2>&1") == 0) {
        auto out = dir.Path() / "undbx";
        std::filesystem::create_directories(out);
        ASSERT_EQ(std::system(
                      ("undbx -v 0 '" + path.string() + "' '" + out.string() + "' > /dev/null 2>&1")
                          .c_str()),
                  0);
        std::vector<std::pair<size_t, size_t>> extracted;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
            if (entry.is_regular_file() && entry.path().extension() == ".eml") {
                extracted.push_back(Fingerprint(testsupport::ReadFile(entry.path())));
            }
        }
        std::sort(extracted.begin(), extracted.end());
        EXPECT_EQ(extracted.size(), expected.size());
        EXPECT_TRUE(extracted == expected);
    }
}

}  // namespace

// wabtool as a user runs it: its commands, exit codes and messages, importing a file with a
// broken card, and two wabtool processes adding at the same time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <winpal/class_registration.h>

#include "wab_test_util.h"

namespace wabtest {
namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class Wabtool : public ::testing::Test {
  protected:
    struct Run {
        int status;
        std::string out;
        std::string err;
    };
    Run Wab(const std::string& args) {
        const std::filesystem::path tool =
            std::filesystem::path(winpal::ModuleFileName(nullptr)).parent_path() / "wabtool";
        const auto out = prefix_.Path() / "out.txt";
        const auto err = prefix_.Path() / "err.txt";
        const std::string command = "\"" + tool.string() + "\" " + args + " > \"" + out.string() +
                                    "\" 2> \"" + err.string() + "\"";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
    }
    testsupport::TempPrefix prefix_;
};

TEST_F(Wabtool, AddListShowAndDeleteWithTheirExitCodes) {
    EXPECT_EQ(Wab("add --name 'Hana Ko' --email hana@example.org --business-phone '+81 3' "
                  "--office 'Tower 2' --business-web-page http://hana.example")
                  .status,
              0);
    EXPECT_EQ(Wab("add --name Ivo").status, 0);
    const Run list = Wab("list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "Hana Ko\thana@example.org\nIvo\t\n");
    const Run show = Wab("show 'Hana Ko'");
    EXPECT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("Business phone: +81 3\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Office: Tower 2\n"), std::string::npos);
    EXPECT_NE(show.out.find("Business web page: http://hana.example\n"), std::string::npos);
    EXPECT_EQ(Wab("show 'hana ko'").status, 1);  // names are compared exactly
    EXPECT_EQ(Wab("delete Ivo").status, 0);
    EXPECT_EQ(Wab("delete Ivo").status, 1);
    EXPECT_EQ(Wab("list").out, "Hana Ko\thana@example.org\n");
    EXPECT_EQ(Wab("add --email x@example.org").status, 2);
    EXPECT_EQ(Wab("frobnicate").status, 2);
    EXPECT_EQ(Wab("add --name X --shoe-size 9").status, 2);
    const Run help = Wab("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

TEST_F(Wabtool, ImportSkipsABrokenCardAndReportsItsLine) {
    const auto file = prefix_.Path() / "in.vcf";
    WriteFile(file,
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kim\r\nEMAIL:kim@example.org\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Broken\r\nthis line is no property\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Lou\r\nTEL;CELL:+1 7\r\nEND:VCARD\r\n");
    const Run run = Wab("import \"" + file.string() + "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("in.vcf:9: "), std::string::npos) << run.err;
    EXPECT_EQ(Wab("list").out, "Kim\tkim@example.org\nLou Lee\t\n");
    EXPECT_NE(Wab("show 'Lou Lee'").out.find("Mobile: +1 7"), std::string::npos);
    EXPECT_EQ(Wab("import \"" + (prefix_.Path() / "missing.vcf").string() + "\"").status, 1);
}

TEST_F(Wabtool, ExportWritesOneFoldedCardPerContact) {
    ASSERT_EQ(Wab("add --name 'M\xC3\xBCller, Max' --email max@example.org --job-title '" +
                  std::string(90, 't') + "'")
                  .status,
              0);
    const auto file = prefix_.Path() / "out.vcf";
    ASSERT_EQ(Wab("export \"" + file.string() + "\"").status, 0);
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:M\xC3\xBCller\\, Max\r\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("TITLE:" + std::string(69, 't') + "\r\n " + std::string(21, 't') + "\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 11), "END:VCARD\r\n");
}

TEST_F(Wabtool, TwoProcessesAddingAtOnceLoseNothing) {
    const std::filesystem::path tool =
        std::filesystem::path(winpal::ModuleFileName(nullptr)).parent_path() / "wabtool";
    auto loop = [&tool](const char* prefix) {
        return "(for i in $(seq 1 25); do \"" + tool.string() + "\" add --name " + prefix +
               "$i || exit 1; done)";
    };
    const std::string script = loop("A") + " & a=$!; " + loop("B") + " & b=$!; wait $a && wait $b";
    const auto file = prefix_.Path() / "parallel.sh";
    WriteFile(file, script + "\n");
    ASSERT_EQ(std::system(("bash \"" + file.string() + "\" > /dev/null").c_str()), 0);
    const std::string list = Wab("list").out;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 50);
}

}  // namespace
}  // namespace wabtest

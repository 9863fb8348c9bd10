// Runs kaveltar-cli commands in-process on a demo installation and checks their exact output,
// their exit status and that the data they read is the data the archives hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "cli/cli_harness.h"
#include "cli/commands.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Lines;
using cli_harness::Output;

class CliTest : public cli_harness::DemoTest {
 protected:
  static void SetUpTestSuite() {
    Install("kaveltar-cli", {.companies = 3, .seed = 7, .write_registry = true});
  }
  Output Run(std::vector<std::string> args, bool with_paths = true) {
    return DemoTest::Run(args, {.with_paths = with_paths});
  }
};

TEST_F(CliTest, ListsCompaniesAndEmployeesLineByLine) {
  Output o = Run({"companies", "--order", "name"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Lines(o.out).size(), report_.company_codes.size());
  o = Run({"companies"});
  const std::string first = Lines(o.out).at(0);
  EXPECT_EQ(first.substr(0, 3), report_.company_codes[0]);
  EXPECT_EQ(first.substr(first.size() - 3), report_.company_codes[0]);

  // Employees of the first company: every line ends with a key of that company.
  o = Run({"employees", "--company", report_.company_codes[0], "--screen", "update"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto employees = Lines(o.out);
  ASSERT_FALSE(employees.empty());
  for (const auto& line : employees)
    EXPECT_EQ(line.substr(line.size() - 10, 3), report_.company_codes[0]) << line;
}

TEST_F(CliTest, FieldsByDescriptorOrCode) {
  const std::string key = Key(DemoCase::kProfile);
  Output o = Run({"employee", key, "--field", "DIPX$,00003,10,A,0,P001", "--field", "p138"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "DIPX$,00003,10,A,0,P001\t" + key);
  EXPECT_EQ(lines[1].substr(0, 24), "DIPX$,03863,03,A,0,P138\t");
  o = Run({"employee", key, "--field", "P999"});
  EXPECT_EQ(o.status, 1);
  ASSERT_FALSE(dialogs_.entries().empty());
  EXPECT_NE(dialogs_.entries().back().text.find("Campo sconosciuto: P999"), std::string::npos);

  o = Run({"company", report_.company_codes[0], "--field", "T001"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "DITX$,00003,03,N,0,T001\t" + report_.company_codes[0] + "\n");
  EXPECT_EQ(Run({"company", "abc"}).status, 2);
}

TEST_F(CliTest, BadUsageVersionAndTheRegistry) {
  Output o = Run({"no-such-command"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(Lines(o.err).front(), "kaveltar-cli: comando sconosciuto: no-such-command");
  EXPECT_EQ(Run({"employees"}).status, 2);
  EXPECT_EQ(Run({"companies", "--year", "2031"}).status, 1);
  o = Run({"--version"}, false);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("kaveltar-cli ", 0), 0u) << o.out;

  // The registry written by the demo installation is found with no options.
  const std::string archives = "ArchivePath: " + Archives().string();
  o = Run({"info"}, /*with_paths=*/false);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Lines(o.out).at(1), archives);
  EXPECT_EQ(Lines(o.out).at(2), "InstallationCode: " + report_.installation_code);
  // --archive/--programs and --yes after the command name, as a script may write them.
  o = Run({"info", "--archive", Archives().string(), "--programs",
           (root_ / "demo" / "PROGRAMMI").string(), "--yes"},
          false);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Lines(o.out).at(1), archives);
}

TEST_F(CliTest, UnknownCompanyOrEmployeeIsAnError) {
  Output o = Run({"employees", "--company", "999"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "kaveltar-cli: ditta 999 non presente nell'elenco dell'anno 2025\n");

  o = Run({"month", "9999999999", "202506"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "kaveltar-cli: dipendente 9999999999 non trovato negli archivi dei dipendenti\n");
  // A listed employee whose month is not stored yet is no error: the heading alone.
  o = Run({"month", report_.Keys(DemoCase::kGroup).front(), "202505", "--format", "csv"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Lines(o.out).size(), 1u);

  o = Run({"memorize", "--year", "2025", "--month", "6", "--company", report_.company_codes[0],
           "--employee", "9999999999"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("dipendente 9999999999 non presente"), std::string::npos) << o.err;
}

// The chosen employees follow the list, whatever order the command line names them in.
TEST(PickEmployeesTest, KeepsTheListOrderAndNamesAMissingKey) {
  const std::vector<std::string> list = {"001 000 0001 ROSSI     0010000001",
                                         "001 000 0002 BIANCHI   0010000002",
                                         "001 000 0003 VERDI     0010000003"};
  std::string missing;
  EXPECT_EQ(cli::PickEmployees(list, {"0010000003", "0010000001"}, &missing),
            (std::vector<std::string>{list[0], list[2]}));
  EXPECT_EQ(missing, "");
  EXPECT_TRUE(cli::PickEmployees(list, {"0010000002", "0010000009"}, &missing).empty());
  EXPECT_EQ(missing, "0010000009");
}

TEST(TerminalSafeTest, ControlCharactersAreShownAsHexCodes) {
  EXPECT_EQ(cli::TerminalSafe("ROSSI\x1B[2JMARIO"), "ROSSI\\x1B[2JMARIO");
  EXPECT_EQ(cli::TerminalSafe("A\rB\nC\tD\x7F"), "A\\x0DB\\x0AC\\x09D\\x7F");
  EXPECT_EQ(cli::TerminalSafe(std::string("NUL\0X", 5)), "NUL\\x00X");
  // U+009B, the one-character escape of the second control set; accented letters stay.
  EXPECT_EQ(cli::TerminalSafe("PER\xC3\x92 \xC2\x9B"), "PER\xC3\x92 \\x9B");
}

TEST_F(CliTest, ControlCharactersInNamesNeverReachTheTerminal) {
  // The first company's name gets an ESC in the company archive (on a copy, put back after).
  Output o = Run({"company", report_.company_codes[0], "--field", "T002"});
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string field = Lines(o.out)[0].substr(o.out.find('\t') + 1);
  const std::string name = field.substr(0, field.find_last_not_of(' ') + 1);
  ASSERT_GE(name.size(), 3u);
  const fs::path archive = Archives() / "DITTE.DAT";
  std::ifstream in(archive, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_NE(bytes.find(Utf8ToCp1252(field)), std::string::npos);
  std::string changed = bytes;
  changed[changed.find(Utf8ToCp1252(field)) + 1] = '\x1B';
  std::ofstream(archive, std::ios::binary | std::ios::trunc) << changed;
  o = Run({"companies"});
  std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.find('\x1B'), std::string::npos);
  EXPECT_NE(o.out.find(name.substr(0, 1) + "\\x1B" + name.substr(2)), std::string::npos) << o.out;
}

TEST_F(CliTest, DemoInstallKeepsAnExistingInstallationUnlessForced) {
  const fs::path target = root_ / "second";
  // Bad options write nothing.
  EXPECT_EQ(Run({"demo-install", target.string(), "--employees", "10000"}, false).status, 1);
  EXPECT_FALSE(fs::exists(target));

  std::vector<std::string> args = {
      "demo-install", target.string(), "--companies", "1", "--employees", "3"};
  ASSERT_EQ(Run(args, false).status, 0);
  const fs::path sentinel = target / "ARCHIVI" / "presenze-del-mese.txt";
  std::ofstream(sentinel) << "dati dell'ufficio";

  Output o = Run(args, false);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("contiene già un'installazione"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("--force"), std::string::npos) << o.err;
  EXPECT_TRUE(fs::exists(sentinel));

  args.push_back("--force");
  o = Run(args, false);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_FALSE(fs::exists(sentinel));  // replaced as a whole
  fs::remove_all(target);
}

}  // namespace
}  // namespace kaveltar

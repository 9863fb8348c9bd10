// Runs kaveltar-cli commands in-process on a demo installation and checks their exact output,
// their exit status and that the data they read is the data the archives hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

TEST_F(CliTest, FieldsByDescriptorOrCode) {
  const std::string key = Key(DemoCase::kProfile);
  Output o = Run({"employee", key, "--field", "p001"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "DIPX$,00003,10,A,0,P001\t" + key + "\n");
  o = Run({"employee", key, "--field", "P999"});
  EXPECT_EQ(o.status, 1);
  ASSERT_FALSE(dialogs_.entries().empty());
  EXPECT_NE(dialogs_.entries().back().text.find("Campo sconosciuto: P999"), std::string::npos);
}

TEST_F(CliTest, BadUsageVersionAndTheRegistry) {
  Output o = Run({"no-such-command"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(Lines(o.err).front(), "kaveltar-cli: comando sconosciuto: no-such-command");
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

  o = Run({"memorize", "--year", "2025", "--month", "6", "--company", report_.company_codes[0],
           "--employee", "9999999999"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("dipendente 9999999999 non presente"), std::string::npos) << o.err;
}

TEST(TerminalSafeTest, ControlCharactersAreShownAsHexCodes) {
  EXPECT_EQ(cli::TerminalSafe("ROSSI\x1B[2JMARIO"), "ROSSI\\x1B[2JMARIO");
  // U+009B, the one-character escape of the second control set; accented letters stay.
  EXPECT_EQ(cli::TerminalSafe("PER\xC3\x92 \xC2\x9B"), "PER\xC3\x92 \\x9B");
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

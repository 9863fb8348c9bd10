// kaveltar-cli import, export and totals, run in-process on a demo installation: exact
// output, exit statuses, and the data they write read back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "base/text.h"
#include "cli/cli_harness.h"
#include "cli/commands.h"
#include "db/attendance_db.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Lines;
using cli_harness::Output;

std::string Record(
    std::string_view key, std::string_view day, std::string_view worked,
    std::initializer_list<std::pair<std::string_view, std::string_view>> pairs = {}) {
  std::string r = PadRight(key, 10) + PadRight(day, 8) + PadRight(worked, 5);
  for (const auto& [code, hours] : pairs) r += PadRight(code, 10) + PadRight(hours, 5);
  return PadRight(r, 173) + "\r\n";
}

class ExchangeCliTest : public cli_harness::DemoTest {
 protected:
  static void SetUpTestSuite() {
    Install("kaveltar-exchcli", {.companies = 3, .seed = 5, .write_registry = true});
  }
  Output Run(std::vector<std::string> args, bool answer = false) {
    dialogs_.set_default_answer(answer);
    return DemoTest::Run(args, {.printer = cli_harness::FilePrinter(root_ / "spool")});
  }
  static std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
};

TEST_F(ExchangeCliTest, ImportCheckLayoutAndRun) {
  const std::string key = Key(DemoCase::kGroup);
  const std::string good = Record(key, "20250602", "08:00", {{"FE", "08:00"}});
  // The check: an incomplete key blocks, with the message on standard error.
  Output o = Run({"import", "check", Write("bad.PRE", Record("001002", "20250602", "08:00"))});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Lines(o.out)[2], "Struttura Records ................... Errata");
  EXPECT_FALSE(o.err.empty());

  // Run, accepted: the month is rebuilt and the anomaly listed.
  const std::string file =
      Write("run.PRE", good + Record(key, "20250603", "08:00", {{"QQ", "01:00"}}));
  o = Run({"import", "run", file}, true);
  ASSERT_EQ(o.status, cli::kExitAnomalies) << o.err;  // imported, with one anomaly
  EXPECT_NE(o.out.find("\nRecord importati: 2\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Dipendente : " + key +
                       " Giornata : 03/06/2025 NESSUNA CORRISPONDENZA COD.GIUSTIFICATIVO"),
            std::string::npos);

  // Totals count the imported day (June).
  o = Run({"totals", "--company", key.substr(0, 3), "--code", "1"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Lines(o.out).at(5), "06: 1");

  // Export of the month: one file for the company, its path printed; the company's other
  // employees have no month stored, hence the anomalies status.
  o = Run({"export", "--year", "2025", "--month", "6", "--company", key.substr(0, 3)}, true);
  ASSERT_EQ(o.status, cli::kExitAnomalies) << o.err;
  const fs::path expected =
      report_.archive_folder / "IMPORTPRESENTE" / ("VOC" + key.substr(0, 3) + "06.TXT");
  EXPECT_EQ(Lines(o.out), (std::vector<std::string>{expected.string()}));
  EXPECT_TRUE(fs::exists(expected));
}

// Two `import run --csv` processes at once, on two files of different employees, round after
// round: each file's values must land in its own employees' days, whole.
TEST_F(ExchangeCliTest, TwoCsvImportsAtOnceKeepTheirOwnRows) {
  std::vector<std::string> keys;
  for (DemoCase c : {DemoCase::kGroup, DemoCase::kProfile}) {
    for (const std::string& key : report_.Keys(c)) keys.push_back(key);
  }
  ASSERT_GE(keys.size(), 4u);
  const size_t half = keys.size() / 2;
  for (int round = 1; round <= 4; ++round) {
    // File 0 for the first half of the employees, file 1 for the second; the worked hours
    // tell the file and the round apart: 0F:RD on day D of round R, F the file.
    std::string paths[2];
    for (int f = 0; f < 2; ++f) {
      std::string csv = "Matricola;Giorno;Ore\r\n";
      for (size_t k = f == 0 ? 0 : half; k < (f == 0 ? half : keys.size()); ++k) {
        for (int day = 1; day <= 30; ++day) {
          csv += keys[k].substr(2) + ";202506" + ZeroPad(day, 2) + ";0" + std::to_string(f + 1) +
                 ":" + std::to_string(round) + std::to_string(day % 10) + "\r\n";
        }
      }
      paths[f] = Write("round" + std::to_string(round) + "_" + std::to_string(f) + ".csv", csv);
    }
    pid_t children[2];
    for (int f = 0; f < 2; ++f) {
      children[f] = ::fork();
      ASSERT_GE(children[f], 0);
      if (children[f] == 0) {
        RecordingDialogs dialogs;
        dialogs.set_default_answer(true);
        const Output o = cli_harness::Run(root_, {"import", "run", "--csv", paths[f]}, &dialogs);
        ::_exit(o.status);
      }
    }
    for (pid_t child : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "round " << round << " status " << status;
    }
    Result<std::unique_ptr<AttendanceDb>> db =
        OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    ASSERT_TRUE(db.ok()) << db.status().message();
    std::vector<DayRow> rows;
    for (size_t k = 0; k < keys.size(); ++k) {
      const int f = k < half ? 1 : 2;
      ASSERT_TRUE((*db)->EmployeeMonth(keys[k], "202506", &rows).ok());
      ASSERT_EQ(rows.size(), 30u) << keys[k];
      for (int day = 1; day <= 30; ++day) {
        const std::string expected =
            "0" + std::to_string(f) + ":" + std::to_string(round) + std::to_string(day % 10);
        EXPECT_EQ(rows[static_cast<size_t>(day - 1)].pres[3], expected)
            << "round " << round << " " << keys[k];
      }
    }
    for (const fs::directory_entry& e : fs::directory_iterator(report_.archive_folder)) {
      EXPECT_FALSE(e.path().filename().string().starts_with("FILEPRES")) << e.path();
    }
  }
}

}  // namespace
}  // namespace kaveltar

// The print command on a demo installation with a memorized month, killed or stopped midway:
// numbers stored only with their files, and the database left to other workstations.
#include "printing/sheet_printing.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>

#include "archive/selection_lists.h"
#include "db/attendance_db.h"
#include "printing/printing_fixture.h"

namespace kaveltar {
namespace {

class SheetPrintingTest : public PrintingTest {
 protected:
  // Every employee the print screen lists for the largest company, memorized.
  std::vector<std::string> WholeCompany() {
    SelectionLists& lists = session_->lists();
    lists.CARICAESTRAZIONE(0);
    std::vector<std::string> keys;
    for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kPrint, kOrderByCode)) {
      const std::vector<ListEntry> entries =
          lists.EmployeeList(Screen::kPrint, kOrderByCode, kYear, company.code);
      if (entries.size() <= keys.size()) continue;
      keys = EntryCodes(entries);
    }
    Memorize(keys);
    return keys;
  }
  // The number stored on the month's last row (0 without a row).
  long Protocollo(const std::string& key) {
    auto row = session_->db().FindDay(key, "20250630");
    return row.ok() && *row ? (*row)->protocollo : 0;
  }
  fs::path Folder(const std::string& key) {
    return report_.archive_folder / "FILE-PDF" / key.substr(0, 3) / "2025" / "06" / "PRESLUL";
  }
  // The names in the PDF folder: finished files, or the temporary ones (starting with ".").
  std::vector<std::string> Names(const fs::path& folder, bool temporary) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
      const std::string name = e.path().filename().string();
      if ((name[0] == '.') == temporary) names.push_back(name);
    }
    return names;
  }
  // Prints `keys` as PDF files, one per employee, numbered from 100, in a child process with
  // its own session; `watch` runs in the parent with the child's id, then the child is
  // waited for. Returns the child's wait status.
  int PrintInChild(const std::vector<std::string>& keys, const std::function<void(pid_t)>& watch) {
    const pid_t child = ::fork();
    if (child == 0) {
      RecordingDialogs dialogs;
      Session s(dialogs);
      Start(s);
      ::_exit(PrintMonthlySheets(s.job(), Request(keys)).failed ? 1 : 0);
    }
    watch(child);
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  }
  // Polls until `ready` or the child ended; true when `ready` came first.
  static bool WaitFor(pid_t child, const std::function<bool()>& ready) {
    for (;;) {
      if (ready()) return true;
      int status = 0;
      if (::waitpid(child, &status, WNOHANG) == child) return false;
      ::usleep(200);
    }
  }
};

TEST_F(SheetPrintingTest, AKilledPdfRunLeavesNoNumberedFileWithoutItsNumber) {
  const std::vector<std::string> keys = WholeCompany();
  ASSERT_GE(keys.size(), 12u);
  const fs::path folder = Folder(keys[0]);
  const std::string office(Trim(session_->codec().GetField(fields::kF357)));
  const auto kill_once = [&](bool temporary) {
    return PrintInChild(keys, [&](pid_t child) {
      if (WaitFor(child, [&] { return !Names(folder, temporary).empty(); })) ::kill(child, SIGKILL);
    });
  };

  // Killed while the sheets are drawn: no file under a final name, no number stored.
  const int status = kill_once(true);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_TRUE(Names(folder, false).empty());
  for (const std::string& k : keys) EXPECT_EQ(Protocollo(k), 0) << k;

  // Killed as soon as the first file is final: every final file's number is stored for its
  // employee, and each is a complete PDF.
  kill_once(false);
  const std::vector<std::string> finals = Names(folder, false);
  ASSERT_FALSE(finals.empty());
  for (const std::string& name : finals) {
    const std::string file = (folder / name).string();
    pdf_test::ExpectCleanQpdf(file, office);
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const std::string& k) {
      return name.find("_" + k + "_") != std::string::npos;
    });
    ASSERT_NE(key, keys.end()) << name;
    const std::string text = pdf_test::RunTool("pdftotext -opw " + pdf_test::Quote(office) + " " +
                                               pdf_test::Quote(file) + " -")
                                 .output;
    const size_t at = text.find("NUMERAZIONE : ");
    ASSERT_NE(at, std::string::npos) << name;
    const long printed = std::atol(text.c_str() + at + 14);
    EXPECT_GE(printed, 100) << name;
    EXPECT_EQ(Protocollo(*key), printed) << name;
  }

  // The next run clears what the killed ones left half written.
  EXPECT_FALSE(PrintMonthlySheets(session_->job(), Request(keys)).failed);
  EXPECT_TRUE(Names(folder, true).empty());
}

TEST_F(SheetPrintingTest, APrintLeavesTheDatabaseToOtherWorkstationsBetweenBatches) {
  const std::vector<std::string> keys = WholeCompany();
  ASSERT_GE(keys.size(), 20u);
  const fs::path folder = Folder(keys[0]);
  bool stopped_mid_run = false;
  double waited = 0;
  bool written = false;
  const int status = PrintInChild(keys, [&](pid_t child) {
    // Stopped after a few sheets: another workstation writes at once, without waiting for the
    // print to end (which, stopped, it never would).
    std::set<std::string> seen;
    stopped_mid_run = WaitFor(child, [&] {
      for (const std::string& n : Names(folder, true)) seen.insert(n);
      return seen.size() >= 3;
    });
    if (!stopped_mid_run) return;
    // The other workstation waits at most half a second for the lock. A stop can land inside
    // one of the print's own brief reads, so it gets a few tries, the print moving on a
    // little in between; a print holding the lock for its whole run fails them all.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((report_.archive_folder / kDatabaseFile).c_str(), &other), SQLITE_OK);
    sqlite3_busy_timeout(other, 500);
    for (int attempt = 0; attempt < 4 && !written; ++attempt) {
      ::kill(child, SIGSTOP);
      const auto start = std::chrono::steady_clock::now();
      written = sqlite3_exec(other,
                             "BEGIN IMMEDIATE; INSERT OR REPLACE INTO FESTIVITA (KDATAF, FEST_1) "
                             "VALUES ('1231', 'PROVA ALTRA POSTAZIONE'); COMMIT;",
                             nullptr, nullptr, nullptr) == SQLITE_OK;
      if (!written) sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
      waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      ::kill(child, SIGCONT);
      if (!written) ::usleep(3000);
    }
    sqlite3_close(other);
  });
  ASSERT_TRUE(stopped_mid_run) << "la stampa è finita prima del controllo";
  EXPECT_TRUE(written);
  EXPECT_LT(waited, 1.0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_GT(Names(folder, false).size(), 3u);
  EXPECT_TRUE(Names(folder, true).empty());
}

// A company's file has one bookmark per sheet, titled with the employee's name and key, so
// that a reader jumps to an employee.
TEST_F(SheetPrintingTest, ACompanyFileHasABookmarkPerEmployee) {
  std::vector<std::string> keys = WholeCompany();
  keys.resize(3);
  SheetRunRequest r = Request(keys);
  r.one_file_per_employee = false;
  const SheetRunResult result = PrintMonthlySheets(session_->job(), r);
  ASSERT_EQ(result.pdf_files.size(), 1u);
  const std::vector<std::string> titles = pdf_test::OutlineTitles(result.pdf_files[0], Password());
  ASSERT_EQ(titles.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string ending = " - " + std::string(Trim(keys[i]));
    EXPECT_GT(titles[i].size(), ending.size() + 1) << titles[i];
    EXPECT_TRUE(titles[i].ends_with(ending)) << titles[i];
  }
}

}  // namespace
}  // namespace kaveltar

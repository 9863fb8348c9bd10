// The print command on a demo installation with a memorized month: sheets on the recorded
// printer, PDF files per employee and per company, numbering carried across the run and
// stored only once delivered, employees left out for want of a memorized month, and prints
// killed or stopped midway.
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
      SheetRunRequest r = Request(keys, true, true);
      r.options.number_text = "100";
      ::_exit(PrintMonthlySheets(s.job(), r).failed ? 1 : 0);
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

TEST_F(SheetPrintingTest, PrinterRunNumbersSheetsAndLeavesOutMonthsNotMemorized) {
  std::vector<std::string> keys = SameCompany(DemoCase::kGroup, 3);
  ASSERT_EQ(keys.size(), 3u);
  Memorize({keys[0], keys[2]});
  const size_t before = printer_->printed().size();
  SheetRunRequest r = Request(keys);
  r.copies = "2";
  const SheetRunResult result = PrintMonthlySheets(session_->job(), r);
  EXPECT_EQ(result.sheets, 2);
  EXPECT_EQ(result.number_text, "43");
  EXPECT_EQ(
      dialogs_.Texts(),
      (std::vector<std::string>{std::string(kNotMemorizedWarning),
                                "Stampa Presenze/Assenze relativo al periodo 06/2025 terminata"}));
  ASSERT_EQ(printer_->printed().size(), before + 1);
  const RecordingPrinterJob::Document& doc = printer_->printed().back();
  EXPECT_EQ(doc.pages, 4);  // two copies of two sheets
  const std::vector<std::string> texts = doc.Texts();
  EXPECT_EQ(Count(texts, "NUMERAZIONE : 41"), 2);
  EXPECT_EQ(Count(texts, "NUMERAZIONE : 42"), 2);
  EXPECT_EQ(Count(texts, "CODICE DIP. : " + keys[1]), 0);

  // No copies prints nothing.
  r.copies = "0";
  EXPECT_EQ(PrintMonthlySheets(session_->job(), r).message, kNothingPrinted);
}

TEST_F(SheetPrintingTest, ANumberIsStoredOnlyOnceTheSheetIsDelivered) {
  std::vector<std::string> keys = SameCompany(DemoCase::kGroup, 2);
  Memorize(keys);
  // The printer fails; no retry, do not close: the document is lost, and so the numbers are
  // neither stored nor advanced, and the run says it failed instead of "terminata".
  printer_->FailPrinting(1);
  dialogs_.QueueAnswers({false, false});
  const SheetRunResult lost = PrintMonthlySheets(session_->job(), Request(keys));
  EXPECT_TRUE(lost.failed);
  EXPECT_EQ(lost.sheets, 0);
  EXPECT_EQ(lost.number_text, "41");
  EXPECT_EQ(lost.message.rfind("Stampa non riuscita: ", 0), 0u) << lost.message;
  EXPECT_NE(lost.message.find("non risponde"), std::string::npos) << lost.message;
  EXPECT_EQ(Count(dialogs_.Texts(), "Stampa Presenze/Assenze relativo"), 0);
  EXPECT_EQ(Protocollo(keys[0]) + Protocollo(keys[1]), 0);

  // Retried once, then printed: both numbers stored.
  printer_->FailPrinting(1);
  dialogs_.QueueAnswers({true});
  const SheetRunResult printed = PrintMonthlySheets(session_->job(), Request(keys));
  EXPECT_FALSE(printed.failed);
  EXPECT_EQ(printed.number_text, "43");
  EXPECT_EQ(Protocollo(keys[0]), 41);
  EXPECT_EQ(Protocollo(keys[1]), 42);
}

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
    const std::string bytes = pdf_test::ReadFile(file);
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u) << name;
    EXPECT_NE(bytes.find("%%EOF", bytes.size() > 8 ? bytes.size() - 8 : 0), std::string::npos)
        << name;
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const std::string& k) {
      return name.find("_" + k + "_") != std::string::npos;
    });
    ASSERT_NE(key, keys.end()) << name;
    const std::string text = PdfText(file, "-opw " + pdf_test::Quote(office));
    const size_t at = text.find("NUMERAZIONE : ");
    ASSERT_NE(at, std::string::npos) << name;
    const long printed = std::atol(text.c_str() + at + 14);
    EXPECT_GE(printed, 100) << name;
    EXPECT_EQ(Protocollo(*key), printed) << name;
  }

  // The next run clears what the killed ones left half written.
  EXPECT_FALSE(PrintMonthlySheets(session_->job(), Request(keys, true, true)).failed);
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

TEST_F(SheetPrintingTest, SelectionsAndValidation) {
  // Someone who leaves in June still gets June's sheet.
  const std::string leaving = report_.Keys(DemoCase::kLeavingMidMonth).front();
  Memorize({leaving});
  EXPECT_EQ(PrintMonthlySheets(session_->job(), Request({leaving})).sheets, 1);
  SheetRunRequest none = Request({leaving});
  none.company.clear();
  EXPECT_EQ(PrintMonthlySheets(session_->job(), none).message, kNoCompany);
  none = Request({leaving});
  none.employees.clear();
  EXPECT_EQ(PrintMonthlySheets(session_->job(), none).message, kNoEmployee);

  // Validation: one structure page with the company header, nothing else.
  SheetRunRequest vidima = Request({leaving});
  vidima.validation = true;
  dialogs_.Clear();
  EXPECT_EQ(PrintMonthlySheets(session_->job(), vidima).message, kValidationDone);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{std::string(kValidationDone)});
}

TEST_F(SheetPrintingTest, PdfFilesPerEmployeeAndPerCompany) {
  std::vector<std::string> keys = SameCompany(DemoCase::kGroup, 3);
  Memorize(keys);
  // One file per employee, its message and names, are the command line's to show.
  SheetRunRequest r = Request(keys, true);
  r.options.draft = true;  // a draft's file name starts with "B"
  const SheetRunResult company = PrintMonthlySheets(session_->job(), r);
  ASSERT_EQ(company.pdf_files.size(), 1u);
  const std::string& file = company.pdf_files[0];
  EXPECT_EQ(fs::path(file).filename().string().rfind("BCART_" + keys[0].substr(0, 3) + "_", 0), 0u);
  EXPECT_EQ(company.message.rfind(
                "Il file cartellino PDF per l'azienda : " + keys[0].substr(0, 3) + " ", 0),
            0u);
  // The demo company has a PDF password: the file opens with it, one bookmark (the employee's
  // name and key) per sheet.
  const std::string password = Password();
  ASSERT_FALSE(password.empty());
  const std::string text = PdfText(file, "-upw " + pdf_test::Quote(password) + " -layout");
  for (const std::string& k : keys) EXPECT_NE(text.find("CODICE DIP. : " + k), std::string::npos);
  const std::vector<std::string> titles = pdf_test::OutlineTitles(file, password);
  ASSERT_EQ(titles.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string ending = " - " + std::string(Trim(keys[i]));
    EXPECT_GT(titles[i].size(), ending.size() + 1) << titles[i];
    EXPECT_TRUE(titles[i].ends_with(ending)) << titles[i];
  }

  // Nothing memorized for July: no file and the message.
  r.month = 7;
  EXPECT_EQ(PrintMonthlySheets(session_->job(), r).message, kNoPdfData);
}

}  // namespace
}  // namespace kaveltar

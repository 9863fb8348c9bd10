// What the memorization tests share: a fresh demo installation per test (processing year
// 2014, March), a Session started on it as the programs start one (with a recording printer
// where the test reads what is printed), and helpers to run a month, read stored rows, change
// archive fields and run work in a child process.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/fields.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "base/text.h"
#include "demo/demo_installation.h"
#include "memorize/month_memorizer.h"
#include "platform/printer_recording.h"

namespace kaveltar::testing {

namespace fs = std::filesystem;

class MemorizeTest : public ::testing::Test {
 protected:
  static constexpr int kYear = 2014;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kaveltar-memorize-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    setenv("KAVELTAR_DRIVE_C", (root_ / "c").c_str(), 1);
    setenv("KAVELTAR_REGISTRY", (root_ / "registry.ini").c_str(), 1);
    setenv("KAVELTAR_PRINTER", ("file:" + (root_ / "spool").string()).c_str(), 1);
    const DemoOptions options{.dir = root_ / "demo",
                              .year = kYear,
                              .month = 3,
                              .companies = 3,
                              .employees = 120,
                              .seed = 11,
                              .write_registry = true};
    ASSERT_TRUE(WriteDemoInstallation(options, &report_).ok());
  }
  void TearDown() override {
    session_.reset();
    fs::remove_all(root_);
  }

  StartupOptions Paths() const {
    return {.archive_path = report_.archive_folder, .program_path = report_.program_folder};
  }
  // The session of the test, started on first use; `recording` gives it a printer that
  // records documents.
  Session& session(bool recording = false) {
    if (!session_) {
      session_ = std::make_unique<Session>(dialogs_);
      if (recording) {
        auto printer = std::make_unique<RecordingPrinterJob>();
        printer_ = printer.get();
        session_->AttachPrinter(std::move(printer));
      }
      Startup(*session_, Paths());
    }
    return *session_;
  }
  Session& PrintingSession() { return session(true); }
  // Ends the session (closing its files), so the next use reads everything afresh.
  void Reopen() { session_.reset(); }

  static MemorizeOptions Month(int year, int month, bool rielabora = false) {
    MemorizeOptions o;
    o.year = year;
    o.month = month;
    o.rewrite_existing = rielabora;
    return o;
  }

  // Runs one memorization of the keys; returns the anomaly lines.
  std::vector<std::string> Run(const MemorizeOptions& options,
                               const std::vector<std::string>& keys) {
    std::vector<std::string> lines;
    MonthMemorizer memorizer(session().job(), options);
    memorizer.set_anomaly_sink([&](std::string_view line) { lines.emplace_back(line); });
    memorizer.ELABORADIPENDENTI(keys);
    totals_ = memorizer.totals();
    return lines;
  }

  // The stored rows of an employee-month (YYYYMM), in day order.
  std::vector<DayRow> Rows(const std::string& key, const std::string& month) {
    std::vector<DayRow> rows;
    EXPECT_TRUE(session().db().EmployeeMonth(key, month, &rows).ok());
    return rows;
  }

  // A field of the employee record of `year`, read from the archive.
  std::string Field(const std::string& key, std::string_view descriptor, int year = kYear) {
    if (!session().lists().LoadEmployee(year, key)) return "<not found>";
    return std::string(Trim(session().codec().GetField(descriptor)));
  }

  // Rewrites a field of the employee record of `year` in its archive: `value` padded with
  // blanks to the field's width ("" makes the field blank).
  void SetField(const std::string& key, std::string_view descriptor, std::string_view value,
                int year = kYear) {
    const std::optional<Descriptor> d = ParseDescriptor(descriptor);
    ASSERT_TRUE(d);
    const YearSources& src = SourcesForDistance(kYear - year);
    ArchiveFiles& files = session().archives();
    const long r = files.IsamSearch(src.index_base, key, 2);
    ASSERT_GT(r, 0);
    ASSERT_NE(r, ArchiveFiles::kNoRecord);
    ASSERT_EQ(files.LEGGIREC(src.data_base, r), 0);
    std::string record = files.RecordBuffer(src.data_base);
    record.replace(static_cast<size_t>(d->position - 1), static_cast<size_t>(d->width),
                   PadRight(value, static_cast<size_t>(d->width)));
    files.SCRIVIREC(src.data_base, r, record);
  }
  // Rewrites a field of the record of the company of employee `key`.
  void SetCompanyField(const std::string& key, std::string_view descriptor,
                       std::string_view value) {
    const int company = static_cast<int>(ValInt(key.substr(0, 3)));
    ASSERT_TRUE(session().lists().LoadCompany(company));
    std::string record = session().archives().RecordBuffer(1);
    session().codec().PutField(descriptor, value, 0, &record);
    session().archives().SCRIVIREC(1, company, record);
  }

  // The first key of `year`'s archive whose record has the single group 001 and nothing
  // special, for the tests that need an ordinary employee of an earlier year.
  std::string OrdinaryEmployee(int year) {
    session().lists().CARICAESTRAZIONE(kYear - year);
    for (const std::string& key : session().lists().extraction()) {
      bool plain = Field(key, fields::kP766, year) == "001" &&
                   Field(key, fields::kP017, year).empty() &&
                   Field(key, fields::kP013, year).substr(4) < std::to_string(year);
      for (auto d : {fields::kP138, fields::kP772, fields::kP890, fields::kP054})
        plain = plain && Val(Field(key, d, year)) == 0;
      if (plain) return key;
    }
    ADD_FAILURE() << "no ordinary employee in " << year;
    return "";
  }

  // The first `n` group employees without the P054 special case, for runs over many months.
  std::vector<std::string> PlainGroupKeys(size_t n) {
    std::vector<std::string> keys;
    for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
      if (keys.size() < n && Val(Field(key, fields::kP054)) == 0) keys.push_back(key);
    }
    EXPECT_EQ(keys.size(), n);
    return keys;
  }

  // A connection of its own to the installation's database, as another process opens it.
  std::unique_ptr<AttendanceDb> OpenOwnDatabase() {
    auto db = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    EXPECT_TRUE(db.ok());
    return db.ok() ? std::move(*db) : nullptr;
  }

  // Runs `work` in a child process that ends with its result; returns the child's id.
  static pid_t Child(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    EXPECT_GE(child, 0);
    return child;
  }
  static int WaitStatus(pid_t child) {
    int status = -1;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
  }

  const std::string& Key(DemoCase c, size_t index = 0) {
    const auto& keys = report_.Keys(c);
    EXPECT_GT(keys.size(), index) << DemoCaseName(c);
    static const std::string none;
    return keys.size() > index ? keys[index] : none;
  }

  fs::path root_;
  DemoReport report_;
  RecordingDialogs dialogs_;
  std::unique_ptr<Session> session_;
  RecordingPrinterJob* printer_ = nullptr;
  MemorizeTotals totals_;
};

}  // namespace kaveltar::testing

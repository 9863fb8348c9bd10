// What the printing tests share: a demo installation (June 2025), a Session on it whose
// printer records documents, and memorization of chosen employees.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/session.h"
#include "app/startup.h"
#include "archive/fields.h"
#include "base/text.h"
#include "demo/demo_installation.h"
#include "memorize/memorization.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"
#include "printing/sheet_printing.h"

namespace kaveltar {
namespace fs = std::filesystem;

class PrintingTest : public ::testing::Test {
 protected:
  static constexpr int kYear = 2025;
  static constexpr int kMonth = 6;

  void SetUp() override {
    root_ = temp_.File("");
    setenv("KAVELTAR_DRIVE_C", (root_ / "c").c_str(), 1);
    setenv("KAVELTAR_REGISTRY", (root_ / "registry.ini").c_str(), 1);
    const DemoOptions options{.dir = root_ / "demo",
                              .year = kYear,
                              .month = kMonth,
                              .companies = 2,
                              .employees = 60,
                              .seed = 5};
    ASSERT_TRUE(WriteDemoInstallation(options, &report_).ok());
    session_ = std::make_unique<Session>(dialogs_);
    printer_ = Start(*session_);
  }
  // Starts `session` on the installation with a recording printer, and returns that printer.
  RecordingPrinterJob* Start(Session& session) {
    auto printer = std::make_unique<RecordingPrinterJob>();
    RecordingPrinterJob* recording = printer.get();
    session.AttachPrinter(std::move(printer));
    StartupOptions paths;
    paths.archive_path = report_.archive_folder;
    paths.program_path = report_.program_folder;
    Startup(session, paths);
    return recording;
  }
  void TearDown() override { session_.reset(); }

  // Memorizes the month of the keys and forgets what that printed.
  void Memorize(const std::vector<std::string>& keys) {
    MemorizeOptions o;
    o.year = kYear;
    o.month = kMonth;
    RunMemorization(session_->job(), o, keys);
    dialogs_.Clear();
  }
  // A print of the keys' June sheets as PDF files, one per employee, numbered from 100.
  SheetRunRequest Request(const std::vector<std::string>& keys) {
    SheetRunRequest r;
    r.pdf = r.one_file_per_employee = true;
    r.year = kYear;
    r.month = kMonth;
    r.company = keys.front().substr(0, 3);
    r.employees = keys;
    r.options.number_text = "100";
    return r;
  }
  // The PDF password of the company whose record was read last.
  std::string Password() { return std::string(Trim(session_->codec().GetField(fields::kT364))); }
  static int Count(const std::vector<std::string>& texts, std::string_view prefix) {
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
  }

  pdf_test::TempDir temp_;  // removed last, after the session has let go of its files
  fs::path root_;
  DemoReport report_;
  RecordingDialogs dialogs_;
  std::unique_ptr<Session> session_;
  RecordingPrinterJob* printer_ = nullptr;
};

}  // namespace kaveltar

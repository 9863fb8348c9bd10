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
    std::string pattern = (fs::temp_directory_path() / "kaveltar-sheets-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
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
  void TearDown() override {
    session_.reset();
    fs::remove_all(root_);
  }

  // Memorizes the month of the keys and forgets what that printed.
  void Memorize(const std::vector<std::string>& keys) {
    MemorizeOptions o;
    o.year = kYear;
    o.month = kMonth;
    RunMemorization(session_->job(), o, keys);
    dialogs_.Clear();
  }
  // A print of the keys' June sheets numbered from 41; as PDF files when `pdf`, one per
  // employee when `each`.
  SheetRunRequest Request(const std::vector<std::string>& keys, bool pdf = false,
                          bool each = false) {
    SheetRunRequest r;
    r.pdf = pdf;
    r.one_file_per_employee = each;
    r.year = kYear;
    r.month = kMonth;
    r.company = keys.front().substr(0, 3);
    r.employees = keys;
    r.options.number_text = "41";
    r.printed_at = 1750000000;
    return r;
  }
  std::vector<std::string> SameCompany(DemoCase c, size_t n) {
    std::vector<std::string> keys;
    for (const std::string& k : report_.Keys(c)) {
      if (keys.empty() || k.substr(0, 3) == keys.front().substr(0, 3)) keys.push_back(k);
      if (keys.size() == n) break;
    }
    return keys;
  }
  // The PDF password of the company whose record was read last.
  std::string Password() { return std::string(Trim(session_->codec().GetField(fields::kT364))); }
  // The text of a PDF file, pdftotext given `options` (the password among them).
  static std::string PdfText(const std::string& file, const std::string& options) {
    return pdf_test::RunTool("pdftotext " + options + " " + pdf_test::Quote(file) + " -").output;
  }
  static int Count(const std::vector<std::string>& texts, std::string_view prefix) {
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
  }

  fs::path root_;
  DemoReport report_;
  RecordingDialogs dialogs_;
  std::unique_ptr<Session> session_;
  RecordingPrinterJob* printer_ = nullptr;
};

}  // namespace kaveltar

// bench_sheets: the monthly attendance sheets of one memorized month written as PDF files, one
// file per employee, as the print command writes them (archive reads, the month's rows, the
// drawing, the numbering stored), against the bare PDF writer writing the same number of
// one-page files of the sample sheet with the same settings.
//
//   bench_sheets [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the demo installation (1-9999, default 9999: the employee number
// has four digits). The month is March 2024 (31 days), memorized before the clock starts. The
// companies take turns: each company's sheets are written (timed), then the writer writes as
// many sample files (timed), so that changes in the machine's load weigh on both alike. The
// writer's files are protected as many times as the sheets were (employees and companies with
// a PDF password), so both pay the same encryption.
// --keep DIR leaves the installation and the files in DIR.
//
// Then the largest company's sheets go to the printer (spooled into a folder), once with one
// copy and once with kCopies copies, and the peak memory of each print is reported (the
// process's peak resident size, reset before each print): the printer document is written page
// by page to a file, so the peak should not grow with the copies.
//
// The last line is "sheets_s=<seconds> writer_s=<seconds> ratio=<sheets/writer>".
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "bench_common.h"
#include "memorize/memorization.h"
#include "pdf/test_page.h"
#include "platform/printer_system.h"
#include "printing/sheet_printing.h"

namespace {

namespace fs = std::filesystem;
using namespace kaveltar;
using namespace kaveltar::bench;

constexpr int kYear = 2024;
constexpr int kMonth = 3;
constexpr int kCopies = 20;

// Forgets the process's peak resident size so far (Linux: VmHWM starts again from VmRSS).
void ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The process's peak resident size since the last reset, in MB.
double PeakMemoryMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

// The size of the files in `folder`, in MB.
double FolderMb(const fs::path& folder) {
  double bytes = 0;
  for (const auto& e : fs::directory_iterator(folder)) bytes += static_cast<double>(e.file_size());
  return bytes / (1024.0 * 1024.0);
}

// True when the PDF file has an encryption dictionary.
bool Encrypted(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.find("/Encrypt") != std::string::npos;
}

// The writer alone, for comparison: `count` one-page files, the first `locked` of them
// protected by passwords as the sheets are; the seconds it took.
double WriterSeconds(const fs::path& writer_dir, size_t count, long locked, long* writer_files) {
  const Clock::time_point t1 = Clock::now();
  for (size_t i = 0; i < count; ++i) {
    TestPageOptions options;
    options.output_path =
        (writer_dir / ("page" + std::to_string(++*writer_files) + ".pdf")).string();
    options.pages = 1;
    if (static_cast<long>(i) < locked) {
      options.user_password = "12345678";
      options.owner_password = "Studio0001";
    }
    std::string error;
    if (WriteTestPagePdf(options, &error) != 0) Die(error);
  }
  return Seconds(Clock::now() - t1);
}

// The largest company on the printer, with one copy and with kCopies; prints a line for each.
void PrintLargestCompany(Session& session, const CompanyEmployees& companies, const fs::path& root,
                         long number) {
  const auto largest = std::max_element(
      companies.begin(), companies.end(),
      [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
  for (const int copies : {1, kCopies}) {
    const fs::path spool = root / ("spool-" + std::to_string(copies));
    session.AttachPrinter(std::make_unique<PdfPrinterJob>(spool));
    SheetRunRequest request;
    request.year = kYear;
    request.month = kMonth;
    request.company = largest->first;
    request.employees = largest->second;
    request.copies = std::to_string(copies);
    request.options.number_text = std::to_string(number);
    ResetPeakMemory();
    const Clock::time_point t0 = Clock::now();
    const SheetRunResult result = PrintMonthlySheets(session.job(), request);
    const double seconds = Seconds(Clock::now() - t0);
    if (result.failed || result.sheets == 0) Die("printing failed: " + result.message);
    number = std::atol(result.number_text.c_str());
    std::printf("printer copies=%d sheets=%d pages=%ld job_mb=%.1f peak_rss_mb=%.1f seconds=%.2f\n",
                copies, result.sheets, static_cast<long>(result.sheets) * copies, FolderMb(spool),
                PeakMemoryMb(), seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_sheets", argc, argv, kYear, kMonth);
  const int employees = run.args.employees;
  const fs::path& root = run.root;
  const fs::path& demo = run.demo;
  const fs::path writer_dir = root / "writer";
  fs::create_directories(writer_dir);

  double sheets_s = 0, writer_s = 0;
  long sheets = 0, protected_files = 0;
  {
    RecordingDialogs dialogs;
    Session session(dialogs);
    StartDemoSession(session, demo);

    std::vector<std::string> all;
    const CompanyEmployees companies = PrintScreenCompanies(session, kYear, &all);

    // The month, memorized before the clock starts.
    MemorizeOptions month;
    month.year = kYear;
    month.month = kMonth;
    RunMemorization(session.job(), month, all);

    long number = 1;
    long writer_files = 0;
    for (const auto& [company, entries] : companies) {
      SheetRunRequest request;
      request.year = kYear;
      request.month = kMonth;
      request.company = company;
      request.employees = entries;
      request.pdf = true;
      request.one_file_per_employee = true;
      request.options.number_text = std::to_string(number);
      const Clock::time_point t0 = Clock::now();
      const SheetRunResult result = PrintMonthlySheets(session.job(), request);
      sheets_s += Seconds(Clock::now() - t0);
      number = std::atol(result.number_text.c_str());
      sheets += static_cast<long>(result.pdf_files.size());
      long locked = 0;
      for (const std::string& file : result.pdf_files) locked += Encrypted(file) ? 1 : 0;
      protected_files += locked;

      writer_s += WriterSeconds(writer_dir, result.pdf_files.size(), locked, &writer_files);
    }
    PrintLargestCompany(session, companies, root, number);
    Shutdown(session);
  }
  if (sheets == 0) Die("no sheet was written");
  RemoveWorkingFolder(run.args, root);

  std::printf("employees=%d sheets=%ld protected=%ld (one file per employee, March %d)\n",
              employees, sheets, protected_files, kYear);
  PrintResultLine("sheets_s", sheets_s, "writer_s", writer_s, 2);
  return 0;
}

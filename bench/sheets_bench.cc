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
// The last line is "sheets_s=<seconds> writer_s=<seconds> ratio=<sheets/writer>".
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "demo/demo_installation.h"
#include "memorize/memorization.h"
#include "pdf/test_page.h"
#include "printing/sheet_printing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kaveltar;

constexpr int kYear = 2024;
constexpr int kMonth = 3;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "bench_sheets: %s\n", message.c_str());
  std::exit(1);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The demo installation is written by a child process, so its memory does not count.
void WriteInstallation(const fs::path& dir, int employees) {
  const pid_t child = ::fork();
  if (child < 0) Die("fork failed");
  if (child == 0) {
    DemoOptions options;
    options.dir = dir;
    options.year = kYear;
    options.month = kMonth;
    options.employees = employees;
    options.companies = std::max(1, employees / 200);
    options.seed = 2024;
    DemoReport report;
    const Status s = WriteDemoInstallation(options, &report);
    if (!s.ok()) std::fprintf(stderr, "bench_sheets: %s\n", s.message().c_str());
    ::_exit(s.ok() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the demo installation could not be written");
  }
}

// True when the PDF file has an encryption dictionary.
bool Encrypted(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.find("/Encrypt") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  int employees = 9999;
  fs::path keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
      employees = std::atoi(arg.c_str());
    } else {
      Die("usage: bench_sheets [EMPLOYEES] [--keep DIR]");
    }
  }
  if (employees < 1 || employees > 9999) Die("EMPLOYEES must be 1-9999 (the employee number has four digits)");

  fs::path root = keep;
  if (root.empty()) {
    std::string pattern = (fs::current_path() / "bench-sheets-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) Die("cannot create a working folder");
    root = pattern;
  } else {
    fs::remove_all(root);
    fs::create_directories(root);
  }
  setenv("KAVELTAR_DRIVE_C", (root / "c").c_str(), 1);
  setenv("KAVELTAR_REGISTRY", (root / "registry.ini").c_str(), 1);
  setenv("KAVELTAR_PRINTER", ("file:" + (root / "spool").string()).c_str(), 1);
  const fs::path demo = root / "demo";
  WriteInstallation(demo, employees);
  const fs::path writer_dir = root / "writer";
  fs::create_directories(writer_dir);

  double sheets_s = 0, writer_s = 0;
  long sheets = 0, protected_files = 0;
  {
    RecordingDialogs dialogs;
    Session session(dialogs);
    StartupOptions paths;
    paths.archive_path = demo / "ARCHIVI";
    paths.program_path = demo / "PROGRAMMI";
    Startup(session, paths);

    // Every company with the employees the print screen lists for it.
    SelectionLists& lists = session.lists();
    lists.CARICAESTRAZIONE(0);
    std::vector<std::pair<std::string, std::vector<std::string>>> companies;
    std::vector<std::string> all;
    for (const std::string& line : lists.LISTA_AZIENDE(Screen::kPrint, kOrderByCode)) {
      companies.emplace_back(std::string(line.substr(line.size() - 3)),
                             lists.EmployeeList(Screen::kPrint, kOrderByCode, kYear, line));
      all.insert(all.end(), companies.back().second.begin(), companies.back().second.end());
    }

    // The month, memorized before the clock starts.
    MemorizeOptions month;
    month.year = kYear;
    month.month = kMonth;
    RunMemorization(session, month, all);

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
      const SheetRunResult result = CmdStampaStp(session, request);
      sheets_s += Seconds(Clock::now() - t0);
      number = std::atol(result.number_text.c_str());
      sheets += static_cast<long>(result.pdf_files.size());
      long locked = 0;
      for (const std::string& file : result.pdf_files) locked += Encrypted(file) ? 1 : 0;
      protected_files += locked;

      const Clock::time_point t1 = Clock::now();
      for (size_t i = 0; i < result.pdf_files.size(); ++i) {
        TestPageOptions options;
        options.output_path = (writer_dir / ("page" + std::to_string(++writer_files) + ".pdf")).string();
        options.pages = 1;
        if (static_cast<long>(i) < locked) {
          options.user_password = "12345678";
          options.owner_password = "Studio0001";
        }
        std::string error;
        if (WriteTestPagePdf(options, &error) != 0) Die(error);
      }
      writer_s += Seconds(Clock::now() - t1);
    }
    Shutdown(session);
  }
  if (sheets == 0) Die("no sheet was written");
  if (keep.empty()) fs::remove_all(root);

  std::printf("employees=%d sheets=%ld protected=%ld (one file per employee, March %d)\n", employees,
              sheets, protected_files, kYear);
  std::printf("sheets_s=%.3f writer_s=%.3f ratio=%.2f\n", sheets_s, writer_s, sheets_s / writer_s);
  return 0;
}

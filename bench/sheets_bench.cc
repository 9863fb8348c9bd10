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
#include "printing/sheet_printing.h"

namespace {

namespace fs = std::filesystem;
using namespace kaveltar;
using namespace kaveltar::bench;

constexpr int kYear = 2024;
constexpr int kMonth = 3;

// True when the PDF file has an encryption dictionary.
bool Encrypted(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.find("/Encrypt") != std::string::npos;
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
  RemoveWorkingFolder(run.args, root);

  std::printf("employees=%d sheets=%ld protected=%ld (one file per employee, March %d)\n", employees,
              sheets, protected_files, kYear);
  PrintResultLine("sheets_s", sheets_s, "writer_s", writer_s, 2);
  return 0;
}

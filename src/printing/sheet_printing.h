// The print command of the print screen (`CmdStampaStp_Click`) without its widgets: the
// monthly sheets of the selected employees of one company on the printer or as PDF files,
// the employment tests, months not memorized left out, copies, the sheet numbering carried
// from sheet to sheet, and the closing messages.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/monthly_sheet.h"
#include "reports/pdf_files.h"

namespace kaveltar {

struct JobContext;

inline constexpr std::string_view kValidationDone =
    "Stampa Foglio Presenze / Assenze per Vidimazione terminata";
inline constexpr std::string_view kNotMemorizedWarning =
    "Attenzione nel caso in cui il mese selezionato per il dipendente non sia stato memorizzato "
    "con la funzione 'Memorizza mese' il modulo non verra' stampato";
inline constexpr std::string_view kNoCompany = "Nessuna Ditta Selezionata";
inline constexpr std::string_view kNoEmployee = "Nessuna Dipendente Selezionato";
inline constexpr std::string_view kPdfSheetsCreated =
    "I cartellini PDF relativi ai dipendenti selezionati sono stati creati in : ";
inline constexpr std::string_view kNoPdfData = "Nessun dato valido per creare i file PDF";
inline constexpr std::string_view kNothingPrinted = "Nessun dato da stampare";

struct SheetRunRequest {
  int year = 0;
  int month = 0;                       // 1-12 (`ListMesiStp` ListIndex + 1)
  std::string company;                 // the selected company's code (3 digits); empty = none
  std::vector<std::string> employees;  // keys of the selected entries of `ListDipStp`, in
                                       // list order
  SheetOptions options;                // number_text is `TextProtocollo`
  bool validation = false;             // `chkVidima`
  bool pdf = false;                    // `ChkPDF`
  bool one_file_per_employee = false;  // `CheckSingolo`
  std::string copies = "1";            // `NCopie` (Val of the trimmed text)
  bool year_summary = false;           // `ChkRiepAnno`: no warning, no employment tests
  std::time_t printed_at = 0;          // 0 = now
  // Before each selected employee (index from 0, the number selected, the key), and once
  // more with index = number when the sheets are drawn.
  std::function<void(size_t index, size_t total, std::string_view key)> progress;
};

struct SheetRunResult {
  int sheets = 0;  // sheets delivered (copies counted once)
  // The run stopped on an output that could not be delivered (printer, full disk, folder
  // that cannot be written); `message` then says which file or printer and why. Numbers of
  // sheets not delivered are neither stored nor counted in `number_text`.
  bool failed = false;
  std::vector<std::string> pdf_files;  // files written, in order
  std::string number_text;             // `TextProtocollo` after the run
  std::string message;                 // the closing message shown
  std::string pdf_folder;              // the folder of the PDF files
  // Files opened with a password, and whose (the employee's or the company's).
  size_t protected_files = 0;
  PdfPasswordOwner password = PdfPasswordOwner::kNone;
};

// Runs the print command (`CmdStampaStp_Click`). Messages go to the job's Dialogs. Unexpected
// errors (archive, database) are thrown to the caller, who passes them to the general handler.
//
// A sheet's number is stored (PROTOCOLLO of the month's last row) only once its output is
// safe: the printer document spooled, or the PDF file complete. PDF files are written under a
// temporary name and published (renamed over an older file) right after their numbers are
// committed, so a kill leaves no numbered file whose number is not stored. Numbers are written
// in short transactions of kSheetNumberBatch sheets, never one for the whole run.
SheetRunResult PrintMonthlySheets(const JobContext& job, const SheetRunRequest& request);

// Sheets whose numbers go into one transaction (and, one file per employee, the files
// published together after it). Small enough that a memorization on another workstation
// waits a fraction of a second for the write lock, large enough that a 10,000-sheet run
// does not pay one synchronous commit per sheet.
inline constexpr size_t kSheetNumberBatch = 100;

// True when the installation numbers sheets per company (F419 not 0): the number then comes
// from the company record (T466) instead of the installation's running number.
bool NumberedPerCompany(const JobContext& job);

// The sheet number a print starts from when the operator gives none, as the print screen
// shows it: the installation's running number F416, or with numbering per company the
// chosen company's T466 (empty when the company is not found). Trimmed.
std::string DefaultSheetNumber(const JobContext& job, std::string_view company);

// The employment tests of the driver for the current employee record ("DIPX$"): false when
// the employee is to be left out of the period (YYYYMM).
bool EmployedInPeriod(const JobContext& job, std::string_view period);

// Checks the company and employees chosen for a print: with no company, or a company whose
// record cannot be loaded into the selection lists, shows `kNoCompany`; with no employee shows
// `kNoEmployee`. Returns the message shown, or an empty string when the print can go on (the
// company record then loaded).
std::string CheckPrintSelection(const JobContext& job, std::string_view company, bool no_employees,
                                std::string_view title);

}  // namespace kaveltar

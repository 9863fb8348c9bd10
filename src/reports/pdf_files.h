// Where report PDF files go and how the shared document is set up: the folder tree under the
// archive folder, the file names of company and employee files, the document settings in
// their fixed order, the passwords, and continuing one company file sheet after sheet.
//
// Folders (each level made when missing):
//   <archive>/FILE-PDF/<company>/<year>/<month>/PRESLUL   monthly sheets and summaries
//   <archive>/FILE-PDF/<company>/<year>/PRES_AAAA         whole-year output
// The company level is the three-digit company code, the year four digits, the month two.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs.h"
#include "base/status.h"
#include "reports/print_primitives.h"

namespace kaveltar {

inline constexpr std::string_view kSheetPrefix = "CART_";
inline constexpr std::string_view kDraftSheetPrefix = "BCART_";
inline constexpr std::string_view kSheetFolderKind = "PRESLUL";
inline constexpr std::string_view kYearFolderKind = "PRES_AAAA";
inline constexpr std::string_view kPdfAuthor = "Altrovia Raroziv";
inline constexpr std::string_view kNumberingExhausted = "Numerazione file PDF massima raggiunta ";
inline constexpr std::string_view kNumberingContact =
    "contattare l'assistenza tecnica di Altrovia Raroziv";
inline constexpr std::string_view kNumberingTitle = "Cedolini/riepiloghi PDF";

// Every character Windows does not allow in a file name ("*", "|", "\", ":", "'", "<", ">",
// "?", "/", '"') becomes "_"; a name ending in "." loses that last character.
std::string CleanPdfFileName(std::string_view name);

// Makes the folder for a report kind ("PRESLUL", or "PRES_AAAA" without a month level) under
// `archive_folder` and returns it, removing the temporary files a killed run left in it. A level
// that cannot be made is reported in the status; the path is returned either way, and writing into
// it then fails in the PDF writer.
std::filesystem::path BuildPdfFolder(const std::filesystem::path& archive_folder,
                                     std::string_view company, std::string_view kind, int year,
                                     int month, Status* status = nullptr);

// The names (without folder) of a company file and of an employee file. Archive texts are
// Windows-1252 bytes; the names come back UTF-8, cleaned.
std::string CompanyPdfFileName(std::string_view prefix, std::string_view company_code,
                               std::string_view company_name);
std::string EmployeePdfFileName(std::string_view prefix, std::string_view tax_code,
                                std::string_view employee_key, std::string_view surname,
                                std::string_view first_name);

// The program's title, the creator named in every PDF file it writes.
inline constexpr std::string_view kPdfCreator = "Gestione Presenze ( Libro unico del lavoro )";

// A PDF file to open with OpenReportPdf.
struct PdfFileRequest {
  std::string prefix;                  // PdfFilePrefix
  bool compress = true;                // LZW
  bool prefix_is_name = false;         // the prefix is the whole name
  bool one_file_per_employee = false;  // `CheckSingolo`
  // Archive naming: "<name>-NNN.PDF" with the first free number from 001. Reports of the
  // print screen never set it.
  bool numbered = false;
  std::filesystem::path folder;
  bool continue_document = false;                // one company file: only a new page
  std::string title = std::string(kPdfCreator);  // the document's creator

  // Archive fields (Windows-1252 bytes).
  std::string company_code;       // T001
  std::string company_name;       // T002
  std::string company_password;   // T364
  std::string tax_code;           // P004
  std::string employee_key;       // P001
  std::string surname;            // P002
  std::string first_name;         // P003
  std::string employee_password;  // P977
  std::string office_password;    // F357
};

// True when the document gets a password: the user password (the employee's, or the
// company's for company files) is not made only of "0" and neither password is empty.
bool ShouldProtect(std::string_view user_password, std::string_view owner_password);

// Whose password opens a file: the employee's (one file per employee) or the company's.
enum class PdfPasswordOwner { kNone, kEmployee, kCompany };
// The password that protects the file `request` opens, if any.
PdfPasswordOwner ProtectionOf(const PdfFileRequest& request);
// What the operator is told after a PDF run in which `protected_files` of the `files` written
// are protected with the password of `owner`: whose password opens them, never the password
// itself. Empty when no file is protected.
std::string ProtectionNotice(PdfPasswordOwner owner, size_t protected_files, size_t files);

// Opens ReportPdf as the request says and begins its first page, or, when continuing, only
// begins a new page. Returns the full path of the file. When the numbered variant has no free
// number the message is shown (title "Cedolini/riepiloghi PDF") and kConflict returned, with
// nothing written; a file that cannot be created is kIoError with the writer's description
// (ReportPdf is then released).
Result<std::string> OpenReportPdf(ReportTarget& target, const PdfFileRequest& request,
                                  Dialogs& dialogs);

}  // namespace kaveltar

// Report PDF files: folders, names and the set-up of the shared document.
#include "reports/pdf_files.h"

#include <system_error>

#include "base/encoding.h"
#include "base/text.h"

namespace kaveltar {
namespace fs = std::filesystem;

std::string CleanPdfFileName(std::string_view name) {
  std::string clean;
  clean.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const unsigned char u = static_cast<unsigned char>(c);
    // Control characters (NUL, ESC, CR, LF, DEL, and the C1 controls U+0080-U+009F, two bytes
    // in UTF-8) would cut the name, break the folder listing or reach a terminal raw.
    if (u == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
      clean.push_back('_');
      ++i;
      continue;
    }
    switch (c) {
      case '*':
      case '|':
      case '\\':
      case ':':
      case '\'':
      case '<':
      case '>':
      case '?':
      case '/':
      case '"':
        clean.push_back('_');
        break;
      default:
        clean.push_back(u < 0x20 || u == 0x7F ? '_' : c);
        break;
    }
  }
  if (!clean.empty() && clean.back() == '.') clean.pop_back();
  return clean;
}

fs::path BuildPdfFolder(const fs::path& archive_folder, std::string_view company,
                        std::string_view kind, int year, int month, Status* status) {
  fs::path folder = archive_folder / "FILE-PDF" / std::string(company) / ZeroPad(year, 4);
  if (kind != kYearFolderKind) folder /= ZeroPad(month, 2);
  folder /= std::string(kind);
  std::error_code ec;
  fs::create_directories(folder, ec);
  // Half-written files of a run that was killed here go before a new run writes.
  if (!ec) RemoveStaleTemporaryFiles(folder);
  if (status != nullptr) {
    *status = ec ? Status::IoError("Impossibile creare la cartella " + folder.string() + ": " +
                                   ec.message())
                 : Status::Ok();
  }
  return folder;
}

namespace {

// Name parts: the last part cut to `width` after padding, then trimmed.
std::string Cut(std::string_view text, size_t width) {
  std::string padded = PadRight(text, width);
  padded.resize(width);
  return std::string(Trim(padded));
}

std::string Finish(std::string name) {
  name += ".pdf";
  if (name.size() >= 5 && name.compare(name.size() - 5, 5, "_.pdf") == 0) {
    name.erase(name.size() - 5, 1);
  }
  return CleanPdfFileName(Cp1252ToUtf8(name));
}

}  // namespace

std::string CompanyPdfFileName(std::string_view prefix, std::string_view company_code,
                               std::string_view company_name) {
  return Finish(std::string(prefix) + std::string(Trim(company_code)) + "_" +
                Cut(Trim(company_name), 30));
}

std::string EmployeePdfFileName(std::string_view prefix, std::string_view tax_code,
                                std::string_view employee_key, std::string_view surname,
                                std::string_view first_name) {
  std::string last = std::string(Trim(surname)) + "_" + std::string(Trim(first_name).substr(0, 1));
  return Finish(std::string(prefix) + std::string(Trim(tax_code)) + "_" +
                std::string(Trim(employee_key)) + "_" + Cut(last, 32));
}

bool ShouldProtect(std::string_view user_password, std::string_view owner_password) {
  if (user_password.empty() || owner_password.empty()) return false;
  return user_password.find_first_not_of('0') != std::string_view::npos;
}

PdfPasswordOwner ProtectionOf(const PdfFileRequest& request) {
  const bool company_file = !request.one_file_per_employee;
  const std::string_view user =
      Trim(company_file ? request.company_password : request.employee_password);
  if (!ShouldProtect(user, Trim(request.office_password))) return PdfPasswordOwner::kNone;
  return company_file ? PdfPasswordOwner::kCompany : PdfPasswordOwner::kEmployee;
}

std::string ProtectionNotice(PdfPasswordOwner owner, size_t protected_files, size_t files) {
  if (owner == PdfPasswordOwner::kNone || protected_files == 0) return {};
  const std::string whose =
      owner == PdfPasswordOwner::kCompany
          ? "la password PDF della ditta (campo T364 dell'anagrafica ditta)"
          : "la password PDF del dipendente (campo P977 dell'anagrafica dipendente)";
  if (files <= 1) return "Il file PDF è protetto: per aprirlo occorre " + whose + ".";
  const std::string which =
      owner == PdfPasswordOwner::kCompany
          ? whose
          : "la password PDF del rispettivo dipendente (campo P977 dell'anagrafica dipendente)";
  return std::to_string(protected_files) + " file PDF su " + std::to_string(files) +
         " sono protetti: per aprirli occorre " + which + ".";
}

Result<std::string> OpenReportPdf(ReportTarget& target, const PdfFileRequest& request,
                                  Dialogs& dialogs) {
  if (request.continue_document && target.HasReportPdf()) {
    PdfDocument& doc = target.ReportPdf();
    doc.BeginPage();
    if (doc.ErrNumber() != 0) {
      // Ending the last page wrote it: a full disk shows here first.
      const std::string why = target.ReportPdfError();
      target.ReleaseReportPdf();
      return Status::IoError(why);
    }
    return std::string();
  }

  std::string name;
  if (request.prefix_is_name) {
    name = CleanPdfFileName(request.prefix + ".pdf");
  } else if (request.one_file_per_employee) {
    name = EmployeePdfFileName(request.prefix, request.tax_code, request.employee_key,
                               request.surname, request.first_name);
  } else {
    name = CompanyPdfFileName(request.prefix, request.company_code, request.company_name);
  }
  fs::path path = request.folder / name;
  if (request.numbered) {
    const std::string stem = name.substr(0, name.size() - 4);
    bool found = false;
    for (int n = 1; n <= 999 && !found; ++n) {
      path = request.folder / (stem + "-" + ZeroPad(n, 3) + ".PDF");
      std::error_code ec;
      found = !fs::exists(path, ec);
    }
    if (!found) {
      dialogs.Show(std::string(kNumberingExhausted) + std::string(kNumberingContact),
                   kNumberingTitle, MessageIcon::kExclamation);
      return Status::Conflict(std::string(kNumberingExhausted));
    }
  }

  PdfDocument& doc = target.ReportPdf();
  doc.SetDocProperty("PDF" + request.prefix, "", std::string(kPdfAuthor), request.title,
                     std::string(kPdfAuthor), "");
  doc.SetScale(3, 1);
  doc.SetPaperSize(0);
  doc.SetMargins(0, 0, 0, 0, true);
  doc.SetPageView(0);
  doc.SetViewerPreferences(768);
  if (request.compress) doc.SetCompression(4, 3);
  if (ProtectionOf(request) != PdfPasswordOwner::kNone) {
    const bool company_file = !request.one_file_per_employee;
    const std::string user(
        Trim(company_file ? request.company_password : request.employee_password));
    doc.SetProtection(20, Cp1252ToUtf8(Trim(request.office_password)), Cp1252ToUtf8(user));
  }
  if (Status begun = target.BeginReportFile(path); !begun.ok()) return begun;
  doc.BeginPage();
  if (doc.ErrNumber() != 0) {
    const std::string why = target.ReportPdfError();
    target.ReleaseReportPdf();
    return Status::IoError(why);
  }
  return path.string();
}

}  // namespace kaveltar

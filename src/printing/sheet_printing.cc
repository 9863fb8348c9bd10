// The print command of the monthly sheets.
#include "printing/sheet_printing.h"

#include <utility>

#include "app/session.h"
#include "archive/fields.h"
#include "base/dates.h"
#include "base/encoding.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "reports/pdf_files.h"

namespace kaveltar {
namespace {

void Check(const Status& status, std::string_view what) {
  if (!status.ok()) ThrowDatabaseError(status, what);
}

SheetCompany ReadCompany(FieldCodec& codec) {
  return {codec.GetField(fields::kT001), codec.GetField(fields::kT002),
          codec.GetField(fields::kT003), codec.GetField(fields::kT007),
          codec.GetField(fields::kT030)};
}

SheetEmployee ReadEmployee(FieldCodec& codec, std::string_view key) {
  SheetEmployee e;
  e.key = std::string(Trim(key));
  e.surname = codec.GetField(fields::kP002);
  e.first_name = codec.GetField(fields::kP003);
  e.matricola = codec.GetField(fields::kP102);
  e.p767 = static_cast<int>(Val(Trim(codec.GetField(fields::kP767))));
  e.p447 = static_cast<int>(Val(Trim(codec.GetField(fields::kP447))));
  e.p529 = static_cast<int>(Val(Trim(codec.GetField(fields::kP529))));
  return e;
}

std::string Digits2(int n) { return ZeroPad(n, 2); }

}  // namespace

bool EmployedInPeriod(Session& session, std::string_view period) {
  FieldCodec& codec = session.codec();
  const std::string end = codec.GetField(fields::kP017);
  const std::string end_key = DdMmYyyyToKey(end);
  if (Val(Trim(codec.GetField(fields::kP054))) == 2 &&
      Val(session.processing_date) < Val(end_key)) {
    return false;
  }
  if (Val(Trim(end)) != 0 && end_key.size() == 8 && Val(end_key.substr(0, 6)) < Val(period)) {
    return false;
  }
  return true;
}

std::string CheckPrintSelection(Session& session, std::string_view company, bool no_employees,
                                std::string_view title) {
  std::string_view refused;
  if (company.empty()) {
    refused = kNoCompany;
  } else if (no_employees) {
    refused = kNoEmployee;
  } else if (!session.lists().LoadCompany(static_cast<int>(ValInt(company)))) {
    refused = kNoCompany;
  }
  if (!refused.empty()) session.dialogs().Show(refused, title, MessageIcon::kExclamation);
  return std::string(refused);
}

SheetRunResult CmdStampaStp(Session& session, const SheetRunRequest& request) {
  session.trace().TraceProcedure("CmdStampaStp_Click");
  Dialogs& dialogs = session.dialogs();
  ReportTarget& target = session.report_target();
  FieldCodec& codec = session.codec();
  SheetRunResult result;
  result.number_text = request.options.number_text;
  const std::string period = ZeroPad(request.year, 4) + Digits2(request.month);
  const std::string title(kFormCaption);

  Result<JustificationTable> justifications = LoadJustificationTable(session.db());
  Check(justifications.status(), "GIUSTIFICATIVI");
  Result<HolidayCalendar> holidays = HolidayCalendar::Load(session.db());
  Check(holidays.status(), "FESTIVITA");

  SheetInput input;
  input.year = request.year;
  input.month = request.month;
  input.justifications = &justifications.value();
  input.holidays = &holidays.value();
  input.municipality_ddmm = codec.GetField(fields::kF161);
  input.program_folder = session.program_path;
  input.printed_at = request.printed_at;
  input.dialogs = &dialogs;
  input.db = &session.db();

  // Validation: the empty structure with the chosen company's header, once, on the printer.
  if (request.validation) {
    if (!request.company.empty() && session.lists().LoadCompany(static_cast<int>(ValInt(request.company)))) {
      input.company = ReadCompany(codec);
    }
    input.validation = true;
    target.SetPdfOutput(false);
    session.printer().set_title("Vidimazione");
    STAMPASTRUTTURA(target, input, request.options);
    session.printer().EndDoc();
    dialogs.Show(kValidationDone, title, MessageIcon::kInformation);
    result.message = std::string(kValidationDone);
    return result;
  }

  if (!request.year_summary) dialogs.Show(kNotMemorizedWarning, title, MessageIcon::kInformation);
  if (std::string refused = CheckPrintSelection(session, request.company, request.employees.empty(), title);
      !refused.empty()) {
    result.message = std::move(refused);
    return result;
  }
  input.company = ReadCompany(codec);
  const std::string company_password = codec.GetField(fields::kT364);
  const std::string office_password = codec.GetField(fields::kF357);

  long number = static_cast<long>(ValInt(Trim(request.options.number_text)));
  SheetOptions options = request.options;
  const long copies = static_cast<long>(ValInt(Trim(request.copies)));
  const bool numbered = SheetIsNumbered(options, request.year);

  std::filesystem::path folder;
  if (request.pdf) {
    Status made;
    folder = BuildPdfFolder(session.archive_path, Trim(input.company.code), kSheetFolderKind,
                            request.year, request.month, &made);
    result.pdf_folder = folder.string();
  }
  bool company_file_open = false;
  bool printer_used = false;
  std::vector<DayRow> rows;
  input.rows = &rows;

  // The sheet numbers are stored in one transaction for the run, not one write per sheet.
  Transaction transaction(session.db());
  for (const std::string& entry : request.employees) {
    const std::string_view key = Right(entry, 10);
    if (!session.lists().LoadEmployee(request.year, key)) continue;
    if (!request.year_summary && !EmployedInPeriod(session, period)) continue;
    Check(session.db().EmployeeMonth(Trim(key), period, &rows), "PRESENZE");
    if (rows.empty()) continue;
    input.employee = ReadEmployee(codec, key);

    if (request.pdf) {
      target.SetPdfOutput(true);
      PdfFileRequest file;
      file.prefix = std::string(options.draft ? kDraftSheetPrefix : kSheetPrefix);
      file.one_file_per_employee = request.one_file_per_employee;
      file.folder = folder;
      file.continue_document = !request.one_file_per_employee && company_file_open;
      file.title = std::string(kFormCaption);
      file.company_code = input.company.code;
      file.company_name = input.company.name;
      file.company_password = company_password;
      file.tax_code = codec.GetField(fields::kP004);
      file.employee_key = input.employee.key;
      file.surname = input.employee.surname;
      file.first_name = input.employee.first_name;
      file.employee_password = codec.GetField(fields::kP977);
      file.office_password = office_password;
      Result<std::string> opened = OpenReportPdf(target, file, dialogs);
      if (!opened.ok()) continue;
      if (!file.continue_document) result.pdf_files.push_back(opened.value());
      company_file_open = true;
      STAMPASTRUTTURAPDF(target, input, options);
      if (request.one_file_per_employee) {
        if (!target.EndReportPdf().ok()) result.pdf_files.pop_back();
        company_file_open = false;
      }
    } else {
      if (copies <= 0) continue;
      target.SetPdfOutput(false);
      for (long copy = 0; copy < copies; ++copy) {
        if (printer_used) session.printer().NewPage();
        printer_used = true;
        STAMPASTRUTTURA(target, input, options);
      }
    }
    ++result.sheets;
    if (numbered) {
      ++number;
      options.number_text = std::to_string(number);
      result.number_text = options.number_text;
    }
  }

  if (transaction.status().ok()) Check(transaction.Commit(), "PROTOCOLLO");

  if (request.pdf) {
    if (company_file_open && !target.EndReportPdf().ok()) result.pdf_files.clear();
    if (result.pdf_files.empty()) {
      result.message = std::string(kNoPdfData);
      dialogs.Show(kNoPdfData, title, MessageIcon::kInformation);
    } else if (request.one_file_per_employee) {
      result.message = std::string(kPdfSheetsCreated) + folder.string();
      dialogs.Show(result.message, title, MessageIcon::kInformation);
    } else {
      result.message = "Il file cartellino PDF per l'azienda : " +
                       std::string(Trim(input.company.code)) + " " +
                       Cp1252ToUtf8(Trim(input.company.name)) + " è stato creato in : " +
                       folder.string();
      dialogs.Show(result.message, title, MessageIcon::kInformation);
    }
    return result;
  }
  if (printer_used) {
    session.printer().EndDoc();
    result.message = "Stampa Presenze/Assenze relativo al periodo " + Digits2(request.month) + "/" +
                     ZeroPad(request.year, 4) + " terminata";
  } else {
    result.message = std::string(kNothingPrinted);
  }
  dialogs.Show(result.message, title, MessageIcon::kInformation);
  return result;
}

}  // namespace kaveltar

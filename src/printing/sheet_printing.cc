// The print command of the monthly sheets.
#include "printing/sheet_printing.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "app/session.h"
#include "archive/fields.h"
#include "base/dates.h"
#include "base/encoding.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "platform/printer_file_sink.h"
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

// A printed sheet waiting for its output to be safe before its number is stored.
struct PendingNumber {
  std::string employee;  // KDIPENDENTE
  std::string day;       // KPERIODO of the month's last row, where the number goes
  long number = 0;       // the number printed; on undo, the value to put back
};

// Writes the numbers in transactions of kSheetNumberBatch rows. Each row is read again inside
// its transaction and only PROTOCOLLO changes, so a day rewritten meanwhile by another
// workstation keeps its new values. `previous`, when given, receives the numbers replaced (to
// undo them). A row that no longer exists is left alone.
Status StoreNumbers(AttendanceDb& db, const std::vector<PendingNumber>& numbers,
                    std::vector<PendingNumber>* previous = nullptr) {
  for (size_t first = 0; first < numbers.size(); first += kSheetNumberBatch) {
    const size_t last = std::min(numbers.size(), first + kSheetNumberBatch);
    Transaction transaction(db);
    if (!transaction.status().ok()) return transaction.status();
    std::vector<PendingNumber> replaced;
    for (size_t i = first; i < last; ++i) {
      Result<std::optional<DayRow>> found = db.FindDay(numbers[i].employee, numbers[i].day);
      if (!found.ok()) return found.status();
      if (!found->has_value()) continue;
      DayRow row = std::move(**found);
      replaced.push_back({numbers[i].employee, numbers[i].day, row.protocollo});
      row.protocollo = numbers[i].number;
      if (Status saved = db.SaveDay(row); !saved.ok()) return saved;
    }
    if (Status committed = transaction.Commit(); !committed.ok()) return committed;
    if (previous != nullptr) previous->insert(previous->end(), replaced.begin(), replaced.end());
  }
  return Status::Ok();
}

// Finished PDF files waiting for their numbers, published together: numbers first (a kill
// between the two leaves stored numbers whose files are missing, never a numbered file whose
// number is nowhere), then each file renamed over its final name. A file that cannot be
// renamed gets its number taken back.
class PendingFiles {
 public:
  explicit PendingFiles(AttendanceDb& db) : db_(db) {}

  void Add(std::unique_ptr<PublishedFileSink> file, std::vector<PendingNumber> numbers) {
    files_.push_back(std::move(file));
    numbers_.push_back(std::move(numbers));
  }
  size_t size() const { return files_.size(); }

  // Publishes everything held. Appends the published paths to `published` and adds their
  // sheets to `sheets`. Returns the first failure's text (empty when none).
  std::string Publish(std::vector<std::string>* published, int* sheets) {
    std::vector<PendingNumber> all, previous;
    for (const auto& n : numbers_) all.insert(all.end(), n.begin(), n.end());
    std::string failure;
    if (Status stored = StoreNumbers(db_, all, &previous); !stored.ok()) {
      failure = "Errore del database (PROTOCOLLO): " + stored.message();
      files_.clear();  // the temporary files go: their numbers could not be recorded
      numbers_.clear();
      return failure;
    }
    for (size_t i = 0; i < files_.size(); ++i) {
      if (files_[i]->Publish() == 0) {
        published->push_back(files_[i]->final_path().string());
        *sheets += static_cast<int>(std::max<size_t>(numbers_[i].size(), 1));
        continue;
      }
      if (failure.empty()) failure = "Impossibile completare il file PDF " + files_[i]->ErrorText();
      // The file is gone: its rows get back the numbers they had.
      std::vector<PendingNumber> undo;
      for (const PendingNumber& n : numbers_[i]) {
        for (const PendingNumber& p : previous) {
          if (p.employee == n.employee && p.day == n.day) undo.push_back(p);
        }
      }
      (void)StoreNumbers(db_, undo);
    }
    files_.clear();
    numbers_.clear();
    return failure;
  }

 private:
  AttendanceDb& db_;
  std::vector<std::unique_ptr<PublishedFileSink>> files_;
  std::vector<std::vector<PendingNumber>> numbers_;
};

}  // namespace

bool NumberedPerCompany(Session& session) {
  return session.codec().GetFieldValue(fields::kF419) != 0;
}

std::string DefaultSheetNumber(Session& session, std::string_view company) {
  FieldCodec& codec = session.codec();
  if (!NumberedPerCompany(session)) return std::string(Trim(codec.GetField(fields::kF416)));
  if (company.empty() || !session.lists().LoadCompany(static_cast<int>(ValInt(company)))) return "";
  return std::string(Trim(codec.GetField(fields::kT466)));
}

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
  const std::string title = dialogs.window_caption();
  auto fail = [&](std::string text) {
    result.failed = true;
    result.message = std::move(text);
    dialogs.Show(result.message, title, MessageIcon::kCritical);
    return result;
  };

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
  input.db = nullptr;  // numbers are stored here, once the output is safe

  // Validation: the empty structure with the chosen company's header, once, on the printer.
  if (request.validation) {
    if (!request.company.empty() && session.lists().LoadCompany(static_cast<int>(ValInt(request.company)))) {
      input.company = ReadCompany(codec);
    }
    input.validation = true;
    target.SetPdfOutput(false);
    session.printer().set_title("Vidimazione");
    STAMPASTRUTTURA(target, input, request.options);
    if (!session.printer().EndDoc()) {
      return fail("Stampa non riuscita: " + session.printer().last_error());
    }
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

  const long first_number = static_cast<long>(ValInt(Trim(request.options.number_text)));
  long number = first_number;
  SheetOptions options = request.options;
  const long copies = static_cast<long>(ValInt(Trim(request.copies)));
  const bool numbered = SheetIsNumbered(options, request.year);

  std::filesystem::path folder;
  if (request.pdf) {
    Status made;
    folder = BuildPdfFolder(session.archive_path, Trim(input.company.code), kSheetFolderKind,
                            request.year, request.month, &made);
    result.pdf_folder = folder.string();
    if (!made.ok()) return fail(made.message());
  }
  bool company_file_open = false;
  bool printer_used = false;
  std::vector<DayRow> rows;
  input.rows = &rows;
  // Sheets drawn whose output is not yet safe, and their numbers.
  std::vector<PendingNumber> waiting;
  int drawn = 0;
  PendingFiles files(session.db());
  std::string failure;

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
      if (!opened.ok()) {
        if (opened.status().kind() == Status::Kind::kConflict) continue;  // already said
        failure = opened.status().message();
        company_file_open = false;
        break;
      }
      company_file_open = true;
      // A reader of the company's file jumps to an employee's sheet from the outline.
      target.ReportPdf().AddBookmark(Cp1252ToUtf8(Trim(input.employee.surname)) + " " +
                                     Cp1252ToUtf8(Trim(input.employee.first_name)) + " - " +
                                     Cp1252ToUtf8(Trim(input.employee.key)));
      try {
        STAMPASTRUTTURAPDF(target, input, options);
      } catch (const RunTimeError& error) {
        // The writer failed while drawing (a page that could not be written): say which file
        // and why, rather than the writer's later complaint.
        failure = target.ReportPdfError();
        if (failure.empty()) failure = error.description();
        target.ReleaseReportPdf();
        company_file_open = false;
        break;
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
    ++drawn;
    if (numbered) {
      waiting.push_back({std::string(Trim(key)), rows.back().period, number});
      ++number;
      options.number_text = std::to_string(number);
    }
    if (request.pdf && request.one_file_per_employee) {
      Result<std::unique_ptr<PublishedFileSink>> finished = target.FinishReportPdf();
      company_file_open = false;
      if (!finished.ok()) {
        failure = finished.status().message();
        if (numbered) {
          waiting.pop_back();
          --number;
        }
        --drawn;
        break;
      }
      files.Add(std::move(*finished), std::move(waiting));
      waiting.clear();
      if (files.size() >= kSheetNumberBatch) {
        failure = files.Publish(&result.pdf_files, &result.sheets);
        if (!failure.empty()) break;
      }
    }
  }

  // The rest of the output: the company file finished, the printer document spooled; only
  // then are the numbers stored.
  if (request.pdf) {
    if (request.one_file_per_employee) {
      const std::string last = files.Publish(&result.pdf_files, &result.sheets);
      if (failure.empty()) failure = last;
    } else if (company_file_open && failure.empty()) {
      Result<std::unique_ptr<PublishedFileSink>> finished = target.FinishReportPdf();
      if (!finished.ok()) {
        failure = finished.status().message();
      } else if (*finished) {
        files.Add(std::move(*finished), std::move(waiting));
        int ignored = 0;
        failure = files.Publish(&result.pdf_files, &ignored);
        if (failure.empty()) result.sheets = drawn;
      }
    } else {
      target.ReleaseReportPdf();
    }
    // Numbers of sheets in published files only: the next run starts after the last stored.
    const long stored = numbered ? result.sheets : 0;
    result.number_text = numbered ? std::to_string(first_number + stored) : request.options.number_text;
    if (!failure.empty()) {
      if (failure.rfind("Impossibile", 0) != 0 && failure.rfind("Errore", 0) != 0) {
        failure = "Impossibile completare il file PDF " + failure;
      }
      return fail(failure);
    }
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
    if (!session.printer().EndDoc()) {
      return fail("Stampa non riuscita: nessun foglio stampato, numerazione non aggiornata (" +
                  session.printer().last_error() + ")");
    }
    if (Status stored = StoreNumbers(session.db(), waiting); !stored.ok()) {
      Check(stored, "PROTOCOLLO");
    }
    result.sheets = drawn;
    if (numbered) result.number_text = std::to_string(number);
    result.message = "Stampa Presenze/Assenze relativo al periodo " + Digits2(request.month) + "/" +
                     ZeroPad(request.year, 4) + " terminata";
  } else {
    result.message = std::string(kNothingPrinted);
  }
  dialogs.Show(result.message, title, MessageIcon::kInformation);
  return result;
}

}  // namespace kaveltar

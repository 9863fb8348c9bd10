// The print command of the monthly sheets.
#include "printing/sheet_printing.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "app/job_context.h"
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

bool NumberedPerCompany(const JobContext& job) {
  return job.codec.GetFieldValue(fields::kF419) != 0;
}

std::string DefaultSheetNumber(const JobContext& job, std::string_view company) {
  FieldCodec& codec = job.codec;
  if (!NumberedPerCompany(job)) return std::string(Trim(codec.GetField(fields::kF416)));
  if (company.empty() || !job.lists.LoadCompany(static_cast<int>(ValInt(company)))) return "";
  return std::string(Trim(codec.GetField(fields::kT466)));
}

bool EmployedInPeriod(const JobContext& job, std::string_view period) {
  FieldCodec& codec = job.codec;
  const std::string end = codec.GetField(fields::kP017);
  const std::string end_key = DdMmYyyyToKey(end);
  if (Val(Trim(codec.GetField(fields::kP054))) == 2 &&
      Val(job.installation.processing_date) < Val(end_key)) {
    return false;
  }
  if (Val(Trim(end)) != 0 && end_key.size() == 8 && Val(end_key.substr(0, 6)) < Val(period)) {
    return false;
  }
  return true;
}

std::string CheckPrintSelection(const JobContext& job, std::string_view company, bool no_employees,
                                std::string_view title) {
  std::string_view refused;
  if (company.empty()) {
    refused = kNoCompany;
  } else if (no_employees) {
    refused = kNoEmployee;
  } else if (!job.lists.LoadCompany(static_cast<int>(ValInt(company)))) {
    refused = kNoCompany;
  }
  if (!refused.empty()) job.dialogs.Show(refused, title, MessageIcon::kExclamation);
  return std::string(refused);
}

namespace {

// One run of `CmdStampaStp`: the sheets of the chosen employees drawn on the printer or into
// PDF files, each sheet's number stored only once its output is safe.
class SheetRun {
 public:
  SheetRun(const JobContext& job, const SheetRunRequest& request)
      : job_(job),
        request_(request),
        dialogs_(job.dialogs),
        target_(job.printing.report_target()),
        codec_(job.codec),
        period_(ZeroPad(request.year, 4) + Digits2(request.month)),
        title_(job.dialogs.window_caption()),
        options_(request.options),
        files_(job.db) {
    result_.number_text = request.options.number_text;
  }

  SheetRunResult Run() {
    PrepareInput();
    if (request_.validation) return PrintValidation();
    if (!request_.year_summary)
      dialogs_.Show(kNotMemorizedWarning, title_, MessageIcon::kInformation);
    if (std::string refused =
            CheckPrintSelection(job_, request_.company, request_.employees.empty(), title_);
        !refused.empty()) {
      result_.message = std::move(refused);
      return result_;
    }
    ReadCompanyAndNumbering();
    if (request_.pdf) {
      Status made;
      folder_ = BuildPdfFolder(job_.installation.archive_path, Trim(input_.company.code),
                               kSheetFolderKind, request_.year, request_.month, &made);
      result_.pdf_folder = folder_.string();
      if (!made.ok()) return Fail(made.message());
    }
    const size_t total = request_.employees.size();
    for (size_t index = 0; index < total; ++index) {
      if (!DrawEmployee(index)) break;
    }
    if (request_.progress && total > 0) request_.progress(total, total, {});
    return request_.pdf ? FinishPdf() : FinishPrinter();
  }

 private:
  // What a sheet drawn into a PDF file came to.
  enum class PdfSheet { kDrawn, kSkipped, kFailed };

  SheetRunResult Fail(std::string text) {
    result_.failed = true;
    result_.message = std::move(text);
    dialogs_.Show(result_.message, title_, MessageIcon::kCritical);
    return result_;
  }

  // The tables and settings every sheet of the run shares.
  void PrepareInput() {
    Result<JustificationTable> justifications = LoadJustificationTable(job_.db);
    Check(justifications.status(), "GIUSTIFICATIVI");
    justifications_ = std::move(*justifications);
    Result<HolidayCalendar> holidays = HolidayCalendar::Load(job_.db);
    Check(holidays.status(), "FESTIVITA");
    holidays_ = *holidays;

    input_.year = request_.year;
    input_.month = request_.month;
    input_.justifications = &justifications_;
    input_.holidays = &holidays_;
    input_.municipality_ddmm = codec_.GetField(fields::kF161);
    input_.program_folder = job_.installation.program_path;
    input_.printed_at = request_.printed_at;
    input_.dialogs = &dialogs_;
    input_.db = nullptr;  // numbers are stored here, once the output is safe
  }

  // Validation: the empty structure with the chosen company's header, once, on the printer.
  SheetRunResult PrintValidation() {
    if (!request_.company.empty() &&
        job_.lists.LoadCompany(static_cast<int>(ValInt(request_.company)))) {
      input_.company = ReadCompany(codec_);
    }
    input_.validation = true;
    target_.SetPdfOutput(false);
    job_.printing.printer().set_title("Vidimazione");
    STAMPASTRUTTURA(target_, input_, request_.options);
    if (!job_.printing.printer().EndDoc()) {
      return Fail("Stampa non riuscita: " + job_.printing.printer().last_error());
    }
    dialogs_.Show(kValidationDone, title_, MessageIcon::kInformation);
    result_.message = std::string(kValidationDone);
    return result_;
  }

  // The company's header and passwords, the first number and the copies.
  void ReadCompanyAndNumbering() {
    input_.company = ReadCompany(codec_);
    input_.rows = &rows_;
    company_password_ = codec_.GetField(fields::kT364);
    office_password_ = codec_.GetField(fields::kF357);
    first_number_ = static_cast<long>(ValInt(Trim(request_.options.number_text)));
    number_ = first_number_;
    copies_ = static_cast<long>(ValInt(Trim(request_.copies)));
    numbered_ = SheetIsNumbered(options_, request_.year);
  }

  // Draws the sheet of the employee key at `index`, when the employee is in the year's
  // archive, employed in the month and has stored days. False when the run must stop;
  // `failure_` then says why.
  bool DrawEmployee(size_t index) {
    const std::string_view key = request_.employees[index];
    if (request_.progress) request_.progress(index, request_.employees.size(), key);
    if (!job_.lists.LoadEmployee(request_.year, key)) return true;
    if (!request_.year_summary && !EmployedInPeriod(job_, period_)) return true;
    Check(job_.db.EmployeeMonth(Trim(key), period_, &rows_), "PRESENZE");
    if (rows_.empty()) return true;
    input_.employee = ReadEmployee(codec_, key);

    if (request_.pdf) {
      switch (DrawIntoPdf()) {
        case PdfSheet::kSkipped:
          return true;
        case PdfSheet::kFailed:
          return false;
        case PdfSheet::kDrawn:
          break;
      }
    } else {
      if (copies_ <= 0) return true;
      DrawOnPrinter();
    }
    ++drawn_;
    if (numbered_) {
      waiting_.push_back({std::string(Trim(key)), rows_.back().period, number_});
      ++number_;
      options_.number_text = std::to_string(number_);
    }
    if (request_.pdf && request_.one_file_per_employee) return FinishEmployeeFile();
    return true;
  }

  // Opens (or continues) the PDF file the sheet goes into and draws it there.
  PdfSheet DrawIntoPdf() {
    target_.SetPdfOutput(true);
    PdfFileRequest file;
    file.prefix = std::string(options_.draft ? kDraftSheetPrefix : kSheetPrefix);
    file.one_file_per_employee = request_.one_file_per_employee;
    file.folder = folder_;
    file.continue_document = !request_.one_file_per_employee && company_file_open_;
    file.company_code = input_.company.code;
    file.company_name = input_.company.name;
    file.company_password = company_password_;
    file.tax_code = codec_.GetField(fields::kP004);
    file.employee_key = input_.employee.key;
    file.surname = input_.employee.surname;
    file.first_name = input_.employee.first_name;
    file.employee_password = codec_.GetField(fields::kP977);
    file.office_password = office_password_;
    Result<std::string> opened = OpenReportPdf(target_, file, dialogs_);
    if (!opened.ok()) {
      if (opened.status().kind() == Status::Kind::kConflict)
        return PdfSheet::kSkipped;  // already said
      failure_ = opened.status().message();
      company_file_open_ = false;
      return PdfSheet::kFailed;
    }
    if (!file.continue_document && ProtectionOf(file) != PdfPasswordOwner::kNone) {
      ++result_.protected_files;
      result_.password = ProtectionOf(file);
    }
    company_file_open_ = true;
    // A reader of the company's file jumps to an employee's sheet from the outline.
    target_.ReportPdf().AddBookmark(Cp1252ToUtf8(Trim(input_.employee.surname)) + " " +
                                    Cp1252ToUtf8(Trim(input_.employee.first_name)) + " - " +
                                    Cp1252ToUtf8(Trim(input_.employee.key)));
    try {
      STAMPASTRUTTURAPDF(target_, input_, options_);
    } catch (const RunTimeError& error) {
      // The writer failed while drawing (a page that could not be written): say which file
      // and why, rather than the writer's later complaint.
      failure_ = target_.ReportPdfError();
      if (failure_.empty()) failure_ = error.description();
      target_.ReleaseReportPdf();
      company_file_open_ = false;
      return PdfSheet::kFailed;
    }
    return PdfSheet::kDrawn;
  }

  // The sheet's copies on the printer document, each on a new page.
  void DrawOnPrinter() {
    target_.SetPdfOutput(false);
    for (long copy = 0; copy < copies_; ++copy) {
      if (printer_used_) job_.printing.printer().NewPage();
      printer_used_ = true;
      STAMPASTRUTTURA(target_, input_, options_);
    }
  }

  // One file per employee: the employee's file finished and held for publishing, which
  // happens in batches. False when the run must stop.
  bool FinishEmployeeFile() {
    Result<std::unique_ptr<PublishedFileSink>> finished = target_.FinishReportPdf();
    company_file_open_ = false;
    if (!finished.ok()) {
      failure_ = finished.status().message();
      if (numbered_) {
        waiting_.pop_back();
        --number_;
      }
      --drawn_;
      return false;
    }
    files_.Add(std::move(*finished), std::move(waiting_));
    waiting_.clear();
    if (files_.size() >= kSheetNumberBatch) {
      failure_ = files_.Publish(&result_.pdf_files, &result_.sheets);
      if (!failure_.empty()) return false;
    }
    return true;
  }

  // The PDF files finished and published, the numbers of their sheets stored, and the
  // closing message.
  SheetRunResult FinishPdf() {
    PublishPdfFiles();
    // Numbers of sheets in published files only: the next run starts after the last stored.
    const long stored = numbered_ ? result_.sheets : 0;
    result_.number_text =
        numbered_ ? std::to_string(first_number_ + stored) : request_.options.number_text;
    if (!failure_.empty()) {
      if (failure_.rfind("Impossibile", 0) != 0 && failure_.rfind("Errore", 0) != 0) {
        failure_ = "Impossibile completare il file PDF " + failure_;
      }
      return Fail(failure_);
    }
    if (result_.pdf_files.empty()) {
      result_.message = std::string(kNoPdfData);
      dialogs_.Show(kNoPdfData, title_, MessageIcon::kInformation);
    } else if (request_.one_file_per_employee) {
      result_.message = std::string(kPdfSheetsCreated) + folder_.string();
      dialogs_.Show(result_.message, title_, MessageIcon::kInformation);
    } else {
      result_.message =
          "Il file cartellino PDF per l'azienda : " + std::string(Trim(input_.company.code)) + " " +
          Cp1252ToUtf8(Trim(input_.company.name)) + " è stato creato in : " + folder_.string();
      dialogs_.Show(result_.message, title_, MessageIcon::kInformation);
    }
    return result_;
  }

  void PublishPdfFiles() {
    if (request_.one_file_per_employee) {
      const std::string last = files_.Publish(&result_.pdf_files, &result_.sheets);
      if (failure_.empty()) failure_ = last;
    } else if (company_file_open_ && failure_.empty()) {
      Result<std::unique_ptr<PublishedFileSink>> finished = target_.FinishReportPdf();
      if (!finished.ok()) {
        failure_ = finished.status().message();
      } else if (*finished) {
        files_.Add(std::move(*finished), std::move(waiting_));
        int ignored = 0;
        failure_ = files_.Publish(&result_.pdf_files, &ignored);
        if (failure_.empty()) result_.sheets = drawn_;
      }
    } else {
      target_.ReleaseReportPdf();
    }
  }

  // The printer document spooled, then the numbers stored, and the closing message.
  SheetRunResult FinishPrinter() {
    if (printer_used_) {
      if (!job_.printing.printer().EndDoc()) {
        return Fail("Stampa non riuscita: nessun foglio stampato, numerazione non aggiornata (" +
                    job_.printing.printer().last_error() + ")");
      }
      if (Status stored = StoreNumbers(job_.db, waiting_); !stored.ok()) {
        Check(stored, "PROTOCOLLO");
      }
      result_.sheets = drawn_;
      if (numbered_) result_.number_text = std::to_string(number_);
      result_.message = "Stampa Presenze/Assenze relativo al periodo " + Digits2(request_.month) +
                        "/" + ZeroPad(request_.year, 4) + " terminata";
    } else {
      result_.message = std::string(kNothingPrinted);
    }
    dialogs_.Show(result_.message, title_, MessageIcon::kInformation);
    return result_;
  }

  JobContext job_;
  const SheetRunRequest& request_;
  Dialogs& dialogs_;
  ReportTarget& target_;
  FieldCodec& codec_;
  const std::string period_;
  const std::string title_;
  SheetRunResult result_;

  JustificationTable justifications_;
  HolidayCalendar holidays_;
  SheetInput input_;
  std::vector<DayRow> rows_;
  SheetOptions options_;
  std::string company_password_;
  std::string office_password_;
  long first_number_ = 0;
  long number_ = 0;
  long copies_ = 0;
  bool numbered_ = false;

  std::filesystem::path folder_;
  bool company_file_open_ = false;
  bool printer_used_ = false;
  // Sheets drawn whose output is not yet safe, and their numbers.
  std::vector<PendingNumber> waiting_;
  int drawn_ = 0;
  PendingFiles files_;
  std::string failure_;
};

}  // namespace

SheetRunResult PrintMonthlySheets(const JobContext& job, const SheetRunRequest& request) {
  job.trace.TraceProcedure("CmdStampaStp_Click");
  return SheetRun(job, request).Run();
}

}  // namespace kaveltar

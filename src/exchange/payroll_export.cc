#include "exchange/payroll_export.h"

#include <fstream>
#include <map>
#include <memory>
#include <system_error>

#include "app/job_context.h"
#include "app/report_error.h"
#include "archive/bases.h"
#include "archive/fields.h"
#include "archive/selection_lists.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "platform/paths.h"
#include "reports/printer_choice.h"
#include "tables/formulas.h"

namespace kaveltar {
namespace {

constexpr size_t kAccumulationRows = 1001;

void Check(const Status& status, std::string_view what) {
  if (!status.ok()) ThrowDatabaseError(status, what);
}

// Upper case of Windows-1252 bytes: ASCII letters and the accented small letters.
std::string UpperCp1252(std::string_view bytes) {
  std::string out(bytes);
  for (char& ch : out) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z')
      ch = static_cast<char>(c - 32);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
      ch = static_cast<char>(c - 0x20);
  }
  return out;
}

// The text of a company entry as the messages show it: its line without the code repeated at
// the end, trimmed.
std::string CompanyText(const ListEntry& company) {
  std::string_view body = company.line;
  if (body.size() > company.code.size()) body.remove_suffix(company.code.size());
  return Cp1252ToUtf8(Trim(body));
}

// A file of records written under a temporary name and renamed into place when finished.
class VociFile {
 public:
  explicit VociFile(std::filesystem::path target) : target_(std::move(target)) {
    temporary_ = target_;
    temporary_ += ".tmp";
  }
  ~VociFile() {
    if (stream_.is_open()) stream_.close();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
  void Write(const std::string& record) {
    if (!stream_.is_open()) {
      stream_.open(temporary_, std::ios::binary | std::ios::trunc);
      if (!stream_) Fail();
    }
    stream_.write(record.data(), static_cast<std::streamsize>(record.size()));
    stream_.write("\r\n", 2);
    if (!stream_) Fail();
    ++records_;
  }
  long records() const { return records_; }
  // Renames the finished file into place; true when there was anything to write.
  bool Finish() {
    if (records_ == 0) return false;
    stream_.close();
    if (!stream_) Fail();
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) Fail();
    return true;
  }

 private:
  [[noreturn]] void Fail() { throw RunTimeError(RunTimeError::kPathFileAccess, target_.string()); }
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream stream_;
  long records_ = 0;
};

class Exporter {
 public:
  Exporter(const JobContext& job, const ExportRequest& request, const ExportProgress& progress)
      : job_(job), request_(request), progress_(progress), table_(kAccumulationRows) {}

  ExportResult Run() {
    const std::string period = ExportPeriod(request_.year, request_.month, request_.previous_month);
    const int period_year = static_cast<int>(ValInt(period.substr(0, 4)));
    const std::filesystem::path folder =
        FindCaseInsensitive(job_.installation.archive_path / kExportFolder);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw RunTimeError(RunTimeError::kPathNotFound, folder.string());
    LoadJustifications();

    AttendanceDb& db = job_.db;
    const size_t companies = request_.companies.size();
    for (size_t index = 0; index < companies; ++index) {
      const ListEntry& entry = request_.companies[index];
      if (request_.companies_progress) request_.companies_progress(index, companies);
      const std::string& company = entry.code;
      const std::string company_text = CompanyText(entry);
      Progress(kPhaseCheckMonth, company_text);
      // Whether the company has any row in the month: the first row answers, and the
      // month's rows are then read one employee at a time, so memory stays flat.
      bool stored = false;
      Check(db.ForEachCompanyMonthDay(company, period,
                                      [&](const DayRow&) {
                                        stored = true;
                                        return false;
                                      }),
            "PRESENZE");
      if (!stored) {
        Anomaly("Ditta " + company_text +
                " non elaborata: Nessuna dato per il Mese/Anno selezionato");
        continue;
      }
      const std::filesystem::path target = folder / VociFileName(company, request_.month);
      std::filesystem::remove(target, error);
      VociFile file(target);
      const std::vector<ListEntry> employees =
          job_.lists.EmployeeList(Screen::kLoad, kOrderByCode, period_year, company);
      for (const ListEntry& employee : employees) {
        const std::string& key = employee.code;
        const std::string name = Cp1252ToUtf8(PadRight(employee.name, 20));
        Check(db.EmployeeMonth(key, period, &rows_), "PRESENZE");
        if (rows_.empty()) {
          Anomaly("Dip. " + key + " " + name +
                  " non elaborato: Nessuna dato per il Mese/Anno selezionato");
          continue;
        }
        Progress({}, key + " " + name);
        ELABORA_MESE_DIPENDENTE(key, name, &file);
      }
      if (file.Finish()) {
        result_.files.push_back(target);
        result_.records += file.records();
      }
    }
    if (request_.companies_progress && companies > 0)
      request_.companies_progress(companies, companies);
    return std::move(result_);
  }

 private:
  void Progress(std::string_view phase, std::string_view what) {
    if (progress_) progress_(phase, what);
  }
  void Anomaly(std::string text) {
    if (result_.anomalies.size() < kMaxExportAnomalies)
      result_.anomalies.push_back(std::move(text));
  }

  void LoadJustifications() {
    std::vector<JustificationRow> rows;
    Check(job_.db.ListJustifications(&rows), "GIUSTIFICATIVI");
    for (const JustificationRow& row : rows) {
      FormulaRows formulas;
      for (size_t k = 0; k < 5; ++k) {
        formulas.codes[k] = std::string(Trim(row.gius[9 + k]));
        formulas.thresholds[k] = static_cast<long>(ValInt(Trim(row.gius[14 + k])));
      }
      justifications_.emplace(std::string(Trim(row.code)), formulas);
    }
  }

  void ELABORA_MESE_DIPENDENTE(const std::string& key, const std::string& name, VociFile* file) {
    for (AccumulationRow& row : table_) row = AccumulationRow();
    for (const DayRow& day : rows_) {
      for (int slot = 1; slot <= 5; ++slot) {
        const std::string_view code = Trim(day.SlotCode(slot));
        if (code.empty()) continue;
        const auto found = justifications_.find(code);
        if (found == justifications_.end()) {
          Anomaly("Dip.  " + key + " " + name + " Giustificativo " + std::string(code) +
                  " non trovato.");
          continue;
        }
        AccumulationRow& row = table_[AccumulationIndex(code)];
        row.code = std::string(code);
        row.employee = key;
        ELABORA_GIUSTIFICATIVO(found->second,
                               HoursToMinutes(Trim(day.SlotHours(slot)), job_.dialogs), &row);
      }
    }
    GENERA_RECORD_VOCI(key, name, file);
  }

  void GENERA_RECORD_VOCI(const std::string& key, const std::string& name, VociFile* file) {
    for (const AccumulationRow& row : table_) {
      if (row.code.empty()) continue;
      for (size_t k = 0; k < 5; ++k) {
        if (row.formula[k].empty()) continue;
        const std::string* description = FormulaDescription(row.formula[k]);
        if (!description) {
          Anomaly("Dip. " + key + " " + name + " Formula " + row.formula[k] + " non trovata.");
          continue;
        }
        file->Write(VociRecord(row.employee, Utf8ToCp1252(row.code), row.formula[k], row.minutes[k],
                               *description));
      }
    }
  }

  // The description written for a formula (Windows-1252), or null when the archive has no
  // such formula: past its end, below 1, or a free or cancelled record ("99" first).
  const std::string* FormulaDescription(const std::string& code) {
    const auto cached = formulas_.find(code);
    if (cached != formulas_.end()) return cached->second ? &*cached->second : nullptr;
    std::optional<std::string> description;
    const long number = static_cast<long>(ValInt(code));
    ArchiveFiles& files = job_.archives;
    if (number >= 1) {
      if (!files.IsOpen(bases::kFormulas)) files.FAIOPEN(bases::kFormulas);
      if (files.LEGGIREC(bases::kFormulas, number) == 0) {
        const std::string& record = files.RecordBuffer(bases::kFormulas);
        if (record.compare(0, 2, "99") != 0) {
          FieldCodec& codec = job_.codec;
          const std::string name = codec.GetField(fields::kZ002, 0, record);
          const std::string formula_text = codec.GetField(fields::kZ003, 0, record);
          std::string text(Trim(name));
          if (!Trim(formula_text).empty()) text.append(" ").append(Trim(formula_text));
          description = UpperCp1252(Mid(text, 0, 27));
        }
      }
    }
    const auto inserted = formulas_.emplace(code, std::move(description)).first;
    return inserted->second ? &*inserted->second : nullptr;
  }

  JobContext job_;
  const ExportRequest& request_;
  const ExportProgress& progress_;
  ExportResult result_;
  std::vector<AccumulationRow> table_;
  std::vector<DayRow> rows_;
  std::map<std::string, FormulaRows, std::less<>> justifications_;
  std::map<std::string, std::optional<std::string>> formulas_;
};

}  // namespace

std::string ExportAnomalyQuestion() {
  return "Generazione file Voci Paghe terminato.\nSono state riscontrate delle anomalie durante la "
         "generazione "
         "del file\nStampare una lista di controllo?";
}

std::string ExportPeriod(int year, int month, bool previous_month) {
  if (previous_month) {
    if (--month < 1) {
      month = 12;
      --year;
    }
  }
  return ZeroPad(year, 4) + ZeroPad(month, 2);
}

std::string VociFileName(std::string_view company, int month) {
  return "VOC" + std::string(company) + ZeroPad(month, 2) + ".TXT";
}

long long HundredthsOfHours(long minutes) {
  const long long m = minutes;
  // minutes * 100 / 60 is never exactly half a hundredth, so rounding half away from zero
  // and the two-decimal formatting agree.
  return m >= 0 ? (m * 100 + 30) / 60 : -((-m * 100 + 30) / 60);
}

std::string VociRecord(std::string_view employee, std::string_view justification,
                       std::string_view formula, long minutes, std::string_view description) {
  std::string record;
  record.reserve(kVociRecordLength);
  record += PadRight(employee, 10);
  record += PadRight(Trim(justification), 4);
  record += PadLeft(Trim(formula), 4, '0');
  record += ZeroPad(HundredthsOfHours(minutes), 11);
  record += "0000000000";
  record += PadRight(description, 27);
  record.resize(kVociRecordLength, ' ');
  return record;
}

size_t AccumulationIndex(std::string_view code) {
  const long long value = ValInt(code);
  if (value < 0 || value >= static_cast<long long>(kAccumulationRows)) return 0;
  return static_cast<size_t>(value);
}

void ELABORA_GIUSTIFICATIVO(const FormulaRows& formulas, long minutes, AccumulationRow* row) {
  long remainder = minutes;
  for (size_t k = 0; k < 5; ++k) {
    if (formulas.codes[k].empty()) continue;
    if (k > 0 && remainder <= 0) continue;
    // MEMORIZZA_SOGLIA: the row takes up to its threshold of what is left.
    row->formula[k] = formulas.codes[k];
    const long threshold = formulas.thresholds[k];
    if (threshold >= remainder) {
      row->minutes[k] += remainder;
      remainder = 0;
    } else {
      row->minutes[k] += threshold;
      remainder -= threshold;
    }
  }
}

ExportResult RunPayrollExport(const JobContext& job, const ExportRequest& request,
                              const ExportProgress& progress) {
  job.trace.TraceProcedure("ESPORTA_VOCI_PAGHE");
  return Exporter(job, request, progress).Run();
}

ExportResult CreatePayrollExport(const JobContext& job, const ExportRequest& request,
                                 const ExportProgress& progress) {
  ExportResult result;
  if (request.companies.empty()) return result;
  try {
    result = RunPayrollExport(job, request, progress);
  } catch (const RunTimeError& error) {
    job.errors.Report(error);
    return result;
  }
  FinishPayrollExport(job, result);
  return result;
}

void FinishPayrollExport(const JobContext& job, const ExportResult& result) {
  Dialogs& dialogs = job.dialogs;
  if (result.anomalies.empty()) {
    dialogs.Show(kExportFinished, MessageIcon::kInformation);
    return;
  }
  if (!dialogs.Ask(ExportAnomalyQuestion(), MessageIcon::kQuestion)) return;
  try {
    // The installation's printer is chosen again for this job's list.
    PrinterNames names;
    LEGGISTAMPANTESTD(job.archives, job.trace, job.printing.printer(), &names);
    STAMPA_ANOMALIE(job.printing.printer(), result.anomalies);
  } catch (const RunTimeError& error) {
    job.errors.Report(error);
  }
}

void STAMPA_ANOMALIE(PrinterJob& printer, const std::vector<std::string>& anomalies) {
  if (printer.document_open()) printer.EndDoc();
  printer.set_title(std::string(kExportAnomalyHeading));
  PrinterFont font;
  font.name = "Courier New";
  font.size = 10;
  printer.SetFont(font);
  const std::string rule(80, '=');
  int page = 0;
  for (size_t i = 0; i < anomalies.size(); ++i) {
    if (i % kAnomalyLinesPerPage == 0) {
      if (page > 0) printer.NewPage();
      ++page;
      printer.Print(std::string(kExportAnomalyHeading) + "   Pag. " + std::to_string(page));
      printer.Print(rule);
    }
    printer.Print(anomalies[i]);
  }
  if (anomalies.empty()) {
    printer.Print(std::string(kExportAnomalyHeading) + "   Pag. 1");
    printer.Print(rule);
  }
  printer.EndDoc();
}

}  // namespace kaveltar

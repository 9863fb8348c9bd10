// The summaries of the print screen.
#include "printing/summaries.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "app/job_context.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "printing/sheet_printing.h"
#include "reports/monthly_sheet.h"
#include "reports/pdf_files.h"

namespace kaveltar {
namespace {

constexpr double kLeft = 0.8;
constexpr double kBandWidth = 18.5;
constexpr double kLineStep = 0.5;
constexpr int kMaxLines = 50;
constexpr double kBandGap = 0.1;
// Where a line's text must end: the right edge of the bands, less a little room.
constexpr double kTextLeft = 1.0;
constexpr double kTextWidth = kLeft + kBandWidth - 0.1 - kTextLeft;

// Hours and minutes of a total, with at least three hour digits (a company's year can pass
// 999 hours, which the sheet's three-digit form would cut).
std::string TotalHours(long minutes) {
  char text[32];
  std::snprintf(text, sizeof text, "%03ld:%02ld", minutes / 60, minutes % 60);
  return text;
}

long Minutes(std::string_view text) {
  // The stored form "HH:MM", read digit by digit: this runs for every slot of every day.
  auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
  if (text.empty()) return 0;
  if (text.size() == 5 && text[2] == ':' && digit(0) && digit(1) && digit(3) && digit(4)) {
    return ((text[0] - '0') * 10 + (text[1] - '0')) * 60 + (text[3] - '0') * 10 + (text[4] - '0');
  }
  const std::string_view t = Trim(text);
  if (t.size() < 4 || t[t.size() - 3] != ':') return 0;
  return static_cast<long>(ValInt(t.substr(0, t.size() - 3)) * 60 + ValInt(t.substr(t.size() - 2)));
}

std::string CodeText(std::string_view code) {
  return IsDigits(code) ? PadLeft(code, 3, '0') : std::string(code);
}

// The pages of one summary: header, lines, bands and page breaks.
class SummaryPages {
 public:
  SummaryPages(ReportTarget& target, PrinterJob* printer, std::string title_line,
               std::string company_line, std::string kind_title, int employees, bool company_kind)
      : target_(target),
        printer_(printer),
        title_line_(std::move(title_line)),
        company_line_(std::move(company_line)),
        kind_title_(std::move(kind_title)),
        employees_(employees) {
    const bool pdf = target_.PdfOutput();
    first_row_ = company_kind ? 5.7 : 5.2;
    last_row_ = company_kind && pdf ? 26.7 : 27.2;
    max_lines_ = company_kind && pdf ? kMaxLines - 1 : kMaxLines;
  }

  int pages() const { return page_; }

  void Begin() {
    if (page_ > 0) {
      if (target_.PdfOutput()) {
        target_.ReportPdf().BeginPage();
      } else {
        printer_->NewPage();
      }
    }
    ++page_;
    Header();
    row_ = first_row_;
    lines_ = 0;
  }

  void Line(const std::string& text) {
    Room(1);
    Font(FittedCourierSize(text, 12, kTextWidth), 0);
    PrintText(target_, row_, kTextLeft, std::string_view(text));
    Advance();
  }

  // A group's band and title. It never ends a page: when its first line would not follow on
  // the same page, the band starts the next one.
  void Band(const std::string& text) {
    // A band below a line starts 0.1 cm lower than the line step: on the printer the band
    // reaches 0.1 cm above its row and would cut the foot of the line before it.
    if (row_ > first_row_) row_ += kBandGap;
    Room(2);
    // Each group of the summary is an outline entry, pointing just above its band.
    if (target_.PdfOutput()) {
      target_.ReportPdf().AddBookmark(text, "/XYZ", {0, std::max(0.0, row_ - 1), 0, 0});
    }
    if (target_.PdfOutput()) {
      PrintShadedBox(target_, row_ - 0.35, kLeft, 0.5, kBandWidth, "Silver");
    } else {
      PrintShadedBox(target_, row_ - 0.1, kLeft, 0.6, kBandWidth, "Silver");
    }
    Font(FittedCourierSize(text, 12, kTextWidth), 1);
    PrintText(target_, row_, kTextLeft, std::string_view(text));
    Advance();
  }

 private:
  void Font(double size, int style) {
    if (target_.PdfOutput()) {
      target_.ReportPdf().SetFont("Courier New", size, style);
    } else {
      PrinterFont font;
      font.size = size;
      font.bold = (style & 1) != 0;
      font.italic = (style & 2) != 0;
      printer_->SetFont(font);
    }
  }
  void Header() {
    // The PDF bands sit higher, so that the baselines fall inside them.
    const double shift = target_.PdfOutput() ? -0.5 : 0;
    PrintShadedBox(target_, 1.5 + shift, kLeft, 0.7, kBandWidth, "Silver");
    PrintShadedBox(target_, 4.0 + shift, kLeft, 0.7, kBandWidth, "Silver");
    Font(16, 3);
    PrintText(target_, 1.5, 1.5, std::string_view(title_line_));
    Font(14, 3);
    PrintText(target_, 2.6, 1.5, std::string_view(company_line_));
    std::string text = "NUMERO DIPENDENTI ELABORATI: " + std::to_string(employees_);
    PrintText(target_, 3.3, 1.5, text);
    Font(12, 1);
    text = "TIPO RIEPILOGO : " + kind_title_;
    PrintText(target_, 4.1, 1.5, text);
    text = "Pag. " + ZeroPad(page_, 3);
    PrintText(target_, 4.1, 16.8, text);
  }
  // Begins a new page unless `lines` more lines fit on this one.
  void Room(int lines) {
    if (row_ + (lines - 1) * kLineStep > last_row_ || lines_ + lines > max_lines_) Begin();
  }
  void Advance() {
    row_ += kLineStep;
    ++lines_;
  }

  ReportTarget& target_;
  PrinterJob* printer_;
  std::string title_line_, company_line_, kind_title_;
  int employees_;
  double first_row_ = 5.2, last_row_ = 27.2, row_ = 0;
  int max_lines_ = kMaxLines;
  int lines_ = 0;
  int page_ = 0;
};

void TotalsLines(SummaryPages& pages, long presence, const CodeMinutes& codes,
                 const JustificationTable& table) {
  pages.Line("TOTALE ORE DI PRESENZA : " + TotalHours(presence));
  for (const auto& [code, minutes] : codes) {
    if (minutes == 0) continue;
    auto it = table.find(code);
    const std::string description = it == table.end() ? "" : it->second.description;
    pages.Line("TOTALE ORE GIUSTIFICATIVO " + CodeText(code) + " " + description + " : " +
               TotalHours(minutes));
  }
}

void AddInto(const EmployeeTotals& e, long* presence, CodeMinutes* codes) {
  *presence += e.presence;
  for (const auto& [code, minutes] : e.codes) (*codes)[code] += minutes;
}

}  // namespace

std::string_view SummaryTitle(SummaryKind kind) {
  switch (kind) {
    case SummaryKind::kCompany:
      return "RIEPILOGO PER DITTA";
    case SummaryKind::kEmployees:
      return "RIEPILOGO DITTA - TOTALI PER DIPENDENTE";
    case SummaryKind::kSubCompany:
      return "RIEPILOGO PER SOTTODITTA";
    case SummaryKind::kGroup:
      return "RIEPILOGO PER GRUPPO ORARIO";
    case SummaryKind::kJustification:
      return "RIEPILOGO PER CODICE GIUSTIFICATIVO";
  }
  return "";
}

std::string_view SummaryPrefix(SummaryKind kind) {
  switch (kind) {
    case SummaryKind::kCompany:
      return "RIEPDIT_";
    case SummaryKind::kEmployees:
      return "RIEPDIP_";
    case SummaryKind::kSubCompany:
      return "RIEPS_";
    case SummaryKind::kGroup:
      return "RIEPG_";
    case SummaryKind::kJustification:
      return "RIEPA_";
  }
  return "";
}

void AddDayHours(const DayHoursView& day, EmployeeTotals* totals) {
  totals->presence += Minutes(day.worked);
  for (size_t slot = 0; slot < 5; ++slot) {
    const std::string_view code = Trim(day.codes[slot]);
    if (code.empty()) continue;
    const long minutes = Minutes(day.hours[slot]);
    // Stored codes have their three digits: found without building a text.
    auto it = totals->codes.find(code);
    if (it == totals->codes.end() || code.size() != 3) {
      it = totals->codes.try_emplace(CodeText(code), 0).first;
    }
    it->second += minutes;
  }
}

namespace {

using TotalsByKey = std::unordered_map<std::string, EmployeeTotals>;

// The company's days of the period, read with one query of the columns summed, in key order,
// and added up as they come into the totals of the selected employees: no row is kept, so
// memory does not grow with the days. Returns whether the period has any day at all.
bool SumCompanyDays(const JobContext& job, const SummaryRequest& request, std::string_view period,
                    TotalsByKey* by_key) {
  for (const std::string& key : request.employees) by_key->try_emplace(std::string(Trim(key)));
  EmployeeTotals* current = nullptr;
  std::string current_key = "\x01";  // no key
  bool any_rows = false;
  const Status read =
      job.db.CompanyHours(PadLeft(request.company, 3, '0'), period, [&](const DayHoursView& day) {
        any_rows = true;
        if (day.employee != current_key) {
          current_key.assign(day.employee);
          auto found = by_key->find(current_key);
          current = found == by_key->end() ? nullptr : &found->second;
          if (current != nullptr) current->key = current_key;
        }
        if (current != nullptr) AddDayHours(day, current);
      });
  if (!read.ok()) ThrowDatabaseError(read, "PRESENZE");
  return any_rows;
}

// The sub-company, schedule group and label of an employee whose record is the current one.
void LabelEmployee(FieldCodec& codec, const std::string& key, EmployeeTotals* e) {
  e->sub_company = key.size() >= 6 ? key.substr(3, 3) : "";
  const std::string group(Trim(codec.GetField(fields::kP766)));
  const std::string profile(Trim(codec.GetField(fields::kP138)));
  std::string marker;
  if (ValInt(group) != 0) {
    e->group = group;
    marker = "GR. " + group;
  } else {
    e->group = "PROFILO " + profile;
    marker = "PR. " + profile;
  }
  e->label = key + " " + Cp1252ToUtf8(Trim(codec.GetField(fields::kP002))) + " " +
             Cp1252ToUtf8(Trim(codec.GetField(fields::kP003))) + " " + marker;
}

// The selected employees with days in the period, in list order, with their labels; each
// taken out of `by_key` once.
std::vector<EmployeeTotals> ListedTotals(const JobContext& job, const SummaryRequest& request,
                                         std::string_view period, TotalsByKey* by_key) {
  std::vector<EmployeeTotals> totals;
  for (size_t index = 0; index < request.employees.size(); ++index) {
    const std::string& listed = request.employees[index];
    const std::string key(Trim(listed));
    if (request.progress) request.progress(index, request.employees.size(), key);
    if (!job.lists.LoadEmployee(request.year, listed)) continue;
    if (!request.whole_year && !EmployedInPeriod(job, period)) continue;
    auto found = by_key->find(key);
    // No rows (the key is set by the first row), or already listed.
    if (found == by_key->end() || found->second.key.empty()) continue;
    EmployeeTotals e = std::move(found->second);
    by_key->erase(found);
    LabelEmployee(job.codec, key, &e);
    totals.push_back(std::move(e));
  }
  return totals;
}

// Opens the summary's PDF file or starts the printer document. False (after the message)
// when the file cannot be opened.
bool OpenSummaryOutput(const JobContext& job, const SummaryRequest& request,
                       const std::string& company_code, SummaryResult* result) {
  ReportTarget& target = job.printing.report_target();
  FieldCodec& codec = job.codec;
  if (!request.pdf) {
    target.SetPdfOutput(false);
    job.printing.printer().set_title(std::string(SummaryTitle(request.kind)));
    return true;
  }
  target.SetPdfOutput(true);
  PdfFileRequest file;
  file.prefix = std::string(SummaryPrefix(request.kind));
  file.folder = BuildPdfFolder(job.installation.archive_path, company_code,
                               request.whole_year ? kYearFolderKind : kSheetFolderKind,
                               request.year, request.month);
  file.company_code = company_code;
  file.company_name = codec.GetField(fields::kT002);
  file.company_password = codec.GetField(fields::kT364);
  file.office_password = codec.GetField(fields::kF357);
  Result<std::string> opened = OpenReportPdf(target, file, job.dialogs);
  if (!opened.ok()) {
    result->message = opened.status().message();
    if (opened.status().kind() != Status::Kind::kConflict) {
      job.dialogs.Show(result->message, MessageIcon::kCritical);
    }
    return false;
  }
  result->pdf_file = opened.value();
  result->protected_file = ProtectionOf(file) != PdfPasswordOwner::kNone;
  return true;
}

// Totals added up per group key, each group under its band.
template <class KeyOf>
void GroupedLines(SummaryPages& pages, const std::vector<EmployeeTotals>& totals, KeyOf key_of,
                  const std::string& band_prefix, const JustificationTable& table) {
  std::map<std::string, std::pair<long, CodeMinutes>> groups;
  for (const EmployeeTotals& e : totals) {
    auto& g = groups[key_of(e)];
    AddInto(e, &g.first, &g.second);
  }
  for (const auto& [key, g] : groups) {
    pages.Band(band_prefix + key);
    TotalsLines(pages, g.first, g.second, table);
  }
}

// Each code used in the period: the employees who used it and the code's total.
void JustificationLines(SummaryPages& pages, const std::vector<EmployeeTotals>& totals,
                        const JustificationTable& table) {
  for (const auto& [code, justification] : table) {
    const std::string code_text = CodeText(Trim(code));
    long total = 0;
    for (const EmployeeTotals& e : totals) {
      auto it = e.codes.find(code_text);
      if (it != e.codes.end()) total += it->second;
    }
    if (total == 0) continue;
    pages.Band("CODICE ASSENZA : " + code_text + " " + justification.description);
    for (const EmployeeTotals& e : totals) {
      auto it = e.codes.find(code_text);
      if (it == e.codes.end() || it->second == 0) continue;
      pages.Line(e.label + " : " + TotalHours(it->second));
    }
    pages.Line("TOTALE ORE GIUSTIFICATIVO " + code_text + " " + justification.description + " : " +
               TotalHours(total));
  }
}

// The lines of the summary's kind.
void SummaryLines(SummaryPages& pages, SummaryKind kind, const std::vector<EmployeeTotals>& totals,
                  const JustificationTable& table) {
  switch (kind) {
    case SummaryKind::kCompany: {
      long presence = 0;
      CodeMinutes codes;
      for (const EmployeeTotals& e : totals) AddInto(e, &presence, &codes);
      TotalsLines(pages, presence, codes, table);
      break;
    }
    case SummaryKind::kEmployees:
      for (const EmployeeTotals& e : totals) {
        pages.Band("DIPENDENTE : " + e.label);
        TotalsLines(pages, e.presence, e.codes, table);
      }
      break;
    case SummaryKind::kSubCompany:
      GroupedLines(
          pages, totals, [](const EmployeeTotals& e) { return e.sub_company; },
          "CODICE SOTTODITTA : ", table);
      break;
    case SummaryKind::kGroup:
      GroupedLines(
          pages, totals, [](const EmployeeTotals& e) { return e.group; },
          "CODICE GRUPPO ORARIO : ", table);
      break;
    case SummaryKind::kJustification:
      JustificationLines(pages, totals, table);
      break;
  }
}

// Finishes the PDF file or ends the printer document; a failure is said and the result then
// counts no page.
void EndSummaryOutput(const JobContext& job, const SummaryRequest& request, SummaryResult* result) {
  if (request.pdf) {
    if (Status s = job.printing.report_target().EndReportPdf(); !s.ok()) {
      result->message = "Impossibile completare il file PDF " + s.message();
      job.dialogs.Show(result->message, MessageIcon::kCritical);
      result->pdf_file.clear();
      result->pages = 0;
    }
  } else if (!job.printing.printer().EndDoc()) {
    result->message = "Stampa non riuscita: " + job.printing.printer().last_error();
    job.dialogs.Show(result->message, MessageIcon::kCritical);
    result->pages = 0;
  }
}

}  // namespace

SummaryResult STAMPARIEPILOGOMESE(const JobContext& job, const SummaryRequest& request) {
  job.trace.TraceProcedure("STAMPARIEPILOGOMESE");
  SummaryResult result;
  FieldCodec& codec = job.codec;
  const std::string title = job.dialogs.window_caption();
  const std::string month_text = ZeroPad(request.month, 2);
  const std::string year_text = ZeroPad(request.year, 4);

  if (std::string refused =
          CheckPrintSelection(job, request.company, request.employees.empty(), title);
      !refused.empty()) {
    result.message = std::move(refused);
    return result;
  }
  const std::string company_code(Trim(codec.GetField(fields::kT001)));
  const std::string company_line = "DITTA : " + company_code + " " +
                                   Cp1252ToUtf8(Trim(codec.GetField(fields::kT002))) + " " +
                                   Cp1252ToUtf8(Trim(codec.GetField(fields::kT003)));

  const std::string period = year_text + month_text;
  TotalsByKey by_key;
  const bool any_rows =
      SumCompanyDays(job, request, request.whole_year ? year_text : period, &by_key);
  const std::vector<EmployeeTotals> totals = ListedTotals(job, request, period, &by_key);
  result.employees = static_cast<int>(totals.size());
  if (request.progress && !request.employees.empty()) {
    request.progress(request.employees.size(), request.employees.size(), {});
  }

  Result<JustificationTable> table = LoadJustificationTable(job.db);
  if (!table.ok()) {
    ThrowDatabaseError(table.status(), "GIUSTIFICATIVI");
  }
  if (request.kind == SummaryKind::kJustification && !any_rows) {
    result.message = "Periodo richiesto " + month_text + "/" + year_text + " Inesistente";
    job.dialogs.Show(result.message +
                         "\r\rPer accedere all'aggiornamento eseguire la memorizzazione "
                         "tramite la funzione 'Memorizza mese'",
                     title, MessageIcon::kExclamation);
    return result;
  }

  if (!OpenSummaryOutput(job, request, company_code, &result)) return result;
  const std::string title_line =
      request.whole_year
          ? "RIEPILOGO PRESENZE/ASSENZE ANNO : " + year_text
          : "RIEPILOGO PRESENZE/ASSENZE MESE DI : " +
                std::string(kSheetMonthNames[static_cast<size_t>(request.month - 1)]) + " " +
                year_text;
  SummaryPages pages(job.printing.report_target(), request.pdf ? nullptr : &job.printing.printer(),
                     title_line, company_line, std::string(SummaryTitle(request.kind)),
                     result.employees, request.kind == SummaryKind::kCompany);
  pages.Begin();
  SummaryLines(pages, request.kind, totals, table.value());
  result.pages = pages.pages();
  EndSummaryOutput(job, request, &result);
  return result;
}

}  // namespace kaveltar

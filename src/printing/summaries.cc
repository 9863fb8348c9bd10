// The summaries of the print screen.
#include "printing/summaries.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "app/session.h"
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

// Hours and minutes of a total, with at least three hour digits (a company's year can pass
// 999 hours, which the sheet's three-digit form would cut).
std::string TotalHours(long minutes) {
  char text[32];
  std::snprintf(text, sizeof text, "%03ld:%02ld", minutes / 60, minutes % 60);
  return text;
}

long Minutes(std::string_view text) {
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
    Room();
    Font(12, 0);
    PrintText(target_, row_, 1.0, std::string_view(text));
    Advance();
  }

  void Band(const std::string& text) {
    Room();
    if (target_.PdfOutput()) {
      PrintShadedBox(target_, row_ - 0.35, kLeft, 0.5, kBandWidth, "Silver");
    } else {
      PrintShadedBox(target_, row_ - 0.1, kLeft, 0.6, kBandWidth, "Silver");
    }
    Font(12, 1);
    PrintText(target_, row_, 1.0, std::string_view(text));
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
  void Room() {
    if (row_ > last_row_ || lines_ >= max_lines_) Begin();
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

void TotalsLines(SummaryPages& pages, long presence, const std::map<std::string, long>& codes,
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

void AddInto(const EmployeeTotals& e, long* presence, std::map<std::string, long>* codes) {
  *presence += e.presence;
  for (const auto& [code, minutes] : e.codes) (*codes)[code] += minutes;
}

}  // namespace

std::string_view SummaryTitle(SummaryKind kind) {
  switch (kind) {
    case SummaryKind::kCompany: return "RIEPILOGO PER DITTA";
    case SummaryKind::kEmployees: return "RIEPILOGO DITTA - TOTALI PER DIPENDENTE";
    case SummaryKind::kSubCompany: return "RIEPILOGO PER SOTTODITTA";
    case SummaryKind::kGroup: return "RIEPILOGO PER GRUPPO ORARIO";
    case SummaryKind::kJustification: return "RIEPILOGO PER CODICE GIUSTIFICATIVO";
  }
  return "";
}

std::string_view SummaryPrefix(SummaryKind kind) {
  switch (kind) {
    case SummaryKind::kCompany: return "RIEPDIT_";
    case SummaryKind::kEmployees: return "RIEPDIP_";
    case SummaryKind::kSubCompany: return "RIEPS_";
    case SummaryKind::kGroup: return "RIEPG_";
    case SummaryKind::kJustification: return "RIEPA_";
  }
  return "";
}

void TOTALIZZADIPENDENTE(const std::vector<DayRow>& rows, EmployeeTotals* totals) {
  for (const DayRow& row : rows) {
    totals->presence += Minutes(row.pres[3]);
    for (int slot = 1; slot <= 5; ++slot) {
      const std::string_view code = Trim(row.SlotCode(slot));
      if (code.empty()) continue;
      totals->codes[CodeText(code)] += Minutes(row.SlotHours(slot));
    }
  }
}

SummaryResult STAMPARIEPILOGOMESE(Session& session, const SummaryRequest& request) {
  session.trace().TraceProcedure("STAMPARIEPILOGOMESE");
  SummaryResult result;
  Dialogs& dialogs = session.dialogs();
  FieldCodec& codec = session.codec();
  ReportTarget& target = session.report_target();
  const std::string title(kFormCaption);
  const std::string month_text = ZeroPad(request.month, 2);
  const std::string year_text = ZeroPad(request.year, 4);

  if (std::string refused = CheckPrintSelection(session, request.company, request.employees.empty(), title);
      !refused.empty()) {
    result.message = std::move(refused);
    return result;
  }
  const std::string company_code(Trim(codec.GetField(fields::kT001)));
  const std::string company_name = Cp1252ToUtf8(Trim(codec.GetField(fields::kT002)));
  const std::string company_line = "DITTA : " + company_code + " " + company_name + " " +
                                   Cp1252ToUtf8(Trim(codec.GetField(fields::kT003)));
  const std::string company_password = codec.GetField(fields::kT364);

  // The period's rows of the whole company, one query per month, grouped by employee.
  std::unordered_map<std::string, std::vector<DayRow>> by_employee;
  std::vector<DayRow> rows;
  const int first = request.whole_year ? 1 : request.month;
  const int last = request.whole_year ? 12 : request.month;
  for (int m = first; m <= last; ++m) {
    if (Status s = session.db().CompanyMonth(PadLeft(request.company, 3, '0'),
                                             year_text + ZeroPad(m, 2), &rows);
        !s.ok()) {
      throw RunTimeError(3146, "Errore del database (PRESENZE): " + s.message());
    }
    for (DayRow& r : rows) by_employee[r.employee].push_back(std::move(r));
  }

  // The selected employees in list order, with their labels.
  std::vector<EmployeeTotals> totals;
  const std::string period = year_text + month_text;
  for (const std::string& entry : request.employees) {
    const std::string key(Trim(Right(entry, 10)));
    if (!session.lists().LoadEmployee(request.year, Right(entry, 10))) continue;
    if (!request.whole_year && !EmployedInPeriod(session, period)) continue;
    auto found = by_employee.find(key);
    if (found == by_employee.end() || found->second.empty()) continue;
    EmployeeTotals e;
    e.key = key;
    e.sub_company = key.size() >= 6 ? key.substr(3, 3) : "";
    const std::string group(Trim(codec.GetField(fields::kP766)));
    const std::string profile(Trim(codec.GetField(fields::kP138)));
    std::string marker;
    if (ValInt(group) != 0) {
      e.group = group;
      marker = "GR. " + group;
    } else {
      e.group = "PROFILO " + profile;
      marker = "PR. " + profile;
    }
    e.label = key + " " + Cp1252ToUtf8(Trim(codec.GetField(fields::kP002))) + " " +
              Cp1252ToUtf8(Trim(codec.GetField(fields::kP003))) + " " + marker;
    TOTALIZZADIPENDENTE(found->second, &e);
    totals.push_back(std::move(e));
  }
  result.employees = static_cast<int>(totals.size());

  Result<JustificationTable> table = LoadJustificationTable(session.db());
  if (!table.ok()) {
    throw RunTimeError(3146, "Errore del database (GIUSTIFICATIVI): " + table.status().message());
  }
  if (request.kind == SummaryKind::kJustification && by_employee.empty()) {
    result.message = "Periodo richiesto " + month_text + "/" + year_text + " Inesistente";
    dialogs.Show(result.message + "\r\rPer accedere all'aggiornamento eseguire la memorizzazione "
                                  "tramite la funzione 'Memorizza mese'",
                 title, MessageIcon::kExclamation);
    return result;
  }

  // The output.
  if (request.pdf) {
    target.SetPdfOutput(true);
    PdfFileRequest file;
    file.prefix = std::string(SummaryPrefix(request.kind));
    file.folder = BuildPdfFolder(session.archive_path, company_code,
                                 request.whole_year ? kYearFolderKind : kSheetFolderKind,
                                 request.year, request.month);
    file.title = std::string(kFormCaption);
    file.company_code = company_code;
    file.company_name = codec.GetField(fields::kT002);
    file.company_password = company_password;
    file.office_password = codec.GetField(fields::kF357);
    Result<std::string> opened = OpenReportPdf(target, file, dialogs);
    if (!opened.ok()) {
      result.message = opened.status().message();
      if (opened.status().kind() != Status::Kind::kConflict) {
        dialogs.Show(result.message, title, MessageIcon::kCritical);
      }
      return result;
    }
    result.pdf_file = opened.value();
  } else {
    target.SetPdfOutput(false);
    session.printer().set_title(std::string(SummaryTitle(request.kind)));
  }

  const std::string title_line =
      request.whole_year
          ? "RIEPILOGO PRESENZE/ASSENZE ANNO : " + year_text
          : "RIEPILOGO PRESENZE/ASSENZE MESE DI : " +
                std::string(kSheetMonthNames[static_cast<size_t>(request.month - 1)]) + " " + year_text;
  SummaryPages pages(target, request.pdf ? nullptr : &session.printer(), title_line, company_line,
                     std::string(SummaryTitle(request.kind)), result.employees,
                     request.kind == SummaryKind::kCompany);
  pages.Begin();

  auto grouped = [&](auto key_of, const std::string& band_prefix) {
    std::map<std::string, std::pair<long, std::map<std::string, long>>> groups;
    for (const EmployeeTotals& e : totals) {
      auto& g = groups[key_of(e)];
      AddInto(e, &g.first, &g.second);
    }
    for (const auto& [key, g] : groups) {
      pages.Band(band_prefix + key);
      TotalsLines(pages, g.first, g.second, table.value());
    }
  };

  switch (request.kind) {
    case SummaryKind::kCompany: {
      long presence = 0;
      std::map<std::string, long> codes;
      for (const EmployeeTotals& e : totals) AddInto(e, &presence, &codes);
      TotalsLines(pages, presence, codes, table.value());
      break;
    }
    case SummaryKind::kEmployees:
      for (const EmployeeTotals& e : totals) {
        pages.Band("DIPENDENTE : " + e.label);
        TotalsLines(pages, e.presence, e.codes, table.value());
      }
      break;
    case SummaryKind::kSubCompany:
      grouped([](const EmployeeTotals& e) { return e.sub_company; }, "CODICE SOTTODITTA : ");
      break;
    case SummaryKind::kGroup:
      grouped([](const EmployeeTotals& e) { return e.group; }, "CODICE GRUPPO ORARIO : ");
      break;
    case SummaryKind::kJustification:
      // Each code used in the period: the employees who used it and the code's total.
      for (const auto& [code, justification] : table.value()) {
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
        pages.Line("TOTALE ORE GIUSTIFICATIVO " + code_text + " " + justification.description +
                   " : " + TotalHours(total));
      }
      break;
  }
  result.pages = pages.pages();

  if (request.pdf) {
    if (Status s = target.EndReportPdf(); !s.ok()) {
      result.message = "Impossibile completare il file PDF " + s.message();
      dialogs.Show(result.message, title, MessageIcon::kCritical);
      result.pdf_file.clear();
      result.pages = 0;
    }
  } else if (!session.printer().EndDoc()) {
    result.message = "Stampa non riuscita: " + session.printer().last_error();
    dialogs.Show(result.message, title, MessageIcon::kCritical);
    result.pages = 0;
  }
  return result;
}

}  // namespace kaveltar

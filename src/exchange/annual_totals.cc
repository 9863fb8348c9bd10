#include "exchange/annual_totals.h"

#include "app/job_context.h"
#include "archive/selection_lists.h"
#include "base/encoding.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

// Width of the boxed report in characters: 90 Courier New characters of 10 points fill the
// printable width of an A4 sheet.
constexpr size_t kReportWidth = 90;

void Check(const Status& status) {
  if (!status.ok()) ThrowDatabaseError(status, "PRESENZE");
}

// `text` padded with blanks (or cut) to `width` characters, counting UTF-8 characters.
std::string FitText(std::string_view text, size_t width) {
  std::string out(tables_internal::Utf8Left(text, width));
  const size_t length = tables_internal::Utf8Length(out);
  if (length < width) out.append(width - length, ' ');
  return out;
}

}  // namespace

std::vector<std::string> CompanyItems(const JobContext& job, int distance) {
  SelectionLists& lists = job.lists;
  lists.CARICAESTRAZIONE(distance);
  std::vector<std::string> items;
  for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kLoad, kOrderByCode)) {
    // The code, a space and the name in at most 60 columns.
    items.push_back(std::string(TrimRight(Cp1252ToUtf8(company.code + " " + company.name))));
  }
  return items;
}

std::vector<std::string> JustificationLines(AttendanceDb& db) {
  std::vector<JustificationRow> rows;
  Check(db.ListJustifications(&rows));
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const JustificationRow& row : rows) {
    lines.push_back(row.code + " " + std::string(Trim(row.gius[1])));
  }
  return lines;
}

std::string SelectedJustification(std::string_view line) {
  return std::string(Trim(tables_internal::Utf8Left(line, 55)));
}

Result<int> CALCOLA_MESE(AttendanceDb& db, std::string_view company, std::string_view code,
                         int year, int month) {
  const std::string key = ZeroPad(year, 4) + ZeroPad(month, 2);
  const std::string_view wanted = Trim(code);
  int days = 0;
  // Row by row: a company of thousands of employees is never held in memory.
  const Status s = db.ForEachCompanyMonthDay(company, key, [&](const DayRow& row) {
    for (int slot = 1; slot <= 10; ++slot) {
      if (Trim(row.SlotCode(slot)) == wanted) {
        ++days;  // once per day, however many slots hold the code
        break;
      }
    }
    return true;
  });
  if (!s.ok()) return s;
  return days;
}

AnnualTotals ComputeAnnualTotals(AttendanceDb& db, std::string_view company_item,
                                 std::string_view justification, int year) {
  const std::string_view company = Trim(Mid(company_item, 0, 3));
  const std::string_view code = Trim(Mid(justification, 0, 3));
  AnnualTotals totals;
  // A code or a company that cannot be in the database counts nothing (the database refuses
  // a company key that is not three characters).
  if (company.size() != 3 || code.empty()) return totals;
  for (int m = 0; m < 12; ++m) {
    Result<int> days = CALCOLA_MESE(db, company, code, year, m + 1);
    Check(days.status());
    totals.months[static_cast<size_t>(m)] = *days;
    totals.total += *days;
  }
  return totals;
}

std::vector<std::string> TotalsReportLines(std::string_view justification,
                                           std::string_view company_item, bool previous_year,
                                           const AnnualTotals& totals) {
  const std::string equals(kReportWidth, '=');
  const std::string dashes(kReportWidth, '-');
  constexpr std::string_view kTitle = "| CALCOLO GIORNI TOTALI ANNUI GIUSTIFICATIVO : ";
  constexpr std::string_view kCompany = "| DITTA SELEZIONATA : ";
  const std::string_view year = previous_year ? "ANNO PRECEDENTE |" : "ANNO CORRENTE   |";
  // A label on the left, the number right-aligned before the closing " |".
  auto count_line = [](std::string_view label, int count) {
    return FitText(label, kReportWidth - 10) + PadLeft(std::to_string(count), 8) + " |";
  };

  std::vector<std::string> lines;
  lines.push_back(equals);
  lines.push_back(std::string(kTitle) + FitText(justification, kReportWidth - kTitle.size() - 1) +
                  "|");
  lines.push_back(dashes);
  lines.push_back(std::string(kCompany) +
                  FitText(company_item, kReportWidth - kCompany.size() - year.size()) +
                  std::string(year));
  lines.push_back(equals);
  for (size_t m = 0; m < 12; ++m) {
    if (m > 0) lines.push_back(dashes);
    lines.push_back(count_line("| TOTALE GIORNI MESE DI " + std::string(kUpperMonthNames[m]),
                               totals.months[m]));
  }
  lines.push_back(equals);
  lines.push_back(count_line("| TOTALE ANNUALE GIORNI GIUSTIFICATIVO", totals.total));
  lines.push_back(equals);
  return lines;
}

void PrintAnnualTotals(PrinterJob& printer, std::string_view justification,
                       std::string_view company_item, bool previous_year,
                       const AnnualTotals& totals) {
  if (printer.document_open()) printer.EndDoc();
  printer.set_title("CALCOLO GIORNI TOTALI ANNUI GIUSTIFICATIVO");
  PrinterFont font;
  font.name = "Courier New";
  font.size = 10;
  printer.SetFont(font);
  for (const std::string& line :
       TotalsReportLines(justification, company_item, previous_year, totals)) {
    printer.Print(line);
  }
  printer.EndDoc();
}

}  // namespace kaveltar

// Annual totals of a justification code: on how many days of each month of a year a code
// occurs in the stored attendance of one company, the twelve counts and their sum, and the
// boxed report that prints them.
//
// A day counts once however many of its ten justification slots hold the code, and it counts
// whole even when the code covers only part of the day (the screen warns about this).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "db/attendance_db.h"
#include "platform/printer.h"

namespace kaveltar {

struct JobContext;

inline constexpr std::string_view kCalcoloSubtitle =
    "Calcolo del totale giorni annuale per codice giustificativo selezionato";
// Month names as the labels and the report write them.
inline constexpr std::array<std::string_view, 12> kUpperMonthNames = {
    "GENNAIO", "FEBBRAIO", "MARZO",     "APRILE",  "MAGGIO",   "GIUGNO",
    "LUGLIO",  "AGOSTO",   "SETTEMBRE", "OTTOBRE", "NOVEMBRE", "DICEMBRE"};

// The year counted: the processing year, or the one before it.
inline int TotalsYear(int processing_year, bool previous_year) {
  return previous_year ? processing_year - 1 : processing_year;
}

// `OptAnnoCalcolo_Click`: the items of `ComboDittaCalcolo` for the year at `distance` from
// the processing year (0 current, 1 previous): one per company of that year's extraction, in
// code order, "CODE NAME" (T001, a space, T002 and T003 trimmed), UTF-8.
std::vector<std::string> CompanyItems(const JobContext& job, int distance);

// The lines of `ListElencoCalcolo`: "CODE DESCRIPTION" per row of GIUSTIFICATIVI in code
// order. A database failure is a RunTimeError.
std::vector<std::string> JustificationLines(AttendanceDb& db);

// `LabelGiusSelez` for a clicked line: its first 55 characters, trimmed.
std::string SelectedJustification(std::string_view line);

// `CALCOLA_MESE`: the days of month `month` (1-12) of `year` on which any of the ten code
// columns of a row of the company holds `code` (both trimmed). A failed query is returned.
Result<int> CALCOLA_MESE(AttendanceDb& db, std::string_view company, std::string_view code,
                         int year, int month);

struct AnnualTotals {
  std::array<int, 12> months{};
  int total = 0;
};

// `CmdCalcolaGG_Click` without its widgets: the company code and the justification code are
// the first three characters of the combo item and of `LabelGiusSelez`, trimmed. A database
// failure is a RunTimeError for the general error handler.
AnnualTotals ComputeAnnualTotals(AttendanceDb& db, std::string_view company_item,
                                 std::string_view justification, int year);

// The lines of the boxed report, as they are printed.
std::vector<std::string> TotalsReportLines(std::string_view justification,
                                           std::string_view company_item, bool previous_year,
                                           const AnnualTotals& totals);

// `CmdStpRiepilogo_Click`: prints the report on `printer` in "Courier New" 10 points, as one
// document.
void PrintAnnualTotals(PrinterJob& printer, std::string_view justification,
                       std::string_view company_item, bool previous_year,
                       const AnnualTotals& totals);

}  // namespace kaveltar

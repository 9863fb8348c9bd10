// The monthly attendance sheet of the single labour book ("foglio presenze / assenze"): one A4
// portrait page per employee and month with the header, one row per calendar day (schedule
// code, theoretical and worked hours, five justifications with their hours, the day total),
// the month totals, the detail of the justifications used, the optional INAIL stamp, the
// sheet number and the print date.
//
// The sheet is drawn once, through the report primitives, on whatever the ReportTarget points
// at. The two outputs differ only in the font calls and in the vertical position of the boxes
// (the PDF page has them 0.25 cm higher) and of the title; `STAMPASTRUTTURA` and
// `STAMPASTRUTTURAPDF` are the same drawing, named as the print screen's driver calls them.
//
// Geometry in centimetres (printer rows; PDF box rows are 0.25 less): the frame starts 0.8 cm
// from the left and is 18.2 cm wide; title band at 1.5 (0.7 high), column header band at 5.0
// (0.6 high), 31 day rows of 0.5 from 5.6, totals row at 21.1, detail rows at 21.6 and 22.1.
// Column separators are boxes from the left edge with the widths of kSeparatorWidths.
#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs.h"
#include "db/attendance_db.h"
#include "reports/print_primitives.h"
#include "tables/holidays.h"

namespace kaveltar {

inline constexpr std::array<double, 14> kSeparatorWidths = {
    2.6, 3.6, 4.7, 5.8, 6.8, 7.9, 8.9, 10.0, 11.0, 12.1, 13.1, 14.2, 15.2, 16.3};

inline constexpr std::string_view kSheetTitle = "PRESENZE / ASSENZE MESE DI :";
inline constexpr std::string_view kDraftLine = "STAMPA IN BOZZA - NON VALIDA AI FINI FISCALI";
inline constexpr std::string_view kNumberLabel = "NUMERAZIONE : ";
inline constexpr std::string_view kDetailTitle =
    "DETTAGLIO GIUSTIFICATIVI DI PRESENZA / ASSENZA EFFETTUATI NEL MESE";
inline constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato", "Domenica"};
inline constexpr std::array<std::string_view, 12> kSheetMonthNames = {
    "Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
    "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};

// The INAIL stamp of the payslip settings (the caption of `lblBollo`).
enum class StampKind { kRectangular, kCircular, kStandard, kFromFile };
// The stamp settings of an installation: the first character of the first line of the file
// BOLLOSTAMP<installation code> in the archive folder ("0" rectangular, "1" circular,
// "2" from file, "3" standard). A missing file or any other value is rectangular.
StampKind ReadStampKind(const std::filesystem::path& archive_folder,
                        std::string_view installation_code);
inline constexpr std::string_view kCircularMissing =
    "Il file relativo al bollo circolare non esiste verrà utilizzato quello rettangolare";

// The options of the print screen that change the sheet.
struct SheetOptions {
  bool draft = false;             // `chkBozza`
  bool no_number = false;         // `ChkNoNumero`
  bool no_theoretical = false;    // `chkNoTeoriche`
  bool rest_letter = false;       // `ChkRiposo`: "R" on days without theoretical hours
  bool presence_letters = false;  // `ChKMensilizzato`: "P"/"A" for P767 = 1 (or P447/P529)
  bool stamp = false;             // `ChkBollo`
  bool inail_office = false;      // `Chksedeinail`
  StampKind stamp_kind = StampKind::kRectangular;
  std::string number_text;  // `TextProtocollo`
};

// The sheet is numbered (number printed, stored and advanced): not a draft, numbering on and
// a year after 2008.
bool SheetIsNumbered(const SheetOptions& options, int year);

// Company fields, as read from the archive (Windows-1252 bytes).
struct SheetCompany {
  std::string code;          // T001
  std::string name;          // T002
  std::string third;         // T003
  std::string inail_office;  // T007
  std::string holiday_ddmm;  // T030
};

// Employee fields, as read from the archive (Windows-1252 bytes).
struct SheetEmployee {
  std::string key;         // P001
  std::string surname;     // P002
  std::string first_name;  // P003
  std::string matricola;   // P102
  int p767 = 0;
  int p447 = 0;
  int p529 = 0;
};

// What a justification code shows on the sheet.
struct SheetJustification {
  std::string description;  // GIUS_1
  bool presence = false;    // GIUS_2 = "P"
};
using JustificationTable = std::map<std::string, SheetJustification, std::less<>>;
// GIUSTIFICATIVI read once for a run.
Result<JustificationTable> LoadJustificationTable(AttendanceDb& db);

// Everything one sheet needs. The pointers are not owned and must outlive the call.
struct SheetInput {
  int year = 0;
  int month = 0;  // 1-12
  SheetCompany company;
  SheetEmployee employee;
  const std::vector<DayRow>* rows = nullptr;  // the employee-month, in day order
  const JustificationTable* justifications = nullptr;
  const HolidayCalendar* holidays = nullptr;
  std::string municipality_ddmm;         // F161
  std::filesystem::path program_folder;  // holds MODULI/CIRCOLARE.BMP, moduli/inailstd.jpg
  std::time_t printed_at = 0;            // the print date line; 0 = now
  Dialogs* dialogs = nullptr;            // the circular stamp's fallback message
  // The database where a numbered sheet stores its number (PROTOCOLLO of the month's last
  // row); null = not stored.
  AttendanceDb* db = nullptr;
  // Only the empty structure with the company header (`chkVidima`).
  bool validation = false;
};

// Draws one sheet on the current page of the target. Throws Fatal when a stamp picture is
// missing (the circular one falls back to the rectangular stamp first); a failing PdfDocument
// call is thrown as RunTimeError; a failure to store the number is the database error
// (base/run_time_error.h).
void DrawMonthlySheet(ReportTarget& target, const SheetInput& input, const SheetOptions& options);
inline void STAMPASTRUTTURA(ReportTarget& target, const SheetInput& input,
                            const SheetOptions& options) {
  DrawMonthlySheet(target, input, options);
}
inline void STAMPASTRUTTURAPDF(ReportTarget& target, const SheetInput& input,
                               const SheetOptions& options) {
  DrawMonthlySheet(target, input, options);
}
// The INAIL stamp block, drawn by DrawMonthlySheet when options.stamp is set.
void STAMPABOLLO(ReportTarget& target, const SheetInput& input, const SheetOptions& options);

// The size at which `text` (UTF-8) in "Courier New" fits in `width_cm`: `size` when it
// already does, otherwise the smaller size, in tenths of a point, that makes it fit.
double FittedCourierSize(std::string_view text, double size, double width_cm);

// "lunedì 1 giugno 2025    ore 08:05": the print date line of the sheet.
std::string PrintDateLine(std::time_t when);

}  // namespace kaveltar

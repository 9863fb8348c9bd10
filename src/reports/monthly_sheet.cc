// The monthly attendance sheet, drawn through the report primitives on either output.
#include "reports/monthly_sheet.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/dates.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "platform/paths.h"

namespace kaveltar {
namespace {

constexpr double kLeft = 0.8;
constexpr double kWidth = 18.2;
// PDF boxes sit this much higher than the printer's.
constexpr double kPdfShift = 0.25;
constexpr double kTitleTop = 1.5;
constexpr double kHeaderTop = 5.0;
constexpr double kFirstDayTop = 5.6;
constexpr double kDayHeight = 0.5;
constexpr double kTotalsTop = 21.1;
constexpr double kDetailTops[] = {21.6, 22.1};
constexpr double kSeparatorHeight = 16.1;
constexpr double kFrameBottom = 22.6;

// Text columns of the five justification slots: the code and its hours.
constexpr double kCodeColumns[] = {6.8, 8.9, 10.85, 13.1, 15.2};
// Slot 4's hours at 14.0, not 14.2: "08:00" at 9 points would run 0.15 cm into slot 5.
constexpr double kHoursColumns[] = {7.7, 9.8, 11.9, 14.0, 16.1};
// "GIUS.n" over the codes starts 0.05 cm right of the column line, not at the code column:
// at 6.8, 8.9, 13.1 and 15.2 the label would run up to 0.09 cm over the next line.
constexpr double kCodeLabelColumns[] = {6.65, 8.75, 10.85, 12.95, 15.05};
// The frame's right edge, and the room kept between a text and a line it must not reach.
constexpr double kRight = kLeft + kWidth;
constexpr double kClearance = 0.1;

// Rows of the texts (both outputs): the top of the line on the printer, the baseline in PDF.
constexpr double kFirstDayTextRow = 5.7;
// The detail starts at 22.65, not 22.4: its first line would be crossed by the frame's
// bottom line (22.6 on the printer, 22.35 in PDF).
constexpr double kDetailFirstRow = 22.65;
constexpr double kDetailStep = 0.4;
constexpr int kDetailLinesPerColumn = 13;
constexpr double kDetailColumns[] = {1.0, 10.0};

// Font styles of the PDF writer.
constexpr int kRegular = 0;
constexpr int kBold = 1;
constexpr int kBoldItalic = 3;

void SetSheetFont(ReportTarget& target, double size, int style) {
  if (target.PdfOutput()) {
    target.ReportPdf().SetFont("Courier New", size, style);
  } else {
    PrinterFont font;
    font.name = "Courier New";
    font.size = size;
    font.bold = (style & 1) != 0;
    font.italic = (style & 2) != 0;
    target.printer().SetFont(font);
  }
}

// The row of a box on the current output.
double BoxRow(const ReportTarget& target, double printer_row) {
  return target.PdfOutput() ? printer_row - kPdfShift : printer_row;
}

std::string Shown(std::string_view archive_text) { return Cp1252ToUtf8(Trim(archive_text)); }

// Hours text to minutes without a message for text that is not "HH:MM".
long Minutes(std::string_view text, Dialogs* dialogs) {
  std::string_view t = Trim(text);
  if (t.empty()) return 0;
  if (dialogs != nullptr) return HoursToMinutes(t, *dialogs);
  if (t.size() < 4 || t[t.size() - 3] != ':') return 0;
  return static_cast<long>(ValInt(t.substr(0, t.size() - 3)) * 60 + ValInt(t.substr(t.size() - 2)));
}

void DrawStructure(ReportTarget& target) {
  const double title = BoxRow(target, kTitleTop);
  PrintBox(target, title, kLeft, BoxRow(target, kFrameBottom) - title, kWidth);
  PrintShadedBox(target, title, kLeft, 0.7, kWidth, "Silver");
  PrintBox(target, title, kLeft, 0.7, kWidth);
  const double header = BoxRow(target, kHeaderTop);
  PrintShadedBox(target, header, kLeft, 0.6, kWidth, "Silver");
  PrintBox(target, header, kLeft, 0.6, kWidth);
  for (double width : kSeparatorWidths) PrintBox(target, header, kLeft, kSeparatorHeight, width);
  for (int day = 0; day < 31; ++day) {
    PrintBox(target, BoxRow(target, kFirstDayTop + day * kDayHeight), kLeft, kDayHeight, kWidth);
  }
  const double totals = BoxRow(target, kTotalsTop);
  PrintShadedBox(target, totals, kLeft, 0.5, kWidth, "Silver");
  PrintBox(target, totals, kLeft, 0.5, kWidth);
  for (double top : kDetailTops) PrintBox(target, BoxRow(target, top), kLeft, 0.5, kWidth);
}

void DrawColumnHeaders(ReportTarget& target, bool letters) {
  SetSheetFont(target, 7, kBold);
  constexpr double kFirst = 5.0, kSecond = 5.3;
  PrintText(target, kFirst, 1.8, std::string_view("DATA"));
  PrintText(target, kSecond, 1.3, std::string_view("TIMBRATURA"));
  PrintText(target, kFirst, 3.5, std::string_view("GRUP."));
  PrintText(target, kSecond, 3.5, std::string_view("PROF."));
  PrintText(target, kFirst, 4.75, std::string_view("ORE"));
  PrintText(target, kSecond, 4.5, std::string_view("GRUPPO"));
  if (letters) {
    PrintText(target, kFirst, 5.7, std::string_view("DETT."));
  } else {
    PrintText(target, kFirst, 5.8, std::string_view("ORE"));
  }
  PrintText(target, kSecond, 5.55, std::string_view("PRESEN."));
  for (int slot = 0; slot < 5; ++slot) {
    const std::string name = "GIUS." + std::to_string(slot + 1);
    PrintText(target, kFirst, kCodeColumns[slot], std::string_view("COD."));
    PrintText(target, kSecond, kCodeLabelColumns[slot], std::string_view(name));
    PrintText(target, kFirst, kHoursColumns[slot], std::string_view("ORE"));
    PrintText(target, kSecond, kHoursColumns[slot], std::string_view(name));
  }
  PrintText(target, kFirst, 17.3, std::string_view("TOTALE ORE"));
  PrintText(target, kSecond, 17.45, std::string_view("LAVORATE"));
}

// The left edge of the stamp drawn beside the header lines, or the frame's right edge.
double HeaderRightEdge(const SheetOptions& options) {
  if (!options.stamp) return kRight;
  return options.stamp_kind == StampKind::kRectangular ? 17.2 : 16.7;
}

// Writes a header line in bold italic at `size` points, smaller when it would reach
// `right_edge`: a long company or employee name must not run into the stamp or the frame.
void PrintFittedLine(ReportTarget& target, double y, double x, std::string& text, double size,
                     double right_edge) {
  SetSheetFont(target, FittedCourierSize(text, size, right_edge - kClearance - x), kBoldItalic);
  PrintText(target, y, x, text);
}

void DrawTitleAndCompany(ReportTarget& target, const SheetInput& input,
                         const SheetOptions& options) {
  SetSheetFont(target, 16, kBoldItalic);
  std::string text = std::string(kSheetTitle) + " " +
                     std::string(kSheetMonthNames[static_cast<size_t>(input.month - 1)]) + " " +
                     std::to_string(input.year);
  PrintText(target, target.PdfOutput() ? 1.75 : 1.5, 2.5, text);
  text = "DITTA : " + Shown(input.company.code) + " " + Shown(input.company.name) + " " +
         Shown(input.company.third);
  PrintFittedLine(target, 2.6, 2.5, text, 14, HeaderRightEdge(options));
}

bool UsesLetters(const SheetInput& input, const SheetOptions& options) {
  return options.presence_letters &&
         (input.employee.p767 == 1 || input.employee.p447 == 1 || input.employee.p529 == 1);
}

// The stamp's four lines; `first_row` is the row of "ISTITUTO".
void DrawStampWords(ReportTarget& target, double first_row) {
  SetSheetFont(target, 7, kBold);
  PrintText(target, first_row, 17.45, std::string_view("ISTITUTO"));
  PrintText(target, first_row + 0.3, 17.4, std::string_view("NAZIONALE"));
  PrintText(target, first_row + 0.6, 17.4, std::string_view("INFORTUNI"));
  PrintText(target, first_row + 0.9, 17.53, std::string_view("SEDE DI"));
}

void DrawRectangularStamp(ReportTarget& target, const SheetInput& input) {
  PrintBox(target, BoxRow(target, 2.4), 17.2, 2.1, 1.7);
  DrawStampWords(target, 2.7);
  PrintText(target, 4.1, 17.9, std::string_view(Shown(input.company.inail_office)));
}

void StorePrintedNumber(const SheetInput& input, const SheetOptions& options) {
  if (input.db == nullptr || input.rows == nullptr || input.rows->empty()) return;
  DayRow row = input.rows->back();
  row.protocollo = static_cast<long>(ValInt(Trim(options.number_text)));
  if (Status s = input.db->SaveDay(row); !s.ok()) ThrowDatabaseError(s, "PRESENZE");
}

}  // namespace

StampKind ReadStampKind(const std::filesystem::path& archive_folder,
                        std::string_view installation_code) {
  const std::string line = ReadFirstLine(
      FindCaseInsensitive(archive_folder / ("BOLLOSTAMP" + std::string(installation_code))));
  const std::string_view first = Trim(line).substr(0, 1);
  if (first == "1") return StampKind::kCircular;
  if (first == "2") return StampKind::kFromFile;
  if (first == "3") return StampKind::kStandard;
  return StampKind::kRectangular;
}

bool SheetIsNumbered(const SheetOptions& options, int year) {
  return !options.draft && !options.no_number && year > 2008;
}

Result<JustificationTable> LoadJustificationTable(AttendanceDb& db) {
  std::vector<JustificationRow> rows;
  if (Status s = db.ListJustifications(&rows); !s.ok()) return s;
  JustificationTable table;
  for (const JustificationRow& row : rows) {
    table[row.code] = {std::string(Trim(row.gius[1])), Trim(row.gius[2]) == "P"};
  }
  return table;
}

double FittedCourierSize(std::string_view text, double size, double width_cm) {
  size_t letters = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++letters;
  }
  // "Courier New" advances every letter by 0.6 of the size; 72 points to 2.54 cm.
  const double needed = static_cast<double>(letters) * 0.6 * size * 2.54 / 72;
  if (letters == 0 || needed <= width_cm || width_cm <= 0) return size;
  // Rounded down to a tenth of a point, so the text ends before the edge on both outputs.
  return std::floor(size * width_cm / needed * 10) / 10;
}

std::string PrintDateLine(std::time_t when) {
  static constexpr const char* kDays[] = {"domenica", "lunedì",  "martedì", "mercoledì",
                                          "giovedì",  "venerdì", "sabato"};
  static constexpr const char* kMonths[] = {"gennaio",   "febbraio", "marzo",    "aprile",
                                            "maggio",    "giugno",   "luglio",   "agosto",
                                            "settembre", "ottobre",  "novembre", "dicembre"};
  std::tm tm{};
  localtime_r(&when, &tm);
  char time_text[8];
  std::snprintf(time_text, sizeof time_text, "%02d:%02d", tm.tm_hour % 100, tm.tm_min % 100);
  return std::string(kDays[tm.tm_wday]) + " " + std::to_string(tm.tm_mday) + " " +
         kMonths[tm.tm_mon] + " " + std::to_string(tm.tm_year + 1900) + "    ore " + time_text;
}

void STAMPABOLLO(ReportTarget& target, const SheetInput& input, const SheetOptions& options) {
  switch (options.stamp_kind) {
    case StampKind::kRectangular:
      DrawRectangularStamp(target, input);
      return;
    case StampKind::kCircular: {
      const std::filesystem::path picture =
          FindCaseInsensitive(input.program_folder / "MODULI" / "CIRCOLARE.BMP");
      if (!FileExists(picture)) {
        if (input.dialogs != nullptr) {
          input.dialogs->Show(kCircularMissing, "Salarion", MessageIcon::kInformation);
        }
        DrawRectangularStamp(target, input);
        return;
      }
      PrintPicture(target, picture.string(), BoxRow(target, 2.4), 16.7, 2.2, 2.2);
      DrawStampWords(target, 2.8);
      PrintText(target, 4.2, 17.9, std::string_view(Shown(input.company.inail_office)));
      return;
    }
    case StampKind::kStandard:
    case StampKind::kFromFile: {
      const std::filesystem::path picture =
          FindCaseInsensitive(input.program_folder / "moduli" / "inailstd.jpg");
      PrintPicture(target, picture.string(), BoxRow(target, 2.4), 16.7, 2.2, 2.2);
      if (options.inail_office) {
        // At 17.05, not 17.3, and smaller when the office is long: from 17.3 the line ran
        // past the picture's and the frame's right edge.
        constexpr double kOfficeColumn = 17.05, kPictureRight = 16.7 + 2.2;
        std::string text = "SEDE DI : " + Shown(input.company.inail_office);
        SetSheetFont(target, FittedCourierSize(text, 7, kPictureRight - 0.02 - kOfficeColumn),
                     kBold);
        PrintText(target, 3.9, kOfficeColumn, text);
      }
      return;
    }
  }
}

namespace {

// What a month's days add up to: theoretical, worked and justified minutes, and the minutes
// of each justification code used.
struct MonthTotals {
  long theoretical = 0;
  long worked = 0;
  long justified = 0;
  std::map<std::string, long> used;
};

// The three month totals and the heading of the code details under the frame.
void DrawTotalsLine(ReportTarget& target, const MonthTotals* totals) {
  SetSheetFont(target, 10, kBold);
  if (totals == nullptr) {
    PrintText(target, 21.2, 1, std::string_view("ORE TEORICHE MESE : "));
    PrintText(target, 21.2, 7.2, std::string_view("ORE LAVORATE MESE : "));
    PrintText(target, 21.2, 13.2, std::string_view("TOT.ORE GIUST.MESE : "));
  } else {
    PrintText(target, 21.2, 1, "ORE TEORICHE MESE : " + MinutesToLongHours(totals->theoretical));
    PrintText(target, 21.2, 7.2, "ORE LAVORATE MESE : " + MinutesToLongHours(totals->worked));
    PrintText(target, 21.2, 13.2, "TOT.ORE GIUST.MESE : " + MinutesToLongHours(totals->justified));
  }
  SetSheetFont(target, 10, kBoldItalic);
  PrintText(target, 21.7, 2.5, kDetailTitle);
}

// The employee's name, key and number (or the draft line).
void DrawEmployeeHeader(ReportTarget& target, const SheetInput& input, const SheetOptions& options,
                        bool numbered) {
  std::string text =
      "NOMINATIVO : " + Shown(input.employee.surname) + " " + Shown(input.employee.first_name);
  PrintFittedLine(target, 3.3, 2.5, text, 14, HeaderRightEdge(options));
  SetSheetFont(target, 10, kRegular);
  text = "CODICE DIP. : " + Cp1252ToUtf8(input.employee.key) +
         " MATRICOLA: " + Shown(input.employee.matricola);
  PrintText(target, 4.1, 2.5, text);
  if (options.draft) {
    SetSheetFont(target, 10, kBoldItalic);
    PrintText(target, 28, 1, kDraftLine);
  } else {
    SetSheetFont(target, 10, kBold);
    text = std::string(kNumberLabel);
    if (numbered) text += Trim(options.number_text);
    PrintText(target, 4.5, 1, text);
  }
}

// The stored rows by day of the month (null for a day without a row).
std::array<const DayRow*, 32> RowsByDay(const SheetInput& input) {
  std::array<const DayRow*, 32> by_day{};
  if (input.rows == nullptr) return by_day;
  for (const DayRow& row : *input.rows) {
    if (row.period.size() != 8) continue;
    const int day = DayOfPeriod(row.period);
    if (day >= 1 && day <= 31) by_day[static_cast<size_t>(day)] = &row;
  }
  return by_day;
}

// The worked-hours column of a day: the hours or "P" when worked, else "F" on a holiday,
// "R" on a rest day (when asked for) or "A" with letters.
void DrawPresence(ReportTarget& target, const DayRow& row, double row_y, bool letters, bool holiday,
                  bool rest_letter, long worked, long theoretical) {
  if (worked != 0) {
    if (letters) {
      PrintText(target, row_y, 5.9, std::string_view("P"));
    } else {
      PrintText(target, row_y, 5.6, std::string_view(row.pres[3]));
    }
  } else if (holiday) {
    PrintText(target, row_y, 5.9, std::string_view("F"));
  } else if (rest_letter && theoretical == 0) {
    PrintText(target, row_y, 5.9, std::string_view("R"));
  } else if (letters) {
    PrintText(target, row_y, 5.9, std::string_view("A"));
  }
}

// One day's line: schedule, theoretical hours, presence, the five slots and the day's total
// (worked hours plus codes that count as presence); adds the day into `totals`.
void DrawDay(ReportTarget& target, const SheetInput& input, const SheetOptions& options,
             bool letters, int day, const DayRow& row, MonthTotals* totals) {
  const double row_y = kFirstDayTextRow + (day - 1) * kDayHeight;
  PrintText(target, row_y, 3.6, std::string_view(row.pres[1]));
  if (!options.no_theoretical) PrintText(target, row_y, 4.5, std::string_view(row.pres[2]));

  char key[16];
  std::snprintf(key, sizeof key, "%04d%02d%02d", input.year % 10000, input.month, day);
  const bool holiday =
      (input.holidays != nullptr &&
       input.holidays->IsHoliday(key, input.municipality_ddmm, input.company.holiday_ddmm)) ||
      std::string_view(key) == "20110317";
  const long worked = Minutes(row.pres[3], input.dialogs);
  const long theoretical = Minutes(row.pres[2], input.dialogs);
  DrawPresence(target, row, row_y, letters, holiday, options.rest_letter, worked, theoretical);

  long day_total = worked;
  for (int slot = 1; slot <= 5; ++slot) {
    const std::string_view code = Trim(row.SlotCode(slot));
    PrintText(target, row_y, kCodeColumns[slot - 1], code);
    PrintText(target, row_y, kHoursColumns[slot - 1], std::string_view(row.SlotHours(slot)));
    const long minutes = Minutes(row.SlotHours(slot), input.dialogs);
    totals->justified += minutes;
    if (code.empty()) continue;
    totals->used[std::string(code)] += minutes;
    if (input.justifications != nullptr) {
      auto it = input.justifications->find(code);
      if (it != input.justifications->end() && it->second.presence) day_total += minutes;
    }
  }
  PrintText(target, row_y, 17.55, std::string_view(MinutesToHours(day_total)));
  totals->theoretical += theoretical;
  totals->worked += worked;
}

// One line per code used, "000" upward, in two columns below the frame.
void DrawCodeDetails(ReportTarget& target, const SheetInput& input,
                     const std::map<std::string, long>& used) {
  SetSheetFont(target, 9, kRegular);
  int line = 0;
  for (const auto& [code, minutes] : used) {
    if (line >= 2 * kDetailLinesPerColumn) break;
    std::string description;
    if (input.justifications != nullptr) {
      auto it = input.justifications->find(code);
      if (it != input.justifications->end()) description = it->second.description;
    }
    // At most 30 letters, never cutting a letter of several bytes in two.
    size_t kept_letters = 0, cut = 0;
    for (; cut < description.size(); ++cut) {
      if ((static_cast<unsigned char>(description[cut]) & 0xC0) != 0x80 && ++kept_letters > 30)
        break;
    }
    description.resize(cut);
    PrintText(target, kDetailFirstRow + (line % kDetailLinesPerColumn) * kDetailStep,
              kDetailColumns[line / kDetailLinesPerColumn],
              code + " " + description + " : " + MinutesToLongHours(minutes));
    ++line;
  }
}

}  // namespace

void DrawMonthlySheet(ReportTarget& target, const SheetInput& input, const SheetOptions& options) {
  DrawStructure(target);
  DrawTitleAndCompany(target, input, options);
  const bool letters = UsesLetters(input, options);

  if (input.validation) {
    DrawColumnHeaders(target, letters);
    DrawTotalsLine(target, nullptr);
    return;
  }

  const bool numbered = SheetIsNumbered(options, input.year);
  DrawEmployeeHeader(target, input, options, numbered);
  DrawColumnHeaders(target, letters);

  const std::array<const DayRow*, 32> by_day = RowsByDay(input);
  SetSheetFont(target, 9, kRegular);
  MonthTotals totals;
  const int days = MonthLength(input.month, input.year);
  for (int day = 1; day <= days; ++day) {
    const int weekday = Weekday(input.year, input.month, day);
    char day_text[32];  // room the compiler can prove for any weekday and day number
    std::snprintf(day_text, sizeof day_text, "%-9s %02d",
                  kWeekdayNames[static_cast<size_t>(weekday - 1)].data(), day);
    PrintText(target, kFirstDayTextRow + (day - 1) * kDayHeight, 0.9, std::string_view(day_text));
    if (by_day[static_cast<size_t>(day)] != nullptr) {
      DrawDay(target, input, options, letters, day, *by_day[static_cast<size_t>(day)], &totals);
    }
  }

  DrawTotalsLine(target, &totals);
  DrawCodeDetails(target, input, totals.used);

  if (options.stamp) STAMPABOLLO(target, input, options);
  if (numbered) StorePrintedNumber(input, options);
  SetSheetFont(target, 9, kRegular);
  PrintText(target, 28.3, 1.1,
            PrintDateLine(input.printed_at != 0 ? input.printed_at : std::time(nullptr)));
}

}  // namespace kaveltar

// Forced month settings and reprocessing of one employee-month (Parts 3.3 and 3.4), as the
// month grid runs them: assign an absence over a day range (`ASSEGNA_ASSENZA_GIORNI`), force a
// schedule group (`IMPOSTAGRUPPO`) or the worked hours (`IMPOSTAORELAV`) over a day range,
// and rebuild the whole month from the employee's current schedule (`cmdReimposta_Click`).
//
// Each works on the PRESENZE rows memorization created: it never adds or deletes a row (a
// missing day is skipped), never touches a day outside its range, and writes the month in one
// transaction, so a failure leaves the month as it was. The screen takes the employee and the
// month from `Labeldipend` and `Label19`; here they are plain arguments. After a setting the
// caller reloads its grid.
//
// When the employee's schedule cannot be read (P766 names a group GRUPPI does not hold, or
// neither P138 nor P766 is set) the weekday hours are empty: the days get no theoretical or
// worked hours, rather than the hours of whichever schedule was read before.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

class Dialogs;
struct JobContext;

// The questions asked before a setting frame opens, and before reprocessing.
inline constexpr std::string_view kAbsenceQuestion =
    "Con questa procedura viene assegnata un'assenza nel mese con un valore scelto manualmente, "
    "cancellando eventuali modifiche effettuate. Proseguire?";
inline constexpr std::string_view kGroupQuestion =
    "Con questa procedura viene forzato il gruppo orario nel mese con un valore scelto "
    "manualmente, "
    "cancellando eventuali modifiche effettuate. Proseguire?";
inline constexpr std::string_view kWorkedHoursQuestion =
    "Con questa procedura vengono forzate le ore lavorate nel mese con un valore scelto "
    "manualmente, "
    "cancellando eventuali modifiche effettuate. Proseguire?";
inline constexpr std::string_view kReprocessQuestion =
    "Con questa procedura viene rielaborato il mese del dipendente, cancellando le eventuali "
    "modifiche effettuate. Proseguire?";

inline constexpr std::string_view kAbsenceHoursInvalid =
    "Formato ore assenza non valido.Il formato corretto deve essere HH:MM";
inline constexpr std::string_view kWorkedHoursInvalid =
    "Formato ore lavorate non valido.Il formato corretto deve essere HH:MM";
// `ComboA_Click`: the last day of the range before the first.
inline constexpr std::string_view kDayOrderMessage =
    "Attenzione!! Il giorno di fine non può essere minore del giorno di partenza";

enum class ForcedSetting { kAbsence, kGroup, kWorkedHours };

// The opening question of a setting frame (Yes/No, question icon); true on Yes.
bool AskForcedSetting(Dialogs& dialogs, ForcedSetting setting);

// "DIPENDENTE " + text + " Non trovato (ANNO CORRENTE)" / "(ANNO PRECEDENTE)" /
// "(ANNO PRECEDENTE 2)" / "(ANNO PRECEDENTE 3)" by the distance of the year from the
// processing year (0-3). Memorization and these settings read only those four archives (the
// lists go one year further back): an older year gets the text of the oldest archive,
// "(ANNO PRECEDENTE 3)", and a year after the processing year that of the current one.
std::string EmployeeNotFoundMessage(std::string_view employee_text, int distance, int year);

// The employee-month a setting works on.
struct ForcedMonth {
  std::string employee;  // KDIPENDENTE (10 characters)
  int year = 0;
  int month = 0;              // 1-12
  std::string employee_text;  // how the messages name the employee (the screen's caption)
};

enum class ForcedResult {
  kDone,              // the days were written (possibly none: no row in the range)
  kDeclined,          // the operator answered No (reprocessing)
  kInvalidHours,      // the hours text was refused, with its message
  kEmployeeNotFound,  // not in the archive of the year, with its message
};

struct ForcedOutcome {
  ForcedResult result = ForcedResult::kDone;
  int days = 0;  // rows written
};

// `FrameAss`: the justification (`ComboAss`, its first three characters), the hours
// (`txtOreAss`), the day range (`CbAssDa` / `CbAssA`) and the two ticks.
struct AbsenceSetting {
  std::string code;
  std::string hours = "00:00";
  int from_day = 1;
  int to_day = 1;
  bool cover_holidays = false;         // `CheckCopriFest`: "Copri le festività presenti nel mese"
  bool consider_worked_hours = false;  // `CheckOreLav`: "Considera le ore lavorate nella giornata"
};

// `ASSEGNA_ASSENZA_GIORNI`: for each existing day of the range inside the employment period,
// PRES_1 and the weekday hours from the employee's profile or group as memorization sets
// them, then the absence day filler (the memorization day filler with this one justification:
// base hours, slots cleared, the code in slot 1 with the typed hours when non-zero, else the
// day's hours; with `consider_worked_hours` an absence reduces the worked hours instead). PRES_0 is
// kept. Hours that are neither valid "HH:MM" nor "00:00" are refused with
// kAbsenceHoursInvalid (critical icon).
ForcedOutcome ASSEGNA_ASSENZA_GIORNI(const JobContext& job, const ForcedMonth& target,
                                     const AbsenceSetting& setting);

// `IMPOSTAGRUPPO`: each existing day of the range is reset (PRES_0 = 0, PRES_1..PRES_13
// empty); inside the employment period PRES_1 = `group` (the first three characters of
// `Combo1`, trimmed) and, on a working non-holiday day, PRES_2 = PRES_3 = that group's hours
// of the weekday. The employee's own schedule is not consulted.
ForcedOutcome IMPOSTAGRUPPO(const JobContext& job, const ForcedMonth& target,
                            std::string_view group, int from_day, int to_day);

// `IMPOSTAORELAV`: each existing day of the range is reset; inside the employment period
// PRES_1 and the weekday hours T from the employee's profile or group; on a working
// non-holiday day PRES_2 = T and, unless the forced hours are "00:00", PRES_3 = the forced
// hours. Hours that are neither valid "HH:MM" nor "00:00" are refused with
// kWorkedHoursInvalid (critical icon).
ForcedOutcome IMPOSTAORELAV(const JobContext& job, const ForcedMonth& target,
                            std::string_view hours, int from_day, int to_day);

// `cmdReimposta_Click` (without its editor closing): asks kReprocessQuestion, then resets
// every existing day of the month and fills it from the employee's current profile (P138)
// or single group (P766; rotations are not applied): PRES_1, and PRES_2 = PRES_3 = the
// weekday hours on a working non-holiday day. Days outside the employment period stay reset.
ForcedOutcome cmdReimposta(const JobContext& job, const ForcedMonth& target);

}  // namespace kaveltar

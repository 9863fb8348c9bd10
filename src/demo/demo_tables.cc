#include "demo/demo_tables.h"

#include <memory>
#include <string>

#include "base/text.h"
#include "db/attendance_db.h"

namespace kaveltar::demo {
namespace {

// The ten national holidays, the 17 March of 2011 (the program honours it only in that
// year) and the patron saint of Padova, which the office keeps for its many clients there.
constexpr HolidayDef kHolidays[] = {
    {"0101", "CAPODANNO"},
    {"0106", "EPIFANIA"},
    {"0317", "ANNIVERSARIO UNITÀ D'ITALIA"},
    {"0425", "FESTA DELLA LIBERAZIONE"},
    {"0501", "FESTA DEL LAVORO"},
    {"0602", "FESTA DELLA REPUBBLICA"},
    {"0613", "SANT'ANTONIO DI PADOVA"},
    {"0815", "FERRAGOSTO - ASSUNZIONE"},
    {"1101", "OGNISSANTI"},
    {"1208", "IMMACOLATA CONCEZIONE"},
    {"1225", "NATALE"},
    {"1226", "SANTO STEFANO"},
};

constexpr GroupDef kGroups[] = {
    {1,
     "TEMPO PIENO 40 ORE LUN-VEN",
     {"08:00", "08:00", "08:00", "08:00", "08:00", "00:00", "00:00"}},
    {2,
     "TEMPO PIENO 38 ORE VENERDI CORTO",
     {"08:00", "08:00", "08:00", "08:00", "06:00", "00:00", "00:00"}},
    {3,
     "PART TIME ORIZZONTALE 20 ORE",
     {"04:00", "04:00", "04:00", "04:00", "04:00", "00:00", "00:00"}},
    {4,
     "PART TIME VERTICALE LUN-MER-VEN",
     {"08:00", "00:00", "08:00", "00:00", "08:00", "00:00", "00:00"}},
    {5, "PART TIME 30 ORE", {"06:00", "06:00", "06:00", "06:00", "06:00", "00:00", "00:00"}},
    {6,
     "SEI GIORNI 40 ORE LUN-SAB",
     {"06:40", "06:40", "06:40", "06:40", "06:40", "06:40", "00:00"}},
    {7,
     "SEI GIORNI 36 ORE LUN-SAB",
     {"06:00", "06:00", "06:00", "06:00", "06:00", "06:00", "00:00"}},
    {kNightShiftGroup,
     "TURNO NOTTURNO 22-06 DOM-GIO",
     {"08:00", "08:00", "08:00", "08:00", "00:00", "00:00", "08:00"}},
    {kMorningShiftGroup,
     "TURNO MATTINA 06-14",
     {"08:00", "08:00", "08:00", "08:00", "08:00", "00:00", "00:00"}},
    {kAfternoonShiftGroup,
     "TURNO POMERIGGIO 14-22",
     {"08:00", "08:00", "08:00", "08:00", "08:00", "00:00", "00:00"}},
    {11,
     "COMMERCIO 40 ORE SABATO CORTO",
     {"07:00", "07:00", "07:00", "07:00", "07:00", "05:00", "00:00"}},
    {12,
     "PART TIME FINE SETTIMANA",
     {"00:00", "00:00", "00:00", "00:00", "08:00", "08:00", "04:00"}},
};

constexpr ProfileDef kProfiles[] = {
    {1, "40 ORE LUN-VEN", {"8.00", "8.00", "8.00", "8.00", "8.00", "0.00", "0.00"}},
    {2, "38 ORE 45 LUN-VEN", {"7.45", "7.45", "7.45", "7.45", "7.45", "0.00", "0.00"}},
    {3, "PART TIME 20 ORE", {"4.00", "4.00", "4.00", "4.00", "4.00", "0.00", "0.00"}},
    {4, "SEI GIORNI 40 ORE", {"6.40", "6.40", "6.40", "6.40", "6.40", "6.40", "0.00"}},
    {5, "36 ORE LUN-GIO", {"9.00", "9.00", "9.00", "9.00", "0.00", "0.00", "0.00"}},
    {6, "PART TIME 24 ORE", {"4.48", "4.48", "4.48", "4.48", "4.48", "0.00", "0.00"}},
};

constexpr FormulaDef kFormulas[] = {
    {1, "ORE ORDINARIE", "- ORE X PAGA ORARIA"},
    {10, "FERIE GODUTE", "- ORE X RETRIBUZIONE ORARIA"},
    {11, "PERMESSI R.O.L.", "- ORE X RETRIBUZIONE ORARIA"},
    {12, "EX FESTIVITA'", "- ORE X RETRIBUZIONE ORARIA"},
    {20, "MALATTIA INPS", "- ORE X RETR.ORARIA X 50% (INPS)"},
    {21, "INTEGRAZ.MALATTIA", "- ORE X RETR.ORARIA X 50% (DITTA)"},
    {30, "INFORTUNIO INAIL", "- ORE X RETR.ORARIA X 60%"},
    {40, "MATERNITA' OBBL.", "- ORE X RETR.ORARIA X 80% (INPS)"},
    {41, "CONGEDO PARENTALE", "- ORE X RETR.ORARIA X 30% (INPS)"},
    {42, "CONGEDO PATERNITA'", "- ORE X RETR.ORARIA X 100% (INPS)"},
    {50, "CIG ORDINARIA", "- ORE X MASSIMALE CIGO"},
    {51, "CIG STRAORDINARIA", "- ORE X MASSIMALE CIGS"},
    {60, "STRAORDINARIO 25%", "- ORE X PAGA ORARIA X 1,25"},
    {61, "STRAORDINARIO 50%", "- ORE X PAGA ORARIA X 1,50"},
    {62, "STRAORD.NOTTURNO", "- ORE X PAGA ORARIA X 1,60"},
    {63, "STRAORD.FESTIVO", "- ORE X PAGA ORARIA X 1,65"},
    {70, "TRASFERTA ITALIA", "- ORE X INDENNITA' ORARIA"},
    {80, "CONGEDO MATRIMON.", "- ORE X RETRIBUZIONE ORARIA"},
    {90, "PERMESSO L.104/92", "- ORE X RETR.ORARIA (INPS)"},
    {91, "DONAZIONE SANGUE", "- ORE X RETR.ORARIA (INPS)"},
    {95, "SCIOPERO", "- ORE X PAGA ORARIA (TRATTENUTA)"},
    {96, "ASSEMBLEA SINDAC.", "- ORE X RETRIBUZIONE ORARIA"},
    {97, "ALLATTAMENTO", "- ORE X RETR.ORARIA (INPS)"},
};

// Every type, every SR18 code and a spread of UNIEMENS events; overtime is booked in two
// bands (two hours at 25%, the rest at 50%) through the thresholds.
constexpr JustificationDef kJustifications[] = {
    {"001", "FERIE", 'A', false, "FE", "F", "", 0, {10}, {480}},
    {"002", "PERMESSO R.O.L.", 'A', false, "RL", "P", "", 0, {11}, {480}},
    {"003", "EX FESTIVITÀ SOPPRESSE", 'A', false, "EF", "P", "", 0, {12}, {480}},
    {"004", "MALATTIA", 'M', false, "MA", "ML", "", 0, {20}, {480}},
    {"005", "INFORTUNIO", 'M', false, "IN", "I", "", 0, {30}, {480}},
    {"006", "MATERNITÀ OBBLIGATORIA", 'M', false, "MO", "MT", "A1", 0, {40}, {480}},
    {"007", "CONGEDO PARENTALE A ORE", 'A', false, "CP", "V", "M0", 0, {41}, {480}},
    {"008", "CONGEDO PATERNITÀ OBBLIGATORIO", 'A', false, "PT", "V", "PF", 0, {42}, {480}},
    {"009", "CIG ORDINARIA AUTORIZZATA", 'A', false, "CG", "C", "1A", 1, {50}, {480}},
    {"010", "CIG ORDINARIA RICHIESTA", 'A', false, "CR", "C", "5T", 2, {50}, {480}},
    {"011", "CIG STRAORDINARIA", 'A', false, "CS", "C", "2A", 0, {51}, {480}},
    {"012", "SCIOPERO", 'A', false, "SC", "S", "", 0, {95}, {480}},
    {"013", "DONAZIONE SANGUE", 'A', false, "DS", "D", "", 0, {91}, {480}},
    {"014", "CONGEDO MATRIMONIALE", 'A', false, "CM", "CM", "", 0, {80}, {480}},
    {"015", "PERMESSO L.104/92", 'A', false, "104", "V", "RA", 0, {90}, {480}},
    {"016", "ALLATTAMENTO", 'A', false, "AL", "V", "MB", 0, {97}, {120}},
    {"017", "QUARANTENA", 'M', false, "QU", "ML", "M9", 0, {20}, {480}},
    {"018", "CONGEDO MALATTIA FIGLIO", 'A', false, "MF", "V", "A3", 0, {41}, {480}},
    {"019", "ASSEMBLEA SINDACALE", 'N', false, "AS", "", "", 0, {96}, {600}},
    {"020", "FORMAZIONE SICUREZZA", 'N', false, "FS", "", "", 0, {}, {}},
    {"021", "RIPOSO COMPENSATIVO", 'N', false, "RC", "", "", 0, {}, {}},
    {"022", "PERMESSO NON RETRIBUITO", 'A', false, "PN", "P", "", 0, {}, {}},
    {"023", "ASSENZA INGIUSTIFICATA", 'A', false, "AI", "V", "", 0, {}, {}},
    {"030", "STRAORDINARIO", 'P', true, "ST", "", "", 0, {60, 61}, {120, 600}},
    {"031", "STRAORDINARIO NOTTURNO", 'P', true, "SN", "", "", 0, {62}, {600}},
    {"032", "STRAORDINARIO FESTIVO", 'P', true, "SF", "", "", 0, {63}, {720}},
    {"033", "TRASFERTA", 'P', false, "TR", "", "", 0, {70}, {720}},
    {"034", "LAVORO AGILE", 'P', false, "LA", "", "", 0, {1}, {480}},
};

std::string Code3(int code) { return ZeroPad(code, 3); }

}  // namespace

std::span<const HolidayDef> DemoHolidays() { return kHolidays; }
std::span<const GroupDef> DemoGroups() { return kGroups; }
std::span<const ProfileDef> DemoProfiles() { return kProfiles; }
std::span<const FormulaDef> DemoFormulas() { return kFormulas; }
std::span<const JustificationDef> DemoJustifications() { return kJustifications; }

bool IsDemoGroup(int code) {
  for (const GroupDef& g : kGroups) {
    if (g.code == code) return true;
  }
  return false;
}

namespace {

Status FillTables(AttendanceDb& db) {
  Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();

  for (const HolidayDef& h : kHolidays) {
    if (Status s = db.SaveHoliday({std::string(h.day), std::string(h.description)}); !s.ok()) {
      return s;
    }
  }
  for (const JustificationDef& j : kJustifications) {
    JustificationRow row;
    row.code = std::string(j.code);
    row.gius[1] = std::string(j.description);
    row.gius[2] = std::string(1, j.type);
    row.gius[3].assign(1, j.overtime ? '1' : '0');
    row.gius[5] = std::string(j.import_code);
    row.gius[6] = std::string(j.sr18);
    row.gius[7] = std::string(j.uniemens);
    row.gius[8] = PadLeft(std::to_string(j.ticket), 2);
    for (int k = 0; k < 5; ++k) {
      row.gius[9 + k] = j.formulas[k] == 0 ? "" : Code3(j.formulas[k]);
      row.gius[14 + k] = std::to_string(j.formulas[k] == 0 ? 0 : j.thresholds[k]);
    }
    if (Status s = db.SaveJustification(row); !s.ok()) return s;
  }
  for (const GroupDef& g : kGroups) {
    GroupRow row;
    row.code = Code3(g.code);
    row.grup[1] = std::string(g.description);
    for (int d = 0; d < 7; ++d) row.grup[2 + d] = std::string(g.hours[d]);
    if (Status s = db.SaveGroup(row); !s.ok()) return s;
  }
  return transaction.Commit();
}

}  // namespace

Status WriteTemplateDatabase(const std::filesystem::path& file) {
  if (Status s = CreateSqliteDatabase(file); !s.ok()) return s;
  Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(file);
  if (!db.ok()) return db.status();
  return FillTables(**db);
}

}  // namespace kaveltar::demo

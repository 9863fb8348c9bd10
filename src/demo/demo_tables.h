// The fixed content of a demo installation: the program's tables (holidays, justification
// codes, schedule groups) that go into the template database, and the payroll tables the
// employees refer to (hour profiles of base 96, payroll formulas of base 401).
// Texts are UTF-8; archive writers convert them to Windows-1252.
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string_view>

#include "base/status.h"

namespace kaveltar::demo {

struct HolidayDef {
  std::string_view day;  // KDATAF, MMDD
  std::string_view description;
};

struct GroupDef {
  int code;
  std::string_view description;
  std::array<std::string_view, 7> hours;  // "HH:MM", Monday..Sunday; "00:00" = no work
};

struct ProfileDef {
  int code;
  std::string_view description;
  std::array<std::string_view, 7> hours;  // H.MM (hours, point, minutes), Monday..Sunday
};

struct FormulaDef {
  int code;
  std::string_view description;  // Z002, at most 18 characters
  std::string_view text;         // Z003, at most 38 characters
};

struct JustificationDef {
  std::string_view code;          // KGIUS
  std::string_view description;   // GIUS_1
  char type;                      // GIUS_2: P, A, N, M
  bool overtime;                  // GIUS_3: only a presence justification may be compatible
  std::string_view import_code;   // GIUS_5
  std::string_view sr18;          // GIUS_6
  std::string_view uniemens;      // GIUS_7
  int ticket;                     // GIUS_8, 0-10
  std::array<int, 5> formulas;    // GIUS_9..13, 0 = none
  std::array<int, 5> thresholds;  // GIUS_14..18, minutes
};

// Schedule groups used by rotations: night, morning and afternoon shifts.
inline constexpr int kNightShiftGroup = 8;
inline constexpr int kMorningShiftGroup = 9;
inline constexpr int kAfternoonShiftGroup = 10;
// A group code that employees may name but GRUPPI does not hold.
inline constexpr int kMissingGroupCode = 77;

std::span<const HolidayDef> DemoHolidays();
std::span<const GroupDef> DemoGroups();
std::span<const ProfileDef> DemoProfiles();
std::span<const FormulaDef> DemoFormulas();
std::span<const JustificationDef> DemoJustifications();

bool IsDemoGroup(int code);

// Creates the template database `file` and fills FESTIVITA, GIUSTIFICATIVI and GRUPPI in one
// transaction; PRESENZE stays empty.
Status WriteTemplateDatabase(const std::filesystem::path& file);

}  // namespace kaveltar::demo

// The demo installation: a complete, realistic payroll installation written from a seed, for
// first runs, demonstrations, tests and benchmarks.
//
//   DIR/KAVELTAR-DEMO.INI          marks the folder as a demo installation (it may be
//                                  written again) and records the options used
//   DIR/PROGRAMMI/                 program folder
//     MODULI/CIRCOLARE.BMP         circular INAIL stamp picture (24-bit BMP)
//     MODULI/inailstd.jpg          standard INAIL stamp picture (baseline JPEG); the program
//                                  asks for moduli\inailstd.jpg and finds it through the
//                                  case-insensitive lookup, as on Windows where both names
//                                  are the same folder
//   DIR/ARCHIVI/                   archive folder
//     QXBASE.DAT                   catalogue, record n = base n (600 records)
//     the archive files            companies, employees of the processing year and of the
//                                  four years before with their indexes, the two sequential
//                                  extractions, installation parameters, period record,
//                                  hour profiles, payroll formulas
//     STAMPA01.INI                 printer settings (base 280, "STAMPA$$.INI")
//     BOLLOSTAMP01                 stamp settings of installation "01"
//     QXPREXXX.sqlite              template attendance database: holidays, justification
//                                  codes and schedule groups, no attendance rows
//
// With `write_registry` the registry store and the drive C: files (C:\PQXPAGHE\QXPERARK.QXP,
// C:\PQXPAGHE\QXPERPRO.QXP, C:\MIRTASK\MIRTASK.INI) are written too, pointing at DIR, so the
// program finds the installation without options.
//
// The same options give byte-identical archives, catalogue and pictures.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

struct DemoOptions {
  std::filesystem::path dir;
  int year = 0;        // processing year, 2000-2099; 0 = the current year
  int month = 0;       // processing month 1-12; 0 = see ResolveDemoPeriod
  int companies = 5;   // 1-999
  int employees = 60;  // employees of the processing year, 1-9999
  uint64_t seed = 1;
  bool write_registry = false;
};

// What the memorization, the lists and the sheets tell apart. Each employee of the processing
// year is listed under every case whose description holds for its record in the current
// archive (base 2); kLeftEarlierYear lists employees found only in earlier years' archives.
enum class DemoCase {
  kGroup,                     // one group of GRUPPI (P766), nothing else special
  kProfile,                   // hour profile (P138), no group
  kRotation2,                 // rotation of 2 groups (P766 and P772)
  kRotation3,                 // rotation of 3 groups (P766, P772, P773)
  kRotation4,                 // rotation of 4 groups
  kRotation5,                 // rotation of 5 groups
  kRotationWithProfile,       // a rotation together with a profile (an anomaly)
  kHiredMidMonth,             // P013 in the processing month after its first day
  kLeavingMidMonth,           // P017 in the processing month before its last day, P054 = 0
  kStatus2,                   // P054 = 2 with an end date P017
  kCollaboratorWithGroup,     // P447 = 1 with a group
  kCollaboratorWithoutGroup,  // P447 = 1 with neither group nor profile
  kGrantHolder,               // P529 = 1
  kExcluded,                  // P890 = 1 (left out of memorization)
  kNotListed,                 // P768 = 1 (left out of the employee lists)
  kMissingGroup,              // P766 names a group that GRUPPI does not hold
  kNoSchedule,                // neither group nor profile, not a collaborator (an anomaly)
  kLetterSheet,               // P767 = 1 (sheet with letters instead of hours)
  kLeftEarlierYear,           // in an earlier year's archive only (left before this year)
};
inline constexpr int kDemoCaseCount = static_cast<int>(DemoCase::kLeftEarlierYear) + 1;

// A short Italian name of the case, for listings ("gruppo", "profilo", ...).
std::string_view DemoCaseName(DemoCase c);

// One archive file written, by base number.
struct DemoArchiveFile {
  int base = 0;
  std::filesystem::path path;
  int record_length = 0;
  long records = 0;
};

struct DemoReport {
  std::filesystem::path dir;
  std::filesystem::path program_folder;  // DIR/PROGRAMMI
  std::filesystem::path archive_folder;  // DIR/ARCHIVI
  std::filesystem::path template_database;
  std::vector<std::filesystem::path> pictures;
  std::vector<DemoArchiveFile> archives;  // in base order
  // Written only with write_registry.
  std::filesystem::path registry_file;
  std::vector<std::filesystem::path> drive_files;

  std::string installation_code;  // "01"
  int year = 0;
  int month = 0;
  std::string processing_date;  // YYYYMMDD, the last day of the processing month

  std::vector<std::string> company_codes;  // "001", ... in code order
  int employees = 0;                       // employees of the processing year
  std::array<int, 5> employees_by_year{};  // [d] = employees of year - d
  int holidays = 0;
  int justifications = 0;
  int groups = 0;
  int profiles = 0;
  int formulas = 0;
  std::string missing_group;  // the group code GRUPPI does not hold

  // Employee keys per case, in key order; each case of the issue holds at least one key when
  // the installation has enough employees (one per case).
  std::array<std::vector<std::string>, kDemoCaseCount> cases;
  const std::vector<std::string>& Keys(DemoCase c) const { return cases[static_cast<size_t>(c)]; }

  double seconds = 0;  // time taken
};

// The processing month used when options.month is 0: for the current year the month before
// today's (January when today is in January); December for an earlier year; January for a
// later one. `today_year`/`today_month` are passed so the rule can be tested.
int ResolveDemoMonth(int year, int today_year, int today_month);

// Writes the installation. The folder must not exist, be empty, or be a demo installation
// written earlier (it is then replaced as a whole). Everything is built in a sibling folder
// DIR.tmp-XXXXXX and moved into place at the end, so a failure leaves DIR as it was.
// Bad options and a folder that holds other things are refused with an explanation and
// change nothing on disk.
Status WriteDemoInstallation(const DemoOptions& options, DemoReport* report);

}  // namespace kaveltar

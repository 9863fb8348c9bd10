// The payroll archives of a demo installation: the catalogue QXBASE.DAT and every archive
// file the program opens, written from a Population.
//
// Catalogue rows written (record n = base n, 600 records; the others blank):
//
//   base  template        record  content
//   1     DITTE.DAT         3000  companies, record number = company code ("DITX$")
//   2     DIPEND.DAT       14600  employees of the processing year, record = employee number
//   5     ESTRAC.DAT         200  extraction of the processing year: 20 keys per record
//   6     PERIODO.DAT        128  record 1, positions 1-8: the processing date DDMMYYYY
//   7     IDXDIP.IDX        2176  index of base 2 (key length 10)
//   19    PARSTUD.DAT       3000  installation parameters, record 1 ("FISX$")
//   29    DIPAP.DAT        14600  employees of the year before, record = employee number
//   30    IDXDIPAP.IDX      2176  index of base 29
//   31    DIPAP2.DAT       14600  two years before, records in order of hiring
//   32    IDXDAP2.IDX       2176  index of base 31
//   37    ESTRACAP.DAT       200  extraction of the year before
//   84    DIPAP4.DAT       14600  four years before; 85 IDXDAP4.IDX its index
//   86    VARDAP4.DAT        512  changes of four years before (empty)
//   91    DIPAP3.DAT       14600  three years before; 92 IDXDAP3.IDX its index
//   93    VARDAP3.DAT        512  changes of three years before (empty)
//   96    PROFILI.DAT        200  hour profiles, record number = profile code ("PROX$")
//   280   STAMPA$$.INI      text  printer settings: standard printer, graphic printer
//   401   FORMULE.DAT        256  payroll formulas, record number = formula code ("FOTX$");
//                                 free records begin with "99"
// plus a few rows of archives the program never opens (payslips, F24, ...), with company,
// year, region and province placeholders as a real catalogue has them.
//
// Employee records carry P001 (key), P002/P003 (surname, first name in Windows-1252), P004,
// P013, P017, P054, P102, P138, P447, P529, P766, P767, P768, P772-P777, P890 and P977.
// In an earlier year's archive an employee who leaves later shows no end date and status 0.
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "demo/demo_installation.h"
#include "demo/demo_people.h"

namespace kaveltar::demo {

struct CatalogueRow {
  int base;
  std::string_view name_template;
  int record_length;  // 0 for a text file
};

// The bases of the employee archive, its index and its sequential extraction (0 = none) of
// the year `distance` years before the processing year (0-4).
struct YearBases {
  int archive;
  int index;
  int extraction;
};

inline constexpr std::string_view kDemoInstallationCode = "01";
inline constexpr std::string_view kDemoMunicipalityHoliday = "0809";  // F161, DDMM

// Writes the catalogue and the archive files into `folder`; appends one entry per file to
// `files` and counts the employees of each year in `by_year`.
Status WriteArchives(const Population& population, uint64_t seed,
                     const std::filesystem::path& folder, std::vector<DemoArchiveFile>* files,
                     std::array<int, 5>* by_year);

}  // namespace kaveltar::demo

// The payroll archive bases this program opens, by number. A base is the channel number the
// payroll program's catalogue gives each archive file (1-600); the catalogue maps it to a
// file name.
//
//   base  file (demo name)  record layout / use
//   1     DITTE.DAT         company records, record number = company code ("DITX$")
//   2     DIPEND.DAT        employees of the processing year ("DIPX$")
//   5     ESTRAC.DAT        extraction of the processing year (20 keys of 10 per record)
//   6     PERIODO.DAT       record 1, positions 1-8: the processing date DDMMYYYY
//   7     IDXDIP.IDX        index of base 2
//   19    PARSTUD.DAT       record 1: the installation parameters ("FISX$")
//   29    DIPAP.DAT         employees of the previous year; index 30, extraction 37
//   31    DIPAP2.DAT        employees two years back; index 32
//   91    DIPAP3.DAT        employees three years back; index 92, changes 93
//   84    DIPAP4.DAT        employees four years back; index 85, changes 86
//   96    PROFILI.DAT       hour profiles, record number = profile code ("PROX$")
//   401   FORMULE.DAT       payroll formulas, record number = formula code ("FOTX$")
//
// Which base holds the employees of a year is in selection_lists.h (YearSources).
#pragma once

namespace kaveltar::bases {

inline constexpr int kAll = 0;  // CloseArchiveFile(kAll) closes every open base

inline constexpr int kCompanies = 1;
inline constexpr int kEmployees = 2;
inline constexpr int kExtraction = 5;
inline constexpr int kProcessingDate = 6;
inline constexpr int kEmployeeIndex = 7;
inline constexpr int kParameters = 19;

inline constexpr int kEmployeesYear1 = 29;
inline constexpr int kEmployeeIndexYear1 = 30;
inline constexpr int kExtractionYear1 = 37;
inline constexpr int kEmployeesYear2 = 31;
inline constexpr int kEmployeeIndexYear2 = 32;
inline constexpr int kEmployeesYear3 = 91;
inline constexpr int kEmployeeIndexYear3 = 92;
inline constexpr int kChangesYear3 = 93;
inline constexpr int kEmployeesYear4 = 84;
inline constexpr int kEmployeeIndexYear4 = 85;
inline constexpr int kChangesYear4 = 86;

inline constexpr int kProfiles = 96;
inline constexpr int kFormulas = 401;

}  // namespace kaveltar::bases

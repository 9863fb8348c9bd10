// The presence and absence summaries of the print screen (`STAMPARIEPILOGOMESE`): totals of
// worked hours and of each justification code over the selected employees of one company,
// for a month or a whole year, by company, by employee, by sub-company, by schedule group or
// by justification code, on the printer or as one PDF file.
//
// Decisions this program takes:
//   - the rows are read with one key-range query per company and period (month or year), only
//     the columns summed, and added up as they come: no row is kept;
//   - the sub-company of an employee is the middle part of its key (characters 4-6); groups
//     of every kind are printed in ascending order of their code;
//   - an employee's schedule group is P766; an employee without one is grouped under its hour
//     profile ("PROFILO " + P138), after the groups;
//   - the employee label is the key, surname and first name, then "GR. " + group or
//     "PR. " + profile;
//   - a page holds at most 50 lines (49 in the company summary in PDF) besides ending at the
//     bottom row, whichever comes first;
//   - a group's band never ends a page: it goes to the next page with its first line; below a
//     line it starts 0.1 cm lower than the line step, so its edge clears that line's text;
//   - a line too long for the band is written smaller, so it ends before the band's edge.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

struct JobContext;

enum class SummaryKind { kCompany, kEmployees, kSubCompany, kGroup, kJustification };

// Title and PDF file prefix of a kind.
std::string_view SummaryTitle(SummaryKind kind);
std::string_view SummaryPrefix(SummaryKind kind);

// Minutes by justification code.
using CodeMinutes = std::map<std::string, long, std::less<>>;

// The totals of one employee over the period, in minutes.
struct EmployeeTotals {
  std::string key;
  std::string label;        // UTF-8
  std::string sub_company;  // characters 4-6 of the key
  std::string group;        // P766, or "PROFILO " + P138
  long presence = 0;        // worked hours PRES_3
  CodeMinutes codes;        // justification code -> minutes
};

// Adds one day's worked hours and slot hours into `totals`.
void AddDayHours(const DayHoursView& day, EmployeeTotals* totals);

struct SummaryRequest {
  int year = 0;
  int month = 0;
  std::string company;                 // three digits
  std::vector<std::string> employees;  // keys of the entries chosen in `ListDipStp`
  SummaryKind kind = SummaryKind::kCompany;
  bool whole_year = false;  // `ChkRiepAnno`
  bool pdf = false;         // `ChkPDF`
  // Before each selected employee is totalled (index from 0, the number selected, the key),
  // and once more with index = number when all are.
  std::function<void(size_t index, size_t total, std::string_view key)> progress;
};

struct SummaryResult {
  int employees = 0;  // employees with attendance in the period
  int pages = 0;
  std::string pdf_file;  // the PDF written
  std::string message;   // the message shown, if any
  // The company's password protects the PDF written.
  bool protected_file = false;
};

// Runs the summary. Messages go to the job's Dialogs; unexpected errors are thrown.
SummaryResult STAMPARIEPILOGOMESE(const JobContext& job, const SummaryRequest& request);

}  // namespace kaveltar

// The people of a demo installation: companies and employees with Italian names, tax codes,
// employment dates and schedules, drawn from a seed. Nothing here touches files; the archive
// writer turns a Population into records.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_installation.h"

namespace kaveltar::demo {

// A calendar day; y == 0 means "no date".
struct Day {
  int y = 0;
  int m = 0;
  int d = 0;
  bool empty() const { return y == 0; }
  long Key() const { return y * 10000L + m * 100L + d; }  // YYYYMMDD as a number
  std::string Ddmmyyyy() const;                           // the archives' date form
};

struct Company {
  int code = 0;
  std::string name;          // UTF-8; more than 30 characters continue in T003
  std::string inail_office;  // T007, a province
  std::string holiday;       // T030, DDMM; empty for none
  std::string pdf_password;  // T364; empty for none
  long page_number = 0;      // T466
  int sub_companies = 1;     // sub-company codes 000 .. sub_companies - 1
};

struct Employee {
  int company = 0;
  int sub_company = 0;
  int number = 0;          // 1-9999, unique in the installation
  std::string key;         // P001: company, sub-company, number
  std::string surname;     // UTF-8
  std::string first_name;  // UTF-8
  bool female = false;
  Day birth;
  std::string tax_code;         // P004
  std::string staff_number;     // P102
  Day hired;                    // P013
  Day left;                     // P017, shown from the year of leaving on
  int status = 0;               // P054 from the year of leaving on (0 before)
  std::string profile;          // P138, "" for none
  std::array<int, 5> groups{};  // P766, P772, P773, P774, P775; 0 for none
  int change_day = 0;           // P776, 0 Monday .. 6 Sunday
  int position = 0;             // P777
  bool collaborator = false;    // P447
  bool grant_holder = false;    // P529
  bool letter_sheet = false;    // P767
  bool excluded = false;        // P890
  bool not_listed = false;      // P768
  std::string pdf_password;     // P977

  // In the archive of year y: hired by the end of y and not gone before y began.
  bool InYear(int y) const { return hired.y <= y && (left.empty() || left.y >= y); }
};

struct Population {
  int year = 0;
  int month = 0;
  std::vector<Company> companies;   // code order
  std::vector<Employee> employees;  // key order
};

struct PopulationPlan {
  int year = 0;
  int month = 0;
  int companies = 0;
  int employees = 0;  // employees of the processing year
  uint64_t seed = 0;
};

// Draws the installation's people. Every case of DemoCase is given to one employee of the
// processing year (in the enum's order, as far as there are employees), the others get a
// realistic mix; up to employees / 25 more people who left in an earlier year are added
// while employee numbers remain.
Population GeneratePopulation(const PopulationPlan& plan);

// The cases an employee of the processing year falls under (bit i = DemoCase i), judged from
// the values its current-year record holds.
uint32_t ClassifyEmployee(const Employee& e, int year, int month);

// The Italian tax code (codice fiscale) of a person born in the municipality with the given
// cadastral code.
std::string TaxCode(const std::string& surname, const std::string& first_name, bool female,
                    const Day& birth, const std::string& municipality);

}  // namespace kaveltar::demo

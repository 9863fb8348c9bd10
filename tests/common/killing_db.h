// A database wrapper that kills its own process at the n-th saved day: the tests that prove
// "a crash never leaves half a month behind" run a batch job in a child process through it.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <memory>

#include "db/attendance_db.h"

namespace kaveltar::testing {

class KillingDb : public AttendanceDb {
 public:
  KillingDb(std::unique_ptr<AttendanceDb> inner, int kill_at) : inner_(std::move(inner)), kill_at_(kill_at) {}
  Status SaveDay(const DayRow& row) override {
    if (++saves_ == kill_at_) ::kill(::getpid(), SIGKILL);
    return inner_->SaveDay(row);
  }
  Result<std::optional<DayRow>> FindDay(std::string_view e, std::string_view p) override { return inner_->FindDay(e, p); }
  Status DeleteDay(std::string_view e, std::string_view p) override { return inner_->DeleteDay(e, p); }
  Status EmployeeMonth(std::string_view e, std::string_view m, std::vector<DayRow>* r) override {
    return inner_->EmployeeMonth(e, m, r);
  }
  Status EmployeeYear(std::string_view e, std::string_view y, std::vector<DayRow>* r) override {
    return inner_->EmployeeYear(e, y, r);
  }
  Status CompanyMonth(std::string_view c, std::string_view m, std::vector<DayRow>* r) override {
    return inner_->CompanyMonth(c, m, r);
  }
  Result<bool> JustificationInUse(std::string_view c) override { return inner_->JustificationInUse(c); }
  Result<bool> GroupInUse(std::string_view c) override { return inner_->GroupInUse(c); }
  Status DaysWithJustification(std::string_view c, std::vector<DayRow>* r) override {
    return inner_->DaysWithJustification(c, r);
  }
  Status DeleteEmployeeMonth(std::string_view e, std::string_view m) override { return inner_->DeleteEmployeeMonth(e, m); }
  Result<int64_t> CountDays() override { return inner_->CountDays(); }
  Status DeleteAllDays() override { return inner_->DeleteAllDays(); }
  Result<std::optional<HolidayRow>> FindHoliday(std::string_view d) override { return inner_->FindHoliday(d); }
  Status SaveHoliday(const HolidayRow& r) override { return inner_->SaveHoliday(r); }
  Status DeleteHoliday(std::string_view d) override { return inner_->DeleteHoliday(d); }
  Status ListHolidays(std::vector<HolidayRow>* r) override { return inner_->ListHolidays(r); }
  Result<std::optional<JustificationRow>> FindJustification(std::string_view c) override {
    return inner_->FindJustification(c);
  }
  Status SaveJustification(const JustificationRow& r) override { return inner_->SaveJustification(r); }
  Status DeleteJustification(std::string_view c) override { return inner_->DeleteJustification(c); }
  Status ListJustifications(std::vector<JustificationRow>* r) override { return inner_->ListJustifications(r); }
  Result<std::optional<GroupRow>> FindGroup(std::string_view c) override { return inner_->FindGroup(c); }
  Status SaveGroup(const GroupRow& r) override { return inner_->SaveGroup(r); }
  Status DeleteGroup(std::string_view c) override { return inner_->DeleteGroup(c); }
  Status ListGroups(std::vector<GroupRow>* r) override { return inner_->ListGroups(r); }
  Status Begin() override { return inner_->Begin(); }
  Status Commit() override { return inner_->Commit(); }
  Status Rollback() override { return inner_->Rollback(); }

 private:
  std::unique_ptr<AttendanceDb> inner_;
  int kill_at_;
  int saves_ = 0;
};

}  // namespace kaveltar::testing

// A database wrapper that kills its own process at the n-th saved day: the tests that prove
// "a crash never leaves half a month behind" run a batch job in a child process through it.
// Each save can be made to take `delay`, so a job's batches end where the test wants them,
// and `after_month_read` runs after each employee-month is read, so a test can make another
// process act at that very moment. A `kill_at` of 0 never kills.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "db/attendance_db.h"

namespace kaveltar::testing {

class KillingDb : public AttendanceDb {
 public:
  KillingDb(std::unique_ptr<AttendanceDb> inner, int kill_at, std::chrono::milliseconds delay = {})
      : inner_(std::move(inner)), kill_at_(kill_at), delay_(delay) {}
  Status SaveDay(const DayRow& row) override {
    Saved();
    return inner_->SaveDay(row);
  }
  Status SaveDayKeepNumber(const DayRow& row) override {
    Saved();
    return inner_->SaveDayKeepNumber(row);
  }
  Result<std::optional<DayRow>> FindDay(std::string_view e, std::string_view p) override { return inner_->FindDay(e, p); }
  Status DeleteDay(std::string_view e, std::string_view p) override { return inner_->DeleteDay(e, p); }
  Status EmployeeMonth(std::string_view e, std::string_view m, std::vector<DayRow>* r) override {
    Status s = inner_->EmployeeMonth(e, m, r);
    if (after_month_read) after_month_read(e);
    return s;
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
  Status Begin() override {
    begun_ = std::chrono::steady_clock::now();
    return inner_->Begin();
  }
  Status Commit() override {
    Status s = inner_->Commit();
    held.push_back(std::chrono::steady_clock::now() - begun_);
    return s;
  }
  Status Rollback() override { return inner_->Rollback(); }

  std::function<void(std::string_view employee)> after_month_read;
  // How long each committed transaction lasted, from Begin to the end of Commit.
  std::vector<std::chrono::steady_clock::duration> held;

 private:
  std::chrono::steady_clock::time_point begun_;
  void Saved() {
    if (++saves_ == kill_at_) ::kill(::getpid(), SIGKILL);
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
  }

  std::unique_ptr<AttendanceDb> inner_;
  int kill_at_;
  std::chrono::milliseconds delay_;
  int saves_ = 0;
};

}  // namespace kaveltar::testing

// A database that passes every call to another one. Test doubles derive from it and override
// only the calls they watch or change; everything else reaches the real engine untouched.
#pragma once

#include <memory>
#include <utility>

#include "db/attendance_db.h"

namespace kaveltar::testing {

class ForwardingDb : public AttendanceDb {
 public:
  explicit ForwardingDb(std::unique_ptr<AttendanceDb> inner) : inner_(std::move(inner)) {}

  Result<std::optional<DayRow>> FindDay(std::string_view e, std::string_view p) override {
    return inner_->FindDay(e, p);
  }
  Status SaveDay(const DayRow& row) override { return inner_->SaveDay(row); }
  Status SaveDayKeepNumber(const DayRow& row) override { return inner_->SaveDayKeepNumber(row); }
  Status DeleteDay(std::string_view e, std::string_view p) override {
    return inner_->DeleteDay(e, p);
  }
  Status EmployeeMonth(std::string_view e, std::string_view m, std::vector<DayRow>* r) override {
    return inner_->EmployeeMonth(e, m, r);
  }
  Status EmployeeYear(std::string_view e, std::string_view y, std::vector<DayRow>* r) override {
    return inner_->EmployeeYear(e, y, r);
  }
  Status CompanyMonth(std::string_view c, std::string_view m, std::vector<DayRow>* r) override {
    return inner_->CompanyMonth(c, m, r);
  }
  Status ForEachCompanyMonthDay(std::string_view c, std::string_view m,
                                const std::function<bool(const DayRow&)>& visit) override {
    return inner_->ForEachCompanyMonthDay(c, m, visit);
  }
  Result<bool> JustificationInUse(std::string_view c) override {
    return inner_->JustificationInUse(c);
  }
  Result<bool> GroupInUse(std::string_view c) override { return inner_->GroupInUse(c); }
  Status CompanyHours(std::string_view c, std::string_view p,
                      const std::function<void(const DayHoursView&)>& visit) override {
    return inner_->CompanyHours(c, p, visit);
  }
  Status DeleteEmployeeMonth(std::string_view e, std::string_view m) override {
    return inner_->DeleteEmployeeMonth(e, m);
  }
  Result<int64_t> CountDays() override { return inner_->CountDays(); }
  Status DeleteAllDays() override { return inner_->DeleteAllDays(); }

  Result<std::optional<HolidayRow>> FindHoliday(std::string_view d) override {
    return inner_->FindHoliday(d);
  }
  Status SaveHoliday(const HolidayRow& r) override { return inner_->SaveHoliday(r); }
  Status DeleteHoliday(std::string_view d) override { return inner_->DeleteHoliday(d); }
  Status ListHolidays(std::vector<HolidayRow>* r) override { return inner_->ListHolidays(r); }

  Result<std::optional<JustificationRow>> FindJustification(std::string_view c) override {
    return inner_->FindJustification(c);
  }
  Status SaveJustification(const JustificationRow& r) override {
    return inner_->SaveJustification(r);
  }
  Status DeleteJustification(std::string_view c) override { return inner_->DeleteJustification(c); }
  Status ListJustifications(std::vector<JustificationRow>* r) override {
    return inner_->ListJustifications(r);
  }

  Result<std::optional<GroupRow>> FindGroup(std::string_view c) override {
    return inner_->FindGroup(c);
  }
  Status SaveGroup(const GroupRow& r) override { return inner_->SaveGroup(r); }
  Status DeleteGroup(std::string_view c) override { return inner_->DeleteGroup(c); }
  Status ListGroups(std::vector<GroupRow>* r) override { return inner_->ListGroups(r); }

  Status Begin() override { return inner_->Begin(); }
  Status Commit() override { return inner_->Commit(); }
  Status Rollback() override { return inner_->Rollback(); }

 private:
  std::unique_ptr<AttendanceDb> inner_;
};

}  // namespace kaveltar::testing

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

#include "common/forwarding_db.h"

namespace kaveltar::testing {

class KillingDb : public ForwardingDb {
 public:
  KillingDb(std::unique_ptr<AttendanceDb> inner, int kill_at, std::chrono::milliseconds delay = {})
      : ForwardingDb(std::move(inner)), kill_at_(kill_at), delay_(delay) {}
  Status SaveDay(const DayRow& row) override {
    Saved();
    return ForwardingDb::SaveDay(row);
  }
  Status SaveDayKeepNumber(const DayRow& row) override {
    Saved();
    return ForwardingDb::SaveDayKeepNumber(row);
  }
  Status EmployeeMonth(std::string_view e, std::string_view m, std::vector<DayRow>* r) override {
    Status s = ForwardingDb::EmployeeMonth(e, m, r);
    if (after_month_read) after_month_read(e);
    return s;
  }
  Status Begin() override {
    begun_ = std::chrono::steady_clock::now();
    return ForwardingDb::Begin();
  }
  Status Commit() override {
    Status s = ForwardingDb::Commit();
    held.push_back(std::chrono::steady_clock::now() - begun_);
    return s;
  }

  std::function<void(std::string_view employee)> after_month_read;
  // How long each committed transaction lasted, from Begin to the end of Commit.
  std::vector<std::chrono::steady_clock::duration> held;

 private:
  std::chrono::steady_clock::time_point begun_;
  void Saved() {
    if (++saves_ == kill_at_) ::kill(::getpid(), SIGKILL);
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
  }

  int kill_at_;
  std::chrono::milliseconds delay_;
  int saves_ = 0;
};

}  // namespace kaveltar::testing

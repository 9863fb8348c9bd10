// Helpers shared by the database tests: status assertions, a temporary folder, and day rows.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

inline const Status& StatusOf(const Status& s) { return s; }
template <typename T>
const Status& StatusOf(const Result<T>& r) {
  return r.status();
}

#define KT_ASSERT_OK(expr)                                      \
  do {                                                          \
    const ::kaveltar::Status kt_s = ::kaveltar::StatusOf(expr); \
    ASSERT_TRUE(kt_s.ok()) << #expr << ": " << kt_s.message();  \
  } while (0)
#define KT_EXPECT_OK(expr)                                      \
  do {                                                          \
    const ::kaveltar::Status kt_s = ::kaveltar::StatusOf(expr); \
    EXPECT_TRUE(kt_s.ok()) << #expr << ": " << kt_s.message();  \
  } while (0)

// A new empty folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kaveltar-db-XXXXXX");
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A day with a schedule, hours and one justification, as memorization writes it.
inline DayRow Day(std::string employee, std::string period) {
  DayRow d;
  d.employee = std::move(employee);
  d.period = std::move(period);
  d.pres[1] = "001";
  d.pres[2] = "08:00";
  d.pres[3] = "06:00";
  d.SlotCode(1) = "FER";
  d.SlotHours(1) = "02:00";
  return d;
}

// "KPERIODO KDIPENDENTE" of each row, for comparing whole results at once.
inline std::vector<std::string> Keys(const std::vector<DayRow>& rows) {
  std::vector<std::string> out;
  for (const DayRow& r : rows) out.push_back(r.period + " " + r.employee);
  return out;
}

}  // namespace kaveltar

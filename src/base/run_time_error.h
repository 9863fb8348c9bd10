// RunTimeError: an unexpected error inside an archive, codec, list, database or start-up
// procedure, handed to the general error handler (app/report_error.h).
//
// The program uses one table of error numbers and their Italian descriptions, the texts the
// operator of the original program sees from its Italian run-time: every RunTimeError takes
// its description from it. The thrower adds a detail (a path, a record, the database engine's
// own message) that follows the Italian text and never replaces it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "base/status.h"

namespace kaveltar {

class RunTimeError : public std::runtime_error {
 public:
  // The numbers the program raises; RunTimeErrorText gives each one its description.
  static constexpr int kInvalidProcedureCall = 5;
  static constexpr int kSubscriptOutOfRange = 9;
  static constexpr int kTypeMismatch = 13;
  static constexpr int kInternalError = 51;
  static constexpr int kBadFileNumber = 52;
  static constexpr int kFileNotFound = 53;
  static constexpr int kDeviceIo = 57;
  static constexpr int kBadRecordLength = 59;
  static constexpr int kDiskFull = 61;
  static constexpr int kBadRecordNumber = 63;
  static constexpr int kPermissionDenied = 70;
  static constexpr int kPathFileAccess = 75;
  static constexpr int kPathNotFound = 76;
  static constexpr int kInvalidPicture = 481;
  static constexpr int kPrinterError = 482;
  // The attendance database: its file is missing, it is damaged, or a call failed.
  static constexpr int kDatabaseFileNotFound = 3024;
  static constexpr int kDatabaseDamaged = 3049;
  static constexpr int kDatabaseError = 3146;

  explicit RunTimeError(int number, std::string detail = {});

  int number() const { return number_; }
  // The Italian description, then ": " and the detail when there is one.
  const std::string& description() const { return description_; }
  const std::string& detail() const { return detail_; }

 private:
  int number_;
  std::string detail_;
  std::string description_;
};

// The Italian description of a run-time error number; a number the table does not know reads
// as the run-time's text for an application-defined error.
std::string_view RunTimeErrorText(int number);

// The program's error for a failed database status: kDatabaseFileNotFound for a missing
// database, kDatabaseDamaged for a damaged one, kDatabaseError for any other failure. `what`
// names the table or the operation; the engine's message follows it in the detail.
RunTimeError DatabaseError(const Status& status, std::string_view what);
[[noreturn]] void ThrowDatabaseError(const Status& status, std::string_view what);

}  // namespace kaveltar

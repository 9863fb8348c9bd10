// RunTimeError: an unexpected error inside an archive, codec, list or start-up procedure.
// It carries the error number the operator sees (59 bad record length, 53 file not found,
// 482 printer error, ...) and is handed to the general error handler (app/report_error.h).
#pragma once

#include <stdexcept>
#include <string>

namespace kaveltar {

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(int number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  int number() const { return number_; }
  const std::string& description() const { return description_; }

  static constexpr int kFileNotFound = 53;
  static constexpr int kBadRecordLength = 59;
  static constexpr int kPathNotFound = 76;
  static constexpr int kPermissionDenied = 70;
  static constexpr int kDeviceIo = 57;
  static constexpr int kPrinterError = 482;

 private:
  int number_;
  std::string description_;
};

}  // namespace kaveltar

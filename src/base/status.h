// Status and Result: the small error values returned by parsers and database calls.
// A Status is cheap when OK (no allocation) and carries a kind and a message otherwise.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kaveltar {

class [[nodiscard]] Status {
 public:
  enum class Kind { kOk, kNotFound, kInvalid, kCorrupt, kIoError, kDbError, kConflict };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Kind::kNotFound, std::move(msg)); }
  static Status Invalid(std::string msg) { return Status(Kind::kInvalid, std::move(msg)); }
  static Status Corrupt(std::string msg) { return Status(Kind::kCorrupt, std::move(msg)); }
  static Status IoError(std::string msg) { return Status(Kind::kIoError, std::move(msg)); }
  static Status DbError(std::string msg) { return Status(Kind::kDbError, std::move(msg)); }
  static Status Conflict(std::string msg) { return Status(Kind::kConflict, std::move(msg)); }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }

 private:
  Status(Kind kind, std::string msg) : kind_(kind), message_(std::move(msg)) {}
  Kind kind_ = Kind::kOk;
  std::string message_;
};

// A value or the Status explaining why there is none.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) {}  // NOLINT: implicit by design

  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  Status status_;
  std::optional<T> value_;
};

}  // namespace kaveltar

// The trace ring: the names of the last ten procedures entered, listed by the general error
// handler so the operator can tell support where the program was.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kaveltar {

class TraceRing {
 public:
  static constexpr int kSlots = 10;

  // Stores the name in the next slot, unless it equals the name in the current slot.
  void TraceProcedure(std::string_view name);

  // The ten slots from the oldest to the most recent (never-used slots are empty).
  std::vector<std::string> OldestToNewest() const;
  // The current index, 1 to 10 (0 before the first name).
  int current() const { return current_; }

 private:
  std::array<std::string, kSlots> slots_{};
  int current_ = 0;  // 1-based index of the latest name; 0 = nothing yet.
};

}  // namespace kaveltar

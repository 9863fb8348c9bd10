#include "base/trace.h"

namespace kaveltar {

void TraceRing::TraceProcedure(std::string_view name) {
  if (current_ > 0 && slots_[current_ - 1] == name) return;
  current_ = current_ % kSlots + 1;
  slots_[current_ - 1] = std::string(name);
}

std::vector<std::string> TraceRing::OldestToNewest() const {
  std::vector<std::string> names;
  names.reserve(kSlots);
  const int latest = current_ == 0 ? kSlots : current_;
  for (int i = 1; i <= kSlots; ++i) names.push_back(slots_[(latest + i - 1) % kSlots]);
  return names;
}

}  // namespace kaveltar

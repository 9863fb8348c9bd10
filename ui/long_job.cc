#include "ui/long_job.h"

namespace kaveltar::ui {

void JobProgress::Report(size_t done, size_t total, std::string_view current) {
  const std::lock_guard<std::mutex> lock(mutex_);
  state_.done = done;
  state_.total = total;
  state_.current.assign(current);
}

void JobProgress::SetCurrent(std::string_view current) {
  const std::lock_guard<std::mutex> lock(mutex_);
  state_.current.assign(current);
}

JobProgress::Snapshot JobProgress::Get() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

std::string RemainingTimeText(size_t done, size_t total, long long elapsed_ms) {
  if (total > 0 && done >= total) return "Completato";
  const std::string prefix = "Tempo residuo stimato: ";
  if (done == 0 || elapsed_ms <= 0) return prefix + "in calcolo";
  // Rounded up to the whole second, so the estimate never reads 0 s before the end.
  const long long left_ms =
      elapsed_ms * static_cast<long long>(total - done) / static_cast<long long>(done);
  const long long seconds = (left_ms + 999) / 1000;
  if (seconds < 60) return prefix + std::to_string(seconds) + " s";
  const long long rest = seconds % 60;
  return prefix + std::to_string(seconds / 60) + " min " + (rest < 10 ? "0" : "") +
         std::to_string(rest) + " s";
}

}  // namespace kaveltar::ui

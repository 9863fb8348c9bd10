// Long operations (memorization, import, export, sheets and summaries) run on a worker
// thread while the window's event loop keeps turning: the window answers the window system,
// repaints, and the waiting panel shows how far the work is.
//
// The rule for the Session while a job runs: only the job's thread uses it (the database
// connection, the archive files, the printer and the report output are used by one thread at
// a time). The GUI thread meanwhile only paints and reads the job's progress: every control of
// the screens and of the menu is disabled and leaving the program is refused, so no handler
// that touches the Session can run before the job is over. Messages and questions the job
// asks through the Session's Dialogs are carried to the GUI thread (QtDialogs does that), and
// the job waits for the answer.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace kaveltar::ui {

// How far a job is: `done` of `total` items, and the item in progress. Written by the job's
// thread, read by the GUI thread.
class JobProgress {
 public:
  struct Snapshot {
    size_t done = 0;
    size_t total = 0;
    std::string current;  // UTF-8, e.g. "Dipendente 0010010001"
  };

  void Report(size_t done, size_t total, std::string_view current);
  // Only the item in progress (a phase, an employee), the counts staying as they are.
  void SetCurrent(std::string_view current);
  Snapshot Get() const;

 private:
  mutable std::mutex mutex_;
  Snapshot state_;
};

// The estimate of the time left after `elapsed_ms` for `done` of `total` items, at the pace
// so far: "Tempo residuo stimato: 1 min 05 s", "Tempo residuo stimato: 40 s"; with nothing
// done yet "Tempo residuo stimato: in calcolo"; all done "Completato".
std::string RemainingTimeText(size_t done, size_t total, long long elapsed_ms);

}  // namespace kaveltar::ui

// The waiting panel of long operations: while a WaitPanel lives, the frame `FrameAttesa`
// ("ATTENDERE PREGO") is shown above the screens and the pointer is the hourglass. Both are
// restored when it goes out of scope, however the operation ends (return, message, error).
// Panels nest: the frame stays up until the outermost one ends.
//
// A job running off the event loop (ui/long_job.h) also shows on the panel how far it is: a
// bar "N di M" (`BarraAttesa`), the item in progress (`LabelAttesaCorrente`) and the time
// left (`LabelAttesaStima`). The panel then grows around its centre to hold them whole.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "ui/long_job.h"

namespace kaveltar::ui {

class WaitPanel {
 public:
  // `frame` is the form's FrameAttesa. The panel is painted at once, before the work starts,
  // since nothing else repaints the window until the work returns to the event loop.
  explicit WaitPanel(QWidget* frame);
  ~WaitPanel();
  WaitPanel(const WaitPanel&) = delete;
  WaitPanel& operator=(const WaitPanel&) = delete;

  // Shows the progress of a job that has run for `elapsed_ms`.
  void ShowProgress(const JobProgress::Snapshot& progress, long long elapsed_ms);

  // True while at least one panel is alive.
  static bool active() { return depth_ > 0; }

 private:
  // The panel's progress widgets, made on first use and hidden while no job shows.
  void Furnish();
  // Grows the panel to its contents, centred on where it stands, within its parent.
  void Fit();

  QPointer<QWidget> frame_;
  QRect placed_;  // the panel's place before it grew
  bool progress_shown_ = false;
  static int depth_;
};

}  // namespace kaveltar::ui

// The waiting panel of long operations: while a WaitPanel lives, the frame `FrameAttesa`
// ("ATTENDERE PREGO") is shown above the screens and the pointer is the hourglass. Both are
// restored when it goes out of scope, however the operation ends (return, message, error).
// Panels nest: the frame stays up until the outermost one ends.
#pragma once

#include <QPointer>
#include <QWidget>

namespace kaveltar::ui {

class WaitPanel {
 public:
  // `frame` is the form's FrameAttesa. The panel is painted at once, before the work starts,
  // since nothing else repaints the window until the work returns to the event loop.
  explicit WaitPanel(QWidget* frame);
  ~WaitPanel();
  WaitPanel(const WaitPanel&) = delete;
  WaitPanel& operator=(const WaitPanel&) = delete;

  // True while at least one panel is alive.
  static bool active() { return depth_ > 0; }

 private:
  QPointer<QWidget> frame_;
  static int depth_;
};

}  // namespace kaveltar::ui

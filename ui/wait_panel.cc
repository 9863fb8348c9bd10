#include "ui/wait_panel.h"

#include <QApplication>
#include <QCoreApplication>

namespace kaveltar::ui {

int WaitPanel::depth_ = 0;

WaitPanel::WaitPanel(QWidget* frame) : frame_(frame) {
  ++depth_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (frame_ != nullptr) {
    frame_->show();
    frame_->raise();
    frame_->repaint();
  }
  // Let the window system draw the panel and the pointer; the operator's clicks and keys wait
  // until the operation is over, as the form is busy.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

WaitPanel::~WaitPanel() {
  --depth_;
  if (depth_ == 0 && frame_ != nullptr) frame_->hide();
  QApplication::restoreOverrideCursor();
}

}  // namespace kaveltar::ui

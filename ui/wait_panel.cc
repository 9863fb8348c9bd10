#include "ui/wait_panel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>

#include "ui/widget_helpers.h"

namespace kaveltar::ui {

int WaitPanel::depth_ = 0;

WaitPanel::WaitPanel(QWidget* frame) : frame_(frame) {
  ++depth_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (frame_ != nullptr) {
    placed_ = frame_->geometry();
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
  if (frame_ != nullptr && progress_shown_) {
    for (const char* name : {"BarraAttesa", "LabelAttesaCorrente", "LabelAttesaStima"}) {
      if (auto* w = frame_->findChild<QWidget*>(QString::fromLatin1(name))) w->hide();
    }
    frame_->setGeometry(placed_);
  }
  if (depth_ == 0 && frame_ != nullptr) frame_->hide();
  QApplication::restoreOverrideCursor();
}

void WaitPanel::Furnish() {
  if (frame_->findChild<QProgressBar*>(QStringLiteral("BarraAttesa")) != nullptr) return;
  QLayout* layout = frame_->layout();
  auto* bar = new QProgressBar(frame_);
  bar->setObjectName(QStringLiteral("BarraAttesa"));
  bar->setFormat(QStringLiteral("%v di %m"));
  bar->setAlignment(Qt::AlignCenter);
  bar->setMinimumWidth(240);
  auto* current = new QLabel(frame_);
  current->setObjectName(QStringLiteral("LabelAttesaCorrente"));
  current->setAlignment(Qt::AlignCenter);
  auto* estimate = new QLabel(frame_);
  estimate->setObjectName(QStringLiteral("LabelAttesaStima"));
  estimate->setAlignment(Qt::AlignCenter);
  if (layout != nullptr) {
    layout->addWidget(bar);
    layout->addWidget(current);
    layout->addWidget(estimate);
  }
}

void WaitPanel::ShowProgress(const JobProgress::Snapshot& progress, long long elapsed_ms) {
  if (frame_ == nullptr) return;
  Furnish();
  auto* bar = frame_->findChild<QProgressBar*>(QStringLiteral("BarraAttesa"));
  auto* current = frame_->findChild<QLabel*>(QStringLiteral("LabelAttesaCorrente"));
  auto* estimate = frame_->findChild<QLabel*>(QStringLiteral("LabelAttesaStima"));
  const bool counted = progress.total > 0;
  // Without a count yet the bar runs as "busy".
  bar->setRange(0, counted ? static_cast<int>(progress.total) : 0);
  if (counted) bar->setValue(static_cast<int>(std::min(progress.done, progress.total)));
  bar->setTextVisible(counted);
  current->setText(FromUtf8(progress.current));
  estimate->setText(counted ? FromUtf8(RemainingTimeText(progress.done, progress.total, elapsed_ms))
                            : QString());
  if (!progress_shown_) {
    bar->show();
    current->show();
    estimate->show();
    progress_shown_ = true;
  }
  Fit();
}

void WaitPanel::Fit() {
  QLayout* layout = frame_->layout();
  if (layout == nullptr) return;
  layout->activate();
  const QSize wanted = layout->totalSizeHint().expandedTo(placed_.size());
  QSize size = frame_->size();
  if (size.width() >= wanted.width() && size.height() >= wanted.height()) return;
  size = size.expandedTo(wanted);
  QRect rect(QPoint(0, 0), size);
  rect.moveCenter(placed_.center());
  // Within the window: moved back inside, and at most as large as the window.
  if (const QWidget* parent = frame_->parentWidget()) {
    const QRect room = parent->rect();
    rect.setSize(rect.size().boundedTo(room.size()));
    if (rect.right() > room.right()) rect.moveRight(room.right());
    if (rect.bottom() > room.bottom()) rect.moveBottom(room.bottom());
    if (rect.left() < room.left()) rect.moveLeft(room.left());
    if (rect.top() < room.top()) rect.moveTop(room.top());
  }
  frame_->setGeometry(rect);
}

}  // namespace kaveltar::ui

#include "ui/screen_layout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>

namespace kaveltar::ui {

QVBoxLayout* Headed(QWidget* parent, const char* heading, QWidget* body) {
  auto* column = new QVBoxLayout;
  column->setSpacing(2);
  QLabel* label = NewLabel(parent, heading);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  column->addWidget(label);
  column->addWidget(body, 1);
  return column;
}

namespace {

// Captions changed while a page was hidden leave the layouts above them with the heights of
// the old texts; a page that is shown has every control measured again.
class RemeasureOnShow : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      // Once the screen has finished filling the page in.
      auto* page = static_cast<QWidget*>(watched);
      QTimer::singleShot(0, page, [page] {
        for (QWidget* w : page->findChildren<QWidget*>()) w->updateGeometry();
        page->updateGeometry();
      });
    }
    return false;
  }
};

}  // namespace

QWidget* Pages(QWidget* parent, std::initializer_list<QWidget*> pages) {
  auto* holder = new QWidget(parent);
  auto* remeasure = new RemeasureOnShow(holder);
  auto* stack = new QStackedLayout(holder);
  // Every page keeps the visibility the screen gives it.
  stack->setStackingMode(QStackedLayout::StackAll);
  for (QWidget* page : pages) {
    const bool hidden = page->isHidden();
    stack->addWidget(page);
    page->setHidden(hidden);
    page->installEventFilter(remeasure);
  }
  return holder;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch(1);
  return row;
}

namespace {

class PanelKeys : public QObject {
 public:
  PanelKeys(QWidget* panel, QAbstractButton* default_button, QAbstractButton* cancel_button)
      : QObject(panel), panel_(panel), default_(default_button), cancel_(cancel_button) {
    panel->installEventFilter(this);
  }

 protected:
  // Key presses reach the panel only when the control that had them let them pass.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != panel_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    QAbstractButton* target = nullptr;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
      target = focused != nullptr && panel_->isAncestorOf(focused) ? focused : default_.data();
    } else if (key->key() == Qt::Key_Escape) {
      target = cancel_.data();
    }
    if (target == nullptr || !target->isVisible() || !target->isEnabled()) return false;
    target->click();
    return true;
  }

 private:
  QWidget* panel_;
  QPointer<QAbstractButton> default_;
  QPointer<QAbstractButton> cancel_;
};

}  // namespace

void SetPanelKeys(QWidget* panel, QAbstractButton* default_button, QAbstractButton* cancel_button) {
  new PanelKeys(panel, default_button, cancel_button);
  if (auto* button = qobject_cast<QPushButton*>(default_button)) button->setDefault(true);
}

}  // namespace kaveltar::ui

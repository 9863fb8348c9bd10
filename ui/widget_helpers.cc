#include "ui/widget_helpers.h"

#include <QKeyEvent>
#include <QList>

#include "base/keys.h"

namespace kaveltar::ui {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

int TypedKey(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      return kKeyBackspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyEnter;
    case Qt::Key_Escape:
      return kKeyEscape;
    default:
      break;
  }
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  const QList<uint> code_points = event->text().toUcs4();
  if (code_points.isEmpty()) return 0;
  const uint c = code_points.front();
  if (c < 32 || c == 127) return 0;
  return static_cast<int>(c);
}

bool LeftByOperator(Qt::FocusReason reason) {
  return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

QColor WindowsColour(long colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QFont Bold(QFont font) {
  font.setBold(true);
  return font;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QLabel* NewLabel(QWidget* parent, const char* text, const char* name) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  if (name != nullptr) label->setObjectName(QString::fromLatin1(name));
  return label;
}

QComboBox* NewCombo(QWidget* parent, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  return combo;
}

QCheckBox* NewCheck(QWidget* parent, const char* name, const char* caption) {
  auto* check = new QCheckBox(QString::fromUtf8(caption), parent);
  check->setObjectName(QString::fromLatin1(name));
  return check;
}

QGroupBox* NewFrame(QWidget* parent, const QString& name, const char* caption) {
  auto* frame = new QGroupBox(QString::fromUtf8(caption), parent);
  frame->setObjectName(name);
  return frame;
}

}  // namespace kaveltar::ui

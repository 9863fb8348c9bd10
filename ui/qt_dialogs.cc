#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation: return QMessageBox::Information;
    case MessageIcon::kExclamation: return QMessageBox::Warning;
    case MessageIcon::kCritical: return QMessageBox::Critical;
    case MessageIcon::kQuestion: return QMessageBox::Question;
    case MessageIcon::kNone: break;
  }
  return QMessageBox::NoIcon;
}

// Message texts break lines with carriage returns as well as line feeds ("\r\r" between the
// paragraphs of a question); the message box breaks only on line feeds.
QString MessageText(std::string_view text) {
  QString s = FromUtf8(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

// While a long operation holds the hourglass, a message box still needs the normal pointer.
class ArrowCursorWhileAsking {
 public:
  ArrowCursorWhileAsking() : active_(QApplication::overrideCursor() != nullptr) {
    if (active_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowCursorWhileAsking() {
    if (active_) QApplication::restoreOverrideCursor();
  }
  ArrowCursorWhileAsking(const ArrowCursorWhileAsking&) = delete;
  ArrowCursorWhileAsking& operator=(const ArrowCursorWhileAsking&) = delete;

 private:
  bool active_;
};

}  // namespace

void QtDialogs::Show(std::string_view text, std::string_view title, MessageIcon icon) {
  ArrowCursorWhileAsking arrow;
  QMessageBox box(BoxIcon(icon), MessageText(title), MessageText(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::Ask(std::string_view text, std::string_view title, MessageIcon icon) {
  ArrowCursorWhileAsking arrow;
  QMessageBox box(BoxIcon(icon), MessageText(title), MessageText(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace kaveltar::ui

#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMetaObject>
#include <QString>
#include <QThread>
#include <QTranslator>
#include <functional>
#include <string>

#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kNone:
      break;
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

// True when called away from the GUI thread: `ask` then runs there, and this thread waits
// for it. Widgets live on the GUI thread only.
bool OnGuiThread(const std::function<void()>& ask) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) return false;
  QMetaObject::invokeMethod(app, ask, Qt::BlockingQueuedConnection);
  return true;
}

}  // namespace

bool InstallItalianTranslation(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

void QtDialogs::Show(std::string_view text, std::string_view title, MessageIcon icon) {
  if (OnGuiThread([&, t = std::string(text), ti = std::string(title)] { Show(t, ti, icon); }))
    return;
  ArrowCursorWhileAsking arrow;
  QMessageBox box(BoxIcon(icon), MessageText(title), MessageText(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::Ask(std::string_view text, std::string_view title, MessageIcon icon) {
  bool answer = false;
  if (OnGuiThread(
          [&, t = std::string(text), ti = std::string(title)] { answer = Ask(t, ti, icon); }))
    return answer;
  ArrowCursorWhileAsking arrow;
  QMessageBox box(BoxIcon(icon), MessageText(title), MessageText(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace kaveltar::ui

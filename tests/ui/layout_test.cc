// The window's size and place on the screen, captions that fit their controls at the desktop's
// font and at 11 points, the keyboard (Enter, Esc, Alt letters) and Qt's own texts in Italian.
// CTest runs this group at scale factors 1, 1.25 and 2.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTest>
#include <functional>

#include "ui/list_widgets.h"
#include "ui/qt_dialogs.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

// The text a control shows: the "&" before a letter only underlines it.
QString Shown(QString text) { return text.remove(QLatin1Char('&')); }

// Why the caption of `w` does not fit, or an empty text when it fits.
QString Clipped(QWidget* w) {
  const QFontMetrics fm(w->font());
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return {};
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect need = fm.boundingRect(room, flags, label->text());
    if (need.width() <= room.width() && need.height() <= room.height()) return {};
    return QStringLiteral("%1x%2 in %3x%4")
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
  }
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (button == nullptr || button->text().isEmpty()) return {};
  const int need = fm.horizontalAdvance(Shown(button->text()));
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  int room = 0;
  if (qobject_cast<QCheckBox*>(button) != nullptr) {
    room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w).width();
  } else if (qobject_cast<QRadioButton*>(button) != nullptr) {
    room = w->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, w).width();
  } else {
    room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w).width() -
           2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w) / 2;
  }
  if (need <= room) return {};
  return QStringLiteral("%1 in %2").arg(need).arg(room);
}

// The captions that do not fit, on every screen, with the window at its smallest.
QStringList ClippedCaptions() {
  Harness h;
  h.form->resize(h.form->minimumSize());
  QStringList failures;
  ForEveryScreen(h, [&](const char* screen) {
    QTest::qWait(50);  // the layouts settle (a caption set in a hidden frame lays out anew)
    for (QWidget* w : h.form->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      if (qobject_cast<QLabel*>(w) == nullptr && qobject_cast<QAbstractButton*>(w) == nullptr)
        continue;
      const QString why = Clipped(w);
      if (!why.isEmpty()) {
        failures << QStringLiteral("%1: %2 \"%3\" %4")
                        .arg(QString::fromLatin1(screen), w->objectName(),
                             w->property("text").toString(), why);
      }
    }
  });
  failures.removeDuplicates();
  return failures;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  // Each test starts without a remembered window (inside the demo's own folders).
  void init() {
    Demo();
    QFile::remove(FRMVELTAR::WindowSettingsFile());
  }
  void WindowFitsTheScreenAndIsCentred();
  void CaptionsFitAtTheDesktopFont();
  void CaptionsFitAtElevenPoints();
  void EnterAndEscActOnThePanelButtons();
  void MenuEntriesAnswerToAltAndTheirLetter();
  void QtTextsAreItalian();
};

void LayoutTest::WindowFitsTheScreenAndIsCentred() {
  Harness h;
  FRMVELTAR& f = *h.form;
  const QSize framing = f.frameGeometry().size() - f.size();
  // The smallest window, with its frame, fits a 1366 x 768 screen at 125 %: 1093 x 614
  // logical pixels.
  QVERIFY2(
      f.minimumWidth() + framing.width() <= 1093 && f.minimumHeight() + framing.height() <= 614,
      qPrintable(QStringLiteral("%1x%2").arg(f.minimumWidth()).arg(f.minimumHeight())));
  // Inside the screen's free area and centred on it.
  const QRect available = f.screen()->availableGeometry();
  QVERIFY(available.contains(f.frameGeometry()));
  QVERIFY((f.frameGeometry().center() - available.center()).manhattanLength() <= 2);
  const QSize expected = f.size();
  // Every screen keeps inside the window, whichever is shown, and the window keeps its size.
  ForEveryScreen(h, [&](const char* screen) {
    QCoreApplication::processEvents();
    QVERIFY2(f.size() == expected, screen);
    const QWidget* frame = h.Find<QWidget>(screen);
    QVERIFY2(f.rect().contains(QRect(frame->mapTo(&f, QPoint(0, 0)), frame->size())), screen);
  });
}

void LayoutTest::CaptionsFitAtTheDesktopFont() {
  const QStringList failures = ClippedCaptions();
  QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void LayoutTest::CaptionsFitAtElevenPoints() {
  const QFont desktop = QApplication::font();
  QFont big = desktop;
  big.setPointSize(11);
  QApplication::setFont(big);
  const QStringList failures = ClippedCaptions();
  QApplication::setFont(desktop);
  QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void LayoutTest::EnterAndEscActOnThePanelButtons() {
  Harness h;
  FRMVELTAR& f = *h.form;
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));

  // Esc in a list of the memorization returns to the menu.
  h.Click(h.MenuButton(1));
  auto* companies = h.Find<QListWidget>("ListAziMem");
  companies->setFocus();
  QTest::keyClick(companies, Qt::Key_Escape);
  QVERIFY(h.Find<QWidget>("FrameMenu")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameMemorizza")->isVisible());

  // Enter in the employee list of the update confirms the choice (the month grid opens).
  h.Click(h.MenuButton(3));
  h.Find<QListWidget>("ListAziAgg")->setCurrentRow(0);
  auto* employees = h.Find<QListWidget>("ListDipAgg");
  employees->setCurrentRow(0);
  h.MemorizeDemoMonth(EntryAt(employees, 0).code);
  employees->setFocus();
  QTest::keyClick(employees, Qt::Key_Return);
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
  QVERIFY(h.TakeTexts().empty());
}

void LayoutTest::MenuEntriesAnswerToAltAndTheirLetter() {
  Harness h;
  FRMVELTAR& f = *h.form;
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  // Alt+M: "Memorizza le Presenze del mese" (a button chosen by its letter clicks a moment
  // later, as it shows itself pressed).
  QTest::keyClick(&f, Qt::Key_M, Qt::AltModifier);
  QTRY_VERIFY(h.Find<QWidget>("FrameMemorizza")->isVisible());
}

void LayoutTest::QtTextsAreItalian() {
  QVERIFY(InstallItalianTranslation(*qApp));
  QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  QCOMPARE(Shown(box.button(QMessageBox::Yes)->text()), QString::fromUtf8("Sì"));
  QCOMPARE(Shown(box.button(QMessageBox::No)->text()), QStringLiteral("No"));
  QCOMPARE(Shown(box.button(QMessageBox::Cancel)->text()), QStringLiteral("Annulla"));
}

}  // namespace kaveltar::ui::testing

int RunLayoutTests(int argc, char** argv) {
  kaveltar::ui::testing::LayoutTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "layout_test.moc"

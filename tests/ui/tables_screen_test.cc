// The tables screen driven through its widgets: choosing a table, double-clicking rows, typing into
// the boxes, saving, refusals, deleting, cancelling, leaving the program and the printed listing.
//
// The demo installation is shared by the whole run: every test removes what it adds.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "db/attendance_db.h"
#include "tables/holiday_form.h"
#include "ui/list_widgets.h"
#include "ui/tables_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

TableBox* Box(Harness& h, const char* name, int index) {
  return h.Find<TableBox>(ArrayName(name, index).toLatin1().constData());
}
QWidget* Widget(Harness& h, const char* name, int index) {
  return h.Find<QWidget>(ArrayName(name, index).toLatin1().constData());
}

// Opens the tables screen and chooses table `table` (0 holidays, 1 justifications, 2 groups).
QListWidget* OpenTable(Harness& h, int table) {
  h.form->activateWindow();
  if (!QTest::qWaitForWindowActive(h.form.get())) qWarning("window not active");
  h.Click(h.MenuButton(0));
  Harness::ClickRow(h.Find<QListWidget>("ListTabelle"), table);
  return h.Find<QListWidget>("ListRecord");
}

}  // namespace

// The forms' rules (padding, duplicates, fixed holidays, codes in use, the formula sequence,
// navigation) are the tables layer's; these cases drive them through the widgets and check
// what only the screen does: key filters, colours, focus, enabling and one routed message.
class TablesScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void HolidayTypedSavedRefusedAndDeleted();
  void GroupHoursMaskAndCancelWithSave();
  void LeavingTheProgramWithARefusedSaveStays();
  void PrintsTheChosenTable();
};

void TablesScreenTest::HolidayTypedSavedRefusedAndDeleted() {
  Harness h;
  QListWidget* records = OpenTable(h, 0);
  TableBox* code = Box(h, "TextFestivita", 0);
  TableBox* description = Box(h, "TextFestivita", 1);

  // A new holiday: the code box takes digits only, gets the focus in yellow, turns white when
  // left; the description is typed in upper case.
  Harness::DoubleClickRow(records, 0);
  QVERIFY(!h.Find<QWidget>("CmdElimina")->isEnabled());
  QVERIFY(code->hasFocus());
  QCOMPARE(code->back_colour(), 65535L);
  QTest::keyClicks(code, QStringLiteral("1x0-1"));
  QCOMPARE(code->text(), QStringLiteral("101"));
  Leave(code);
  QCOMPARE(code->text(), QStringLiteral("0101"));
  QCOMPARE(code->back_colour(), 16777215L);
  QVERIFY(description->hasFocus());
  Type(description, QString::fromUtf8("capodanno è bis"));
  QCOMPARE(description->text(), QString::fromUtf8("CAPODANNO È BIS"));

  // 0101 exists: refused, the code emptied and focused again.
  h.TakeTexts();
  h.Click("CmdSalvaFest");
  QCOMPARE(h.TakeMessages().size(), 1);
  QCOMPARE(code->text(), QString());
  QVERIFY(code->hasFocus());

  Type(code, "619");
  h.Click("CmdSalvaFest");  // the button takes the focus: the code box is left first
  Result<std::optional<HolidayRow>> saved = h.session.db().FindHoliday("0619");
  QVERIFY(saved.ok() && saved->has_value());
  QCOMPARE(FromUtf8((*saved)->description), QString::fromUtf8("CAPODANNO È BIS"));
  const int added = RowStartingWith(records, QStringLiteral("0619 "));
  QVERIFY(added > 0);

  // Deleted after the confirmation.
  Harness::ClickRow(records, added);
  h.dialogs.QueueAnswers({true});
  h.Click("CmdElimina");
  QCOMPARE(h.TakeMessages().size(), 1);
  saved = h.session.db().FindHoliday("0619");
  QVERIFY(saved.ok() && !saved->has_value());
  QCOMPARE(RowStartingWith(records, QStringLiteral("0619 ")), -1);
}

void TablesScreenTest::GroupHoursMaskAndCancelWithSave() {
  Harness h;
  QListWidget* records = OpenTable(h, 2);
  Harness::DoubleClickRow(records, 0);
  TableBox* code = Box(h, "TextDescGruppo", 0);
  QTest::keyClicks(code, QStringLiteral("77"));
  Leave(code);
  Type(Box(h, "TextDescGruppo", 1), "turno prova");

  // The hours mask as keys reach it: digits over "00:00" from the start, the colon skipped,
  // a first digit above 4 refused.
  TableBox* monday = Box(h, "TextGruppo", 2);
  monday->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(monday, QStringLiteral("90730"));
  QCOMPARE(monday->text(), QStringLiteral("07:30"));
  Leave(monday);

  // Cancelling with Yes saves first; the untouched days are "00:00".
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("cmdAnnullaGruppo");
  QCOMPARE(h.TakeMessages().size(), 1);
  Result<std::optional<GroupRow>> saved = h.session.db().FindGroup("077");
  QVERIFY(saved.ok() && saved->has_value());
  QCOMPARE(FromUtf8((*saved)->grup[2]), QStringLiteral("07:30"));
  QCOMPARE(FromUtf8((*saved)->grup[3]), QStringLiteral("00:00"));
  QVERIFY(!Widget(h, "FrameGruppi", 1)->isEnabled());
  QVERIFY(h.session.db().DeleteGroup("077").ok());
}

void TablesScreenTest::LeavingTheProgramWithARefusedSaveStays() {
  Harness h;
  QListWidget* records = OpenTable(h, 0);
  Harness::DoubleClickRow(records, 0);
  TableBox* code = Box(h, "TextFestivita", 0);
  QTest::keyClicks(code, QStringLiteral("12"));  // still in the box: not padded yet

  // Yes: the save is refused, so the program stays on the panel with what was typed.
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  QVERIFY(!h.form->Leave());
  QCOMPARE(h.TakeMessages().size(), 2);  // the question, then the refusal
  QVERIFY(!h.form->ended());
  QCOMPARE(code->text(), QStringLiteral("12"));
  QVERIFY(Widget(h, "FrameFestivita", 1)->isEnabled());

  // No: the changes are dropped and the program ends.
  h.dialogs.QueueAnswers({false});
  QVERIFY(h.form->Leave());
  QVERIFY(h.form->ended());
}

void TablesScreenTest::PrintsTheChosenTable() {
  Harness h;
  RecordingPrinterJob* recorded = h.AttachRecorder();
  OpenTable(h, 2);
  h.TakeTexts();
  h.Click("CmdStampa");
  QCOMPARE(h.TakeMessages(), QStringList{"Stampa terminata"});
  QCOMPARE(recorded->printed().size(), size_t{1});
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

}  // namespace kaveltar::ui::testing

int RunTablesScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::TablesScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tables_screen_test.moc"

// The month grid screen driven through its widgets: opening a month from the update screen,
// clicking cells, typing hours into the editor, picking codes from the list with the mouse and
// the keyboard, saving and leaving with unsaved changes, an absence set through its frame and
// reprocessing.
//
// The demo installation (June 2024) is shared by the whole run: each test works on its own
// employee, memorized afresh and given group 001 (8:00 Monday to Friday); 13 June, Sant'Antonio
// di Padova, is a holiday of the demo's FESTIVITA.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>

#include "app/session.h"
#include "base/text.h"
#include "db/attendance_db.h"
#include "editing/month_grid.h"
#include "memorize/forced_settings.h"
#include "ui/grid_screen.h"
#include "ui/list_widgets.h"
#include "ui/update_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

// The demo's ordinary employees, taken in turn by the tests.
std::string Employee(Harness&, int index) {
  const std::vector<std::string>& keys = Demo().report.Keys(DemoCase::kGroup);
  return keys[static_cast<size_t>(index) % keys.size()];
}

// June 2024 of `key` memorized afresh, then group 001 on every day.
void Prepare(Harness& h, const std::string& key) {
  h.MemorizeDemoMonth(key);
  if (IMPOSTAGRUPPO(h.session.job(), {key, kDemoYear, kDemoMonth, key}, "001", 1, 30).days != 30) {
    qFatal("the month of %s was not memorized", key.c_str());
  }
}

// The update screen with the employee's company and the employee selected.
QListWidget* Select(Harness& h, const std::string& key) {
  h.form->activateWindow();
  if (!QTest::qWaitForWindowActive(h.form.get())) qWarning("window not active");
  if (!h.Find<QWidget>("FrameAggiorna")->isVisible()) h.Click(h.MenuButton(3));
  auto* employees = h.Find<QListWidget>("ListDipAgg");
  Harness::ClickRow(employees, ClickCompanyOf(h.Find<QListWidget>("ListAziAgg"), employees, key));
  return employees;
}

// Prepares the month of `key` and opens it with a double click on the employee.
QTableView* Open(Harness& h, const std::string& key) {
  Prepare(h, key);
  QListWidget* employees = Select(h, key);
  Harness::DoubleClickRow(employees, employees->currentRow());
  auto* view = h.Find<QTableView>("GrigliaModTimb");
  if (!view->isVisible()) qFatal("the grid did not open");
  return view;
}

GridScreen& Screen(Harness& h) { return h.form->update_screen().grid_screen(); }

QString Cell(QTableView* view, int day, int column) {
  return view->model()->index(day - 1, column).data().toString();
}

void ClickCell(QTableView* view, int day, int column) {
  const QModelIndex index = view->model()->index(day - 1, column);
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

std::optional<DayRow> Stored(Harness& h, const std::string& key, int day) {
  auto row = h.session.db().FindDay(key, "202406" + ZeroPad(day, 2));
  if (!row.ok()) qFatal("database: %s", row.status().message().c_str());
  return *row;
}

}  // namespace

// The grid's rules (the hours mask, what a click on each column opens, duplicates, hours
// adjusted to the day, save and undo, the forced settings) are the editing and memorization
// layers'; these cases drive them with the mouse and the keyboard and check that each reaches
// its rule, with the model's roles and what the frames show.
class GridScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void OpeningChecksTheSelectionAndShowsTheMonth();
  void ClickTypeAndPickInTheGrid();
  void KeyboardOnly();
  void SaveAndLeavingTheGrid();
  void LeavingTheProgramSavesPendingChanges();
  void AbsenceGroupAndHoursFramesAndReprocessing();
};

void GridScreenTest::OpeningChecksTheSelectionAndShowsTheMonth() {
  Harness h;
  const std::string key = Employee(h, 0);
  h.Click(h.MenuButton(3));
  h.TakeTexts();
  h.Click("CmdConfermaAgg");
  QCOMPARE(h.TakeMessages().size(), 1);
  QVERIFY(!h.Find<QWidget>("FrameModTimbrature")->isVisible());

  Prepare(h, key);
  Select(h, key);
  h.Click("CmdConfermaAgg");
  QVERIFY(h.TakeTexts().empty());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameAggiorna")->isVisible());
  auto* view = h.Find<QTableView>("GrigliaModTimb");
  QCOMPARE(view->model()->rowCount(), 30);
  // The holiday (13 June) in red, and the month's theoretical hours (19 working days).
  QCOMPARE(view->model()->index(12, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
           QColor(255, 0, 0));
  QVERIFY(!view->model()->index(11, 0).data(Qt::ForegroundRole).isValid());
  QCOMPARE(h.Find<QLabel>("Label5_0")->text(), QStringLiteral("152:00"));
}

void GridScreenTest::ClickTypeAndPickInTheGrid() {
  Harness h;
  const std::string key = Employee(h, 2);
  QTableView* view = Open(h, key);
  auto* digit = h.Find<QLineEdit>("digit");
  auto* lista = h.Find<QGroupBox>("FrameLista");
  auto* list = h.Find<QListWidget>("ListModTimb");

  // The worked hours of Tuesday 4: the editor opens on the cell with its text.
  ClickCell(view, 4, 4);
  QVERIFY(digit->isVisible() && digit->hasFocus());
  QCOMPARE(digit->text(), QStringLiteral("08:00"));
  QTest::keyClicks(digit, QStringLiteral("0530"));
  QTest::keyClick(digit, Qt::Key_Return);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 4), QStringLiteral("05:30"));
  QCOMPARE(h.Find<QLabel>("Label5_1")->text(), QStringLiteral("149:30"));

  // Slot 1's hours need its code first: a message, no editor.
  h.TakeTexts();
  ClickCell(view, 4, 6);
  QCOMPARE(h.TakeMessages().size(), 1);
  QVERIFY(!digit->isVisible());

  // The code from the list: a click chooses.
  ClickCell(view, 4, 5);
  QVERIFY(lista->isVisible());
  Harness::ClickRow(list, RowStartingWith(list, QStringLiteral("001 ")));
  QVERIFY(!lista->isVisible());
  QCOMPARE(Cell(view, 4, 5), QStringLiteral("001"));
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::KeyboardOnly() {
  Harness h;
  const std::string key = Employee(h, 3);
  QTableView* view = Open(h, key);
  auto* digit = h.Find<QLineEdit>("digit");
  auto* list = h.Find<QListWidget>("ListModTimb");
  QVERIFY(view->hasFocus());

  // Arrows move without opening; Enter opens the editor, F2 the list.
  for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right})
    QTest::keyClick(view, k);
  QVERIFY(!digit->isVisible());
  QTest::keyClick(view, Qt::Key_Return);
  QVERIFY(digit->hasFocus());
  QTest::keyClick(digit, Qt::Key_Backspace);
  QTest::keyClicks(digit, QStringLiteral("06"));
  QTest::keyClick(digit, Qt::Key_Enter);
  QCOMPARE(Cell(view, 3, 4), QStringLiteral("06:00"));
  QVERIFY(view->hasFocus());

  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_F2);
  QVERIFY(list->hasFocus());
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::SaveAndLeavingTheGrid() {
  Harness h;
  const std::string key = Employee(h, 4);
  Open(h, key);
  GridTableModel* model = Screen(h).model();
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("07:00")));
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemTimbrature");
  QCOMPARE(h.TakeMessages(), QStringList{QString::fromUtf8(kSaveQuestion.data())});
  QCOMPARE(Stored(h, key, 5)->pres[3], std::string("07:00"));
}

void GridScreenTest::LeavingTheProgramSavesPendingChanges() {
  std::string key;
  {
    Harness h;
    key = Employee(h, 5);
    Open(h, key);
    GridTableModel* model = Screen(h).model();
    QVERIFY(model->setData(model->index(5, 4), QStringLiteral("02:00")));  // Thursday 6
    h.TakeTexts();
    h.dialogs.QueueAnswers({true});
    h.Click(h.Find<QAbstractButton>("cmdPulsante_10"));
    QCOMPARE(h.TakeMessages().size(), 1);
    QVERIFY(h.form->ended());
  }
  Harness h;
  QCOMPARE(Stored(h, key, 6)->pres[3], std::string("02:00"));
}

void GridScreenTest::AbsenceGroupAndHoursFramesAndReprocessing() {
  Harness h;
  const std::string key = Employee(h, 6);
  QTableView* view = Open(h, key);
  auto* frame = h.Find<QGroupBox>("FrameAss");

  // Ferie of 4:00 on the 17th to the 19th, typed into the hours box, which is completed when
  // the button takes the focus; the frame is reset for the next time.
  h.dialogs.QueueAnswers({true});
  h.Click("CmdAssenza");
  QVERIFY(frame->isVisible());
  auto* code = h.Find<QComboBox>("ComboAss");
  auto* hours = h.Find<QLineEdit>("txtOreAss");
  QVERIFY(code->hasFocus());
  QCOMPARE(code->itemText(0), QStringLiteral("001 FERIE"));
  code->setCurrentIndex(0);
  h.Find<QComboBox>("CbAssDa")->setCurrentIndex(16);
  h.Find<QComboBox>("CbAssA")->setCurrentIndex(18);
  hours->setFocus(Qt::MouseFocusReason);
  hours->setCursorPosition(0);
  QTest::keyClicks(hours, QStringLiteral("04"));
  h.Click("CheckOreLav");
  h.Click("CmdImpostaAss_0");
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 17, 6), QStringLiteral("04:00"));
  QCOMPARE(Stored(h, key, 19)->pres[4], std::string("001"));
  QCOMPARE(hours->text(), QStringLiteral("00:00"));

  // Reprocessing, Yes, rebuilds the month from the employee's own schedule.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdReimposta");
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QCOMPARE(Cell(view, 3, 2), QString::fromStdString(rows[2].pres[1]));
  h.Click("CmdRitMemTimbrature");
}

}  // namespace kaveltar::ui::testing

int RunGridScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::GridScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "grid_screen_test.moc"

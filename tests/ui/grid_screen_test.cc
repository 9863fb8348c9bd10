// The month grid screen driven through its widgets: opening a month from the update screen,
// the Qt model checked by QAbstractItemModelTester, clicking cells, typing hours into the
// editor, picking codes and groups from the list with the mouse and the keyboard, saving and
// leaving with unsaved changes, the forced settings and reprocessing with their frames.
//
// The demo installation (June 2024) is shared by the whole run: each test works on its own
// employee, memorized afresh and given group 001 (8:00 Monday to Friday); 13 June, Sant'Antonio
// di Padova, is a holiday of the demo's FESTIVITA.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
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
  void ModelPassesTheItemModelTester();
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
  QListWidget* employees = Select(h, key);
  h.Click("CmdConfermaAgg");
  QVERIFY(h.TakeTexts().empty());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameAggiorna")->isVisible());
  auto* view = h.Find<QTableView>("GrigliaModTimb");
  QCOMPARE(view->model()->rowCount(), 30);
  QVERIFY(
      h.Find<QLabel>("Labeldipend")->text().startsWith(QString::fromStdString(" " + key + " - ")));
  // The holiday (13 June) in red, and the month's theoretical hours (19 working days).
  QCOMPARE(view->model()->index(12, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
           QColor(255, 0, 0));
  QVERIFY(!view->model()->index(11, 0).data(Qt::ForegroundRole).isValid());
  QCOMPARE(h.Find<QLabel>("Label5_0")->text(), QStringLiteral("152:00"));

  // Back to the selection; the double click opens the same month too.
  h.Click("CmdRitMemTimbrature");
  QVERIFY(h.Find<QWidget>("FrameAggiorna")->isVisible());
  Harness::DoubleClickRow(employees, employees->currentRow());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
}

void GridScreenTest::ModelPassesTheItemModelTester() {
  Harness h;
  const std::string key = Employee(h, 1);
  GridTableModel* model = Screen(h).model();
  QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  QTableView* view = Open(h, key);
  QCOMPARE(view->model(), model);

  // Only the edit role changes a cell, through the rules: the cell and the day's check mark.
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  QVERIFY(!model->setData(model->index(2, 4), QStringLiteral("05:00"), Qt::DisplayRole));
  QVERIFY(!model->setData(model->index(2, 0), QStringLiteral("x"), Qt::EditRole));
  QCOMPARE(changed.count(), 0);
  QVERIFY(model->setData(model->index(2, 4), QStringLiteral("05:00"), Qt::EditRole));
  QCOMPARE(changed.count(), 2);
  QCOMPARE(Cell(view, 3, 15), QString::fromUtf8("✘"));

  // Undo reloads and resets the model.
  QSignalSpy reset(model, &QAbstractItemModel::modelReset);
  h.dialogs.QueueAnswers({true});
  h.Click("cmdAnnulla");
  QCOMPARE(reset.count(), 1);
  QCOMPARE(Cell(view, 3, 4), QStringLiteral("08:00"));
  h.Click("CmdRitMemTimbrature");
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

  // A group for Saturday 8 from the groups' list: its weekday hours.
  ClickCell(view, 8, 2);
  Harness::ClickRow(list, RowStartingWith(list, QStringLiteral("011 ")));
  QCOMPARE(Cell(view, 8, 3), QStringLiteral("05:00"));

  // Invalid hours keep the editor open; Esc leaves the cell as it was.
  ClickCell(view, 4, 3);
  QTest::keyClicks(digit, QStringLiteral("48"));
  QTest::keyClick(digit, Qt::Key_Space);
  QCOMPARE(h.TakeMessages().size(), 1);
  QVERIFY(digit->isVisible());
  QTest::keyClick(digit, Qt::Key_Escape);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 3), QStringLiteral("08:00"));

  // Information closes what is open and explains the types.
  ClickCell(view, 4, 4);
  h.Click("cmdInformazioni");
  QVERIFY(!digit->isVisible());
  QVERIFY(h.TakeMessages().at(0).startsWith(
      QStringLiteral("I giustificativi di assenza compensano ore di lavoro in meno")));
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
  QCOMPARE(view->currentIndex(), view->model()->index(2, 4));
  QVERIFY(!digit->isVisible());
  QTest::keyClick(view, Qt::Key_Return);
  QVERIFY(digit->hasFocus());
  QTest::keyClick(digit, Qt::Key_Backspace);
  QTest::keyClicks(digit, QStringLiteral("06"));
  QTest::keyClick(digit, Qt::Key_Enter);
  QCOMPARE(Cell(view, 3, 4), QStringLiteral("06:00"));
  QVERIFY(view->hasFocus());

  // Esc closes the list, Enter chooses its current line.
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_F2);
  QVERIFY(list->hasFocus());
  QTest::keyClick(list, Qt::Key_Escape);
  QVERIFY(!h.Find<QGroupBox>("FrameLista")->isVisible());
  QVERIFY(view->hasFocus());
  QTest::keyClick(view, Qt::Key_F2);
  list->setCurrentRow(RowStartingWith(list, QStringLiteral("019 ")));
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(Cell(view, 3, 5), QStringLiteral("019"));
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::SaveAndLeavingTheGrid() {
  Harness h;
  const std::string key = Employee(h, 4);
  QTableView* view = Open(h, key);
  GridTableModel* model = Screen(h).model();
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("07:00")));
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemTimbrature");
  QCOMPARE(h.TakeMessages(), QStringList{QString::fromUtf8(kSaveQuestion.data())});
  QCOMPARE(Stored(h, key, 5)->pres[3], std::string("07:00"));

  // Leaving with a change and an open editor: the question; No writes nothing.
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("01:00")));
  ClickCell(view, 5, 4);
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
  QCOMPARE(h.TakeMessages().size(), 1);
  QVERIFY(h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QLineEdit>("digit")->isVisible());
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
  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("CmdAssenza");
  QCOMPARE(h.TakeMessages().size(), 1);
  QVERIFY(!frame->isVisible());

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

  // A group over the 3rd to the 7th.
  auto* from = h.Find<QComboBox>("ComboDA");
  auto* to = h.Find<QComboBox>("ComboA");
  h.dialogs.QueueAnswers({true});
  h.Click("cmdGruppo");
  QVERIFY(!h.Find<QLineEdit>("txtImpOre")->isVisible());
  auto* groups = h.Find<QComboBox>("Combo1");
  groups->setCurrentIndex(groups->findText(QStringLiteral("003"), Qt::MatchStartsWith));
  from->setCurrentIndex(2);
  to->setCurrentIndex(6);
  h.Click("CmdImpostaGruppo_0");
  QVERIFY(!h.Find<QGroupBox>("FrameImposta")->isVisible());
  QCOMPARE(Cell(view, 7, 2), QStringLiteral("003"));
  QCOMPARE(Cell(view, 8, 2), QStringLiteral("001"));

  // Worked hours 06:00 over the 10th to the 11th, typed into the frame's own box.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdOreLav");
  auto* worked = h.Find<QLineEdit>("txtImpOre");
  QVERIFY(worked->hasFocus());
  from->setCurrentIndex(9);
  to->setCurrentIndex(10);
  worked->setCursorPosition(0);
  QTest::keyClicks(worked, QStringLiteral("06"));
  h.Click("CmdImpostaGruppo_0");
  QCOMPARE(Cell(view, 11, 4), QStringLiteral("06:00"));
  QCOMPARE(Cell(view, 12, 4), QStringLiteral("08:00"));

  // Reprocessing, Yes, rebuilds the month from the employee's own schedule.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdReimposta");
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QCOMPARE(Cell(view, 3, 2), QString::fromStdString(rows[2].pres[1]));
  QCOMPARE(Cell(view, 10, 4), QString::fromStdString(rows[9].pres[2]));  // worked = theoretical
  h.Click("CmdRitMemTimbrature");
}

}  // namespace kaveltar::ui::testing

int RunGridScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::GridScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "grid_screen_test.moc"

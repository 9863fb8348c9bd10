// The month grid screen driven through its widgets: opening a month from the update screen,
// the Qt model checked by QAbstractItemModelTester, clicking cells, typing hours into the
// editor, picking codes and groups from the list with the mouse and the keyboard, save, undo,
// leaving the grid and the program with unsaved changes, the forced settings and
// reprocessing with their frames.
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
#include "archive/fields.h"
#include "base/text.h"
#include "db/attendance_db.h"
#include "memorize/forced_settings.h"
#include "ui/grid_screen.h"
#include "ui/list_widgets.h"
#include "ui/update_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

constexpr const char* kSaveQuestion = "Salvare le modifiche apportate alle timbrature?";

// The demo's ordinary employees whose own group works Monday to Friday (so reprocessing and
// forced hours have known days), taken in turn by the tests.
std::string Employee(Harness& h, int index) {
  std::vector<std::string> fit;
  for (const std::string& key : Demo().report.Keys(DemoCase::kGroup)) {
    if (!h.session.lists().LoadEmployee(kDemoYear, key)) continue;
    const std::string code(
        Right("000" + std::string(Trim(h.session.codec().GetField(fields::kP766))), 3));
    auto group = h.session.db().FindGroup(code);
    if (!group.ok() || !*group) continue;
    bool weekdays = true;
    for (size_t w = 2; w <= 6; ++w) {
      const std::string_view hours = Trim((*group)->grup[w]);
      weekdays = weekdays && !hours.empty() && hours != "00:00";
    }
    if (weekdays) fit.push_back(key);
  }
  if (fit.empty()) qFatal("no employee with a Monday-to-Friday group");
  return fit[static_cast<size_t>(index) % fit.size()];
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
// layers'; these cases drive them with the mouse and the keyboard and check one routed
// message per rule, the model's roles and what the frames show.
class GridScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void OpeningChecksTheSelectionAndShowsTheMonth();
  void ModelPassesTheItemModelTester();
  void ClickTypeAndPickInTheGrid();
  void KeyboardOnly();
  void SaveUndoAndLeavingTheGrid();
  void LeavingTheProgramSavesPendingChanges();
  void AbsenceFrame();
  void GroupHoursAndReprocessing();
};

void GridScreenTest::OpeningChecksTheSelectionAndShowsTheMonth() {
  Harness h;
  const std::string key = Employee(h, 0);
  h.Click(h.MenuButton(3));
  h.TakeTexts();
  h.Click("CmdConfermaAgg");
  QCOMPARE(h.TakeMessages(), QStringList{"Attenzione! Nessuna Ditta selezionata"});
  QCOMPARE(h.dialogs.entries().back().title, std::string("Selezione Ditte"));

  Prepare(h, key);
  QListWidget* employees = Select(h, key);
  h.Click("CmdConfermaAgg");
  QVERIFY(h.TakeTexts().empty());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameMenu")->isVisible());
  auto* view = h.Find<QTableView>("GrigliaModTimb");
  QCOMPARE(view->model()->rowCount(), 30);
  QVERIFY(
      h.Find<QLabel>("Labeldipend")->text().startsWith(QString::fromStdString(" " + key + " - ")));

  // Colours of the holiday (13 June), the group and weekday columns, and the check mark.
  QCOMPARE(view->model()->index(12, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
           QColor(255, 0, 0));
  QVERIFY(!view->model()->index(11, 0).data(Qt::ForegroundRole).isValid());
  QCOMPARE(view->model()->index(2, 2).data(Qt::BackgroundRole).value<QBrush>().color(),
           QColor(0xFF, 0xFF, 0xC0));
  QCOMPARE(view->model()->index(2, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
           QColor(0xFF, 0xC0, 0xC0));
  const QModelIndex mark = view->model()->index(2, 15);
  QCOMPARE(mark.data().toString(), QString::fromUtf8("✔"));
  QCOMPARE(mark.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 255, 0));
  QCOMPARE(h.Find<QLabel>("Label5_0")->text(), QStringLiteral("152:00"));  // 19 working days

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

  // Invalid indexes are guarded; only the edit role changes a cell, through the rules.
  QVERIFY(!model->data(QModelIndex()).isValid());
  QVERIFY(!model->data(model->index(30, 0)).isValid());
  QCOMPARE(model->flags(QModelIndex()), Qt::ItemFlags());
  QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
  QVERIFY(model->flags(model->index(0, 4)) & Qt::ItemIsEditable);
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  QVERIFY(!model->setData(model->index(2, 4), QStringLiteral("05:00"), Qt::DisplayRole));
  QVERIFY(!model->setData(model->index(2, 0), QStringLiteral("x"), Qt::EditRole));
  QCOMPARE(changed.count(), 0);
  QVERIFY(model->setData(model->index(2, 4), QStringLiteral("05:00"), Qt::EditRole));
  // Exactly the worked hours cell and the day's check mark.
  QCOMPARE(changed.count(), 2);
  QCOMPARE(changed.at(0).at(0).toModelIndex(), model->index(2, 4));
  QCOMPARE(changed.at(1).at(0).toModelIndex(), model->index(2, 15));
  QCOMPARE(Cell(view, 3, 15), QString::fromUtf8("✘"));

  // A reload (undo) resets the model.
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

  // The worked hours of Tuesday 4: the editor lies over the cell with its text.
  ClickCell(view, 4, 4);
  QVERIFY(digit->isVisible() && digit->hasFocus());
  QCOMPARE(digit->text(), QStringLiteral("08:00"));
  QCOMPARE(digit->geometry(), view->visualRect(view->model()->index(3, 4)));
  QTest::keyClicks(digit, QStringLiteral("0530"));
  QTest::keyClick(digit, Qt::Key_Return);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 4), QStringLiteral("05:30"));
  QCOMPARE(h.Find<QLabel>("Label5_1")->text(), QStringLiteral("149:30"));

  // Slot 1's hours need its code first.
  h.TakeTexts();
  ClickCell(view, 4, 6);
  QCOMPARE(h.TakeMessages(), QStringList{"Inserire prima il giustificativo di assenza"});
  QVERIFY(!digit->isVisible());

  // The code from the list, which opens right of the cell: a click chooses.
  ClickCell(view, 4, 5);
  QVERIFY(lista->isVisible());
  QCOMPARE(h.Find<QLabel>("LabelLista")->text(), QStringLiteral("LISTA GIUSTIFICATIVI"));
  QVERIFY(lista->x() >= view->viewport()
                            ->mapTo(h.Find<QWidget>("FrameModTimbrature"),
                                    view->visualRect(view->model()->index(3, 5)).topRight())
                            .x());
  Harness::ClickRow(list, RowStartingWith(list, QStringLiteral("001 ")));
  QVERIFY(!lista->isVisible());
  QCOMPARE(Cell(view, 4, 5), QStringLiteral("001"));

  // A group for Saturday 8 from the groups' list: its weekday hours.
  ClickCell(view, 8, 2);
  QCOMPARE(h.Find<QLabel>("LabelLista")->text(), QStringLiteral("LISTA GRUPPI ORARI"));
  Harness::ClickRow(list, RowStartingWith(list, QStringLiteral("011 ")));
  QCOMPARE(Cell(view, 8, 3), QStringLiteral("05:00"));

  // Invalid hours keep the editor open; Esc leaves the cell as it was.
  ClickCell(view, 4, 3);
  QTest::keyClicks(digit, QStringLiteral("48"));
  QTest::keyClick(digit, Qt::Key_Space);
  QCOMPARE(h.TakeMessages(), QStringList{"ERRORE HH:MM"});
  QVERIFY(digit->isVisible());
  QTest::keyClick(digit, Qt::Key_Escape);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 3), QStringLiteral("08:00"));

  // Information closes what is open and explains the types.
  ClickCell(view, 4, 4);
  h.Click("cmdInformazioni");
  QVERIFY(!digit->isVisible());
  const QStringList info = h.TakeMessages();
  QCOMPARE(info.size(), 1);
  QVERIFY(info[0].startsWith(
      QStringLiteral("I giustificativi di assenza compensano ore di lavoro in meno")));
  QCOMPARE(h.dialogs.entries().back().title,
           std::string("FUNZIONAMENTO AGGIORNAMENTO MANUALE PRESENZE"));

  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
  QCOMPARE(h.TakeMessages(), QStringList{kSaveQuestion});
}

void GridScreenTest::KeyboardOnly() {
  Harness h;
  const std::string key = Employee(h, 3);
  QTableView* view = Open(h, key);
  auto* digit = h.Find<QLineEdit>("digit");
  auto* list = h.Find<QListWidget>("ListModTimb");
  QVERIFY(view->hasFocus());
  QCOMPARE(view->currentIndex(), view->model()->index(0, 2));

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
  QCOMPARE(view->currentIndex(), view->model()->index(2, 4));

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
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_Return);
  QTest::keyClicks(digit, QStringLiteral("12"));
  QTest::keyClick(digit, Qt::Key_Return);  // "12:" commits as 12:00; a neutral code keeps it
  QCOMPARE(Cell(view, 3, 6), QStringLiteral("12:00"));

  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::SaveUndoAndLeavingTheGrid() {
  Harness h;
  const std::string key = Employee(h, 4);
  QTableView* view = Open(h, key);
  const DayRow before = *Stored(h, key, 5);
  GridTableModel* model = Screen(h).model();
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("07:00")));

  // Save, No: nothing written; Yes: written.
  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("CmdMemTimbrature");
  QCOMPARE(h.TakeMessages(), QStringList{kSaveQuestion});
  QCOMPARE(*Stored(h, key, 5), before);
  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemTimbrature");
  QCOMPARE(Stored(h, key, 5)->pres[3], std::string("07:00"));

  // Undo, Yes, goes back to the last save.
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("03:00")));
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("cmdAnnulla");
  QCOMPARE(h.TakeMessages(),
           QStringList{QString::fromUtf8("Il programma riporterà le timbrature all'ultimo "
                                         "salvataggio effettuato. Proseguire?")});
  QCOMPARE(Cell(view, 5, 4), QStringLiteral("07:00"));

  // Leaving with a change and an open editor: the question; No writes nothing.
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("01:00")));
  ClickCell(view, 5, 4);
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
  QCOMPARE(h.TakeMessages(), QStringList{kSaveQuestion});
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
    QCOMPARE(h.TakeMessages(), QStringList{kSaveQuestion});
    QVERIFY(h.form->ended());
  }
  Harness h;
  QCOMPARE(Stored(h, key, 6)->pres[3], std::string("02:00"));
}

void GridScreenTest::AbsenceFrame() {
  Harness h;
  const std::string key = Employee(h, 6);
  QTableView* view = Open(h, key);
  auto* frame = h.Find<QGroupBox>("FrameAss");

  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("CmdAssenza");
  QCOMPARE(h.TakeMessages(), QStringList{QString::fromUtf8(kAbsenceQuestion.data())});
  QVERIFY(!frame->isVisible());

  h.dialogs.QueueAnswers({true});
  h.Click("CmdAssenza");
  QVERIFY(frame->isVisible());
  auto* code = h.Find<QComboBox>("ComboAss");
  auto* from = h.Find<QComboBox>("CbAssDa");
  auto* to = h.Find<QComboBox>("CbAssA");
  auto* hours = h.Find<QLineEdit>("txtOreAss");
  QVERIFY(code->hasFocus());
  QCOMPARE(from->count(), 30);
  QCOMPARE(hours->text(), QStringLiteral("00:00"));
  QCOMPARE(code->itemText(0), QStringLiteral("001 FERIE"));

  // Ferie of 4:00 on the 12th to the 14th, typed into the hours box, which is completed when
  // the button takes the focus; the frame is reset for the next time.
  code->setCurrentIndex(0);
  from->setCurrentIndex(11);
  to->setCurrentIndex(13);
  hours->setFocus(Qt::MouseFocusReason);
  hours->setCursorPosition(0);
  QTest::keyClicks(hours, QStringLiteral("04"));
  h.Click("CheckOreLav");
  h.Click("CmdImpostaAss_0");
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 12, 6), QStringLiteral("04:00"));
  QCOMPARE(Stored(h, key, 14)->pres[4], std::string("001"));
  QCOMPARE(hours->text(), QStringLiteral("00:00"));

  // The last day before the first: the message, the first day taken.
  h.dialogs.QueueAnswers({true});
  h.Click("CmdAssenza");
  from->setCurrentIndex(9);
  to->setCurrentIndex(4);
  emit to->activated(4);
  QCOMPARE(h.TakeMessages().back(),
           QString::fromUtf8(
               "Attenzione!! Il giorno di fine non può essere minore del giorno di partenza"));
  QCOMPARE(to->currentIndex(), 9);
  // A click in the grid puts the frame away without writing.
  ClickCell(view, 3, 0);
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 10, 5), QString());
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::GroupHoursAndReprocessing() {
  Harness h;
  const std::string key = Employee(h, 7);
  QTableView* view = Open(h, key);
  auto* frame = h.Find<QGroupBox>("FrameImposta");
  auto* from = h.Find<QComboBox>("ComboDA");
  auto* to = h.Find<QComboBox>("ComboA");

  // A group over the 3rd to the 7th.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdGruppo");
  QVERIFY(frame->isVisible());
  QCOMPARE(h.Find<QLabel>("LabImposta_0")->text(), QStringLiteral("GRUPPO ORARIO"));
  QVERIFY(!h.Find<QLineEdit>("txtImpOre")->isVisible());
  auto* groups = h.Find<QComboBox>("Combo1");
  groups->setCurrentIndex(groups->findText(QStringLiteral("003"), Qt::MatchStartsWith));
  from->setCurrentIndex(2);
  to->setCurrentIndex(6);
  h.Click("CmdImpostaGruppo_0");
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 3, 2), QStringLiteral("003"));
  QCOMPARE(Cell(view, 7, 2), QStringLiteral("003"));
  QCOMPARE(Cell(view, 8, 2), QStringLiteral("001"));

  // Worked hours 06:00 over the 10th to the 11th, typed into the frame's own box.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdOreLav");
  QCOMPARE(h.Find<QLabel>("LabImposta_0")->text(), QStringLiteral("ORE LAVORATE"));
  auto* hours = h.Find<QLineEdit>("txtImpOre");
  QVERIFY(hours->hasFocus());
  QVERIFY(!groups->isVisible());
  from->setCurrentIndex(9);
  to->setCurrentIndex(10);
  hours->setCursorPosition(0);
  QTest::keyClicks(hours, QStringLiteral("06"));
  h.Click("CmdImpostaGruppo_0");
  QCOMPARE(Cell(view, 11, 4), QStringLiteral("06:00"));
  QCOMPARE(Cell(view, 12, 4), QStringLiteral("08:00"));

  // Reprocessing, Yes, rebuilds the month from the employee's own schedule.
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("cmdReimposta");
  QCOMPARE(h.TakeMessages(), QStringList{QString::fromUtf8(kReprocessQuestion.data())});
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QCOMPARE(Cell(view, 3, 2), QString::fromStdString(rows[2].pres[1]));
  QCOMPARE(Cell(view, 10, 4),
           QString::fromStdString(rows[9].pres[2]));  // worked = theoretical again
  h.Click("CmdRitMemTimbrature");
}

}  // namespace kaveltar::ui::testing

int RunGridScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::GridScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "grid_screen_test.moc"

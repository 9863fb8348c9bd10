// The month grid screen driven through its widgets: opening a month from the update screen
// (the checks, a month not memorized, the captions), the Qt model checked by
// QAbstractItemModelTester, clicking cells, typing hours into the editor, picking codes and
// groups from the list with the mouse and the keyboard, save, undo, leaving the grid and the
// program with unsaved changes, the forced settings and reprocessing with their frames.
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
#include "memorize/month_memorizer.h"
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
    const std::string code(Right("000" + std::string(Trim(h.session.codec().GetField(fields::kP766))), 3));
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
  MemorizeOptions options;
  options.year = kDemoYear;
  options.month = kDemoMonth;
  options.rewrite_existing = true;
  MonthMemorizer memorizer(h.session, options);
  memorizer.MemorizeEmployee(key);
  if (IMPOSTAGRUPPO(h.session, {key, kDemoYear, kDemoMonth, key}, "001", 1, 30).days != 30) {
    qFatal("the month of %s was not memorized", key.c_str());
  }
}

// The update screen with the employee's company and the employee selected.
QListWidget* Select(Harness& h, const std::string& key) {
  h.form->activateWindow();
  if (!QTest::qWaitForWindowActive(h.form.get())) qWarning("window not active");
  if (!h.Find<QWidget>("FrameAggiorna")->isVisible()) h.Click(h.MenuButton(3));
  auto* companies = h.Find<QListWidget>("ListAziAgg");
  auto* employees = h.Find<QListWidget>("ListDipAgg");
  for (int row = 0; row < companies->count(); ++row) {
    if (Right(LineAt(companies, row), 3) != key.substr(0, 3)) continue;
    Harness::ClickRow(companies, row);
    for (int i = 0; i < employees->count(); ++i) {
      if (Right(LineAt(employees, i), 10) == key) {
        Harness::ClickRow(employees, i);
        return employees;
      }
    }
  }
  qFatal("employee %s is not listed", key.c_str());
}

// Opens the month of `key` with a double click on the employee.
QTableView* Open(Harness& h, const std::string& key) {
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

int LineStartingWith(QListWidget* list, const QString& start) {
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->text().startsWith(start)) return row;
  }
  return -1;
}

std::optional<DayRow> Stored(Harness& h, const std::string& key, int day) {
  auto row = h.session.db().FindDay(key, "202406" + ZeroPad(day, 2));
  if (!row.ok()) qFatal("database: %s", row.status().message().c_str());
  return *row;
}

QStringList Texts(Harness& h) {
  QStringList texts;
  for (const std::string& t : h.TakeTexts()) texts << QString::fromStdString(t);
  return texts;
}

}  // namespace

class GridScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void OpeningChecksTheSelectionAndTheMonth();
  void ModelPassesTheItemModelTester();
  void ClickTypeAndPickInTheGrid();
  void KeyboardOnly();
  void SaveUndoAndLeavingTheGrid();
  void LeavingTheProgramSavesPendingChanges();
  void AbsenceFrame();
  void GroupHoursAndReprocessing();
};

void GridScreenTest::OpeningChecksTheSelectionAndTheMonth() {
  Harness h;
  const std::string key = Employee(h, 0);
  h.Click(h.MenuButton(3));
  h.TakeTexts();
  h.Click("CmdConfermaAgg");
  QCOMPARE(Texts(h), QStringList{"Attenzione! Nessuna Ditta selezionata"});
  QCOMPARE(h.dialogs.entries().back().title, std::string("Selezione Ditte"));

  // An employee whose June was never memorized: the message with its N.B.
  QListWidget* employees = Select(h, key);
  QVERIFY(h.session.db().DeleteEmployeeMonth(key, "202406").ok());
  h.Click("CmdConfermaAgg");
  QStringList texts = Texts(h);
  QCOMPARE(texts.size(), 1);
  QVERIFY(texts[0].startsWith("Periodo richiesto 06/2024 Inesistente\n\nPer accedere all'aggiornamento"));
  QVERIFY(texts[0].contains("N.B.: Nel caso in cui il dipendente abbia valorizzato a '1' il codice statistico NFOR"));
  QVERIFY(h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameModTimbrature")->isVisible());
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QVERIFY(rows.empty());

  // Memorized: the button opens it.
  Prepare(h, key);
  h.Click("CmdConfermaAgg");
  QVERIFY(Texts(h).isEmpty());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameMenu")->isVisible());
  auto* view = h.Find<QTableView>("GrigliaModTimb");
  QCOMPARE(view->model()->rowCount(), 30);
  QCOMPARE(view->model()->columnCount(), 16);
  QCOMPARE(view->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("H.Teo"));
  QCOMPARE(h.Find<QLabel>("Label19")->text(), QStringLiteral("06/2024"));
  QVERIFY(h.Find<QLabel>("Labeldipend")->text().startsWith(QString::fromStdString(" " + key + " - ")));
  QVERIFY(h.Find<QLabel>("Labelditta")->text().startsWith(QString::fromStdString(key.substr(0, 3) + " - ")));

  // Colours, the holiday and the check mark.
  QCOMPARE(Cell(view, 3, 0), QStringLiteral("03/06/2024"));
  QCOMPARE(Cell(view, 3, 1), QString::fromUtf8("Lunedì"));
  QCOMPARE(Cell(view, 3, 3), QStringLiteral("08:00"));
  const QModelIndex holiday = view->model()->index(12, 0);
  QCOMPARE(holiday.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
  QVERIFY(!view->model()->index(11, 0).data(Qt::ForegroundRole).isValid());
  QCOMPARE(view->model()->index(2, 2).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0xFF, 0xFF, 0xC0));
  QCOMPARE(view->model()->index(2, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0xFF, 0xC0, 0xC0));
  QVERIFY(!view->model()->index(2, 0).data(Qt::BackgroundRole).isValid());
  const QModelIndex mark = view->model()->index(2, 15);
  QCOMPARE(mark.data().toString(), QString::fromUtf8("✔"));
  QCOMPARE(mark.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 255, 0));
  QCOMPARE(mark.data(Qt::FontRole).value<QFont>().pointSize(), 12);
  QCOMPARE(h.Find<QLabel>("Label5_0")->text(), QStringLiteral("152:00"));  // 19 working days
  QCOMPARE(h.Find<QLabel>("Label5_2")->text(), QString());

  // Back to the selection; the double click opens the same month too.
  h.Click("CmdRitMemTimbrature");
  QVERIFY(h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameModTimbrature")->isVisible());
  Harness::DoubleClickRow(employees, employees->currentRow());
  QVERIFY(h.Find<QWidget>("FrameModTimbrature")->isVisible());
}

void GridScreenTest::ModelPassesTheItemModelTester() {
  Harness h;
  const std::string key = Employee(h, 1);
  Prepare(h, key);
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
  QCOMPARE(changed.at(0).at(1).toModelIndex(), model->index(2, 4));
  QCOMPARE(changed.at(1).at(0).toModelIndex(), model->index(2, 15));
  QCOMPARE(Cell(view, 3, 4), QStringLiteral("05:00"));
  QCOMPARE(Cell(view, 3, 15), QString::fromUtf8("✘"));
  QVERIFY(!model->setData(model->index(2, 8), QStringLiteral("01:00"), Qt::EditRole));  // no code
  h.TakeTexts();

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
  Prepare(h, key);
  QTableView* view = Open(h, key);
  auto* digit = h.Find<QLineEdit>("digit");
  auto* lista = h.Find<QGroupBox>("FrameLista");
  auto* list = h.Find<QListWidget>("ListModTimb");

  // The worked hours of Tuesday 4: the editor lies over the cell with its text.
  ClickCell(view, 4, 4);
  QVERIFY(digit->isVisible());
  QVERIFY(digit->hasFocus());
  QCOMPARE(digit->text(), QStringLiteral("08:00"));
  QCOMPARE(digit->geometry(), view->visualRect(view->model()->index(3, 4)));
  QTest::keyClicks(digit, QStringLiteral("0530"));
  QCOMPARE(digit->text(), QStringLiteral("05:30"));
  QTest::keyClick(digit, Qt::Key_Return);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 4), QStringLiteral("05:30"));
  QCOMPARE(Cell(view, 4, 15), QString::fromUtf8("✘"));
  QCOMPARE(h.Find<QLabel>("Label5_1")->text(), QStringLiteral("149:30"));

  // Slot 1's hours need its code first.
  h.TakeTexts();
  ClickCell(view, 4, 6);
  QCOMPARE(Texts(h), QStringList{"Inserire prima il giustificativo di assenza"});
  QVERIFY(!digit->isVisible());

  // The code from the list: a click chooses.
  ClickCell(view, 4, 5);
  QVERIFY(lista->isVisible());
  QCOMPARE(h.Find<QLabel>("LabelLista")->text(), QStringLiteral("LISTA GIUSTIFICATIVI"));
  QCOMPARE(list->item(0)->text(), QStringLiteral("000 AZZERAMENTO CAMPO"));
  QCOMPARE(lista->width(), 567);  // 8500 twips
  QVERIFY(lista->x() >= view->viewport()->mapTo(h.Find<QWidget>("FrameModTimbrature"),
                                                   view->visualRect(view->model()->index(3, 5)).topRight())
                             .x());
  const int ferie = LineStartingWith(list, QStringLiteral("001 "));
  QVERIFY(ferie > 0);
  Harness::ClickRow(list, ferie);
  QVERIFY(!lista->isVisible());
  QCOMPARE(Cell(view, 4, 5), QStringLiteral("001"));

  // Hours of the absence: more than the day lacks, reduced with the message; "5" first beeps.
  ClickCell(view, 4, 6);
  QCOMPARE(digit->text(), QStringLiteral("  :  "));
  QTest::keyClicks(digit, QStringLiteral("5"));
  QCOMPARE(digit->text(), QStringLiteral("  :  "));
  QTest::keyClicks(digit, QStringLiteral("04"));
  QTest::keyClick(digit, Qt::Key_Tab);
  QCOMPARE(Texts(h), QStringList{"Le ore del giustificativo di assenza immesso sono superiori\na quelle necessarie "
                                 "per la corretta chiusura della giornata.\nLe ore verranno adeguate in automatico"});
  QCOMPARE(Cell(view, 4, 6), QStringLiteral("02:30"));
  QCOMPARE(Cell(view, 4, 15), QString::fromUtf8("✔"));
  QCOMPARE(h.Find<QLabel>("Label5_2")->text(), QStringLiteral("002:30"));

  // A duplicate code is refused.
  ClickCell(view, 4, 7);
  Harness::ClickRow(list, ferie);
  QCOMPARE(Texts(h).size(), 1);
  QCOMPARE(Cell(view, 4, 7), QString());

  // A group for Saturday 8: its weekday hours.
  ClickCell(view, 8, 2);
  QCOMPARE(h.Find<QLabel>("LabelLista")->text(), QStringLiteral("LISTA GRUPPI ORARI"));
  QCOMPARE(lista->width(), 267);  // 4000 twips
  Harness::ClickRow(list, LineStartingWith(list, QStringLiteral("011 ")));
  QCOMPARE(Cell(view, 8, 2), QStringLiteral("011"));
  QCOMPARE(Cell(view, 8, 3), QStringLiteral("05:00"));

  // "000 AZZERAMENTO CAMPO" takes the code and its hours away.
  ClickCell(view, 4, 5);
  Harness::ClickRow(list, 0);
  QCOMPARE(Cell(view, 4, 5), QString());
  QCOMPARE(Cell(view, 4, 6), QString());

  // Invalid hours keep the editor open; Esc leaves the cell as it was.
  ClickCell(view, 4, 3);
  QTest::keyClicks(digit, QStringLiteral("48"));
  QTest::keyClick(digit, Qt::Key_Space);
  QCOMPARE(Texts(h), QStringList{"ERRORE HH:MM"});
  QVERIFY(digit->isVisible());
  QTest::keyClick(digit, Qt::Key_Escape);
  QVERIFY(!digit->isVisible());
  QCOMPARE(Cell(view, 4, 3), QStringLiteral("08:00"));

  // Information closes what is open and explains the types.
  ClickCell(view, 4, 4);
  h.Click("cmdInformazioni");
  QVERIFY(!digit->isVisible());
  const QStringList info = Texts(h);
  QCOMPARE(info.size(), 1);
  QVERIFY(info[0].startsWith(QStringLiteral("I giustificativi di assenza compensano ore di lavoro in meno")));
  QCOMPARE(h.dialogs.entries().back().title, std::string("FUNZIONAMENTO AGGIORNAMENTO MANUALE PRESENZE"));

  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
  QCOMPARE(Texts(h), QStringList{kSaveQuestion});
}

void GridScreenTest::KeyboardOnly() {
  Harness h;
  const std::string key = Employee(h, 3);
  Prepare(h, key);
  QTableView* view = Open(h, key);
  auto* digit = h.Find<QLineEdit>("digit");
  auto* list = h.Find<QListWidget>("ListModTimb");
  QVERIFY(view->hasFocus());
  QCOMPARE(view->currentIndex(), view->model()->index(0, 2));

  // Arrows move without opening; Enter opens the editor, F2 the list.
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_Right);
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

  QTest::keyClick(view, Qt::Key_Right);

  QTest::keyClick(view, Qt::Key_F2);
  QVERIFY(list->hasFocus());
  // Esc closes, Enter chooses the current line.
  QTest::keyClick(list, Qt::Key_Escape);
  QVERIFY(!h.Find<QGroupBox>("FrameLista")->isVisible());
  QVERIFY(view->hasFocus());
  QTest::keyClick(view, Qt::Key_F2);
  list->setCurrentRow(LineStartingWith(list, QStringLiteral("019 ")));
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(Cell(view, 3, 5), QStringLiteral("019"));
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_Return);
  QCOMPARE(digit->text(), QStringLiteral("  :  "));
  QTest::keyClicks(digit, QStringLiteral("12"));
  QTest::keyClick(digit, Qt::Key_Return);  // "12:" commits as 12:00; a neutral code keeps it
  QCOMPARE(Cell(view, 3, 6), QStringLiteral("12:00"));

  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::SaveUndoAndLeavingTheGrid() {
  Harness h;
  const std::string key = Employee(h, 4);
  Prepare(h, key);
  QTableView* view = Open(h, key);
  const DayRow before = *Stored(h, key, 5);
  GridTableModel* model = Screen(h).model();
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("07:00")));

  // Save, No: nothing written.
  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("CmdMemTimbrature");
  QCOMPARE(Texts(h), QStringList{kSaveQuestion});
  QCOMPARE(*Stored(h, key, 5), before);
  // Yes: written.
  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemTimbrature");
  QCOMPARE(Stored(h, key, 5)->pres[3], std::string("07:00"));
  QVERIFY(!Screen(h).grid().modified());

  // Undo goes back to the last save.
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("03:00")));
  h.dialogs.QueueAnswers({false});
  h.Click("cmdAnnulla");
  QCOMPARE(Cell(view, 5, 4), QStringLiteral("03:00"));
  h.dialogs.QueueAnswers({true});
  h.Click("cmdAnnulla");
  QCOMPARE(Texts(h), QStringList({kSaveQuestion,
                                  QString::fromUtf8("Il programma riporterà le timbrature all'ultimo salvataggio "
                                                    "effettuato. Proseguire?"),
                                  QString::fromUtf8("Il programma riporterà le timbrature all'ultimo salvataggio "
                                                    "effettuato. Proseguire?")}));
  QCOMPARE(Cell(view, 5, 4), QStringLiteral("07:00"));

  // Leaving with a change: the question; No writes nothing, and the month opened again
  // shows the last saved values.
  QVERIFY(model->setData(model->index(4, 4), QStringLiteral("01:00")));
  ClickCell(view, 5, 4);  // an open editor is closed on leaving
  h.dialogs.QueueAnswers({false});
  h.Click("CmdRitMemTimbrature");
  QCOMPARE(Texts(h), QStringList{kSaveQuestion});
  QVERIFY(h.Find<QWidget>("FrameAggiorna")->isVisible());
  QVERIFY(!h.Find<QLineEdit>("digit")->isVisible());
  QCOMPARE(Stored(h, key, 5)->pres[3], std::string("07:00"));
  view = Open(h, key);
  QCOMPARE(Cell(view, 5, 4), QStringLiteral("07:00"));
  // Without changes, leaving asks nothing.
  h.Click("CmdRitMemTimbrature");
  QVERIFY(Texts(h).isEmpty());
}

void GridScreenTest::LeavingTheProgramSavesPendingChanges() {
  std::string key;
  {
    Harness h;
    key = Employee(h, 5);
    Prepare(h, key);
    Open(h, key);
    GridTableModel* model = Screen(h).model();
    QVERIFY(model->setData(model->index(5, 4), QStringLiteral("02:00")));  // Thursday 6
    QVERIFY(h.form->leaving_hooks().grid_has_changes());
    h.TakeTexts();
    h.dialogs.QueueAnswers({true});
    h.Click(h.Find<QAbstractButton>("cmdPulsante_10"));
    QCOMPARE(Texts(h), QStringList{kSaveQuestion});
    QVERIFY(h.form->ended());
  }
  Harness h;
  QCOMPARE(Stored(h, key, 6)->pres[3], std::string("02:00"));
}

void GridScreenTest::AbsenceFrame() {
  Harness h;
  const std::string key = Employee(h, 6);
  Prepare(h, key);
  QTableView* view = Open(h, key);
  auto* frame = h.Find<QGroupBox>("FrameAss");

  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("CmdAssenza");
  QCOMPARE(Texts(h), QStringList{QString::fromUtf8(kAbsenceQuestion.data())});
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
  QCOMPARE(from->itemText(0), QStringLiteral("01"));
  QCOMPARE(to->itemText(29), QStringLiteral("30"));
  QCOMPARE(from->currentText(), QStringLiteral("01"));
  QCOMPARE(to->currentText(), QStringLiteral("01"));
  QCOMPARE(hours->text(), QStringLiteral("00:00"));
  QCOMPARE(code->itemText(0), QStringLiteral("001 FERIE"));
  QCOMPARE(h.Find<QCheckBox>("CheckCopriFest")->text(), QString::fromUtf8("Copri le festività presenti nel mese"));

  // Ferie of 4:00 from the 12th to the 14th, holidays not covered: the 13th is left alone.
  code->setCurrentIndex(0);
  from->setCurrentIndex(11);
  to->setCurrentIndex(13);
  hours->setFocus(Qt::MouseFocusReason);
  hours->setCursorPosition(0);
  QTest::keyClicks(hours, QStringLiteral("04"));
  h.Click("CheckOreLav");
  h.Click("CmdImpostaAss_0");  // the hours box is left first and completed
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 12, 5), QStringLiteral("001"));
  QCOMPARE(Cell(view, 12, 6), QStringLiteral("04:00"));
  QCOMPARE(Cell(view, 12, 4), QStringLiteral("04:00"));
  QCOMPARE(Cell(view, 13, 5), QString());
  QCOMPARE(Cell(view, 14, 5), QStringLiteral("001"));
  QCOMPARE(Cell(view, 11, 5), QString());
  QCOMPARE(Stored(h, key, 14)->pres[4], std::string("001"));
  // The frame is reset for the next time.
  QVERIFY(!h.Find<QCheckBox>("CheckOreLav")->isChecked());
  QCOMPARE(hours->text(), QStringLiteral("00:00"));

  // The last day before the first: the message, the first day taken.
  h.dialogs.QueueAnswers({true});
  h.Click("CmdAssenza");
  from->setCurrentIndex(9);
  to->setCurrentIndex(4);
  emit to->activated(4);
  QCOMPARE(Texts(h).back(),
           QString::fromUtf8("Attenzione!! Il giorno di fine non può essere minore del giorno di partenza"));
  QCOMPARE(to->currentIndex(), 9);
  // Uscita closes without writing; a click in the grid also puts the frame away.
  h.Click("CmdImpostaAss_1");
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 10, 5), QString());
  h.dialogs.QueueAnswers({true});
  h.Click("CmdAssenza");
  ClickCell(view, 3, 0);
  QVERIFY(!frame->isVisible());
  h.Click("CmdRitMemTimbrature");
}

void GridScreenTest::GroupHoursAndReprocessing() {
  Harness h;
  const std::string key = Employee(h, 7);
  Prepare(h, key);
  QTableView* view = Open(h, key);
  auto* frame = h.Find<QGroupBox>("FrameImposta");
  auto* from = h.Find<QComboBox>("ComboDA");
  auto* to = h.Find<QComboBox>("ComboA");

  // A group over the 3rd to the 7th.
  h.dialogs.QueueAnswers({true});
  h.Click("cmdGruppo");
  QVERIFY(frame->isVisible());
  QCOMPARE(h.Find<QLabel>("LabImposta_0")->text(), QStringLiteral("GRUPPO ORARIO"));
  QCOMPARE(h.Find<QLabel>("LabImposta_1")->text(), QStringLiteral("IMPOSTA GRUPPO ORARIO"));
  QVERIFY(h.Find<QComboBox>("Combo1")->isVisible());
  QVERIFY(!h.Find<QLineEdit>("txtImpOre")->isVisible());
  auto* groups = h.Find<QComboBox>("Combo1");
  groups->setCurrentIndex(groups->findText(QStringLiteral("003"), Qt::MatchStartsWith));
  from->setCurrentIndex(2);
  to->setCurrentIndex(6);
  // ComboA_Click: a last day before the first is refused.
  to->setCurrentIndex(1);
  h.TakeTexts();
  h.form->update_screen().grid_screen().ComboA_Click();
  QCOMPARE(Texts(h), QStringList{QString::fromUtf8(
                         "Attenzione!! Il giorno di fine non può essere minore del giorno di partenza")});
  to->setCurrentIndex(6);
  h.Click("CmdImpostaGruppo_0");
  QVERIFY(!frame->isVisible());
  QCOMPARE(Cell(view, 3, 2), QStringLiteral("003"));
  QCOMPARE(Cell(view, 3, 3), QStringLiteral("04:00"));
  QCOMPARE(Cell(view, 7, 2), QStringLiteral("003"));
  QCOMPARE(Cell(view, 8, 2), QStringLiteral("001"));

  // Worked hours 06:00 over the 10th to the 14th (the 13th a holiday).
  h.dialogs.QueueAnswers({true});
  h.Click("cmdOreLav");
  QCOMPARE(h.Find<QLabel>("LabImposta_0")->text(), QStringLiteral("ORE LAVORATE"));
  QCOMPARE(h.Find<QLabel>("LabImposta_1")->text(), QStringLiteral("IMPOSTA ORE LAVORATIVE"));
  auto* hours = h.Find<QLineEdit>("txtImpOre");
  QVERIFY(hours->isVisible());
  QVERIFY(!groups->isVisible());
  QVERIFY(hours->hasFocus());
  from->setCurrentIndex(9);
  to->setCurrentIndex(13);
  hours->setCursorPosition(0);
  QTest::keyClicks(hours, QStringLiteral("06"));
  h.Click("CmdImpostaGruppo_0");
  QCOMPARE(Cell(view, 10, 4), QStringLiteral("06:00"));
  QCOMPARE(Cell(view, 13, 4), QString());
  QCOMPARE(Cell(view, 14, 4), QStringLiteral("06:00"));
  QCOMPARE(Cell(view, 15, 4), QString());  // Saturday

  // Reprocessing: No keeps the month, Yes rebuilds it from the employee's own schedule.
  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.Click("cmdReimposta");
  QCOMPARE(Texts(h), QStringList{QString::fromUtf8(kReprocessQuestion.data())});
  QCOMPARE(Cell(view, 3, 2), QStringLiteral("003"));
  h.dialogs.QueueAnswers({true});
  h.Click("cmdReimposta");
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QCOMPARE(Cell(view, 3, 2), QString::fromStdString(rows[2].pres[1]));
  QCOMPARE(Cell(view, 10, 4), QString::fromStdString(rows[9].pres[2]));  // worked = theoretical again
  QVERIFY(!rows[9].pres[2].empty());
  h.Click("CmdRitMemTimbrature");
}

}  // namespace kaveltar::ui::testing

int RunGridScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::GridScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "grid_screen_test.moc"

// The options half of the memorization screen, driven by widget name: the long-period
// absence section and its input rules, the checks before the start, the run with its anomaly
// list and the screen reset after it.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "app/session.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "platform/printer_recording.h"
#include "ui/list_widgets.h"
#include "ui/memorize_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

std::string Key(const std::string& line) { return line.substr(line.size() - 10); }

void Type(QLineEdit* box, const char* text) {
  box->setFocus(Qt::MouseFocusReason);
  box->selectAll();
  QTest::keyClicks(box, QString::fromLatin1(text));
}
void TypeHours(QLineEdit* box, const char* text) {
  box->setFocus(Qt::MouseFocusReason);
  box->setCursorPosition(0);
  QTest::keyClicks(box, QString::fromLatin1(text));
}
void Leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }

// Chooses the employee `key` on the screen: its company clicked, its line double-clicked.
void Choose(Harness& h, const std::string& key) {
  auto* companies = h.Find<QListWidget>("ListAziMem");
  auto* candidates = h.Find<QListWidget>("ListDipSel");
  for (int row = 0; row < companies->count(); ++row) {
    if (Right(LineAt(companies, row), 3) != key.substr(0, 3)) continue;
    h.ClickRow(companies, row);
    for (int i = 0; i < candidates->count(); ++i) {
      if (Key(LineAt(candidates, i)) == key) {
        h.DoubleClickRow(candidates, i);
        return;
      }
    }
  }
  qFatal("employee %s is not listed", key.c_str());
}

}  // namespace

class MemorizeScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void LongPeriodSectionOpensChecksAndEmpties();
  void ChecksBeforeTheStart();
  void RunPrintsTheAnomaliesAndResetsTheScreen();
};

void MemorizeScreenTest::LongPeriodSectionOpensChecksAndEmpties() {
  Harness h;
  h.Click(h.MenuButton(1));
  QCOMPARE(h.Find<QCheckBox>("CheckElabora")->text(), QStringLiteral("Rielabora Periodo se Esistente"));
  QCOMPARE(h.Find<QCheckBox>("ChkCopriFest")->text(), QStringLiteral("Copri le festività presenti nel periodo"));
  QCOMPARE(h.Find<QCheckBox>("ChkConsidera")->text(),
           QStringLiteral("Considera le ore lavorate presenti nella giornata"));
  QCOMPARE(h.Find<QLabel>("LabAssLungoPeriodo")->text().toStdString(), std::string(kChkAssLungoPeriodoCaption));
  QCOMPARE(h.Find<QLabel>("Labchkore")->text().toStdString(), std::string(kChkoreExplanation));
  auto* section = h.Find<QWidget>("FrameAssLungoPeriodo");
  QVERIFY(!section->isVisible());

  h.Click("ChkAssLungoPeriodo");
  QVERIFY(section->isVisible() && section->isEnabled());
  auto* hours = h.Find<QLineEdit>("OreGius_0");
  QVERIFY(!hours->isVisible());
  h.Click("chkore");
  QVERIFY(hours->isVisible());
  QCOMPARE(hours->text(), QStringLiteral("00:00"));

  // Day boxes take digits only (an accented letter is no digit either) and become two
  // digits when left.
  auto* from0 = h.Find<QLineEdit>("DallaData_0");
  auto* to0 = h.Find<QLineEdit>("AllaData_0");
  Type(from0, "a");
  QKeyEvent accented(QEvent::KeyPress, Qt::Key_Egrave, Qt::NoModifier, QStringLiteral("è"));
  QApplication::sendEvent(from0, &accented);
  QTest::keyClicks(from0, QStringLiteral("5"));
  QCOMPARE(from0->text(), QStringLiteral("5"));
  Leave(from0);
  QCOMPARE(from0->text(), QStringLiteral("05"));
  Type(to0, "10");
  Leave(to0);
  QVERIFY(h.TakeTexts().empty());
  // A day inside another row, a day the month (June 2024) does not have, an end before the
  // start: each refused with its message, the box back to "00".
  auto* from1 = h.Find<QLineEdit>("DallaData_1");
  auto* to1 = h.Find<QLineEdit>("AllaData_1");
  Type(from1, "7");
  Leave(from1);
  QCOMPARE(from1->text(), QStringLiteral("00"));
  QVERIFY(from1->hasFocus());
  Type(from1, "20");
  Leave(from1);
  Type(to1, "31");
  Leave(to1);
  QCOMPARE(to1->text(), QStringLiteral("00"));
  Type(to1, "12");
  Leave(to1);
  QCOMPARE(h.TakeTexts(), (std::vector<std::string>{"Il giorno inserito è gia compreso in un'altro intervallo",
                                                    "Attenzione! Giorno non valido per il mese selezionato",
                                                    "Attenzione! La data di termine non può essere inferiore a "
                                                    "quella di partenza"}));

  // The pick list puts a code and its description into the row.
  h.Click("CMDAPRILIST_0");
  auto* pick = h.Find<QListWidget>("ListaCampi");
  QVERIFY(pick->isVisible());
  h.DoubleClickRow(pick, 0);
  QCOMPARE(h.Find<QLineEdit>("CMBGIUS_0")->text(), QStringLiteral("001"));
  QCOMPARE(h.Find<QLabel>("LabGius_0")->text(), QStringLiteral("FERIE"));
  TypeHours(hours, "0330");
  Leave(hours);
  QCOMPARE(hours->text(), QStringLiteral("03:30"));

  MemorizeOptions options = h.form->memorize_screen().Options();
  QCOMPARE(options.day.rows[0], (LongPeriodRow{"001", 5, 10, "03:30"}));
  QVERIFY(options.day.use_typed_hours);
  QCOMPARE(options.month, kDemoMonth);

  // Unticking chkore hides and empties the hours; closing the section empties the rows.
  h.Click("chkore");
  QCOMPARE(hours->text(), QStringLiteral("00:00"));
  h.Click("ChkAssLungoPeriodo");
  QVERIFY(!section->isVisible());
  options = h.form->memorize_screen().Options();
  QCOMPARE(options.day.rows[0], (LongPeriodRow{"", 0, 0, "00:00"}));
  QCOMPARE(h.Find<QLabel>("LabGius_0")->text(), QString());
}

void MemorizeScreenTest::ChecksBeforeTheStart() {
  Harness h;
  h.Click(h.MenuButton(1));
  h.Click("CmdMemorizza");
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{"Attenzione! Nessun Dipendente selezionato"});
  h.Find<QListWidget>("ListAziMem")->clearSelection();
  h.Click("CmdMemorizza");
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{"Attenzione! Nessuna Ditta selezionata"});

  // Answering No changes nothing: the employees stay chosen and no day is written.
  const std::string key = Demo().report.Keys(DemoCase::kGroup).back();
  Choose(h, key);
  h.dialogs.QueueAnswers({false});
  h.Click("CmdMemorizza");
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{ConfirmationText()});
  QCOMPARE(h.Find<QListWidget>("ListDipMem")->count(), 1);
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QVERIFY(rows.empty());
}

void MemorizeScreenTest::RunPrintsTheAnomaliesAndResetsTheScreen() {
  Harness h;
  auto printer = std::make_unique<RecordingPrinterJob>();
  RecordingPrinterJob* recording = printer.get();
  h.session.AttachPrinter(std::move(printer));
  h.Click(h.MenuButton(1));

  const std::string missing = Demo().report.Keys(DemoCase::kMissingGroup).front();
  const std::string group = Demo().report.Keys(DemoCase::kGroup).front();
  Choose(h, missing);
  Choose(h, group);
  h.Click("CheckElabora");
  h.Click("ChkAssLungoPeriodo");
  h.Find<QLineEdit>("CMBGIUS_0")->setText(QStringLiteral("001"));
  h.Find<QLineEdit>("DallaData_0")->setText(QStringLiteral("03"));
  h.Find<QLineEdit>("AllaData_0")->setText(QStringLiteral("04"));

  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemorizza");
  QCOMPARE(h.TakeTexts(), (std::vector<std::string>{ConfirmationText(), "Memorizzazione completata"}));
  const auto& entries = h.dialogs.entries();
  QCOMPARE(entries[entries.size() - 2].title, std::string(kFormCaption));
  QCOMPARE(entries.back().title, std::string(kFormCaption));

  // Monday 3 June 2024 carries the absence; the anomaly list was printed.
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(group, "202406", &rows).ok());
  QCOMPARE(rows.size(), size_t{30});
  QCOMPARE(rows[2].SlotCode(1), std::string("001"));
  QCOMPARE(recording->printed().size(), size_t{1});
  QCOMPARE(recording->printed()[0].Texts().back(),
           "Dipendente : " + missing + " Cod.Gruppo in P766 non presente nella tabella GRUPPI");
  // The waiting panel showed the last employee, and is gone.
  QCOMPARE(h.Find<QLabel>("LabelAttesaMemorizza")->text().toStdString(),
           "Dipendente " + group + " - da elaborare: 1 di 2");
  QVERIFY(!h.Find<QWidget>("FrameAttesa")->isVisible());

  // The screen is ready for the next run.
  QCOMPARE(h.Find<QListWidget>("ListDipMem")->count(), 0);
  QVERIFY(!h.Find<QCheckBox>("CheckElabora")->isChecked());
  QVERIFY(!h.Find<QCheckBox>("ChkAssLungoPeriodo")->isChecked());
  QVERIFY(!h.Find<QWidget>("FrameAssLungoPeriodo")->isVisible());
  QCOMPARE(h.Find<QLineEdit>("CMBGIUS_0")->text(), QString());
  auto* companies = h.Find<QListWidget>("ListAziMem");
  QCOMPARE(companies->currentRow(), 0);
  QCOMPARE(companies->selectedItems().size(), 1);
  QCOMPARE(Right(LineAt(h.Find<QListWidget>("ListDipSel"), 0), 10).substr(0, 3),
           Right(LineAt(companies, 0), 3));
}

}  // namespace kaveltar::ui::testing

int RunMemorizeScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::MemorizeScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "memorize_screen_test.moc"

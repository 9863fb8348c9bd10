// The options half of the memorization screen, driven by widget name: the long-period
// absence section and its input rules, the checks before the start, the run reaching the days
// and the screen reset after it.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "app/session.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "ui/list_widgets.h"
#include "ui/memorize_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

// Types over the whole content of a box.
void Retype(QLineEdit* box, const char* text) {
  box->setFocus(Qt::MouseFocusReason);
  box->selectAll();
  QTest::keyClicks(box, QString::fromLatin1(text));
  Leave(box);
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
  auto* section = h.Find<QWidget>("FrameAssLungoPeriodo");
  QVERIFY(!section->isVisible());

  h.Click("ChkAssLungoPeriodo");
  QVERIFY(section->isVisible() && section->isEnabled());
  auto* hours = h.Find<QLineEdit>("OreGius_0");
  QVERIFY(!hours->isVisible());
  h.Click("chkore");
  QVERIFY(hours->isVisible());
  QCOMPARE(hours->text(), QStringLiteral("00:00"));

  // Day boxes become two digits when left.
  auto* from0 = h.Find<QLineEdit>("DallaData_0");
  Retype(from0, "5");
  QCOMPARE(from0->text(), QStringLiteral("05"));
  Retype(h.Find<QLineEdit>("AllaData_0"), "10");
  QVERIFY(h.TakeTexts().empty());
  // A day inside another row, a day the month (June 2024) does not have, an end before the
  // start: each refused with its message, the box back to "00".
  auto* from1 = h.Find<QLineEdit>("DallaData_1");
  auto* to1 = h.Find<QLineEdit>("AllaData_1");
  Retype(from1, "7");
  QCOMPARE(from1->text(), QStringLiteral("00"));
  QVERIFY(from1->hasFocus());
  Retype(from1, "20");
  Retype(to1, "31");
  QCOMPARE(to1->text(), QStringLiteral("00"));
  Retype(to1, "12");
  QCOMPARE(h.TakeTexts(),
           (std::vector<std::string>{"Il giorno inserito è gia compreso in un'altro intervallo",
                                     "Attenzione! Giorno non valido per il mese selezionato",
                                     "Attenzione! La data di termine non può essere inferiore a "
                                     "quella di partenza"}));

  // A double click on the pick list puts a code and its description into the row.
  h.Click("CMDAPRILIST_0");
  h.DoubleClickRow(h.Find<QListWidget>("ListaCampi"), 0);
  QCOMPARE(h.Find<QLineEdit>("CMBGIUS_0")->text(), QStringLiteral("001"));
  QCOMPARE(h.Find<QLabel>("LabGius_0")->text(), QStringLiteral("FERIE"));
  MemorizeOptions options = h.form->memorize_screen().Options();
  QCOMPARE(options.day.rows[0], (LongPeriodRow{"001", 5, 10, "00:00"}));
  QVERIFY(options.day.use_typed_hours);

  // Closing the section empties the rows.
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

  // Answering No changes nothing: the employees stay chosen and no day is written.
  const std::string key = Demo().report.Keys(DemoCase::kGroup).back();
  ChooseForMemorization(h, key);
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
  h.AttachRecorder();
  h.Click(h.MenuButton(1));
  const std::string group = Demo().report.Keys(DemoCase::kGroup).front();
  ChooseForMemorization(h, group);
  h.Click("CheckElabora");
  h.Click("ChkAssLungoPeriodo");
  h.Find<QLineEdit>("CMBGIUS_0")->setText(QStringLiteral("001"));
  h.Find<QLineEdit>("DallaData_0")->setText(QStringLiteral("03"));
  h.Find<QLineEdit>("AllaData_0")->setText(QStringLiteral("04"));

  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemorizza");

  // Monday 3 June 2024 carries the absence.
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(group, "202406", &rows).ok());
  QCOMPARE(rows.at(2).SlotCode(1), std::string("001"));

  // The screen is ready for the next run.
  QCOMPARE(h.Find<QListWidget>("ListDipMem")->count(), 0);
  QVERIFY(!h.Find<QCheckBox>("CheckElabora")->isChecked());
  QVERIFY(!h.Find<QWidget>("FrameAssLungoPeriodo")->isVisible());
  QCOMPARE(h.Find<QLineEdit>("CMBGIUS_0")->text(), QString());
  QCOMPARE(h.Find<QListWidget>("ListAziMem")->currentRow(), 0);
}

}  // namespace kaveltar::ui::testing

int RunMemorizeScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::MemorizeScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "memorize_screen_test.moc"

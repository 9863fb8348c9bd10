// The selection half of the working screens: company and employee lists, the year buttons, the
// employees chosen for memorization, and what a click on the printing screen makes current.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "app/session.h"
#include "archive/fields.h"
#include "base/text.h"
#include "ui/list_widgets.h"
#include "ui/memorize_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {

// The line formats, orders, year limits and the chosen-list rules belong to the lists layer;
// these cases check that the clicks reach them and that the widgets show what they give.
class SelectionScreensTest : public QObject {
  Q_OBJECT

 private slots:
  void DoubleClicksChooseAndClearingAsksFirst();
  void SelectAllEmployeesAndAllCompanies();
  void YearButtonsKeepTheCompanyAndTheirOwnYear();
  void PrintScreenClicksMakeRecordsCurrent();
};

void SelectionScreensTest::DoubleClicksChooseAndClearingAsksFirst() {
  Harness h;
  h.Click(h.MenuButton(1));
  auto* candidates = h.Find<QListWidget>("ListDipSel");
  auto* chosen = h.Find<QListWidget>("ListDipMem");
  QVERIFY(candidates->count() >= 2);
  const std::vector<std::string> lines = Lines(candidates);

  // Opening the screen selects the first company and lists its employees.
  QCOMPARE(h.Find<QListWidget>("ListAziMem")->currentRow(), 0);
  h.DoubleClickRow(candidates, 0);
  h.DoubleClickRow(candidates, 1);
  QCOMPARE(chosen->currentRow(), 1);  // the line just added is selected
  h.DoubleClickRow(chosen, 0);
  QCOMPARE(Lines(chosen), std::vector<std::string>{lines[1]});
  // The memorization reads the same selection.
  QCOMPARE(h.form->memorize_screen().selection().entries(),
           std::vector<ListEntry>{EntryAt(candidates, 1)});

  h.dialogs.QueueAnswers({true});
  h.Click("CmdCancellaLista");
  QVERIFY(h.dialogs.entries().back().question);
  QCOMPARE(chosen->count(), 0);
}

void SelectionScreensTest::SelectAllEmployeesAndAllCompanies() {
  Harness h;
  h.Click(h.MenuButton(1));
  auto* companies = h.Find<QListWidget>("ListAziMem");
  auto* candidates = h.Find<QListWidget>("ListDipSel");
  auto* chosen = h.Find<QListWidget>("ListDipMem");
  auto* all_employees = h.Find<QCheckBox>("ChkSeltuttoMem");
  auto* all_companies = h.Find<QCheckBox>("ChkSeltuttiAZIDIP");

  h.Click(all_employees);
  QCOMPARE(Lines(chosen), Lines(candidates));
  QVERIFY(!all_employees->isChecked());

  // Every employee of every company, each once; the company shown stays.
  h.ClickRow(companies, 1);
  const std::vector<std::string> second_company = Lines(candidates);
  h.TakeTexts();
  h.Click(all_companies);
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{"Selezione terminata"});
  const std::vector<std::string> all = Lines(chosen);
  for (const std::string& line : second_company)
    QVERIFY(std::count(all.begin(), all.end(), line) == 1);
  QCOMPARE(Lines(candidates), second_company);
}

void SelectionScreensTest::YearButtonsKeepTheCompanyAndTheirOwnYear() {
  Harness h;
  h.Click(h.MenuButton(3));
  auto* year = h.Find<QLabel>("LabAnnoAgg");
  auto* companies = h.Find<QListWidget>("ListAziAgg");
  auto* employees = h.Find<QListWidget>("ListDipAgg");

  h.Click("cmdAnnoAgg_1");
  QCOMPARE(h.TakeTexts(),
           std::vector<std::string>{"Non è possibile andare avanti oltre l'anno di elaborazione"});
  QCOMPARE(year->text(), QStringLiteral("2024"));

  // A year back: the same company stays selected, with the employees of that year.
  h.ClickRow(companies, 2);
  const std::string company = LineAt(companies, 2);
  h.Click("cmdAnnoAgg_0");
  QCOMPARE(year->text(), QStringLiteral("2023"));
  QCOMPARE(CompanyOf(LineAt(companies, companies->currentRow())), CompanyOf(company));
  QCOMPARE(AllEntries(employees),
           h.session.lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2023, CompanyOf(company)));
}

void SelectionScreensTest::PrintScreenClicksMakeRecordsCurrent() {
  Harness h;
  h.Click(h.MenuButton(5));
  auto* companies = h.Find<QListWidget>("ListAziStp");
  auto* employees = h.Find<QListWidget>("ListDipStp");
  auto* page = h.Find<QLineEdit>("TextProtocollo");
  FieldCodec& codec = h.session.codec();

  // Single numbering: the label and the installation's page number.
  QCOMPARE(codec.GetFieldValue(fields::kF419), 0.0);
  QCOMPARE(h.Find<QLabel>("LabNumerazione")->text(), QStringLiteral("Numerazione unica"));
  QCOMPARE(page->text().toStdString(), std::string(Trim(codec.GetField(fields::kF416))));

  h.ClickRow(companies, 1);
  QVERIFY(employees->count() > 2);
  h.ClickRow(employees, 2);
  QCOMPARE(codec.GetField(fields::kP001), KeyOf(LineAt(employees, 2)));

  // Numbering per company: a company click shows the company's page number.
  codec.PutField(fields::kF419, "1");
  h.ClickRow(companies, 3);
  QVERIFY(h.session.lists().LoadCompany(static_cast<int>(ValInt(CompanyOf(LineAt(companies, 3))))));
  QCOMPARE(page->text().toStdString(), std::string(Trim(codec.GetField(fields::kT466))));
  QVERIFY(h.TakeTexts().empty());
}

}  // namespace kaveltar::ui::testing

int RunSelectionScreensTests(int argc, char** argv) {
  kaveltar::ui::testing::SelectionScreensTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "selection_screens_test.moc"

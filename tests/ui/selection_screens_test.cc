// The selection half of the four working screens: company and employee lists, their orders,
// the year buttons, the employees chosen for memorization, and what a click on the printing
// screen makes current.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

#include "app/session.h"
#include "archive/fields.h"
#include "base/encoding.h"
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
  void MemorizeScreenListsEmployeesOfTheClickedCompany();
  void DoubleClicksChooseAndClearingAsksFirst();
  void SelectAllEmployeesAndAllCompanies();
  void YearButtonsKeepTheCompanyAndTheirOwnYear();
  void OrderOptionsRebuildTheLists();
  void PrintScreenClicksMakeRecordsCurrent();
  void ExportScreenChoosesAllCompanies();
};

void SelectionScreensTest::MemorizeScreenListsEmployeesOfTheClickedCompany() {
  Harness h;
  h.Click(h.MenuButton(1));
  auto* companies = h.Find<QListWidget>("ListAziMem");
  auto* employees = h.Find<QListWidget>("ListDipSel");
  // Opening the screen selects the first company and lists its employees.
  QCOMPARE(companies->currentRow(), 0);
  QVERIFY(employees->count() > 0);
  h.ClickRow(companies, 1);
  const std::string company = CompanyOf(LineAt(companies, 1));
  for (int i = 0; i < employees->count(); ++i) {
    const std::string line = LineAt(employees, i);
    QCOMPARE(KeyOf(line).substr(0, 3), company);
    // The item shows the archive's text converted; the bytes are kept for the core.
    QCOMPARE(employees->item(i)->text().toStdString(), Cp1252ToUtf8(line));
  }
  QVERIFY(h.TakeTexts().empty());
}

void SelectionScreensTest::DoubleClicksChooseAndClearingAsksFirst() {
  Harness h;
  h.Click(h.MenuButton(1));
  auto* candidates = h.Find<QListWidget>("ListDipSel");
  auto* chosen = h.Find<QListWidget>("ListDipMem");
  QVERIFY(candidates->count() >= 2);
  const std::vector<std::string> lines = Lines(candidates);

  h.DoubleClickRow(candidates, 0);
  h.DoubleClickRow(candidates, 0);
  h.DoubleClickRow(candidates, 1);
  QCOMPARE(Lines(chosen), (std::vector<std::string>{lines[0], lines[1]}));
  QCOMPARE(chosen->currentRow(), 1);  // the line just added is selected
  h.DoubleClickRow(chosen, 0);
  QCOMPARE(Lines(chosen), std::vector<std::string>{lines[1]});
  // The memorization reads the same selection.
  QCOMPARE(h.form->memorize_screen().selection().lines(), std::vector<std::string>{lines[1]});

  h.dialogs.QueueAnswers({false, true});
  h.Click("CmdCancellaLista");
  QCOMPARE(chosen->count(), 1);
  QVERIFY(h.dialogs.entries().back().question);
  h.Click("CmdCancellaLista");
  QCOMPARE(chosen->count(), 0);
  QVERIFY(h.form->memorize_screen().selection().lines().empty());
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

  // Every employee of every company, each once, in company order.
  std::vector<std::string> expected = Lines(chosen);
  for (int row = 0; row < companies->count(); ++row) {
    h.ClickRow(companies, row);
    for (const std::string& line : Lines(candidates)) {
      if (std::find(expected.begin(), expected.end(), line) == expected.end())
        expected.push_back(line);
    }
  }
  h.ClickRow(companies, 1);
  const std::vector<std::string> second_company = Lines(candidates);
  h.TakeTexts();
  h.Click(all_companies);
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{"Selezione terminata"});
  QCOMPARE(Lines(chosen), expected);
  QCOMPARE(Lines(candidates), second_company);

  // Opening the screen again unticks the box and keeps the chosen employees.
  h.Click("CmdRitMem");
  h.Click(h.MenuButton(1));
  QVERIFY(!all_companies->isChecked());
  QCOMPARE(chosen->count(), static_cast<int>(expected.size()));
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
  QCOMPARE(Lines(employees),
           h.session.lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2023, company));
  QVERIFY(h.TakeTexts().empty());
  // Each screen keeps its own year.
  QCOMPARE(h.Find<QLabel>("LabAnnoMem")->text(), QStringLiteral("2024"));
}

void SelectionScreensTest::OrderOptionsRebuildTheLists() {
  Harness h;
  h.Click(h.MenuButton(3));
  auto* companies = h.Find<QListWidget>("ListAziAgg");
  auto* employees = h.Find<QListWidget>("ListDipAgg");
  h.ClickRow(companies, 0);
  QVERIFY(employees->count() > 1);

  h.Click("OptOrdinaAziAgg_1");
  QCOMPARE(employees->count(), 0);
  const std::vector<std::string> by_name = Lines(companies);
  QCOMPARE(by_name.size(), Demo().report.company_codes.size());
  QVERIFY(std::is_sorted(by_name.begin(), by_name.end()));
  QVERIFY(!IsDigits(by_name[0].substr(0, 3)));

  h.ClickRow(companies, 0);
  h.Click("OptOrdinaDipAgg_1");
  QCOMPARE(Lines(employees), h.session.lists().EmployeeList(Screen::kUpdate, kOrderByName,
                                                            kDemoYear, LineAt(companies, 0)));
  // The order of one screen does not change another's.
  QVERIFY(IsDigits(LineAt(h.Find<QListWidget>("ListAziStp"), 0).substr(0, 3)));
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
  // A year back the employee is read from that year's archive.
  h.Click("CmdAnnoStp_0");
  QVERIFY(employees->count() > 0);
  h.ClickRow(employees, 0);
  QCOMPARE(codec.GetField(fields::kP001), KeyOf(LineAt(employees, 0)));
  h.Click("CmdAnnoStp_1");

  // Numbering per company: a company click shows the company's page number.
  codec.PutField(fields::kF419, "1");
  h.ClickRow(companies, 3);
  QVERIFY(h.session.lists().LoadCompany(static_cast<int>(ValInt(CompanyOf(LineAt(companies, 3))))));
  QCOMPARE(page->text().toStdString(), std::string(Trim(codec.GetField(fields::kT466))));
  QVERIFY(h.TakeTexts().empty());
}

void SelectionScreensTest::ExportScreenChoosesAllCompanies() {
  Harness h;
  h.Click(h.MenuButton(4));
  auto* companies = h.Find<QListWidget>("ListAziCar");
  auto* employees = h.Find<QListWidget>("ListDipCar");
  auto* all = h.Find<QCheckBox>("Check2");
  h.ClickRow(companies, 1);
  QVERIFY(employees->count() > 0);
  QCOMPARE(KeyOf(LineAt(employees, 0)).substr(0, 3), CompanyOf(LineAt(companies, 1)));
  h.Click(all);
  QCOMPARE(companies->selectedItems().size(), companies->count());
  // Listing in the other order keeps them all chosen.
  h.Click("OptOrdinaAziCar_1");
  QCOMPARE(companies->selectedItems().size(), companies->count());
  h.Click(all);
  QVERIFY(companies->selectedItems().isEmpty());
}

}  // namespace kaveltar::ui::testing

int RunSelectionScreensTests(int argc, char** argv) {
  kaveltar::ui::testing::SelectionScreensTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "selection_screens_test.moc"

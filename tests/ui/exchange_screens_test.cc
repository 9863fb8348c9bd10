// The import, export and annual totals screens, driven by widget name: the file chosen and
// checked with its results in colour, the import into PRESENZE, the payroll items file of
// the selected companies, and the yearly count of a justification with its enabling rules.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/session.h"
#include "base/text.h"
#include "ui/import_screen.h"
#include "ui/list_widgets.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {

namespace {

std::string Record(
    std::string_view key, std::string_view day, std::string_view worked,
    std::initializer_list<std::pair<std::string_view, std::string_view>> pairs = {}) {
  std::string r = PadRight(key, 10) + PadRight(day, 8) + PadRight(worked, 5);
  for (const auto& [code, hours] : pairs) r += PadRight(code, 10) + PadRight(hours, 5);
  return PadRight(r, 173) + "\r\n";
}

std::string WriteFile(const std::string& name, const std::string& text) {
  const std::filesystem::path path = Demo().root / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

}  // namespace

class ExchangeScreensTest : public QObject {
  Q_OBJECT

 private slots:
  void ImportChecksAndImportsTheChosenFile();
  void TotalsCountTheChosenJustification();
  void ExportWritesTheSelectedCompanies();
};

void ExchangeScreensTest::ImportChecksAndImportsTheChosenFile() {
  Harness h;
  h.Click(h.MenuButton(2));
  auto* importa = h.Find<QPushButton>("CmdImportaFile");
  QVERIFY(!importa->isEnabled());
  QString filter;
  std::string path;
  ImportScreen& screen = h.form->import_screen();
  screen.set_file_chooser([&](const QString& f) {
    filter = f;
    return QString::fromStdString(path);
  });

  // An incomplete employee code: blocked, the structure result red.
  path = WriteFile("incomplete.PRE", Record("001002", "20240603", "08:00"));
  h.TakeTexts();
  h.Click("CmdCerca");
  QCOMPARE(h.Find<QLabel>("lblNomeFileImport")->text(), QString::fromStdString(path));
  QCOMPARE(h.TakeTexts().size(), size_t{1});
  auto* structure = h.Find<QLabel>("lblRisultato_2");
  QCOMPARE(structure->text(), QStringLiteral("Errata"));
  QCOMPARE(structure->palette().color(QPalette::WindowText), QColor(Qt::red));
  QCOMPARE(h.Find<QLabel>("lblRisultato_0")->text(), QStringLiteral("Corretta"));
  QVERIFY(!importa->isEnabled());

  // A good file: all correct, imported on Yes.
  const std::string key = Demo().report.Keys(DemoCase::kGroup).front();
  path = WriteFile("good.PRE", Record(key, "20240603", "07:00", {{"FE", "01:00"}}));
  h.Click("CmdCerca");
  QVERIFY(h.TakeTexts().empty());
  QVERIFY(importa->isEnabled());
  h.dialogs.set_default_answer(true);
  h.Click(importa);
  h.dialogs.set_default_answer(false);
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(key, "202406", &rows).ok());
  QCOMPARE(rows.at(2).pres[3], std::string("07:00"));

  // Another kind of file asks with its own filter.
  h.Click("OptTipofile_1");
  h.Click("CmdCerca");
  QCOMPARE(filter, QStringLiteral("File CSV (*.csv)"));
}

void ExchangeScreensTest::TotalsCountTheChosenJustification() {
  Harness h;
  RecordingPrinterJob* recording = h.AttachRecorder();
  h.Click(h.MenuButton(12));
  auto* calcola = h.Find<QPushButton>("CmdCalcolaGG");
  auto* stampa = h.Find<QPushButton>("CmdStpRiepilogo");
  auto* combo = h.Find<QComboBox>("ComboDittaCalcolo");
  QVERIFY(!calcola->isEnabled());
  const std::string company = combo->itemText(0).left(3).toStdString();
  // Two days of the first company hold code 001 in two slots each (the other tests of this
  // run write only May and June).
  const std::string key = DemoEmployeeOf(company);
  for (const char* day : {"20240103", "20240205"}) {
    DayRow row;
    row.employee = key;
    row.period = day;
    row.SlotCode(1) = "001";
    row.SlotCode(6) = "001";
    QVERIFY(h.session.db().SaveDay(row).ok());
  }

  auto* list = h.Find<QListWidget>("ListElencoCalcolo");
  h.ClickRow(list, 0);
  QVERIFY(calcola->isEnabled());
  h.Click(calcola);
  QCOMPARE(h.Find<QLabel>("LabelGGMese_0")->text(), QStringLiteral("1"));
  QCOMPARE(h.Find<QLabel>("LabelGGMese_1")->text(), QStringLiteral("1"));
  h.Click(stampa);
  QCOMPARE(recording->printed().size(), size_t{1});
}

void ExchangeScreensTest::ExportWritesTheSelectedCompanies() {
  Harness h;
  h.Click(h.MenuButton(4));
  h.TakeTexts();
  auto* companies = h.Find<QListWidget>("ListAziCar");
  h.ClickRow(companies, 0);
  const std::string company = CompanyOf(LineAt(companies, 0));
  const std::string key = DemoEmployeeOf(company);
  // May holds the attendance, exported as the month before June.
  DayRow row;
  row.employee = key;
  row.period = "20240506";
  row.SlotCode(1) = "001";
  row.SlotHours(1) = "08:00";
  QVERIFY(h.session.db().SaveDay(row).ok());
  h.Find<QListWidget>("ListMesiCar")->setCurrentRow(kDemoMonth - 1);
  h.Click("CheckPresPrec");
  h.Click("Check2");
  h.Click("CmdCreaFile");
  const std::filesystem::path file =
      Demo().archives / "IMPORTPRESENTE" / ("VOC" + company + "06.TXT");
  QVERIFY(std::filesystem::exists(file));
  // The other companies had nothing: the question about the anomalies (answered No).
  const std::vector<std::string> texts = h.TakeTexts();
  QCOMPARE(texts.size(), size_t{1});
  std::filesystem::remove(file);
}

}  // namespace kaveltar::ui::testing

int RunExchangeScreensTests(int argc, char** argv) {
  kaveltar::ui::testing::ExchangeScreensTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "exchange_screens_test.moc"

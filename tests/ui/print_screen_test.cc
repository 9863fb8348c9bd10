// The options half of the printing screen, driven by widget name: the dependent controls, the
// information texts, and the print button on the printer.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/session.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "printing/sheet_printing.h"
#include "ui/list_widgets.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {

class PrintScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void OptionsKeepTheirDependentsConsistent();
  void PrintButtonPrintsNumbersAndOffersThePdf();
};

void PrintScreenTest::OptionsKeepTheirDependentsConsistent() {
  Harness h;
  h.Click(h.MenuButton(5));
  auto* bozza = h.Find<QCheckBox>("chkBozza");
  h.Click(bozza);
  QVERIFY(!h.Find<QCheckBox>("ChkNoNumero")->isEnabled());
  QVERIFY(!h.Find<QLineEdit>("TextProtocollo")->isEnabled());
  h.Click(bozza);
  QVERIFY(h.Find<QCheckBox>("ChkNoNumero")->isEnabled());

  h.TakeTexts();
  h.Click("cmdinfo");
  const std::vector<std::string> info = h.TakeTexts();
  QCOMPARE(info.size(), size_t{3});
  QVERIFY(info[2].rfind("N.B. Per la gestione in stampa dei co.co.co/pro e borsisti", 0) == 0);
  h.Click("chkVidima");
  QCOMPARE(h.TakeTexts(),
           std::vector<std::string>{
               " Se si intende stampare il foglio Presenze/Assenze con l'INTESTAZIONELASER "
               "della ditta, selezionare quella di interesse dalla lista."});
  h.Click("chkVidima");  // clearing the tick says nothing
  QVERIFY(h.TakeTexts().empty());
}

void PrintScreenTest::PrintButtonPrintsNumbersAndOffersThePdf() {
  Harness h;
  RecordingPrinterJob* recording = h.AttachRecorder();
  h.Click(h.MenuButton(5));
  auto* companies = h.Find<QListWidget>("ListAziStp");
  auto* employees = h.Find<QListWidget>("ListDipStp");
  h.ClickRow(companies, 0);
  QVERIFY(employees->count() > 1);
  MemorizeOptions month;
  month.year = kDemoYear;
  month.month = kDemoMonth;
  RunMemorization(h.session.job(), month, {EntryAt(employees, 0).code});
  const size_t before = recording->printed().size();
  h.ClickRow(employees, 0);
  h.Find<QListWidget>("ListMesiStp")->setCurrentRow(kDemoMonth - 1);
  auto* number = h.Find<QLineEdit>("TextProtocollo");
  number->setText(QStringLiteral("5"));
  h.Find<QLineEdit>("NCopie")->setText(QStringLiteral("1"));
  h.TakeTexts();
  h.Click("CmdStampaStp");
  const std::vector<std::string> texts = h.TakeTexts();
  QCOMPARE(texts.size(), size_t{2});
  QCOMPARE(texts[0], std::string(kNotMemorizedWarning));
  QCOMPARE(number->text(), QStringLiteral("6"));
  QCOMPARE(recording->printed().size(), before + 1);
}

}  // namespace kaveltar::ui::testing

int RunPrintScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::PrintScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "print_screen_test.moc"

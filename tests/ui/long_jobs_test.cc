// Long operations off the event loop, driven by widget name: a memorization started with its
// button runs on a worker thread while the window keeps answering, the waiting panel follows
// it to the end and the screen shows the run's counts; questions asked from a worker are shown
// by the GUI thread; the time left; a PDF run tells whose password protects the file and when
// no viewer can open it.
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/session.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "platform/printer_recording.h"
#include "printing/sheet_printing.h"
#include "ui/list_widgets.h"
#include "ui/long_job.h"
#include "ui/print_screen.h"
#include "ui/qt_dialogs.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

// A printer whose first drawing call holds the job until the window's event loop has turned
// a few times with the waiting panel up, as a person's window system would see it answer.
class GatePrinter : public RecordingPrinterJob {
 public:
  GatePrinter() : RecordingPrinterJob({PrinterInfo{"Ufficio", "", true}}) {}
  std::atomic<int> ticks{0};          // counted by the GUI thread while the panel shows
  std::atomic<bool> answered{false};  // the loop turned while the job was drawing
  std::atomic<bool> off_gui{false};   // the drawing ran away from the GUI thread

 protected:
  void DrawText(double x, double y, std::string_view text, const PrinterFont& font) override {
    if (!gated_) {
      gated_ = true;
      off_gui = QThread::currentThread() != QCoreApplication::instance()->thread();
      const int start = ticks;
      for (int i = 0; i < 500 && ticks < start + 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      answered = ticks >= start + 3;
    }
    RecordingPrinterJob::DrawText(x, y, text, font);
  }

 private:
  bool gated_ = false;
};

// PATH pointing at an empty folder for the life of the object: no desktop opener.
class NoOpenerOnPath {
 public:
  NoOpenerOnPath() : saved_(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "") {
    setenv("PATH", empty_.path().toStdString().c_str(), 1);
  }
  ~NoOpenerOnPath() { setenv("PATH", saved_.c_str(), 1); }
  NoOpenerOnPath(const NoOpenerOnPath&) = delete;
  NoOpenerOnPath& operator=(const NoOpenerOnPath&) = delete;

 private:
  QTemporaryDir empty_;
  std::string saved_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

class LongJobsTest : public QObject {
  Q_OBJECT

 private slots:
  void MemorizationRunsOffTheEventLoop();
  void QuestionsFromAWorkerAreShownByTheGuiThread();
  void TimeLeftIsEstimatedAtThePaceSoFar();
  void PdfRunTellsProtectionAndMissingViewer();
};

void LongJobsTest::MemorizationRunsOffTheEventLoop() {
  Harness h;
  auto printer = std::make_unique<GatePrinter>();
  GatePrinter* gate = printer.get();
  h.session.AttachPrinter(std::move(printer));
  h.Click(h.MenuButton(1));
  const std::string missing = Demo().report.Keys(DemoCase::kMissingGroup).front();
  const std::string group = Demo().report.Keys(DemoCase::kGroup).front();
  const std::string excluded = Demo().report.Keys(DemoCase::kExcluded).front();
  ChooseForMemorization(h, missing);
  ChooseForMemorization(h, group);
  ChooseForMemorization(h, excluded);
  // Other tests of the run may have memorized the month already: it is rewritten.
  h.Click("CheckElabora");

  // While the job runs: the panel shows, the screen takes no clicks, closing is refused.
  auto* screen = h.Find<QWidget>("FrameMemorizza");
  bool screen_disabled = true;
  bool close_refused = false;
  bool tried_close = false;
  QTimer timer;
  timer.setInterval(10);
  connect(&timer, &QTimer::timeout, this, [&] {
    auto* bar = h.form->findChild<QProgressBar*>(QStringLiteral("BarraAttesa"));
    if (bar == nullptr || !bar->isVisible()) return;
    screen_disabled = screen_disabled && !screen->isEnabled();
    if (!tried_close) {
      tried_close = true;
      close_refused = !h.form->close();
    }
    ++gate->ticks;
  });
  timer.start();
  h.dialogs.QueueAnswers({true});
  h.Click("CmdMemorizza");
  timer.stop();

  QVERIFY(gate->off_gui);
  QVERIFY(gate->answered);
  QVERIFY(gate->ticks >= 3);
  QVERIFY(screen_disabled);
  QVERIFY(tried_close && close_refused);
  QVERIFY(!h.form->ended());
  QVERIFY(screen->isEnabled());
  QCOMPARE(h.TakeTexts(),
           (std::vector<std::string>{ConfirmationText(), std::string(kJobRunningOnClose),
                                     "Memorizzazione completata"}));

  // The bar reached the end, the panel is gone.
  auto* bar = h.Find<QProgressBar>("BarraAttesa");
  QCOMPARE(bar->value(), 3);
  QCOMPARE(bar->text(), QStringLiteral("3 di 3"));
  QVERIFY(!h.Find<QWidget>("FrameAttesa")->isVisible());

  // The counts: the one with a group memorized (June 2024, 30 days), the excluded one left
  // out, the one whose group is missing stopped on its anomaly; the list went to the printer.
  const QString counts = h.Find<QLabel>("LabEsitoMemorizza")->text();
  for (const char* line : {"\nMemorizzati: 1\n", "\nEsclusi: 1\n", "\nCon anomalie: 1\n",
                           "\nGiorni scritti: 30\n", "stampata: Ufficio"}) {
    QVERIFY2(counts.contains(QString::fromUtf8(line)), line);
  }
  std::vector<DayRow> rows;
  QVERIFY(h.session.db().EmployeeMonth(group, "202406", &rows).ok());
  QCOMPARE(rows.size(), size_t{30});
  QCOMPARE(gate->printed().size(), size_t{1});
}

void LongJobsTest::QuestionsFromAWorkerAreShownByTheGuiThread() {
  QtDialogs dialogs;
  std::atomic<bool> done{false};
  bool answer = false;
  QThread* box_thread = nullptr;
  QString shown;
  // The operator answers Yes to the box as soon as it is up.
  QTimer operator_;
  operator_.setInterval(10);
  connect(&operator_, &QTimer::timeout, this, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    box_thread = box->thread();
    shown = box->text();
    box->button(QMessageBox::Yes)->click();
  });
  operator_.start();
  std::thread worker([&] {
    answer = dialogs.Ask("DITTA : 001\rProseguire ?", "Importazione file esterno",
                         MessageIcon::kQuestion);
    done = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
  worker.join();
  operator_.stop();
  QVERIFY(answer);
  QCOMPARE(box_thread, QCoreApplication::instance()->thread());
  QCOMPARE(shown, QStringLiteral("DITTA : 001\nProseguire ?"));
}

void LongJobsTest::TimeLeftIsEstimatedAtThePaceSoFar() {
  // 1 of 3 in 20 s: 2 more at 20 s each.
  QCOMPARE(RemainingTimeText(1, 3, 20000), std::string("Tempo residuo stimato: 40 s"));
  // 1 of 5 in 32.6 s: 130.4 s left, shown as 2 min 11 s (whole seconds rounded up).
  QCOMPARE(RemainingTimeText(1, 5, 32600), std::string("Tempo residuo stimato: 2 min 11 s"));
}

void LongJobsTest::PdfRunTellsProtectionAndMissingViewer() {
  Harness h;
  h.session.AttachPrinter(std::make_unique<RecordingPrinterJob>());
  h.Click(h.MenuButton(5));
  auto* companies = h.Find<QListWidget>("ListAziStp");
  auto* employees = h.Find<QListWidget>("ListDipStp");
  h.Click("ChkPDF");
  // The first company of the installation has a PDF password (and the office has one); the
  // second has none.
  for (const std::string& company :
       {Demo().report.company_codes[0], Demo().report.company_codes[1]}) {
    const bool with_password = company == Demo().report.company_codes[0];
    int row = 0;
    while (row < companies->count() && CompanyOf(LineAt(companies, row)) != company) ++row;
    QVERIFY(row < companies->count());
    h.ClickRow(companies, row);
    // An employee of the company with an ordinary group, his month memorized.
    int chosen = -1;
    for (const std::string& key : Demo().report.Keys(DemoCase::kGroup)) {
      for (int i = 0; i < employees->count() && chosen < 0 && key.rfind(company, 0) == 0; ++i) {
        if (KeyOf(LineAt(employees, i)) == key) chosen = i;
      }
    }
    QVERIFY(chosen >= 0);
    MemorizeOptions month;
    month.year = kDemoYear;
    month.month = kDemoMonth;
    RunMemorization(h.session.job(), month, {EntryAt(employees, chosen).code});
    h.ClickRow(employees, chosen);
    h.Find<QListWidget>("ListMesiStp")->setCurrentRow(kDemoMonth - 1);
    h.TakeTexts();
    {
      NoOpenerOnPath no_viewer;
      h.dialogs.QueueAnswers({true});
      h.Click("CmdStampaStp");
    }
    const std::vector<std::string> texts = h.TakeTexts();
    QCOMPARE(texts.size(), with_password ? size_t{5} : size_t{4});
    // The creation notice, the protection notice when there is a password, the offer.
    const size_t at = texts[1].find(" è stato creato in : ");
    QVERIFY(at != std::string::npos);
    QCOMPARE(texts[texts.size() - 2], std::string("Aprire il file PDF creato?"));
    const std::string& told = texts.back();
    QVERIFY(told.rfind("Nessun programma disponibile per aprire il file PDF.\nIl percorso è : ",
                       0) == 0);
    // The file named is the one written, and it is encrypted exactly when the notice said so.
    const std::string path =
        told.substr(told.find(" : ") + 3, told.find('\n', told.find(" : ")) - told.find(" : ") - 3);
    QVERIFY(path.rfind(texts[1].substr(at + std::string(" è stato creato in : ").size()), 0) == 0);
    const std::string pdf = Slurp(path);
    QVERIFY(pdf.rfind("%PDF-", 0) == 0);
    QCOMPARE(pdf.find("/Encrypt") != std::string::npos, with_password);
  }
}

}  // namespace kaveltar::ui::testing

int RunLongJobsTests(int argc, char** argv) {
  kaveltar::ui::testing::LongJobsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "long_jobs_test.moc"

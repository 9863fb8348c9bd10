// The main window: its frames and menu, the screens it opens and closes, the information box,
// and errors that end it.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <fstream>
#include <future>
#include <stdexcept>

#include "app/session.h"
#include "app/startup.h"
#include "base/text.h"
#include "platform/log_file.h"
#include "ui/grid_screen.h"
#include "ui/import_screen.h"
#include "ui/instance_beacon.h"
#include "ui/list_widgets.h"
#include "ui/program.h"
#include "ui/update_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsOnTheMenu();
  void MenuEntriesOpenTheirScreen_data();
  void MenuEntriesOpenTheirScreen();
  void HelpEntriesOnlyShowTheirMessage();
  void InformationBoxOnCtrlShiftP();
  void UnexpectedErrorsEndTheProgram();
  void EveryControlTakesTheMouseAtItsCentre();
  void EnteringImportAndUpdateStartsClean();
  void SecondCopyBringsTheWindowToTheFront();
};

void MainWindowTest::StartsOnTheMenu() {
  Harness h;
  QCOMPARE(h.form->windowTitle(), QStringLiteral("Gestione Presenze ( Libro unico del lavoro )"));
  QVERIFY(h.Find<QWidget>("FrameMenu")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameAttesa")->isVisible());
  const char* captions[] = {"Gestione Tabelle Programma",
                            "Memorizza le Presenze del mese",
                            "Importa File Presenze Esterno",
                            "Aggiornamento delle Presenze",
                            "Esporta File Presenze per la procedura salarion",
                            "Stampa / Genera File PDF",
                            "Help Gestione delle Presenze e del Libro Unico del Lavoro",
                            "Esci dalla Gestione delle Presenze"};
  // The captions as shown (the "&" before a letter only underlines it).
  const auto shown = [&h](int i) { return h.MenuButton(i)->text().remove(QLatin1Char('&')); };
  for (int i = 0; i < 8; ++i) QCOMPARE(shown(i), QString::fromUtf8(captions[i]));
  QCOMPARE(shown(12), QStringLiteral("Calcolo Totale giorni Giustificativo"));

  // The screens show the processing year and month, and the companies in a font whose
  // letters all have the same advance, so that the fixed columns line up.
  QCOMPARE(h.Find<QListWidget>("ListMesiAgg")->currentItem()->text(), QStringLiteral("Giugno"));
  const QFontMetrics metrics(h.Find<QListWidget>("ListAziStp")->font());
  QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiiii")),
           metrics.horizontalAdvance(QStringLiteral("MMMMM")));
  QVERIFY(h.TakeTexts().empty());
}

void MainWindowTest::MenuEntriesOpenTheirScreen_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("frame");
  QTest::addColumn<QString>("back");
  // The first control the screen shows, reading from the top left, takes the focus.
  QTest::addColumn<QString>("first");
  const struct {
    const char *name, *frame, *back, *first;
    int index;
  } rows[] = {{"tables", "FrameTabelle", "CmdRitTabelle", "", 0},
              {"memorize", "FrameMemorizza", "CmdRitMem", "ListAziMem", 1},
              {"import", "FrameImporta", "CmdRitImp", "OptTipofile_0", 2},
              {"update", "FrameAggiorna", "CmdRitAgg", "ListAziAgg", 3},
              {"export", "FrameEsporta", "CmdAnnullaCaric", "ListAziCar", 4},
              {"print", "FrameStpLaser", "CmdRitStp", "ListAziStp", 5},
              {"totals", "FrameCalcolo", "CmdRitCalcolo", "OptAnnoCalcolo_0", 12}};
  for (const auto& r : rows) {
    QTest::newRow(r.name) << r.index << QString::fromLatin1(r.frame) << QString::fromLatin1(r.back)
                          << QString::fromLatin1(r.first);
  }
}

void MainWindowTest::MenuEntriesOpenTheirScreen() {
  QFETCH(int, index);
  QFETCH(QString, frame);
  QFETCH(QString, back);
  QFETCH(QString, first);
  Harness h;
  h.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(h.form.get()));
  QWidget* screen = h.Find<QWidget>(frame.toLatin1().constData());
  h.Click(h.MenuButton(index));

  QVERIFY(screen->isVisible());
  const QWidget* focus = QApplication::focusWidget();
  if (!first.isEmpty()) {
    QVERIFY(focus != nullptr);
    QCOMPARE(focus->objectName(), first);
  }
  QVERIFY(!h.Find<QWidget>("FrameMenu")->isVisible());
  QVERIFY(!h.MenuButton(0)->isEnabled());

  const std::vector<RecordingDialogs::Entry> entries = h.dialogs.entries();
  if (index == 4) {
    QCOMPARE(entries.size(), size_t{1});
    QCOMPARE(entries[0].text, std::string("In fase di preparazione e test."));
  } else {
    QCOMPARE(entries.size(), size_t{0});
  }

  h.Click(back.toLatin1().constData());
  QVERIFY(!screen->isVisible());
  QVERIFY(h.Find<QWidget>("FrameMenu")->isVisible());
  // Back on the menu, its first entry has the focus.
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.MenuButton(1)));
  QVERIFY(!h.form->ended());
}

void MainWindowTest::HelpEntriesOnlyShowTheirMessage() {
  Harness h;
  const std::vector<std::string> help{"Consultare voce 'Help' del menu salarion"};
  h.Click(h.MenuButton(6));
  QCOMPARE(h.TakeTexts(), help);

  // The memorization screen covers the bottom bar and has its own help and exit entries.
  h.Click(h.MenuButton(1));
  h.Click(h.MenuButton(8));
  QCOMPARE(h.TakeTexts(), help);
  h.Click(h.MenuButton(9));
  QVERIFY(h.form->ended());
  QCOMPARE(h.form->exit_status(), 0);
}

void MainWindowTest::InformationBoxOnCtrlShiftP() {
  Harness h;
  h.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(h.form.get()));
  const std::string text =
      "Programma salarion\nNome EXE : KAVELTAR.EXE\nNome Progetto : KAVELTAR.VBP"
      "\nVersione : " +
      std::string(ProgramVersion()) + "\nRegistro attività : " + kaveltar::LogFilePath().string();

  QTest::keyClick(h.form.get(), Qt::Key_P, Qt::ShiftModifier);
  QVERIFY(h.TakeTexts().empty());
  QTest::keyClick(h.form.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(h.TakeTexts(), std::vector<std::string>{text});
  QCOMPARE(h.dialogs.entries().back().title, std::string("Informazioni Progetto salarion"));
}

void MainWindowTest::UnexpectedErrorsEndTheProgram() {
  Harness h;
  QSignalSpy ended(h.form.get(), &FRMVELTAR::Ended);
  bool after_inner = false;
  const bool ok = h.form->Guard([&] {
    h.form->Guard([] { throw std::runtime_error("boom"); });
    after_inner = true;  // never reached: the error ended the program
  });
  QVERIFY(!ok);
  QVERIFY(!after_inner);
  const std::vector<std::string> texts = h.TakeTexts();
  QCOMPARE(texts.size(), size_t{2});
  QVERIFY2(texts[0].find("Errore 51 Errore interno: boom") != std::string::npos, texts[0].c_str());
  QCOMPARE(ended.count(), 1);
  QCOMPARE(ended.at(0).at(0).toInt(), 1);
  QVERIFY(!h.session.has_db());
}

namespace {

// The controls an operator clicks.
bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
         qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w);
}

// Records the mouse presses and releases that reach a widget and swallows them, so that a
// click proves where it lands without starting what the control does.
class ClickCatcher : public QObject {
 public:
  QWidget* target = nullptr;
  int presses = 0;
  int releases = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) {
      return false;
    }
    if (target != nullptr && watched == target) {
      (event->type() == QEvent::MouseButtonPress ? presses : releases) += 1;
    }
    return true;
  }
};

// For every visible, enabled control of the window: the widget under the pointer at the
// control's centre is the control (or a part of it), and a click there reaches it. Returns
// the names of the controls that fail, and counts the controls seen.
QStringList UnreachableControls(QWidget* window, int* seen) {
  QStringList failures;
  ClickCatcher catcher;
  qApp->installEventFilter(&catcher);
  for (QWidget* control : window->findChildren<QWidget*>()) {
    if (!IsControl(control) || !control->isVisible() || !control->isEnabled()) continue;
    ++*seen;
    const QPoint centre = control->mapToGlobal(control->rect().center());
    // The test screen may be smaller than the window: off it, the window's own lookup (what
    // widgetAt does once it has found the window) answers.
    QWidget* under = QGuiApplication::screenAt(centre) != nullptr
                         ? QApplication::widgetAt(centre)
                         : window->childAt(window->mapFromGlobal(centre));
    const QString name = control->objectName().isEmpty()
                             ? QString::fromLatin1(control->metaObject()->className())
                             : control->objectName();
    if (under == nullptr || (under != control && !control->isAncestorOf(under))) {
      failures << name + QStringLiteral(" (coperto da ") +
                      (under ? under->metaObject()->className() + QStringLiteral(" ") +
                                   under->objectName()
                             : QStringLiteral("niente")) +
                      QStringLiteral(")");
      continue;
    }
    catcher.target = under;
    catcher.presses = catcher.releases = 0;
    QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFromGlobal(centre));
    if (catcher.presses != 1 || catcher.releases != 1)
      failures << name + QStringLiteral(" (clic perso)");
  }
  qApp->removeEventFilter(&catcher);
  return failures;
}

}  // namespace

void MainWindowTest::EveryControlTakesTheMouseAtItsCentre() {
  Harness h;
  FRMVELTAR& f = *h.form;
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  QStringList failures;
  ForEveryScreen(h, [&](const char* screen) {
    QCoreApplication::processEvents();
    if (!h.Find<QWidget>(screen)->isVisible()) failures << QString::fromLatin1(screen);
    int seen = 0;
    for (const QString& failure : UnreachableControls(&f, &seen)) {
      failures << QString::fromLatin1(screen) + QStringLiteral(": ") + failure;
    }
    if (seen == 0) failures << QString::fromLatin1(screen) + QStringLiteral(": nessun controllo");
  });
  QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void MainWindowTest::EnteringImportAndUpdateStartsClean() {
  Harness h;
  FRMVELTAR& f = *h.form;
  // A file chosen and checked, then back to the menu and in again: no file, no results.
  const std::filesystem::path file = Demo().root / "esterno.txt";
  std::ofstream(file) << std::string(175, '0') << "\r\n";
  f.import_screen().set_file_chooser(
      [&](const QString&) { return QString::fromStdString(file.string()); });
  f.cmdPulsante_Click(2);
  f.import_screen().CmdCerca_Click();
  QCOMPARE(h.Find<QLabel>("lblNomeFileImport")->text(), QString::fromStdString(file.string()));
  QVERIFY(!h.Find<QLabel>("lblRisultato_0")->text().isEmpty());
  f.ReturnToMenu(h.Find<QWidget>("FrameImporta"));
  f.cmdPulsante_Click(2);
  QVERIFY(h.Find<QLabel>("lblNomeFileImport")->text().isEmpty());
  for (int i = 0; i < 4; ++i) {
    QVERIFY(h.Find<QLabel>(ArrayName("lblRisultato", i).toLatin1().constData())->text().isEmpty());
  }
  QVERIFY(!h.Find<QAbstractButton>("CmdImportaFile")->isEnabled());
  f.ReturnToMenu(h.Find<QWidget>("FrameImporta"));

  // A month open in the grid, then the update screen entered again from the menu: the grid
  // holds no day.
  OpenFirstEmployeesMonth(h);
  auto* grid = h.Find<QTableView>("GrigliaModTimb");
  QCOMPARE(grid->model()->rowCount(), 30);
  f.update_screen().grid_screen().CmdRitMemTimbrature_Click();
  f.ReturnToMenu(h.Find<QWidget>("FrameAggiorna"));
  f.cmdPulsante_Click(3);
  QCOMPARE(grid->model()->rowCount(), 0);
}

void MainWindowTest::SecondCopyBringsTheWindowToTheFront() {
  Harness h;
  StartupOptions options;
  options.registry_file = Demo().root / "beacon-registry.ini";
  const QString name = InstanceBeacon::SocketName(options);
  // Nobody listens yet: the call fails at once, and the second copy simply ends.
  QVERIFY(!InstanceBeacon::CallRunningCopy(name, 500));

  InstanceBeacon beacon;
  QVERIFY(beacon.Listen(name, h.form.get()));
  h.form->showMinimized();
  QTRY_VERIFY(h.form->isMinimized());
  // The second copy calls from its own process; here from another thread, so that this one
  // keeps running the window's event loop.
  auto call =
      std::async(std::launch::async, [name] { return InstanceBeacon::CallRunningCopy(name); });
  QTRY_VERIFY(call.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
  QVERIFY(call.get());
  QVERIFY(!h.form->isMinimized());
  QVERIFY(h.form->isVisible());
}

}  // namespace kaveltar::ui::testing

int RunMainWindowTests(int argc, char** argv) {
  kaveltar::ui::testing::MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"

#include "ui_harness.h"

#include <stdlib.h>

#include <QCheckBox>
#include <QRadioButton>

#include "app/startup.h"
#include "memorize/month_memorizer.h"
#include "ui/list_widgets.h"
#include "ui/tables_screen.h"
#include "ui/update_screen.h"

namespace kaveltar::ui::testing {

const DemoFixture& Demo() {
  // Both live until the process ends; the folder is removed then.
  static QTemporaryDir dir;
  static DemoFixture* fixture = [] {
    auto* f = new DemoFixture;
    f->root = dir.path().toStdString();
    // The demo's drive C: files and registry store stay inside the temporary folder.
    setenv("KAVELTAR_DRIVE_C", (f->root / "c").c_str(), 1);
    setenv("KAVELTAR_REGISTRY", (f->root / "registry.ini").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", f->root.c_str(), 1);
    // The window's remembered size and place too.
    setenv("XDG_CONFIG_HOME", (f->root / "config").c_str(), 1);
    DemoOptions options;
    options.dir = f->root / "demo";
    options.year = kDemoYear;
    options.month = kDemoMonth;
    options.companies = 5;
    options.employees = 60;
    options.seed = 7;
    options.write_registry = true;
    const Status status = WriteDemoInstallation(options, &f->report);
    if (!status.ok()) qFatal("demo installation: %s", status.message().c_str());
    f->archives = f->report.archive_folder;
    f->programs = f->report.program_folder;
    return f;
  }();
  return *fixture;
}

Harness::Harness() {
  const DemoFixture& demo = Demo();
  StartupOptions options;
  options.archive_path = demo.archives;
  options.program_path = demo.programs;
  try {
    Startup(session, options);
  } catch (const std::exception& e) {
    qFatal("start-up on the demo installation failed: %s", e.what());
  }
  form = std::make_unique<FRMVELTAR>(session);
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) qWarning("window not exposed");
}

Harness::~Harness() { form.reset(); }

QAbstractButton* Harness::MenuButton(int index) const {
  return Find<QAbstractButton>(ArrayName("cmdPulsante", index).toLatin1().constData());
}

void Harness::Click(const char* name) const { Click(Find<QAbstractButton>(name)); }

void Harness::Click(QAbstractButton* button) const {
  if (!button->isVisible() || !button->isEnabled()) {
    qFatal("%s cannot be clicked", qPrintable(button->objectName()));
  }
  // A check box or an option button reacts only to clicks on its box and caption.
  const bool boxed = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
  QTest::mouseClick(button, Qt::LeftButton, {},
                    boxed ? QPoint(6, button->height() / 2) : button->rect().center());
}

void Harness::ClickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  if (item == nullptr) qFatal("%s has no row %d", qPrintable(list->objectName()), row);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void Harness::DoubleClickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  if (item == nullptr) qFatal("%s has no row %d", qPrintable(list->objectName()), row);
  list->scrollToItem(item);
  // As the window system delivers it: press, release, double click, release.
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

std::vector<std::string> Harness::TakeTexts() {
  std::vector<std::string> texts;
  const auto& entries = dialogs.entries();
  for (; seen_ < entries.size(); ++seen_) texts.push_back(entries[seen_].text);
  return texts;
}

QStringList Harness::TakeMessages() {
  QStringList texts;
  for (const std::string& t : TakeTexts()) texts << QString::fromStdString(t);
  return texts;
}

RecordingPrinterJob* Harness::AttachRecorder() {
  auto printer = std::make_unique<RecordingPrinterJob>();
  RecordingPrinterJob* recorder = printer.get();
  session.AttachPrinter(std::move(printer));
  return recorder;
}

void Harness::MemorizeDemoMonth(const std::string& key) {
  MemorizeOptions options;
  options.year = kDemoYear;
  options.month = kDemoMonth;
  options.rewrite_existing = true;
  MonthMemorizer(session.job(), options).MemorizeEmployee(key);
}

void OpenFirstEmployeesMonth(Harness& h) {
  h.form->cmdPulsante_Click(3);
  h.Find<QListWidget>("ListAziAgg")->setCurrentRow(0);
  auto* employees = h.Find<QListWidget>("ListDipAgg");
  employees->setCurrentRow(0);
  h.MemorizeDemoMonth(EntryAt(employees, 0).code);
  h.form->update_screen().CmdConfermaAgg_Click();
}

// Calls `visit` on the menu and on every screen and panel, each shown as the operator
// reaches it; the month grid on a month memorized for the purpose.
void ForEveryScreen(Harness& h, const std::function<void(const char*)>& visit) {
  FRMVELTAR& f = *h.form;
  visit("FrameMenu");
  const std::pair<int, const char*> screens[] = {{1, "FrameMemorizza"}, {2, "FrameImporta"},
                                                 {3, "FrameAggiorna"},  {4, "FrameEsporta"},
                                                 {5, "FrameStpLaser"},  {12, "FrameCalcolo"}};
  for (const auto& [index, frame] : screens) {
    f.cmdPulsante_Click(index);
    if (index == 1) {
      // The long-period section of the memorization shows its rows.
      h.Click("ChkAssLungoPeriodo");
    }
    visit(frame);
    f.ReturnToMenu(h.Find<QWidget>(frame));
  }
  f.cmdPulsante_Click(0);
  visit("FrameTabelle");
  TablesScreen& tables = f.tables_screen();
  const char* table_frames[] = {"FrameFestivita", "FrameGiustificativi", "FrameGruppi"};
  for (int table = 0; table < 3; ++table) {
    tables.ListTabelle_Click(table);
    tables.ListRecord_DblClick(1);
    visit(table_frames[table]);
    tables.CmdSelPrec_Click();
  }
  tables.CmdRitTabelle_Click();

  OpenFirstEmployeesMonth(h);
  visit("FrameModTimbrature");
}

std::vector<std::string> Lines(const QListWidget* list) { return AllLines(list); }

std::string KeyOf(const std::string& line) { return line.substr(line.size() - 10); }
std::string CompanyOf(const std::string& line) { return line.substr(line.size() - 3); }

int RowStartingWith(const QListWidget* list, const QString& start) {
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->text().startsWith(start)) return row;
  }
  return -1;
}

int ClickCompanyOf(QListWidget* companies, QListWidget* employees, const std::string& key) {
  for (int row = 0; row < companies->count(); ++row) {
    if (CompanyOf(LineAt(companies, row)) != key.substr(0, 3)) continue;
    Harness::ClickRow(companies, row);
    for (int i = 0; i < employees->count(); ++i) {
      if (KeyOf(LineAt(employees, i)) == key) return i;
    }
  }
  qFatal("employee %s is not listed", key.c_str());
}

void ChooseForMemorization(Harness& h, const std::string& key) {
  auto* candidates = h.Find<QListWidget>("ListDipSel");
  h.DoubleClickRow(candidates, ClickCompanyOf(h.Find<QListWidget>("ListAziMem"), candidates, key));
}

std::string DemoEmployeeOf(const std::string& company) {
  std::string key;
  for (const std::string& k : Demo().report.Keys(DemoCase::kGroup)) {
    if (k.compare(0, 3, company) == 0) key = k;
  }
  if (key.empty()) qFatal("no demo employee in company %s", company.c_str());
  return key;
}

void Type(QWidget* box, const QString& text) {
  box->setFocus(Qt::MouseFocusReason);
  // QTest::keyClicks does not type accented letters: those go as text events.
  for (QChar c : text) {
    if (c.unicode() < 128) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

void Leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }

}  // namespace kaveltar::ui::testing

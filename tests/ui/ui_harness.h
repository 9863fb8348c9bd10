// What the screen tests share: one demo installation per test run (processing year 2024,
// month June, five companies), written into a temporary folder with its own C: drive and
// registry store, and a harness that starts a session on it and shows the main window with
// scripted dialogs.
#pragma once

#include <QAbstractButton>
#include <QListWidget>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "base/dialogs.h"
#include "demo/demo_installation.h"
#include "platform/printer_recording.h"
#include "ui/frm_veltar.h"

namespace kaveltar::ui::testing {

inline constexpr int kDemoYear = 2024;
inline constexpr int kDemoMonth = 6;

struct DemoFixture {
  std::filesystem::path root;
  std::filesystem::path archives;
  std::filesystem::path programs;
  DemoReport report;
};
// Writes the installation on first use; the folder lives until the process ends.
const DemoFixture& Demo();

class Harness {
 public:
  // Starts the session on the demo installation and shows the window.
  Harness();
  ~Harness();

  template <class T>
  T* Find(const char* name) const {
    T* widget = form->findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no widget named %s", name);
    return widget;
  }
  QAbstractButton* MenuButton(int index) const;
  // A mouse click on a visible, enabled button.
  void Click(const char* name) const;
  void Click(QAbstractButton* button) const;
  // A mouse click / double click on a row of a list.
  static void ClickRow(QListWidget* list, int row);
  static void DoubleClickRow(QListWidget* list, int row);
  // The texts of the messages and questions since the last call.
  std::vector<std::string> TakeTexts();
  QStringList TakeMessages();
  // A recording printer for the session's printed documents (the session owns it).
  RecordingPrinterJob* AttachRecorder();
  // The demo month (June 2024) of `key` memorized afresh, reprocessing what is stored.
  void MemorizeDemoMonth(const std::string& key);

  RecordingDialogs dialogs;
  Session session{dialogs};
  std::unique_ptr<FRMVELTAR> form;

 private:
  size_t seen_ = 0;
};

// The Windows-1252 lines of a list.
std::vector<std::string> Lines(const QListWidget* list);
// The employee key (last ten characters) and company code (last three) of a list line.
std::string KeyOf(const std::string& line);
std::string CompanyOf(const std::string& line);
// The first row whose text starts with `start`, or -1.
int RowStartingWith(const QListWidget* list, const QString& start);
// Clicks the company of `key` and returns the employee's row in `employees` (fatal if absent).
int ClickCompanyOf(QListWidget* companies, QListWidget* employees, const std::string& key);
// Chooses the employee `key` on the memorization screen: its company clicked, its line
// double-clicked.
void ChooseForMemorization(Harness& h, const std::string& key);
// The last demo employee with a plain group in `company`.
std::string DemoEmployeeOf(const std::string& company);
// Typing as the operator does: the box gets the focus, then the keys (accented letters too);
// Leave tabs out of the box.
void Type(QWidget* box, const QString& text);
void Leave(QWidget* box);
// The update screen, then the month grid of the first company's first employee, memorized for
// the purpose.
void OpenFirstEmployeesMonth(Harness& h);
// Calls `visit` on the menu and on every screen and panel, each shown as the operator
// reaches it; the month grid on a month memorized for the purpose.
void ForEveryScreen(Harness& h, const std::function<void(const char*)>& visit);

}  // namespace kaveltar::ui::testing

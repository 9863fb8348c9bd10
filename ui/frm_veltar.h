// FRMVELTAR, the main window: "Gestione Presenze ( Libro unico del lavoro )".
//
// Every screen is a frame of this one window; the main menu (`FrameMenu`, the command buttons
// `cmdPulsante` 0-12) shows one screen at a time and disables its entries 0-5 until the screen
// returns. Qt layouts arrange the frames and their controls, so the window can take any size
// from what its captions need up to the whole screen; the form's size in twips is its default.
// Widgets carry the names the operators' manuals use (`FrameMenu`, `ListAziMem`, ...); elements of
// control arrays are "Name_index" (see ui/list_widgets.h).
//
// The window owns no state of the core: it works on the Session it is given, and talks to the
// operator through the Session's Dialogs (message boxes in the program, scripted answers in
// the tests).
#pragma once

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "base/dialogs.h"
#include "base/fatal.h"
#include "ui/long_job.h"
#include "ui/wait_panel.h"

namespace kaveltar {
class Session;
}

namespace kaveltar::ui {

// The window's caption. The program's own messages carry it as their title.
inline constexpr std::string_view kFormCaption = "Gestione Presenze ( Libro unico del lavoro )";

class MemorizeScreen;
class UpdateScreen;
class PrintScreen;
class ExportScreen;
class TablesScreen;
class ImportScreen;
class TotalsScreen;

// What leaving the program asks of the screens that can hold unsaved work. The tables screen
// and the month grid fill these in; an empty hook means "nothing pending".
struct LeavingHooks {
  // The tables screen holds changes that were not saved.
  std::function<bool()> tables_have_changes;
  // Saves the table whose frame is visible (holidays, justification codes or schedule
  // groups). A save that cannot complete sets the form's keep-open flag.
  std::function<void()> save_visible_table;
  // Drops the unsaved changes of the tables screen.
  std::function<void()> drop_table_changes;
  // The month grid holds changes that were not saved, and their save.
  std::function<bool()> grid_has_changes;
  std::function<void()> save_grid;
};

// Told when the window is closed while a long operation runs.
inline constexpr std::string_view kJobRunningOnClose =
    "Operazione in corso: attendere il termine prima di chiudere il programma.";

class FRMVELTAR : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMenuButtons = 13;

  // `session` has been started (Startup). The window reads the settings and the company lists
  // from it; a fatal error while preparing the form leaves ended() true.
  explicit FRMVELTAR(Session& session, QWidget* parent = nullptr);
  ~FRMVELTAR() override;

  Session& session() { return session_; }
  Dialogs& dialogs();

  // --- The main menu ---
  // The action of menu entry `index` (0-12).
  void cmdPulsante_Click(int index);
  // Disables / enables menu entries 0-5.
  void DISABILITA_PULSANTI();
  void ABILITA_PULSANTI();
  // Creates menu entry `index` on `parent` (entries 8-11 live on the screens that cover the
  // bottom bar). Each entry is created once.
  QPushButton* NewMenuButton(int index, QWidget* parent);

  // Shows a screen frame above the others and hides the menu and every other screen.
  void ShowScreen(QWidget* frame);
  // Hides a screen frame, shows the menu and enables its entries (the screens' return
  // buttons).
  void ReturnToMenu(QWidget* frame);

  // Gives the keyboard focus to the first control of `frame` in the tab order.
  static void FocusFirstControl(QWidget* frame);

  // The file that keeps the window's size and place between runs.
  static QString WindowSettingsFile();

  // The information box of Ctrl+Shift+P.
  void ShowInformationBox();

  // --- Leaving ---
  LeavingHooks& leaving_hooks() { return leaving_hooks_; }
  // The keep-open flag: while set, leaving stops and the program stays on its screen. It is
  // cleared at start-up and before the question about unsaved table changes.
  void set_keep_open(bool keep_open) { keep_open_ = keep_open; }
  // The leaving sequence: offers to save the tables screen's changes, stops when the
  // keep-open flag is set, saves the grid's changes, then closes the tables, the database and
  // the archives and ends the program with status 0. Returns false when the program stays.
  bool Leave();

  // --- Errors and long operations ---
  // Runs `work` under the general error handler: an unexpected error is reported (with the
  // printer-error retry), and an error that ends the program shows its message, closes the
  // session and ends the program. Returns false when the program has ended. Nested calls
  // leave the ending to the outermost one.
  bool Guard(const std::function<void()>& work);
  // The waiting panel and the hourglass for the life of the returned object.
  [[nodiscard]] std::unique_ptr<WaitPanel> Wait();
  // Runs `job` on a worker thread under the waiting panel, which shows the progress the job
  // reports, while the event loop keeps turning; returns when the job is over. Meanwhile the
  // screens and the menu are disabled and leaving the program is refused: only the job uses
  // the Session (ui/long_job.h). An error the job throws is thrown again here, on the GUI
  // thread, for Guard to handle.
  void RunJob(const std::function<void(JobProgress&)>& job);
  bool job_running() const { return job_running_; }

  // True once the program has ended (by leaving or by a fatal error); the session is closed
  // then and the window must not be used any more.
  bool ended() const { return ended_; }
  int exit_status() const { return exit_status_; }

  // Frames shared by the screens.
  QWidget* frame_selezione() const { return frame_selezione_; }
  QGroupBox* frame_attesa() const { return frame_attesa_; }

  MemorizeScreen& memorize_screen() { return *memorize_; }
  UpdateScreen& update_screen() { return *update_; }
  PrintScreen& print_screen() { return *print_; }
  ExportScreen& export_screen() { return *export_; }
  TablesScreen& tables_screen() { return *tables_; }
  ImportScreen& import_screen() { return *import_; }
  TotalsScreen& totals_screen() { return *totals_; }

 signals:
  // The program has ended with this exit status (the front end leaves its event loop).
  void Ended(int exit_status);

 protected:
  // Closing the window runs the leaving sequence; the close is refused while the program
  // stays open, and while a job runs.
  void closeEvent(QCloseEvent* event) override;
  // Keeps the waiting panel in its place when the window changes size.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  // Lays the menu, the screens and the bottom bar out and sets each frame's visibility at
  // start.
  void IMPOSTAZIONIFORM();
  void PlaceWaitPanel();
  // The window's size and place at start (see the .cc), and their saving on leaving.
  void PlaceWindow();
  // The smallest window in which every screen has room for its controls.
  QSize LeastSize() const;
  void SaveWindowPlace();
  void End(int exit_status);
  void EndWithFatal(const Fatal& fatal);

  Session& session_;
  LeavingHooks leaving_hooks_;
  bool keep_open_ = false;
  bool ended_ = false;
  int exit_status_ = 0;
  int guard_depth_ = 0;
  bool job_running_ = false;

  QWidget* frame_selezione_ = nullptr;
  QGroupBox* frame_menu_ = nullptr;
  QGroupBox* frame_bottoni_ = nullptr;
  QGroupBox* frame_attesa_ = nullptr;
  std::array<QPushButton*, kMenuButtons> menu_buttons_{};
  std::array<QLabel*, kMenuButtons> menu_labels_{};

  std::unique_ptr<MemorizeScreen> memorize_;
  std::unique_ptr<UpdateScreen> update_;
  std::unique_ptr<PrintScreen> print_;
  std::unique_ptr<ExportScreen> export_;
  std::unique_ptr<TablesScreen> tables_;
  std::unique_ptr<ImportScreen> import_;
  std::unique_ptr<TotalsScreen> totals_;
};

}  // namespace kaveltar::ui

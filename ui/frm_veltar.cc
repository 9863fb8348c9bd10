#include "ui/frm_veltar.h"

#include <filesystem>

#include "app/startup.h"
#include "platform/log_file.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGridLayout>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "app/report_error.h"
#include "app/session.h"
#include "app/startup.h"
#include "base/run_time_error.h"
#include "ui/export_screen.h"
#include "ui/grid_screen.h"
#include "ui/import_screen.h"
#include "ui/list_widgets.h"
#include "ui/memorize_screen.h"
#include "ui/print_screen.h"
#include "ui/screen_layout.h"
#include "ui/tables_screen.h"
#include "ui/totals_screen.h"
#include "ui/twips.h"
#include "ui/update_screen.h"

namespace kaveltar::ui {
namespace {

// The form: 14600 x 9900 twips.
constexpr int kFormWidth = 14600;
constexpr int kFormHeight = 9900;

// The frames' visibility at start, and the frames whose caption is cleared. Elements of
// frame arrays are "Name_index". Where the frames lie is decided by the screens' layouts; the
// form's own size in twips only gives the window its default size.
struct FrameStart {
  const char* name;
  bool visible;
  bool clear_caption;
};
constexpr FrameStart kFrameStart[] = {
    {"FrameSelezione", true, false},       {"FrameMenu", true, false},
    {"FrameMemorizza", false, false},      {"FrameMemPres_0", false, false},
    {"FrameMemPres_1", false, false},      {"FrameModTimbrature", false, false},
    {"FrameAggiorna", false, false},       {"FrameImporta", false, false},
    {"FrameEsporta", false, false},        {"FrameStpLaser", false, false},
    {"FrameTabelle", false, false},        {"FrameCalcolo", false, false},
    {"FrameGesExp_0", true, false},        {"FrameGesExp_1", false, false},
    {"FrameHelpTabelle", true, false},     {"FrameFestivita", false, false},
    {"FrameGiustificativi", false, false}, {"FrameGruppi", false, false},
    {"FrameBottoni", true, false},         {"FrameFormule", false, true},
    {"FrameAttesa", false, true},
};

// The screens that reach down over the bottom bar: they carry their own help and exit
// entries and take the bar's place while they are shown.
constexpr const char* kTallScreens[] = {"FrameMemorizza", "FrameModTimbrature"};

// Each panel's buttons for Enter and Esc (no name: none).
struct PanelButtons {
  const char* panel;
  const char* default_button;
  const char* cancel_button;
};
constexpr PanelButtons kPanelButtons[] = {
    {"FrameMemorizza", "CmdMemorizza", "CmdRitMem"},
    {"FrameAggiorna", "CmdConfermaAgg", "CmdRitAgg"},
    {"FrameModTimbrature", "CmdMemTimbrature", "CmdRitMemTimbrature"},
    {"FrameAss", "CmdImpostaAss_0", "CmdImpostaAss_1"},
    {"FrameImposta", "CmdImpostaGruppo_0", "CmdImpostaGruppo_1"},
    {"FrameImporta", "CmdImportaFile", "CmdRitImp"},
    {"FrameEsporta", "CmdCreaFile", "CmdAnnullaCaric"},
    {"FrameStpLaser", "CmdStampaStp", "CmdRitStp"},
    {"FrameCalcolo", "CmdCalcolaGG", "CmdRitCalcolo"},
    {"FrameTabelle", nullptr, "CmdRitTabelle"},
    {"FrameFestivita_1", "CmdSalvaFest", "CmdAnnullaFest"},
    {"FrameGiustificativi_1", "CmdSalvaGiust", "CmdAnnullaGiust"},
    {"FrameGruppi_1", "CmdSalvaGruppo", "cmdAnnullaGruppo"},
};

// The waiting panel, in twips of the selection frame: where it lies and how big it is.
constexpr int kSelectionWidth = 14400, kSelectionHeight = 9350;
constexpr int kWaitLeft = 2970, kWaitTop = 4200, kWaitWidth = 4665, kWaitHeight = 1065;

// The screens' frames, hidden whenever another screen or the menu is shown.
constexpr const char* kScreenFrames[] = {"FrameMemorizza", "FrameModTimbrature", "FrameAggiorna",
                                         "FrameImporta",   "FrameEsporta",       "FrameStpLaser",
                                         "FrameTabelle",   "FrameCalcolo"};

// Menu entries: caption (with the letter that Alt chooses it by) and the line that describes them
// beside the button (entries 0-5 and 12 on the menu, 6-7 on the bottom bar, 8-11 on the screens
// that cover the bottom bar).
struct MenuEntry {
  const char* caption;
  const char* description;
};
constexpr MenuEntry kMenu[FRMVELTAR::kMenuButtons] = {
    {"Gestione &Tabelle Programma",
     "Festività, giustificativi e gruppi orari: consultazione, inserimento, modifica, "
     "eliminazione e stampa."},
    {"&Memorizza le Presenze del mese",
     "Genera le presenze giornaliere del mese per le ditte e i dipendenti selezionati."},
    {"&Importa File Presenze Esterno",
     "Carica le presenze prodotte da altri sistemi (rilevatori presenze o fogli di calcolo)."},
    {"&Aggiornamento delle Presenze",
     "Correzione giorno per giorno del mese memorizzato di un dipendente."},
    {"Es&porta File Presenze per la procedura salarion",
     "Genera un file con i dati delle presenze elaborate per poterle importare in salarion. "
     "( In Preparazione )"},
    {"&Stampa / Genera File PDF",
     "Stampa o genera i file PDF del foglio presenze mensile e dei riepiloghi."},
    {"&Help Gestione delle Presenze e del Libro Unico del Lavoro", nullptr},
    {"&Esci dalla Gestione delle Presenze", nullptr},
    {"&Help", nullptr},
    {"&Esci", nullptr},
    {"&Esci", nullptr},
    {"&Help", nullptr},
    {"&Calcolo Totale giorni Giustificativo",
     "Conta i giorni di un giustificativo, mese per mese, nell'anno corrente o precedente."},
};

// The order of the entries on the menu frame.
constexpr int kMenuFrameEntries[] = {1, 3, 5, 0, 2, 4, 12};

// The window's size and place between runs, in the user's configuration folder (never in the
// installation).
QSettings WindowSettings() {
  return QSettings(FRMVELTAR::WindowSettingsFile(), QSettings::IniFormat);
}

}  // namespace

FRMVELTAR::FRMVELTAR(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
  setObjectName(QStringLiteral("FRMVELTAR"));
  setWindowTitle(FromUtf8(kFormCaption));
  dialogs().set_window_caption(kFormCaption);

  frame_selezione_ = new QGroupBox(this);
  frame_selezione_->setObjectName(QStringLiteral("FrameSelezione"));
  frame_selezione_->installEventFilter(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(TwipsToPixels(60), TwipsToPixels(60), TwipsToPixels(60),
                            TwipsToPixels(60));
  outer->addWidget(frame_selezione_);

  BuildMenu();
  memorize_ = std::make_unique<MemorizeScreen>(*this);
  update_ = std::make_unique<UpdateScreen>(*this);
  print_ = std::make_unique<PrintScreen>(*this);
  export_ = std::make_unique<ExportScreen>(*this);
  tables_ = std::make_unique<TablesScreen>(*this);
  import_ = std::make_unique<ImportScreen>(*this);
  totals_ = std::make_unique<TotalsScreen>(*this);

  frame_attesa_ = new QGroupBox(frame_selezione_);
  frame_attesa_->setObjectName(QStringLiteral("FrameAttesa"));
  frame_attesa_->setAutoFillBackground(true);
  auto* attesa = new QLabel(QStringLiteral("ATTENDERE PREGO"), frame_attesa_);
  attesa->setObjectName(QStringLiteral("LabelAttesa"));
  attesa->setAlignment(Qt::AlignCenter);
  QFont big = attesa->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 6);
  attesa->setFont(big);
  (new QVBoxLayout(frame_attesa_))->addWidget(attesa);

  IMPOSTAZIONIFORM();
  keep_open_ = false;
  for (const PanelButtons& p : kPanelButtons) {
    auto button = [this](const char* name) {
      return name == nullptr ? nullptr : findChild<QAbstractButton*>(QString::fromLatin1(name));
    };
    if (QWidget* panel = findChild<QWidget*>(QString::fromLatin1(p.panel))) {
      SetPanelKeys(panel, button(p.default_button), button(p.cancel_button));
    }
  }
  PlaceWindow();

  // The year labels already show the processing year and the month lists its month; the
  // company lists come from the extraction that start-up loaded.
  Guard([this] {
    for (SelectionScreen* screen : std::initializer_list<SelectionScreen*>{
             memorize_.get(), update_.get(), print_.get(), export_.get()}) {
      screen->FillCompanies();
    }
  });
  menu_buttons_[4]->setEnabled(true);
  menu_labels_[4]->setEnabled(true);

  // Ctrl+Shift+P on any screen: the information box. Shift+P alone is an ordinary key.
  auto* info = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this);
  info->setContext(Qt::WindowShortcut);
  connect(info, &QShortcut::activated, this, [this] { ShowInformationBox(); });
}

FRMVELTAR::~FRMVELTAR() = default;

Dialogs& FRMVELTAR::dialogs() { return session_.dialogs(); }

void FRMVELTAR::BuildMenu() {
  frame_menu_ = new QGroupBox(frame_selezione_);
  frame_menu_->setObjectName(QStringLiteral("FrameMenu"));
  auto* grid = new QGridLayout(frame_menu_);
  grid->setContentsMargins(TwipsToPixels(600), TwipsToPixels(300), TwipsToPixels(600),
                           TwipsToPixels(300));
  grid->setVerticalSpacing(TwipsToPixels(150));
  grid->setHorizontalSpacing(TwipsToPixels(300));
  int row = 0;
  for (int index : kMenuFrameEntries) {
    QPushButton* button = NewMenuButton(index, frame_menu_);
    button->setMinimumSize(TwipsToPixels(5400), TwipsToPixels(600));
    auto* label = new QLabel(QString::fromUtf8(kMenu[index].description), frame_menu_);
    SetArrayName(label, "LabelMenu", index);
    label->setWordWrap(true);
    menu_labels_[static_cast<size_t>(index)] = label;
    grid->addWidget(button, row, 0);
    grid->addWidget(label, row, 1);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);

  frame_bottoni_ = new QGroupBox(frame_selezione_);
  frame_bottoni_->setObjectName(QStringLiteral("FrameBottoni"));
  auto* bar = new QHBoxLayout(frame_bottoni_);
  bar->setContentsMargins(TwipsToPixels(600), 4, TwipsToPixels(600), 4);
  for (int index : {6, 7}) {
    QPushButton* button = NewMenuButton(index, frame_bottoni_);
    button->setMinimumHeight(TwipsToPixels(500));
    bar->addWidget(button, 1);
  }
}

QPushButton* FRMVELTAR::NewMenuButton(int index, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(kMenu[index].caption), parent);
  SetArrayName(button, "cmdPulsante", index);
  menu_buttons_[static_cast<size_t>(index)] = button;
  connect(button, &QPushButton::clicked, this, [this, index] { cmdPulsante_Click(index); });
  return button;
}

void FRMVELTAR::IMPOSTAZIONIFORM() {
  session_.trace().TraceProcedure("IMPOSTAZIONIFORM");
  // The menu and the screens share the space above the bottom bar, one shown at a time; the
  // tall screens reach down over the bar, which is hidden while they are shown.
  auto* area = new QGridLayout(frame_selezione_);
  area->setContentsMargins(TwipsToPixels(60), TwipsToPixels(60), TwipsToPixels(60),
                           TwipsToPixels(60));
  area->setVerticalSpacing(TwipsToPixels(60));
  area->addWidget(frame_menu_, 0, 0);
  for (const char* name : kScreenFrames) {
    QWidget* frame = findChild<QWidget*>(QString::fromLatin1(name));
    if (frame == nullptr) continue;
    const bool tall = std::any_of(std::begin(kTallScreens), std::end(kTallScreens),
                                  [name](const char* t) { return std::strcmp(t, name) == 0; });
    frame->setProperty("covers_bottom_bar", tall);
    area->addWidget(frame, 0, 0, tall ? 2 : 1, 1);
  }
  area->addWidget(frame_bottoni_, 1, 0);
  area->setRowStretch(0, 1);

  for (const FrameStart& p : kFrameStart) {
    const QString name = QString::fromLatin1(p.name);
    QWidget* frame = objectName() == name ? this : findChild<QWidget*>(name);
    if (frame == nullptr) continue;
    frame->setVisible(p.visible);
    if (p.clear_caption) {
      if (auto* box = qobject_cast<QGroupBox*>(frame)) box->setTitle(QString());
    }
  }
  // The waiting panel lies above everything, outside the layouts.
  frame_attesa_->raise();
  PlaceWaitPanel();
}

void FRMVELTAR::PlaceWaitPanel() {
  // Where the form puts it, in proportion to the selection frame, and never smaller than its
  // caption needs.
  const QSize area = frame_selezione_->size();
  const QSize hint = frame_attesa_->sizeHint();
  const int width = std::max(hint.width(), area.width() * kWaitWidth / kSelectionWidth);
  const int height = std::max(hint.height(), area.height() * kWaitHeight / kSelectionHeight);
  const int left =
      std::min(area.width() * kWaitLeft / kSelectionWidth, std::max(0, area.width() - width));
  const int top =
      std::min(area.height() * kWaitTop / kSelectionHeight, std::max(0, area.height() - height));
  frame_attesa_->setGeometry(left, top, width, height);
}

bool FRMVELTAR::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frame_selezione_ && event->type() == QEvent::Resize) PlaceWaitPanel();
  return QWidget::eventFilter(watched, event);
}

void FRMVELTAR::PlaceWindow() {
  // The form's own size when the screen has room for it, never below what the screens need;
  // then the size and place of the last run when they still fit a screen, else centred on
  // the screen's free area.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QSize least = LeastSize();
  setMinimumSize(least);
  // The window's frame, where the platform tells it before the window is shown.
  create();
  const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  const QSize framing(frame.left() + frame.right(), frame.top() + frame.bottom());
  const QSize wanted =
      TwipsSize(kFormWidth, kFormHeight).boundedTo(available.size() - framing).expandedTo(least);
  resize(wanted);
  move(available.x() + (available.width() - wanted.width() - framing.width()) / 2,
       available.y() + (available.height() - wanted.height() - framing.height()) / 2);

  const QRect saved = WindowSettings().value(QStringLiteral("finestra/geometria")).toRect();
  if (!saved.isValid() || saved.width() < least.width() || saved.height() < least.height()) return;
  for (const QScreen* s : QGuiApplication::screens()) {
    if (s->availableGeometry().contains(saved)) {
      resize(saved.size());
      move(saved.topLeft());
      return;
    }
  }
}

QSize FRMVELTAR::LeastSize() const {
  // The layouts leave hidden frames out of their sums, so every screen is measured on its own:
  // the window is never smaller than the largest of them needs, whichever is shown. Wrapped
  // captions need more height as the width shrinks: the heights are taken at the width found.
  const auto* area = static_cast<QGridLayout*>(frame_selezione_->layout());
  const QSize bar = frame_bottoni_->minimumSizeHint();
  std::vector<QWidget*> frames;
  for (QWidget* frame :
       frame_selezione_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (frame != frame_bottoni_ && frame != frame_attesa_) frames.push_back(frame);
  }
  int width = bar.width();
  for (QWidget* frame : frames) {
    width = std::max({width, frame->minimumSizeHint().width(), frame->minimumWidth()});
  }
  int height = 0;
  for (QWidget* frame : frames) {
    int need = std::max(frame->minimumSizeHint().height(), frame->minimumHeight());
    if (frame->hasHeightForWidth()) need = std::max(need, frame->heightForWidth(width));
    if (!frame->property("covers_bottom_bar").toBool())
      need += area->verticalSpacing() + bar.height();
    height = std::max(height, need);
  }
  const QMargins around = area->contentsMargins() + frame_selezione_->contentsMargins() +
                          layout()->contentsMargins() + contentsMargins();
  return QSize(width, height).grownBy(around);
}

void FRMVELTAR::SaveWindowPlace() {
  if (!isVisible() || isMinimized() || isMaximized() || isFullScreen()) return;
  QSettings settings = WindowSettings();
  settings.setValue(QStringLiteral("finestra/geometria"), QRect(pos(), size()));
  settings.sync();
}

QString FRMVELTAR::WindowSettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/kaveltar/finestra.ini");
}

void FRMVELTAR::DISABILITA_PULSANTI() {
  for (int i = 0; i <= 5; ++i) menu_buttons_[static_cast<size_t>(i)]->setEnabled(false);
}

void FRMVELTAR::ABILITA_PULSANTI() {
  for (int i = 0; i <= 5; ++i) menu_buttons_[static_cast<size_t>(i)]->setEnabled(true);
}

void FRMVELTAR::ShowScreen(QWidget* frame) {
  // Every screen hides the menu, so that neither the mouse nor the keyboard reaches a menu
  // entry while a screen is open.
  frame_menu_->hide();
  for (const char* name : kScreenFrames) {
    QWidget* other = findChild<QWidget*>(QString::fromLatin1(name));
    if (other != nullptr && other != frame) other->hide();
  }
  // A screen that reaches down over the bottom bar carries its own help and exit entries;
  // the bar's entries under it would only catch the keyboard focus.
  frame_bottoni_->setVisible(!frame->property("covers_bottom_bar").toBool());
  frame->show();
  frame->raise();
  frame_attesa_->raise();
  FocusFirstControl(frame);
}

void FRMVELTAR::FocusFirstControl(QWidget* frame) {
  for (QWidget* w = frame->nextInFocusChain(); w != frame; w = w->nextInFocusChain()) {
    if (!frame->isAncestorOf(w) || !w->isVisibleTo(frame) || !w->isEnabled() ||
        (w->focusPolicy() & Qt::TabFocus) == 0) {
      continue;
    }
    // A list that takes the focus this way does not pick its first row by itself: the row
    // chosen is the operator's.
    auto* view = qobject_cast<QAbstractItemView*>(w);
    w->setFocus(view != nullptr && !view->currentIndex().isValid() ? Qt::MouseFocusReason
                                                                   : Qt::TabFocusReason);
    return;
  }
}

void FRMVELTAR::ReturnToMenu(QWidget* frame) {
  frame->hide();
  frame_bottoni_->show();
  frame_menu_->show();
  ABILITA_PULSANTI();
  FocusFirstControl(frame_menu_);
}

void FRMVELTAR::cmdPulsante_Click(int index) {
  Guard([this, index] {
    switch (index) {
      case 0:
        tables_->Enter();
        ShowScreen(tables_->frame());
        break;
      case 1:
        ShowScreen(memorize_->frame());
        memorize_->Enter();
        break;
      case 2:
        ShowScreen(import_->frame());
        import_->Enter();
        break;
      case 3:
        ShowScreen(update_->frame());
        update_->grid_screen().grid().Clear();
        break;
      case 4:
        dialogs().Show("In fase di preparazione e test.", kFormCaption, MessageIcon::kInformation);
        ShowScreen(export_->frame());
        break;
      case 5:
        ShowScreen(print_->frame());
        print_->Enter();
        break;
      case 6:
      case 8:
      case 11:
        dialogs().Show("Consultare voce 'Help' del menu salarion", kFormCaption,
                       MessageIcon::kInformation);
        break;
      case 7:
      case 9:
      case 10:
        if (Leave()) return;
        break;
      case 12:
        ShowScreen(totals_->frame());
        totals_->Enter();
        break;
      default:
        return;
    }
    if (index != 6 && index != 7) {
      DISABILITA_PULSANTI();
      tables_->RefillTablesList();
    }
  });
}

void FRMVELTAR::ShowInformationBox() {
  std::string text = "Programma salarion\n";
  text.append("Nome EXE : ").append(kProductName).append(".EXE\n");
  text.append("Nome Progetto : ").append(kProductName).append(".VBP");
  // Where the support log is, so that a clerk can find it and send it.
  const std::filesystem::path log = LogFilePath();
  text.append("\nVersione : ").append(ProgramVersion());
  text.append("\nRegistro attività : ")
      .append(log.empty() ? std::string("(disattivato)") : log.string());
  dialogs().Show(text, "Informazioni Progetto salarion", MessageIcon::kInformation);
}

bool FRMVELTAR::Leave() {
  if (ended_) return true;
  bool stays = false;
  const bool ran = Guard([this, &stays] {
    LeavingHooks& h = leaving_hooks_;
    if (h.tables_have_changes && h.tables_have_changes()) {
      keep_open_ = false;
      if (dialogs().Ask("Sono state fatte delle variazioni/inserimenti\nVuoi salvare ?",
                        kFormCaption, MessageIcon::kQuestion)) {
        if (h.save_visible_table) h.save_visible_table();
      } else if (h.drop_table_changes) {
        h.drop_table_changes();
      }
    }
    if (keep_open_) {
      stays = true;
      return;
    }
    if (h.grid_has_changes && h.grid_has_changes() && h.save_grid) h.save_grid();
    Shutdown(session_);
  });
  if (!ran) return true;  // a fatal error ended the program on the way out
  if (stays) return false;
  End(0);
  return true;
}

bool FRMVELTAR::Guard(const std::function<void()>& work) {
  if (ended_) return false;
  if (guard_depth_ > 0) {
    // Inside another guarded call: the outermost one handles what ends the program.
    WithErrorHandler(session_, work);
    return true;
  }
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } depth(guard_depth_);
  try {
    WithErrorHandler(session_, [&work] {
      try {
        work();
      } catch (const RunTimeError&) {
        throw;
      } catch (const Fatal&) {
        throw;
      } catch (const std::exception& e) {
        // Anything else unexpected is a run-time error of the general handler too.
        throw RunTimeError(RunTimeError::kInternalError, e.what());
      }
    });
    return !ended_;
  } catch (const Fatal& fatal) {
    EndWithFatal(fatal);
    return false;
  }
}

std::unique_ptr<WaitPanel> FRMVELTAR::Wait() { return std::make_unique<WaitPanel>(frame_attesa_); }

void FRMVELTAR::RunJob(const std::function<void(JobProgress&)>& job) {
  JobProgress progress;
  if (job_running_ || QThread::currentThread() != thread()) {
    // Already on the job's side: the work simply goes on there.
    job(progress);
    return;
  }
  job_running_ = true;
  // Everything the operator could click, except the waiting panel, until the job is over.
  std::vector<QPointer<QWidget>> disabled;
  for (QWidget* child :
       frame_selezione_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child == frame_attesa_ || !child->isEnabled()) continue;
    child->setEnabled(false);
    disabled.emplace_back(child);
  }
  struct Restore {
    FRMVELTAR* form;
    std::vector<QPointer<QWidget>>& widgets;
    ~Restore() {
      for (const QPointer<QWidget>& w : widgets) {
        if (w != nullptr) w->setEnabled(true);
      }
      form->job_running_ = false;
    }
  } restore{this, disabled};

  WaitPanel wait(frame_attesa_);
  QElapsedTimer clock;
  clock.start();
  std::exception_ptr failure;
  QEventLoop loop;
  QThread* worker = QThread::create([&] {
    try {
      job(progress);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
  QTimer tick;
  tick.setInterval(100);
  connect(&tick, &QTimer::timeout, &loop,
          [&] { wait.ShowProgress(progress.Get(), clock.elapsed()); });
  worker->start();
  tick.start();
  loop.exec();
  tick.stop();
  worker->wait();
  delete worker;
  // The last state stays on the panel while the screen finishes (its closing message).
  wait.ShowProgress(progress.Get(), clock.elapsed());
  if (failure) std::rethrow_exception(failure);
}

void FRMVELTAR::EndWithFatal(const Fatal& fatal) {
  if (!fatal.text().empty()) dialogs().Show(fatal.text(), fatal.title(), fatal.icon());
  Shutdown(session_);
  End(fatal.exit_status());
}

void FRMVELTAR::End(int exit_status) {
  if (ended_) return;
  SaveWindowPlace();
  ended_ = true;
  exit_status_ = exit_status;
  emit Ended(exit_status);
  close();
}

void FRMVELTAR::closeEvent(QCloseEvent* event) {
  if (job_running_ && !ended_) {
    // The job holds the database and the archives: the program cannot close them under it.
    event->ignore();
    dialogs().Show(kJobRunningOnClose, kFormCaption, MessageIcon::kExclamation);
    return;
  }
  if (ended_ || Leave()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kaveltar::ui

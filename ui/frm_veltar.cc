#include "ui/frm_veltar.h"

#include <filesystem>

#include "app/startup.h"
#include "platform/log_file.h"

#include <QApplication>
#include <QGridLayout>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <exception>
#include <string>

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
#include "ui/tables_screen.h"
#include "ui/totals_screen.h"
#include "ui/twips.h"
#include "ui/update_screen.h"

namespace kaveltar::ui {
namespace {

// The form: 14600 x 9900 twips.
constexpr int kFormWidth = 14600;
constexpr int kFormHeight = 9900;

// The frame layout, in twips relative to each frame's parent. Elements of frame arrays are
// "Name_index".
struct FramePlacement {
  const char* name;
  int left, top, width, height;
  bool visible;
  bool clear_caption;
};
constexpr FramePlacement kFrameLayout[] = {
    {"FrameSelezione", 60, 60, 14400, 9350, true, false},
    {"FrameMenu", 60, 600, 14235, 7585, true, false},
    {"FrameMemorizza", 60, 570, 14235, 8715, false, false},
    {"FrameMemPres_0", 60, 450, 10125, 2415, false, false},
    {"FrameMemPres_1", 60, 450, 10125, 2415, false, false},
    {"FrameModTimbrature", 60, 570, 14235, 8715, false, false},
    {"FrameAggiorna", 60, 570, 14235, 7585, false, false},
    {"FrameImporta", 60, 570, 14235, 7585, false, false},
    {"FrameEsporta", 60, 570, 14235, 7585, false, false},
    {"FrameStpLaser", 60, 570, 14235, 7585, false, false},
    {"FrameTabelle", 60, 570, 14235, 7585, false, false},
    {"FrameCalcolo", 60, 570, 14235, 7585, false, false},
    {"FrameGesExp_0", 60, 6690, 10815, 825, true, false},
    {"FrameGesExp_1", 60, 6690, 10815, 825, false, false},
    {"FrameHelpTabelle", 4950, 450, 9225, 6015, true, false},
    {"FrameFestivita", 4950, 450, 9195, 7035, false, false},
    {"FrameGiustificativi", 4950, 450, 9195, 7035, false, false},
    {"FrameGruppi", 4950, 450, 9195, 7035, false, false},
    {"FrameBottoni", 60, 8150, 14235, 1100, true, false},
    {"FrameFormule", 1530, 390, 4035, 1635, false, true},
    {"FrameAttesa", 2970, 4200, 4665, 1065, false, true},
};

// The screens' frames, hidden whenever another screen or the menu is shown.
constexpr const char* kScreenFrames[] = {"FrameMemorizza", "FrameModTimbrature", "FrameAggiorna",
                                         "FrameImporta",   "FrameEsporta",       "FrameStpLaser",
                                         "FrameTabelle",   "FrameCalcolo"};

// Menu entries: caption and the line that describes them beside the button (entries 0-5 and
// 12 on the menu, 6-7 on the bottom bar, 8-11 on the screens that cover the bottom bar).
struct MenuEntry {
  const char* caption;
  const char* description;
};
constexpr MenuEntry kMenu[FRMVELTAR::kMenuButtons] = {
    {"Gestione Tabelle Programma",
     "Festività, giustificativi e gruppi orari: consultazione, inserimento, modifica, "
     "eliminazione e stampa."},
    {"Memorizza le Presenze del mese",
     "Genera le presenze giornaliere del mese per le ditte e i dipendenti selezionati."},
    {"Importa File Presenze Esterno",
     "Carica le presenze prodotte da altri sistemi (rilevatori presenze o fogli di calcolo)."},
    {"Aggiornamento delle Presenze",
     "Correzione giorno per giorno del mese memorizzato di un dipendente."},
    {"Esporta File Presenze per la procedura salarion",
     "Genera un file con i dati delle presenze elaborate per poterle importare in salarion. "
     "( In Preparazione )"},
    {"Stampa / Genera File PDF",
     "Stampa o genera i file PDF del foglio presenze mensile e dei riepiloghi."},
    {"Help Gestione delle Presenze e del Libro Unico del Lavoro", nullptr},
    {"Esci dalla Gestione delle Presenze", nullptr},
    {"Help", nullptr},
    {"Esci", nullptr},
    {"Esci", nullptr},
    {"Help", nullptr},
    {"Calcolo Totale giorni Giustificativo",
     "Conta i giorni di un giustificativo, mese per mese, nell'anno corrente o precedente."},
};

// The order of the entries on the menu frame.
constexpr int kMenuFrameEntries[] = {1, 3, 5, 0, 2, 4, 12};

}  // namespace

FRMVELTAR::FRMVELTAR(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
  setObjectName(QStringLiteral("FRMVELTAR"));
  setWindowTitle(FromUtf8(kFormCaption));
  dialogs().set_window_caption(kFormCaption);

  frame_selezione_ = new QGroupBox(this);
  frame_selezione_->setObjectName(QStringLiteral("FrameSelezione"));

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
  setFixedSize(TwipsSize(kFormWidth, kFormHeight));
  Centre();

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
  for (const FramePlacement& p : kFrameLayout) {
    const QString name = QString::fromLatin1(p.name);
    QWidget* frame = objectName() == name ? this : findChild<QWidget*>(name);
    if (frame == nullptr) continue;
    frame->setGeometry(TwipsRect(p.left, p.top, p.width, p.height));
    frame->setVisible(p.visible);
    if (p.clear_caption) {
      if (auto* box = qobject_cast<QGroupBox*>(frame)) box->setTitle(QString());
    }
  }
  // Screens lie above the menu and the bottom bar, the waiting panel above everything.
  for (const char* name : kScreenFrames) {
    if (QWidget* frame = findChild<QWidget*>(QString::fromLatin1(name))) frame->raise();
  }
  frame_attesa_->raise();
}

void FRMVELTAR::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect available = screen->geometry();
  move(available.x() + (available.width() - width()) / 2,
       available.y() + (available.height() - height()) / 2);
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
  frame->show();
  frame->raise();
  frame_attesa_->raise();
  // A screen that reaches down over the bottom bar carries its own help and exit entries;
  // the bar's entries under it would only catch the keyboard focus.
  frame_bottoni_->setVisible(!frame->geometry().contains(frame_bottoni_->geometry().center()));
}

void FRMVELTAR::ReturnToMenu(QWidget* frame) {
  frame->hide();
  frame_bottoni_->show();
  frame_menu_->show();
  ABILITA_PULSANTI();
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
  text.append("\nRegistro attività : ").append(log.empty() ? std::string("(disattivato)") : log.string());
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

std::unique_ptr<WaitPanel> FRMVELTAR::Wait() {
  return std::make_unique<WaitPanel>(frame_attesa_);
}

void FRMVELTAR::EndWithFatal(const Fatal& fatal) {
  if (!fatal.text().empty()) dialogs().Show(fatal.text(), fatal.title(), fatal.icon());
  Shutdown(session_);
  End(fatal.exit_status());
}

void FRMVELTAR::End(int exit_status) {
  if (ended_) return;
  ended_ = true;
  exit_status_ = exit_status;
  emit Ended(exit_status);
  close();
}

void FRMVELTAR::closeEvent(QCloseEvent* event) {
  if (ended_ || Leave()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kaveltar::ui

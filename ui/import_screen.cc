#include "ui/import_screen.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"
#include "ui/screen_layout.h"
#include "ui/wait_panel.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

namespace {

// Texts of this screen.
constexpr std::string_view kImportScreenTitle = "GUIDA AL CARICAMENTO DEL FILE DI PRESENZE";
constexpr std::string_view kCmdCercaCaption = "Cerca il File delle Presenze";
constexpr std::string_view kCmdImportaFileCaption = "Importa File Presenze";
constexpr std::string_view kCmdStampaImpCaption = "Stampa Tracciato Record";
constexpr std::array<std::string_view, 3> kImportKindCaptions = {
    "File Presenze da Gestione Esterna Presenze", "File presenze da File Excel (CSV)",
    "File Presenze da Rilevazione Presenze"};
// The file dialog filters of each kind, in the dialog's "text|pattern" form.
constexpr std::array<std::string_view, 3> kImportKindFilters = {
    "Tutti i file (*.PRE)|*.PRE", "File CSV (*.csv)|*.csv", "Tutti i file (*.*)|*.*"};

struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

ImportScreen::ImportScreen(FRMVELTAR& form) : form_(form) {
  frame_ = new QGroupBox(FromUtf8(kImportScreenTitle), form.frame_selezione());
  frame_->setObjectName(QStringLiteral("FrameImporta"));
  frame_->setAutoFillBackground(true);
  QGroupBox* f = frame_;

  auto* kinds = new QGroupBox(f);
  auto* kinds_column = new QVBoxLayout(kinds);
  for (size_t i = 0; i < opt_tipofile_.size(); ++i) {
    opt_tipofile_[i] = new QRadioButton(FromUtf8(kImportKindCaptions[i]), kinds);
    SetArrayName(opt_tipofile_[i], "OptTipofile", static_cast<int>(i));
    kinds_column->addWidget(opt_tipofile_[i]);
  }
  opt_tipofile_[0]->setChecked(true);

  cmd_cerca_ = new QPushButton(FromUtf8(kCmdCercaCaption), f);
  cmd_cerca_->setObjectName(QStringLiteral("CmdCerca"));
  lbl_nome_file_ = NewLabel(f, "", "lblNomeFileImport");
  lbl_nome_file_->setFrameShape(QFrame::Panel);
  lbl_nome_file_->setFrameShadow(QFrame::Sunken);
  lbl_nome_file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbl_scartate_ = NewLabel(f, "", "lblRigheScartate");

  auto* checks = new QGridLayout;
  for (size_t i = 0; i < results_.size(); ++i) {
    checks->addWidget(new QLabel(FromUtf8(kCheckLabels[i]), f), static_cast<int>(i), 0);
    results_[i] = new QLabel(f);
    SetArrayName(results_[i], "lblRisultato", static_cast<int>(i));
    QFont bold = results_[i]->font();
    bold.setBold(true);
    results_[i]->setFont(bold);
    checks->addWidget(results_[i], static_cast<int>(i), 1);
  }
  checks->setColumnStretch(2, 1);

  cmd_importa_ = new QPushButton(FromUtf8(kCmdImportaFileCaption), f);
  cmd_importa_->setObjectName(QStringLiteral("CmdImportaFile"));
  cmd_stampa_ = new QPushButton(FromUtf8(kCmdStampaImpCaption), f);
  cmd_stampa_->setObjectName(QStringLiteral("CmdStampaImp"));
  auto* cmd_rit = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_rit->setObjectName(QStringLiteral("CmdRitImp"));

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addWidget(kinds);
  column->addLayout(Row({cmd_cerca_}));
  column->addWidget(lbl_nome_file_);
  column->addWidget(lbl_scartate_);
  column->addSpacing(8);
  column->addLayout(checks);
  column->addStretch(1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cmd_importa_);
  bottom->addWidget(cmd_stampa_);
  bottom->addStretch(1);
  bottom->addWidget(cmd_rit);
  column->addLayout(bottom);

  Show();
  for (QRadioButton* option : opt_tipofile_) {
    // Another kind of file means another file: the choice starts again.
    connect(option, &QRadioButton::toggled, this, [this](bool on) {
      if (!on) return;
      state_ = ImportState();
      state_.kind = Kind();
      Show();
    });
  }
  connect(cmd_cerca_, &QPushButton::clicked, this, [this] { CmdCerca_Click(); });
  connect(cmd_importa_, &QPushButton::clicked, this, [this] { CmdImportaFile_Click(); });
  connect(cmd_stampa_, &QPushButton::clicked, this, [this] { CmdStampaImp_Click(); });
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

QString ImportScreen::Filter(ImportFileKind kind) {
  const std::string_view filter = kImportKindFilters[static_cast<size_t>(kind)];
  return FromUtf8(filter.substr(0, filter.find('|')));
}

std::unique_ptr<QFileDialog> ImportScreen::NewFileDialog(QWidget* parent, ImportFileKind kind,
                                                         const QString& folder) {
  auto dialog =
      std::make_unique<QFileDialog>(parent, FromUtf8(kCmdCercaCaption), folder, Filter(kind));
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  // The desktop's own dialog would neither speak the program's language nor match the
  // filter's capitals in small letters; the files come from Windows systems in either.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
  return dialog;
}

ImportFileKind ImportScreen::Kind() const {
  for (size_t i = 0; i < opt_tipofile_.size(); ++i) {
    if (opt_tipofile_[i]->isChecked()) return static_cast<ImportFileKind>(i);
  }
  return ImportFileKind::kExternal;
}

void ImportScreen::Show() {
  lbl_nome_file_->setText(FromUtf8(state_.path));
  lbl_scartate_->setText(
      state_.skipped_lines > 0
          ? QStringLiteral("Righe scartate (intestazioni): %1").arg(state_.skipped_lines)
          : QString());
  for (size_t i = 0; i < results_.size(); ++i) {
    const std::string& result = state_.results[i];
    results_[i]->setText(FromUtf8(result));
    const QColor colour = result == kCheckWrong ? QColor(Qt::red) : QColor(0, 128, 0);
    QPalette palette = results_[i]->palette();
    palette.setColor(QPalette::WindowText, colour);
    results_[i]->setPalette(palette);
  }
  cmd_importa_->setEnabled(state_.import_enabled);
}

void ImportScreen::Enter() {
  state_ = ImportState();
  state_.kind = Kind();
  Show();
  for (QLabel* result : results_) result->clear();
}

void ImportScreen::CmdCerca_Click() {
  const ImportFileKind kind = Kind();
  QString path;
  if (chooser_) {
    path = chooser_(Filter(kind));
  } else {
    const auto dialog =
        NewFileDialog(frame_, kind, FromUtf8(form_.session().installation().archive_path.string()));
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
      path = dialog->selectedFiles().front();
    }
  }
  if (path.isEmpty()) return;
  form_.Guard([&] {
    Hourglass hourglass;
    state_.kind = kind;
    ChooseImportFile(form_.session().job(), &state_, ToUtf8(path));
  });
  Show();
}

void ImportScreen::CmdImportaFile_Click() {
  // The whole import, its questions and closing message included, runs off the event loop.
  form_.Guard([&] {
    Hourglass hourglass;
    form_.RunJob([&](JobProgress& progress) {
      ImportHooks hooks;
      hooks.progress = [&](size_t index, size_t total, std::string_view key) {
        progress.Report(index, total, "Dipendente " + std::string(key));
      };
      ImportAttendanceFile(form_.session().job(), &state_, hooks);
    });
  });
  Show();
}

void ImportScreen::CmdStampaImp_Click() {
  form_.Guard([&] { PrintImportLayout(form_.session().job()); });
}

}  // namespace kaveltar::ui

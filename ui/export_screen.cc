#include "ui/export_screen.h"

#include <QGridLayout>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "exchange/payroll_export.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"
#include "ui/twips.h"
#include "ui/wait_panel.h"

namespace kaveltar::ui {

namespace {

// Captions and texts of this screen.
constexpr std::string_view kCheckPresPrecCaption = "Presenze Mese Precedente";
constexpr std::string_view kCreaFileCaption = "Crea File Caricamento";
constexpr std::string_view kExportWaitCaption = "ATTENDERE ELABORAZIONE VOCI PAGA IN CORSO";

}  // namespace

ExportScreen::ExportScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kLoad, "FrameEsporta",
                      "Esporta File Presenze per la procedura salarion") {
  QGroupBox* f = frame_;
  companies_ = NewList(f, "ListAziCar", QAbstractItemView::ExtendedSelection);
  company_order_ = NewOrderOption(f, "OptOrdinaAziCar", "Per Codice", "Per Ragione Sociale");
  check2_ = new QCheckBox(QStringLiteral("Seleziona tutte le Ditte"), f);
  check2_->setObjectName(QStringLiteral("Check2"));
  employees_ = NewList(f, "ListDipCar");
  months_ = NewMonthList(f, "ListMesiCar", session_.installation().processing_month);
  year_ = new YearBox(f, "LabAnnoCar", "cmdAnnoCar", session_.installation().processing_year,
                      form.dialogs());
  check_pres_prec_ = new QCheckBox(FromUtf8(kCheckPresPrecCaption), f);
  check_pres_prec_->setObjectName(QStringLiteral("CheckPresPrec"));
  cmd_crea_file_ = new QPushButton(FromUtf8(kCreaFileCaption), f);
  cmd_crea_file_->setObjectName(QStringLiteral("CmdCreaFile"));
  auto* cmd_annulla = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_annulla->setObjectName(QStringLiteral("CmdAnnullaCaric"));

  BuildProgressFrames();

  auto* period = new QVBoxLayout;
  period->addWidget(NewLabel(f, "ANNO"), 0, Qt::AlignHCenter);
  period->addWidget(year_);
  period->addSpacing(8);
  period->addLayout(Headed(f, "MESE", months_), 1);
  period->addWidget(check_pres_prec_);

  auto* lists = new QGridLayout;
  lists->setHorizontalSpacing(8);
  lists->addLayout(Headed(f, "SELEZIONE DITTE", companies_), 0, 0);
  lists->addLayout(Headed(f, "SELEZIONE DIPENDENTI", employees_), 0, 1);
  lists->addLayout(period, 0, 2);
  lists->addLayout(Row({company_order_->button(0), company_order_->button(1)}), 1, 0);
  lists->addWidget(check2_, 2, 0);
  lists->setColumnStretch(0, 44);
  lists->setColumnStretch(1, 40);
  lists->setColumnStretch(2, 12);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(frame_ges_exp_[0], 1);
  bottom->addStretch(0);
  bottom->addWidget(cmd_crea_file_, 0, Qt::AlignBottom);
  bottom->addWidget(cmd_annulla, 0, Qt::AlignBottom);
  // The bottom band, to the left of the return button, is the progress frames' place.
  auto* band = new QWidget(f);
  band->setMinimumHeight(TwipsToPixels(825));
  band->setLayout(bottom);
  bottom->setContentsMargins(0, 0, 0, 0);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(lists, 1);
  column->addWidget(band);

  Connect();
  connect(check2_, &QCheckBox::toggled, this, [this](bool ticked) {
    if (ticked)
      companies_->selectAll();
    else
      companies_->clearSelection();
  });
  connect(cmd_crea_file_, &QPushButton::clicked, this, [this] { CmdCreaFile_Click(); });
  connect(cmd_annulla, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

// The export's progress frames; IMPOSTAZIONIFORM places them along the bottom.
void ExportScreen::BuildProgressFrames() {
  QGroupBox* f = frame_;
  for (int i = 0; i < 2; ++i) {
    frame_ges_exp_[static_cast<size_t>(i)] = new QGroupBox(f);
    SetArrayName(frame_ges_exp_[static_cast<size_t>(i)], "FrameGesExp", i);
    frame_ges_exp_[static_cast<size_t>(i)]->setFlat(true);
    frame_ges_exp_[static_cast<size_t>(i)]->hide();
  }
  auto* progress = new QVBoxLayout(frame_ges_exp_[0]);
  QLabel* waiting = new QLabel(FromUtf8(kExportWaitCaption), frame_ges_exp_[0]);
  QFont bold = waiting->font();
  bold.setBold(true);
  waiting->setFont(bold);
  progress->addWidget(waiting);
  label53_ = new QLabel(frame_ges_exp_[0]);
  label53_->setObjectName(QStringLiteral("Label53"));
  progress->addWidget(label53_);
}

void ExportScreen::CmdCreaFile_Click() {
  ExportRequest request;
  for (int row = 0; row < companies_->count(); ++row) {
    if (companies_->item(row)->isSelected()) request.companies.push_back(EntryAt(companies_, row));
  }
  if (request.companies.empty() || month() == 0) return;
  request.year = year();
  request.month = month();
  request.previous_month = check_pres_prec_->isChecked();
  ExportResult result;
  bool ran = false;
  form_.Guard([&] {
    frame_ges_exp_[0]->show();
    form_.RunJob([&](JobProgress& progress) {
      request.companies_progress = [&](size_t index, size_t total) {
        progress.Report(index, total, {});
      };
      // The phase and the company or employee: on the waiting panel, and in `Label53`, which
      // the GUI thread updates when it gets to it.
      result = RunPayrollExport(
          session_.job(), request, [&](std::string_view phase, std::string_view what) {
            const QString text = FromUtf8(phase) + QLatin1Char('\n') + FromUtf8(what);
            progress.SetCurrent(what);
            QMetaObject::invokeMethod(
                label53_, [label = label53_, text] { label->setText(text); }, Qt::QueuedConnection);
          });
    });
    ran = true;
  });
  // The closing question or message comes once the progress frame is gone.
  frame_ges_exp_[0]->hide();
  if (ran) form_.Guard([&] { FinishPayrollExport(session_.job(), result); });
  check2_->setChecked(false);
  if (companies_->count() > 0) {
    companies_->clearSelection();
    companies_->setCurrentRow(0);
    companies_->item(0)->setSelected(true);
  }
}

void ExportScreen::ListsRefilled() {
  if (check2_->isChecked()) companies_->selectAll();
}

}  // namespace kaveltar::ui

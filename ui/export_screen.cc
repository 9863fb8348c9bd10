#include "ui/export_screen.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"
#include "ui/twips.h"

namespace kaveltar::ui {

ExportScreen::ExportScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kLoad, "FrameEsporta",
                      "Esporta File Presenze per la procedura salarion") {
  QGroupBox* f = frame_;
  companies_ = NewList(f, "ListAziCar", QAbstractItemView::ExtendedSelection);
  company_order_ = NewOrderOption(f, "OptOrdinaAziCar", "Per Codice", "Per Ragione Sociale");
  check2_ = new QCheckBox(QStringLiteral("Seleziona tutte le Ditte"), f);
  check2_->setObjectName(QStringLiteral("Check2"));
  employees_ = NewList(f, "ListDipCar");
  months_ = NewMonthList(f, "ListMesiCar", session_.processing_month);
  year_ = new YearBox(f, "LabAnnoCar", "cmdAnnoCar", session_.processing_year, form.dialogs());
  auto* cmd_annulla = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_annulla->setObjectName(QStringLiteral("CmdAnnullaCaric"));

  // The export's progress frames; IMPOSTAZIONIFORM places them along the bottom.
  for (int i = 0; i < 2; ++i) {
    frame_ges_exp_[static_cast<size_t>(i)] = new QGroupBox(f);
    SetArrayName(frame_ges_exp_[static_cast<size_t>(i)], "FrameGesExp", i);
    frame_ges_exp_[static_cast<size_t>(i)]->setFlat(true);
  }

  auto* period = new QVBoxLayout;
  period->addWidget(NewLabel(f, "ANNO"), 0, Qt::AlignHCenter);
  period->addWidget(year_);
  period->addSpacing(8);
  period->addLayout(Headed(f, "MESE", months_), 1);

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
  bottom->addStretch(1);
  bottom->addWidget(cmd_annulla, 0, Qt::AlignBottom);
  // The bottom band, to the left of the return button, is the progress frames' place.
  auto* band = new QWidget(f);
  band->setFixedHeight(TwipsToPixels(825));
  band->setLayout(bottom);
  bottom->setContentsMargins(0, 0, 0, 0);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(lists, 1);
  column->addWidget(band);

  Connect();
  connect(check2_, &QCheckBox::toggled, this, [this](bool ticked) {
    if (ticked) companies_->selectAll();
    else companies_->clearSelection();
  });
  connect(cmd_annulla, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void ExportScreen::ListsRefilled() {
  if (check2_->isChecked()) companies_->selectAll();
}

}  // namespace kaveltar::ui

#include "ui/update_screen.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/frm_veltar.h"
#include "ui/grid_screen.h"
#include "ui/list_widgets.h"
#include "ui/screen_layout.h"

namespace kaveltar::ui {

UpdateScreen::UpdateScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kUpdate, "FrameAggiorna", "Aggiornamento delle Presenze") {
  QGroupBox* f = frame_;
  companies_ = NewList(f, "ListAziAgg");
  company_order_ = NewOrderOption(f, "OptOrdinaAziAgg", "Per Codice", "Per Ragione Sociale");
  employees_ = NewList(f, "ListDipAgg");
  employee_order_ = NewOrderOption(f, "OptOrdinaDipAgg", "Per Codice", "Per Cognome Nome");
  months_ = NewMonthList(f, "ListMesiAgg", session_.installation().processing_month);
  year_ = new YearBox(f, "LabAnnoAgg", "cmdAnnoAgg", session_.installation().processing_year,
                      form.dialogs());
  auto* cmd_rit = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_rit->setObjectName(QStringLiteral("CmdRitAgg"));
  auto* cmd_conferma = new QPushButton(QStringLiteral("Conferma"), f);
  cmd_conferma->setObjectName(QStringLiteral("CmdConfermaAgg"));

  QGridLayout* lists = ListsAndPeriodLayout();

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(cmd_conferma);
  bottom->addWidget(cmd_rit);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(lists, 1);
  column->addLayout(bottom);

  // The grid's frame; the month grid fills it.
  frame_mod_timbrature_ = new QGroupBox(form.frame_selezione());
  frame_mod_timbrature_->setObjectName(QStringLiteral("FrameModTimbrature"));
  frame_mod_timbrature_->setAutoFillBackground(true);
  grid_ = std::make_unique<GridScreen>(form, frame_mod_timbrature_, frame_);

  Connect();
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
  connect(cmd_conferma, &QPushButton::clicked, this, [this] { CmdConfermaAgg_Click(); });
  connect(employees_, &QListWidget::itemDoubleClicked, this, [this] { CmdConfermaAgg_Click(); });
}

UpdateScreen::~UpdateScreen() = default;

UpdateSelection UpdateScreen::Selection() const {
  UpdateSelection selection;
  // The first selected entry of each list.
  const auto first_selected = [](const QListWidget* list) {
    for (int row = 0; row < list->count(); ++row) {
      if (list->item(row)->isSelected()) return EntryAt(list, row);
    }
    return ListEntry();
  };
  selection.company = first_selected(companies_);
  selection.employee = first_selected(employees_);
  selection.month = month() == 0 ? 1 : month();
  selection.year = year();
  return selection;
}

void UpdateScreen::CmdConfermaAgg_Click() { grid_->CmdConfermaAgg_Click(Selection()); }

}  // namespace kaveltar::ui

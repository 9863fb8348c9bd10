#include "ui/memorize_screen.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"
#include "ui/twips.h"

namespace kaveltar::ui {

MemorizeScreen::MemorizeScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kMemorize, "FrameMemorizza",
                      "Memorizza le Presenze del Mese") {
  QGroupBox* f = frame_;

  // The two option frames of the memorization; IMPOSTAZIONIFORM places them at the top of the
  // screen, the lists below them.
  for (int i = 0; i < 2; ++i) {
    frame_mem_pres_[static_cast<size_t>(i)] = new QGroupBox(f);
    SetArrayName(frame_mem_pres_[static_cast<size_t>(i)], "FrameMemPres", i);
  }

  companies_ = NewList(f, "ListAziMem", QAbstractItemView::ExtendedSelection);
  company_order_ = NewOrderOption(f, "OptOrdAziMem", "Codice", "Ragione Sociale");
  employees_ = NewList(f, "ListDipSel");
  list_dip_mem_ = NewList(f, "ListDipMem");
  months_ = NewMonthList(f, "ListMesiMem", session_.processing_month);
  year_ = new YearBox(f, "LabAnnoMem", "CmdAnnoMem", session_.processing_year, form.dialogs());

  chk_seltutti_azidip_ = new QCheckBox(QStringLiteral("Selezione tutte le Ditte"), f);
  chk_seltutti_azidip_->setObjectName(QStringLiteral("ChkSeltuttiAZIDIP"));
  chk_seltutto_mem_ = new QCheckBox(QStringLiteral("Selezione tutti i Dipendenti"), f);
  chk_seltutto_mem_->setObjectName(QStringLiteral("ChkSeltuttoMem"));
  cmd_cancella_lista_ = new QPushButton(QStringLiteral("Rimuovi tutti i Dipendenti"), f);
  cmd_cancella_lista_->setObjectName(QStringLiteral("CmdCancellaLista"));
  auto* cmd_rit_mem = new QPushButton(QStringLiteral("Ritorna alle Selezioni Precedenti"), f);
  cmd_rit_mem->setObjectName(QStringLiteral("CmdRitMem"));

  // Top band: room for the option frames, the year on the right.
  auto* top = new QHBoxLayout;
  top->addSpacing(TwipsToPixels(60 + 10125));
  auto* year_column = new QVBoxLayout;
  year_column->addWidget(NewLabel(f, "ANNO"), 0, Qt::AlignHCenter);
  year_column->addWidget(year_);
  year_column->addStretch(1);
  top->addStretch(1);
  top->addLayout(year_column);
  top->addStretch(1);
  auto* top_band = new QWidget(f);
  // Down to just below the option frames (the frame's caption is above the band).
  top_band->setFixedHeight(TwipsToPixels(2415) + 12);
  top_band->setLayout(top);
  top->setContentsMargins(0, 0, 0, 0);

  auto* lists = new QGridLayout;
  lists->setHorizontalSpacing(8);
  lists->addLayout(Headed(f, "SELEZIONE DITTE", companies_), 0, 0);
  lists->addLayout(Headed(f, "SELEZIONE DIPENDENTI", employees_), 0, 1);
  lists->addLayout(Headed(f, "DIPENDENTI DA ELABORARE", list_dip_mem_), 0, 2);
  lists->addLayout(Headed(f, "MESE", months_), 0, 3);
  lists->addLayout(Row({company_order_->button(0), company_order_->button(1)}), 1, 0);
  lists->addWidget(chk_seltutti_azidip_, 2, 0);
  lists->addWidget(chk_seltutto_mem_, 1, 1);
  lists->addWidget(cmd_cancella_lista_, 1, 2, Qt::AlignLeft);
  lists->setColumnStretch(0, 26);
  lists->setColumnStretch(1, 30);
  lists->setColumnStretch(2, 30);
  lists->setColumnStretch(3, 9);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(form.NewMenuButton(8, f));
  bottom->addWidget(form.NewMenuButton(9, f));
  bottom->addStretch(1);
  bottom->addWidget(cmd_rit_mem);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addWidget(top_band);
  column->addLayout(lists, 1);
  column->addLayout(bottom);

  Connect();
  connect(employees_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    ListDipSel_DblClick(employees_->row(item));
  });
  connect(list_dip_mem_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    ListDipMem_DblClick(list_dip_mem_->row(item));
  });
  connect(chk_seltutto_mem_, &QCheckBox::clicked, this, [this] { ChkSeltuttoMem_Click(); });
  connect(chk_seltutti_azidip_, &QCheckBox::clicked, this, [this] { ChkSeltuttiAZIDIP_Click(); });
  connect(cmd_cancella_lista_, &QPushButton::clicked, this, [this] { CmdCancellaLista_Click(); });
  connect(cmd_rit_mem, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void MemorizeScreen::Enter() {
  frame_mem_pres_[0]->show();
  frame_mem_pres_[1]->hide();
  for (QCheckBox* box : {chk_seltutto_mem_, chk_seltutti_azidip_}) {
    const QSignalBlocker blocker(box);
    box->setChecked(false);
  }
  for (QListWidget* list : {companies_, employees_, list_dip_mem_}) {
    const QSignalBlocker blocker(list);
    list->clearSelection();
    list->setCurrentRow(-1);
  }
  // Selecting the first company is a click on it: its employees are listed.
  if (companies_->count() > 0) companies_->setCurrentRow(0);
}

void MemorizeScreen::ShowSelection(int selected) {
  SetLines(list_dip_mem_, selection_.lines());
  if (selected >= 0) {
    const QSignalBlocker blocker(list_dip_mem_);
    list_dip_mem_->setCurrentRow(selected);
  }
}

void MemorizeScreen::ListDipSel_DblClick(int row) {
  const std::string line = LineAt(employees_, row);
  if (line.empty()) return;
  ShowSelection(static_cast<int>(selection_.Add(line)));
}

void MemorizeScreen::ListDipMem_DblClick(int row) {
  if (row < 0 || row >= list_dip_mem_->count()) return;
  selection_.Remove(static_cast<size_t>(row));
  ShowSelection(-1);
}

void MemorizeScreen::ChkSeltuttoMem_Click() {
  if (!chk_seltutto_mem_->isChecked()) return;
  selection_.AddAll(AllLines(employees_));
  ShowSelection(-1);
  const QSignalBlocker blocker(chk_seltutto_mem_);
  chk_seltutto_mem_->setChecked(false);
}

void MemorizeScreen::ChkSeltuttiAZIDIP_Click() {
  if (!chk_seltutti_azidip_->isChecked()) return;
  const bool done = form_.Guard([this] {
    // The screen is hidden while the waiting panel stands in for it.
    struct HiddenWhileWorking {
      QWidget* frame;
      ~HiddenWhileWorking() { frame->show(); }
    } hidden{frame_};
    frame_->hide();
    auto wait = form_.Wait();
    for (const std::string& company : AllLines(companies_)) selection_.AddAll(EmployeesOf(company));
  });
  if (!done) return;
  // The candidates list again shows the company selected on the screen.
  form_.Guard([this] { RebuildEmployees(); });
  ShowSelection(-1);
  form_.dialogs().Show("Selezione terminata", kProductName, MessageIcon::kInformation);
}

void MemorizeScreen::CmdCancellaLista_Click() {
  selection_.AskAndClear(form_.dialogs());
  ShowSelection(-1);
}

}  // namespace kaveltar::ui

#include "ui/totals_screen.h"

#include <QApplication>
#include <QGridLayout>
#include <QVBoxLayout>
#include <vector>

#include "app/session.h"
#include "base/run_time_error.h"
#include "db/attendance_db.h"
#include "exchange/annual_totals.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"
#include "ui/screen_layout.h"
#include "ui/wait_panel.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

namespace {

// Texts of the annual totals screen (`FrameCalcolo`).
constexpr std::string_view kCalcoloTitle = "CALCOLO ANNUALE TOTALE GIORNI GIUSTIFICATIVO";
constexpr std::string_view kCalcoloWarning =
    "Per il corretto conteggio dei giorni di assenza è necessario che il giustificativo "
    "selezionato "
    "copra l'intera giornata lavorativa e non una sola parte di essa.";
constexpr std::string_view kAnnoCorrenteCaption = "Anno Corrente";
constexpr std::string_view kAnnoPrecedenteCaption = "Anno Precedente";
constexpr std::string_view kCmdCalcolaGGCaption = "Calcola Totale Annuo Giustificativo Selezionato";

struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

QLabel* NewValueLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMinimumWidth(60);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

TotalsScreen::TotalsScreen(FRMVELTAR& form) : form_(form) {
  frame_ = new QGroupBox(FromUtf8(kCalcoloTitle), form.frame_selezione());
  frame_->setObjectName(QStringLiteral("FrameCalcolo"));
  frame_->setAutoFillBackground(true);
  QGroupBox* f = frame_;

  opt_anno_[0] = new QRadioButton(FromUtf8(kAnnoCorrenteCaption), f);
  opt_anno_[1] = new QRadioButton(FromUtf8(kAnnoPrecedenteCaption), f);
  for (int i = 0; i < 2; ++i) SetArrayName(opt_anno_[static_cast<size_t>(i)], "OptAnnoCalcolo", i);
  opt_anno_[0]->setChecked(true);
  combo_ditta_ = new QComboBox(f);
  combo_ditta_->setObjectName(QStringLiteral("ComboDittaCalcolo"));
  combo_ditta_->setFont(ListFont());
  list_elenco_ = NewList(f, "ListElencoCalcolo");
  label_gius_selez_ = NewLabel(f, "", "LabelGiusSelez");
  label_gius_selez_->setFrameShape(QFrame::Panel);
  label_gius_selez_->setFrameShadow(QFrame::Sunken);
  label_gg_totale_ = NewValueLabel(f);
  label_gg_totale_->setObjectName(QStringLiteral("LabelGGTotale"));
  cmd_calcola_ = new QPushButton(FromUtf8(kCmdCalcolaGGCaption), f);
  cmd_calcola_->setObjectName(QStringLiteral("CmdCalcolaGG"));
  cmd_stampa_ = new QPushButton(QStringLiteral("Stampa Riepilogo"), f);
  cmd_stampa_->setObjectName(QStringLiteral("CmdStpRiepilogo"));
  auto* cmd_rit = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_rit->setObjectName(QStringLiteral("CmdRitCalcolo"));

  auto* counts = new QGridLayout;
  for (size_t m = 0; m < label_gg_mese_.size(); ++m) {
    label_gg_mese_[m] = NewValueLabel(f);
    SetArrayName(label_gg_mese_[m], "LabelGGMese", static_cast<int>(m));
    const std::string caption = "GIORNI GIUSTIFICATIVO " + std::string(kUpperMonthNames[m]);
    counts->addWidget(new QLabel(FromUtf8(caption), f), static_cast<int>(m), 0);
    counts->addWidget(label_gg_mese_[m], static_cast<int>(m), 1);
  }
  counts->addWidget(NewLabel(f, "TOTALE ANNUALE"), 12, 0);
  counts->addWidget(label_gg_totale_, 12, 1);

  auto* left = new QVBoxLayout;
  left->addLayout(Row({opt_anno_[0], opt_anno_[1]}));
  left->addWidget(NewLabel(f, "DITTA SELEZIONATA"));
  left->addWidget(combo_ditta_);
  left->addLayout(Headed(f, "ELENCO GIUSTIFICATIVI", list_elenco_), 1);
  left->addWidget(label_gius_selez_);
  auto* right = new QVBoxLayout;
  right->addLayout(counts);
  right->addStretch(1);
  right->addWidget(cmd_calcola_);
  right->addWidget(cmd_stampa_);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addWidget(
      NewLabel(f, "Calcolo del totale giorni annuale per codice giustificativo selezionato"));
  auto* body = new QHBoxLayout;
  body->addLayout(left, 55);
  body->addLayout(right, 45);
  column->addLayout(body, 1);
  QLabel* warning = new QLabel(FromUtf8(kCalcoloWarning), f);
  warning->setWordWrap(true);
  column->addWidget(warning);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(cmd_rit);
  column->addLayout(bottom);

  UpdateButtons();
  for (int i = 0; i < 2; ++i) {
    connect(opt_anno_[static_cast<size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { OptAnnoCalcolo_Click(i); });
  }
  connect(list_elenco_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListElencoCalcolo_Click(list_elenco_->row(item)); });
  connect(cmd_calcola_, &QPushButton::clicked, this, [this] { CmdCalcolaGG_Click(); });
  connect(cmd_stampa_, &QPushButton::clicked, this, [this] { CmdStpRiepilogo_Click(); });
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void TotalsScreen::Enter() {
  std::vector<JustificationRow> rows;
  if (Status s = form_.session().db().ListJustifications(&rows); !s.ok()) {
    ThrowDatabaseError(s, "GIUSTIFICATIVI");
  }
  list_elenco_->clear();
  for (const JustificationRow& row : rows) {
    // Code and description fill the first 55 characters, which name the justification
    // chosen; the kind follows.
    const QString line =
        FromUtf8(row.code).leftJustified(3, QLatin1Char(' '), true) + QLatin1Char(' ') +
        FromUtf8(row.gius[1]).leftJustified(51, QLatin1Char(' '), true) + QLatin1Char(' ') +
        (row.gius[2] == "P" ? QStringLiteral("Presenza") : QStringLiteral("Assenza"));
    list_elenco_->addItem(line);
  }
  label_gius_selez_->clear();
  ClearCounts();
  opt_anno_[0]->setChecked(true);
  OptAnnoCalcolo_Click(0);
}

void TotalsScreen::OptAnnoCalcolo_Click(int index) {
  form_.Guard([&] {
    combo_ditta_->clear();
    for (const std::string& item : CompanyItems(form_.session().job(), index))
      combo_ditta_->addItem(FromUtf8(item));
    if (combo_ditta_->count() > 0) combo_ditta_->setCurrentIndex(0);
  });
}

void TotalsScreen::ListElencoCalcolo_Click(int row) {
  if (row < 0) return;
  label_gius_selez_->setText(
      FromUtf8(SelectedJustification(ToUtf8(list_elenco_->item(row)->text()))));
  ClearCounts();
}

void TotalsScreen::ClearCounts() {
  for (QLabel* label : label_gg_mese_) label->clear();
  label_gg_totale_->clear();
  UpdateButtons();
}

void TotalsScreen::UpdateButtons() {
  cmd_calcola_->setEnabled(!label_gius_selez_->text().isEmpty());
  cmd_stampa_->setEnabled(!label_gg_totale_->text().isEmpty());
}

void TotalsScreen::CmdCalcolaGG_Click() {
  form_.Guard([&] {
    Hourglass hourglass;
    const int year = TotalsYear(form_.session().installation().processing_year, PreviousYear());
    const std::string company = ToUtf8(combo_ditta_->currentText());
    const std::string code = ToUtf8(label_gius_selez_->text());
    // A year of a large company's rows: counted off the event loop.
    AnnualTotals totals;
    form_.RunJob([&](JobProgress&) {
      totals = ComputeAnnualTotals(form_.session().db(), company, code, year);
    });
    for (size_t m = 0; m < 12; ++m) label_gg_mese_[m]->setText(QString::number(totals.months[m]));
    label_gg_totale_->setText(QString::number(totals.total));
  });
  UpdateButtons();
}

void TotalsScreen::CmdStpRiepilogo_Click() {
  AnnualTotals totals;
  for (size_t m = 0; m < 12; ++m) totals.months[m] = label_gg_mese_[m]->text().toInt();
  totals.total = label_gg_totale_->text().toInt();
  form_.Guard([&] {
    PrintAnnualTotals(form_.session().printer(), ToUtf8(label_gius_selez_->text()),
                      ToUtf8(combo_ditta_->currentText()), PreviousYear(), totals);
  });
}

}  // namespace kaveltar::ui

#include "ui/shell_screens.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "app/session.h"
#include "base/run_time_error.h"
#include "db/attendance_db.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"
#include "ui/screen_layout.h"

namespace kaveltar::ui {
namespace {

QGroupBox* NewScreenFrame(FRMVELTAR& form, const char* name, const char* caption) {
  auto* frame = new QGroupBox(QString::fromUtf8(caption), form.frame_selezione());
  frame->setObjectName(QString::fromLatin1(name));
  frame->setAutoFillBackground(true);
  return frame;
}

QPushButton* NewReturnButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

// A column whose last row holds `button` on the right.
void ButtonAtBottomRight(QVBoxLayout* column, QPushButton* button) {
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(button);
  column->addLayout(bottom);
}

}  // namespace

ImportScreen::ImportScreen(FRMVELTAR& form) : form_(form) {
  frame_ = NewScreenFrame(form, "FrameImporta", "GUIDA AL CARICAMENTO DEL FILE DI PRESENZE");
  QPushButton* cmd_rit = NewReturnButton(frame_, "CmdRitImp");
  auto* column = new QVBoxLayout(frame_);
  column->addStretch(1);
  ButtonAtBottomRight(column, cmd_rit);
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

TotalsScreen::TotalsScreen(FRMVELTAR& form) : form_(form) {
  frame_ = NewScreenFrame(form, "FrameCalcolo", "CALCOLO ANNUALE TOTALE GIORNI GIUSTIFICATIVO");
  list_elenco_ = NewList(frame_, "ListElencoCalcolo");
  QPushButton* cmd_rit = NewReturnButton(frame_, "CmdRitCalcolo");
  auto* column = new QVBoxLayout(frame_);
  column->setContentsMargins(8, 4, 8, 8);
  QLabel* subtitle = NewLabel(
      frame_, "Calcolo del totale giorni annuale per codice giustificativo selezionato");
  column->addWidget(subtitle);
  auto* lists = new QHBoxLayout;
  lists->addLayout(Headed(frame_, "ELENCO GIUSTIFICATIVI", list_elenco_), 55);
  lists->addStretch(45);
  column->addLayout(lists, 1);
  QLabel* warning = NewLabel(
      frame_,
      "Per il corretto conteggio dei giorni di assenza è necessario che il giustificativo "
      "selezionato copra l'intera giornata lavorativa e non una sola parte di essa.");
  warning->setWordWrap(true);
  column->addWidget(warning);
  ButtonAtBottomRight(column, cmd_rit);
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void TotalsScreen::Enter() {
  std::vector<JustificationRow> rows;
  if (Status s = form_.session().db().ListJustifications(&rows); !s.ok()) {
    throw RunTimeError(RunTimeError::kDeviceIo, s.message());
  }
  list_elenco_->clear();
  for (const JustificationRow& row : rows) {
    // Code and description fill the first 55 characters, which name the justification
    // chosen; the kind follows.
    const QString line = FromUtf8(row.code).leftJustified(3, QLatin1Char(' '), true) +
                         QLatin1Char(' ') +
                         FromUtf8(row.gius[1]).leftJustified(51, QLatin1Char(' '), true) +
                         QLatin1Char(' ') +
                         (row.gius[2] == "P" ? QStringLiteral("Presenza") : QStringLiteral("Assenza"));
    list_elenco_->addItem(line);
  }
}

}  // namespace kaveltar::ui

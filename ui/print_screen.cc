#include "ui/print_screen.h"

#include <QGridLayout>
#include <QIntValidator>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "archive/fields.h"
#include "base/text.h"
#include "platform/paths.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"

namespace kaveltar::ui {

std::string StampKindCaption(std::string_view first_line) {
  const std::string_view kind = Trim(first_line).substr(0, 1);
  if (kind == "0") return "Rettangolare";
  if (kind == "1") return "Circolare";
  if (kind == "2") return "Da file";
  if (kind == "3") return "Standard";
  return "";
}

std::filesystem::path StampSettingsFile(const std::filesystem::path& archive_folder,
                                        std::string_view installation_code) {
  return FindCaseInsensitive(archive_folder / ("BOLLOSTAMP" + std::string(installation_code)));
}

PrintScreen::PrintScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kPrint, "FrameStpLaser", "Stampa / Genera File PDF") {
  QGroupBox* f = frame_;
  companies_ = NewList(f, "ListAziStp");
  company_order_ = NewOrderOption(f, "OptOrdAziStp", "Codice", "Ragione sociale");
  employees_ = NewList(f, "ListDipStp", QAbstractItemView::ExtendedSelection);
  employee_order_ = NewOrderOption(f, "OptOrdDipStp", "Codice", "Cognome Nome");
  chk_sel_tutti_ = new QCheckBox(QStringLiteral("Seleziona Tutti i Dipendenti"), f);
  chk_sel_tutti_->setObjectName(QStringLiteral("ChkSelTuttiStp"));
  months_ = NewMonthList(f, "ListMesiStp", session_.processing_month);
  year_ = new YearBox(f, "LabAnnoStp", "CmdAnnoStp", session_.processing_year, form.dialogs());

  numbering_label_ = NewLabel(f, session_.numbering_label.c_str(), "LabNumerazione");
  text_protocollo_ = new QLineEdit(FromUtf8(Trim(session_.numbering_page)), f);
  text_protocollo_->setObjectName(QStringLiteral("TextProtocollo"));
  text_protocollo_->setMaximumWidth(90);
  n_copie_ = new QLineEdit(f);
  n_copie_->setObjectName(QStringLiteral("NCopie"));
  n_copie_->setValidator(new QIntValidator(1, 99, n_copie_));
  n_copie_->setMaximumWidth(40);
  lbl_bollo_ = new QLabel(f);
  lbl_bollo_->setObjectName(QStringLiteral("lblBollo"));
  lbl_bollo_->setFrameShape(QFrame::Panel);
  lbl_bollo_->setFrameShadow(QFrame::Sunken);
  lbl_bollo_->setMinimumWidth(90);
  auto* cmd_rit = new QPushButton(QStringLiteral("Ritorna al Menu Precedente"), f);
  cmd_rit->setObjectName(QStringLiteral("CmdRitStp"));

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
  lists->addLayout(Row({employee_order_->button(0), employee_order_->button(1)}), 1, 1);
  lists->addWidget(chk_sel_tutti_, 2, 1);
  lists->setColumnStretch(0, 36);
  lists->setColumnStretch(1, 48);
  lists->setColumnStretch(2, 12);

  auto* settings = Row({numbering_label_, text_protocollo_, NewLabel(f, "Numero Copie"), n_copie_,
                        NewLabel(f, "Bollo INAIL"), lbl_bollo_});
  settings->addWidget(cmd_rit);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(lists, 1);
  column->addLayout(settings);

  Connect();
  connect(employees_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) form_.Guard([this, row] { ListDipStp_Click(row); });
  });
  connect(chk_sel_tutti_, &QCheckBox::toggled, this, [this](bool ticked) {
    if (ticked) employees_->selectAll();
    else employees_->clearSelection();
  });
  connect(cmd_rit, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void PrintScreen::Enter() {
  n_copie_->setText(QStringLiteral("3"));
  const std::filesystem::path file =
      StampSettingsFile(session_.archive_path, session_.installation_code);
  if (!FileExists(file)) return;
  // Any other first character leaves the caption as it was.
  const std::string caption = StampKindCaption(ReadFirstLine(file));
  if (!caption.empty()) lbl_bollo_->setText(FromUtf8(caption));
}

void PrintScreen::CompanyClicked() {
  SelectionScreen::CompanyClicked();
  FieldCodec& codec = session_.codec();
  if (codec.GetFieldValue(fields::kF419) == 1) {
    const std::string company(Right(CurrentCompanyLine(), 3));
    if (session_.lists().LoadCompany(static_cast<int>(ValInt(company)))) {
      text_protocollo_->setText(FromUtf8(Trim(codec.GetField(fields::kT466))));
    }
  }
}

void PrintScreen::ListsRefilled() {
  if (chk_sel_tutti_->isChecked()) employees_->selectAll();
}

void PrintScreen::ListDipStp_Click(int row) {
  const std::string line = LineAt(employees_, row);
  if (line.size() < 10) return;
  session_.lists().LoadEmployee(year(), Right(line, 10));
}

}  // namespace kaveltar::ui

#include "ui/print_screen.h"

#include <QGridLayout>
#include <QIntValidator>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "archive/fields.h"
#include "base/text.h"
#include "pdf/desktop_viewer.h"
#include "platform/paths.h"
#include "printing/sheet_printing.h"
#include "printing/summaries.h"
#include "reports/pdf_files.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"
#include "ui/wait_panel.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

std::string StampKindCaption(std::string_view first_line) {
  const std::string_view kind = Trim(first_line).substr(0, 1);
  if (kind == "0") return "Rettangolare";
  if (kind == "1") return "Circolare";
  if (kind == "2") return "Da file";
  if (kind == "3") return "Standard";
  return "";
}

namespace {

// The employee in progress on the waiting panel.
void Report(JobProgress& progress, size_t index, size_t total, std::string_view key) {
  progress.Report(index, total,
                  key.empty() ? std::string() : "Dipendente " + std::string(Trim(key)));
}

}  // namespace

std::string NoViewerText(const std::string& path, bool folder) {
  return std::string(folder ? "Nessun programma disponibile per aprire la cartella dei file PDF."
                            : "Nessun programma disponibile per aprire il file PDF.") +
         "\nIl percorso è : " + path +
         "\nInstallare un visualizzatore PDF o aprire il file dal gestore dei file.";
}

void PrintScreen::OpenInViewer(const std::string& path) {
  ViewerOutcome outcome = ViewerOutcome::kNoViewer;
  // Starting the viewer may take the opener a moment: the window keeps answering meanwhile.
  form_.RunJob([&](JobProgress&) { outcome = OpenWithDesktopViewer(path); });
  if (outcome == ViewerOutcome::kOpened) return;
  form_.dialogs().Show(NoViewerText(path, std::filesystem::is_directory(path)), kFormCaption,
                       MessageIcon::kExclamation);
}

std::filesystem::path StampSettingsFile(const std::filesystem::path& archive_folder,
                                        std::string_view installation_code) {
  return FindCaseInsensitive(archive_folder / ("BOLLOSTAMP" + std::string(installation_code)));
}

PrintScreen::PrintScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kPrint, "FrameStpLaser", "Stampa / Genera File PDF") {
  BuildListsAndSettings();
  BuildSheetOptions();
  BuildSummaryOptions();
  cmd_stampa_ = NewButton(frame_, "CmdStampaStp", "Stampa");
  cmd_rit_ = NewButton(frame_, "CmdRitStp", "Ritorna al Menu Precedente");
  LayOutScreen();
  ConnectScreen();
}

void PrintScreen::BuildListsAndSettings() {
  QGroupBox* f = frame_;
  companies_ = NewList(f, "ListAziStp");
  company_order_ = NewOrderOption(f, "OptOrdAziStp", "Codice", "Ragione sociale");
  employees_ = NewList(f, "ListDipStp", QAbstractItemView::ExtendedSelection);
  employee_order_ = NewOrderOption(f, "OptOrdDipStp", "Codice", "Cognome Nome");
  chk_sel_tutti_ = NewCheck(f, "ChkSelTuttiStp", "Seleziona Tutti i Dipendenti");
  months_ = NewMonthList(f, "ListMesiStp", session_.installation().processing_month);
  year_ = new YearBox(f, "LabAnnoStp", "CmdAnnoStp", session_.installation().processing_year,
                      form_.dialogs());

  numbering_label_ =
      NewLabel(f, NumberedPerCompany(session_.job()) ? "Numerazione x Ditta" : "Numerazione unica",
               "LabNumerazione");
  text_protocollo_ = new QLineEdit(FromUtf8(DefaultSheetNumber(session_.job(), "")), f);
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
}

void PrintScreen::BuildSheetOptions() {
  QGroupBox* f = frame_;
  chk_no_numero_ = NewCheck(f, "ChkNoNumero", "No Numeraz.");
  chk_bozza_ = NewCheck(f, "chkBozza", "Bozza");
  chk_pdf_ = NewCheck(f, "ChkPDF", "Crea PDF");
  check_singolo_ = NewCheck(f, "CheckSingolo", "Un File per Dipendente");
  check_singolo_->setEnabled(false);
  chk_vidima_ = NewCheck(f, "chkVidima", "Vidimazione Laser");
  chk_sede_inail_ = NewCheck(f, "Chksedeinail", "Stampa Sede Inail");
  chk_bollo_ = NewCheck(f, "ChkBollo", "Stampa sul Cartellino");
  chk_no_teoriche_ = NewCheck(f, "chkNoTeoriche", "Non stampare le ore teoriche del gruppo");
  chk_riposo_ = NewCheck(f, "ChkRiposo",
                         "Stampare 'R' nelle giornate non lavorate in base al gruppo/profilo");
  chk_mensilizzato_ =
      NewCheck(f, "ChKMensilizzato",
               "Sostituire ore lavorate con 'P' o 'A' se 'P767 Tipo stampa pres/ass.=1'");
  cmd_info_ = NewButton(f, "cmdinfo", "?");
  cmd_info_->setMaximumWidth(28);
}

void PrintScreen::BuildSummaryOptions() {
  QGroupBox* f = frame_;
  chk_riepilogo_ = NewCheck(f, "ChkRiepilogo", "Riepilogo Assenze/Presenze");
  option1_ = new QButtonGroup(f);
  const char* kinds[] = {"Riepilogo Per Ditta", "Riepilogo Per SottoDitta",
                         "Riepilogo Per Gruppo Orario", "Riepilogo Per Codice Assenza"};
  for (int i = 0; i < 4; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(kinds[i]), f);
    option->setObjectName(QStringLiteral("Option1_%1").arg(i));
    option1_->addButton(option, i);
  }
  option1_->button(0)->setChecked(true);
  chk_totali_ = NewCheck(f, "ChkTotali", "Totalizzazione separata per ogni Dipendente");
  chk_riep_anno_ = NewCheck(f, "ChkRiepAnno",
                            "Esegui il riepilogo su tutto l'anno invece che sul mese selezionato");
}

void PrintScreen::LayOutScreen() {
  QGroupBox* f = frame_;
  QGridLayout* lists = ListsAndPeriodLayout();
  lists->addWidget(chk_sel_tutti_, 2, 1);

  auto* settings = Row({numbering_label_, text_protocollo_, NewLabel(f, "Numero Copie"), n_copie_,
                        NewLabel(f, "Bollo INAIL"), lbl_bollo_});

  auto* sheet_options = new QGridLayout;
  // Two columns of short options over the long ones, so the screen fits a laptop's width.
  sheet_options->addWidget(chk_no_numero_, 0, 0);
  sheet_options->addWidget(chk_bozza_, 0, 1);
  sheet_options->addWidget(chk_pdf_, 1, 0);
  sheet_options->addWidget(check_singolo_, 1, 1);
  sheet_options->addWidget(chk_vidima_, 2, 0);
  sheet_options->addWidget(chk_sede_inail_, 2, 1);
  sheet_options->addWidget(chk_bollo_, 3, 0);
  sheet_options->addWidget(chk_no_teoriche_, 4, 0, 1, 3);
  sheet_options->addWidget(chk_riposo_, 5, 0, 1, 3);
  sheet_options->addWidget(chk_mensilizzato_, 6, 0, 1, 2);
  sheet_options->addWidget(cmd_info_, 6, 2, Qt::AlignLeft);
  sheet_options->setColumnStretch(2, 1);
  auto* summary_options = new QVBoxLayout;
  summary_options->addWidget(chk_riepilogo_);
  for (int i = 0; i < 4; ++i) summary_options->addWidget(option1_->button(i));
  summary_options->addWidget(chk_totali_);
  summary_options->addWidget(chk_riep_anno_);
  auto* options = new QHBoxLayout;
  options->addLayout(sheet_options, 3);
  options->addLayout(summary_options, 2);
  settings->addStretch(1);
  settings->addWidget(cmd_stampa_);
  settings->addWidget(cmd_rit_);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(lists, 1);
  column->addLayout(options);
  column->addLayout(settings);
}

void PrintScreen::ConnectScreen() {
  Connect();
  connect(employees_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) form_.Guard([this, row] { ListDipStp_Click(row); });
  });
  connect(chk_sel_tutti_, &QCheckBox::toggled, this, [this] { ChkSelTuttiStp_Click(); });
  connect(chk_bozza_, &QCheckBox::toggled, this, [this] { chkBozza_Click(); });
  connect(chk_pdf_, &QCheckBox::toggled, this, [this] { ChkPDF_Click(); });
  connect(chk_vidima_, &QCheckBox::clicked, this, [this] { chkVidima_Click(); });
  connect(cmd_info_, &QPushButton::clicked, this, [this] { cmdinfo_Click(); });
  connect(cmd_stampa_, &QPushButton::clicked, this,
          [this] { form_.Guard([this] { CmdStampaStp_Click(); }); });
  opener_ = [this](const std::string& path) { OpenInViewer(path); };
  connect(cmd_rit_, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void PrintScreen::Enter() {
  n_copie_->setText(QStringLiteral("3"));
  const std::filesystem::path file = StampSettingsFile(session_.installation().archive_path,
                                                       session_.installation().installation_code);
  if (!FileExists(file)) return;
  // Any other first character leaves the caption as it was.
  const std::string caption = StampKindCaption(ReadFirstLine(file));
  if (!caption.empty()) lbl_bollo_->setText(FromUtf8(caption));
}

void PrintScreen::CompanyClicked() {
  SelectionScreen::CompanyClicked();
  if (NumberedPerCompany(session_.job())) {
    const std::string number = DefaultSheetNumber(session_.job(), CurrentCompanyCode());
    if (!number.empty()) text_protocollo_->setText(FromUtf8(number));
  }
}

void PrintScreen::ListsRefilled() {
  if (chk_sel_tutti_->isChecked()) employees_->selectAll();
}

void PrintScreen::ListDipStp_Click(int row) {
  const std::string key = EntryAt(employees_, row).code;
  if (key.empty()) return;
  session_.lists().LoadEmployee(year(), key);
}

void PrintScreen::ChkSelTuttiStp_Click() {
  if (chk_sel_tutti_->isChecked()) {
    employees_->selectAll();
  } else {
    employees_->clearSelection();
  }
}

void PrintScreen::chkBozza_Click() {
  // A draft is never numbered.
  const bool draft = chk_bozza_->isChecked();
  chk_no_numero_->setEnabled(!draft);
  text_protocollo_->setEnabled(!draft);
}

void PrintScreen::ChkPDF_Click() {
  // Copies are for the printer; one file per employee only for PDF.
  const bool pdf = chk_pdf_->isChecked();
  check_singolo_->setEnabled(pdf);
  if (!pdf) check_singolo_->setChecked(false);
  n_copie_->setEnabled(!pdf);
}

void PrintScreen::chkVidima_Click() {
  if (!chk_vidima_->isChecked()) return;
  form_.dialogs().Show(
      " Se si intende stampare il foglio Presenze/Assenze con l'INTESTAZIONELASER della ditta, "
      "selezionare quella di interesse dalla lista.",
      kFormCaption, MessageIcon::kInformation);
}

void PrintScreen::cmdinfo_Click() {
  Dialogs& d = form_.dialogs();
  d.Show(
      "Con la prima opzione, il cartellino stampato in corrispondenza delle ore lavorate, "
      "riporterà , per i dipendenti che hanno nel campo 'P767 Tipo stampa pres/ass.=1' la "
      "lettera 'P' (presenza) in sostituzione delle ore lavorate, e la lettera 'A' (assenza) "
      "in caso di giornata non lavorata e non festiva",
      kFormCaption, MessageIcon::kInformation);
  d.Show(
      "Con la seconda opzione, il cartellino stampato in corrispondenza delle giornate non "
      "lavorate in base al gruppo orario, riporterà , la lettera 'R' (Riposo) in sostituzione "
      "degli spazi bianchi.",
      kFormCaption, MessageIcon::kInformation);
  d.Show(
      "N.B. Per la gestione in stampa dei co.co.co/pro e borsisti il programma testa i "
      "relativi campi P447 e P529 in alternativa al campo 'P767 Tipo stampa pres/ass.=1'",
      kFormCaption, MessageIcon::kInformation);
}

void PrintScreen::CmdStampaStp_Click() {
  std::vector<std::string> entries;  // the selected employee keys
  for (int row = 0; row < employees_->count(); ++row) {
    if (employees_->item(row)->isSelected()) entries.push_back(EntryAt(employees_, row).code);
  }
  const std::string company = CurrentCompanyCode();
  std::string opened;
  std::string notice;  // whose password protects the files
  bool one_per_employee = false;

  if (chk_riepilogo_->isChecked() && !chk_vidima_->isChecked()) {
    SummaryRequest r;
    r.year = year();
    r.month = month();
    r.company = company;
    r.employees = entries;
    r.whole_year = chk_riep_anno_->isChecked();
    r.pdf = chk_pdf_->isChecked();
    const int kind = option1_->checkedId();
    r.kind = kind == 1                  ? SummaryKind::kSubCompany
             : kind == 2                ? SummaryKind::kGroup
             : kind == 3                ? SummaryKind::kJustification
             : chk_totali_->isChecked() ? SummaryKind::kEmployees
                                        : SummaryKind::kCompany;
    SummaryResult result;
    form_.RunJob([&](JobProgress& progress) {
      r.progress = [&](size_t index, size_t total, std::string_view key) {
        Report(progress, index, total, key);
      };
      result = STAMPARIEPILOGOMESE(session_.job(), r);
    });
    opened = result.pdf_file;
    if (result.protected_file) notice = ProtectionNotice(PdfPasswordOwner::kCompany, 1, 1);
  } else {
    SheetRunRequest r;
    r.year = year();
    r.month = month();
    r.company = company;
    r.employees = entries;
    r.validation = chk_vidima_->isChecked();
    r.pdf = chk_pdf_->isChecked();
    r.one_file_per_employee = check_singolo_->isChecked();
    r.copies = ToUtf8(n_copie_->text());
    r.year_summary = chk_riep_anno_->isChecked();
    r.options.draft = chk_bozza_->isChecked();
    r.options.no_number = chk_no_numero_->isChecked();
    r.options.no_theoretical = chk_no_teoriche_->isChecked();
    r.options.rest_letter = chk_riposo_->isChecked();
    r.options.presence_letters = chk_mensilizzato_->isChecked();
    r.options.stamp = chk_bollo_->isChecked();
    r.options.inail_office = chk_sede_inail_->isChecked();
    r.options.stamp_kind = ReadStampKind(session_.installation().archive_path,
                                         session_.installation().installation_code);
    r.options.number_text = ToUtf8(text_protocollo_->text());
    SheetRunResult result;
    form_.RunJob([&](JobProgress& progress) {
      r.progress = [&](size_t index, size_t total, std::string_view key) {
        Report(progress, index, total, key);
      };
      result = PrintMonthlySheets(session_.job(), r);
    });
    notice = ProtectionNotice(result.password, result.protected_files, result.pdf_files.size());
    text_protocollo_->setText(FromUtf8(result.number_text));
    if (r.validation) chk_vidima_->setChecked(false);
    one_per_employee = r.one_file_per_employee;
    if (!result.pdf_files.empty())
      opened = one_per_employee ? result.pdf_folder : result.pdf_files[0];
  }
  if (opened.empty()) return;
  if (!notice.empty()) form_.dialogs().Show(notice, kFormCaption, MessageIcon::kInformation);
  if (!opener_) return;
  const char* question =
      one_per_employee ? "Aprire la cartella dei file PDF creati?" : "Aprire il file PDF creato?";
  if (form_.dialogs().Ask(question, kFormCaption, MessageIcon::kQuestion)) opener_(opened);
}

}  // namespace kaveltar::ui

// The printing screen (frame `FrameStpLaser`): the company `ListAziStp`, the employees
// `ListDipStp`, the month `ListMesiStp` and the year `LabAnnoStp`, the sheet numbering
// (`TextProtocollo`), the number of copies `NCopie`, the kind of INAIL stamp `lblBollo`, the
// options of the sheet and of the summaries, and the print button `CmdStampaStp`, which prints
// the monthly sheets or a summary on the printer or as PDF files.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>
#include <functional>
#include <string>

#include "ui/selection_screen.h"

namespace kaveltar::ui {

// The caption of `lblBollo` for the first line of the stamp settings file: "0" Rettangolare,
// "1" Circolare, "2" Da file, "3" Standard; "" for anything else.
std::string StampKindCaption(std::string_view first_line);
// The stamp settings file of an installation: BOLLOSTAMP followed by the installation code,
// in the archive folder.
std::filesystem::path StampSettingsFile(const std::filesystem::path& archive_folder,
                                        std::string_view installation_code);

// Told when the desktop has no application that opens a finished file (or folder) `path`.
std::string NoViewerText(const std::string& path, bool folder);

class PrintScreen : public SelectionScreen {
 public:
  explicit PrintScreen(FRMVELTAR& form);

  // Menu entry 5: three copies, and the stamp kind from the stamp settings file.
  void Enter();

  // The employee click: the employee becomes the current employee record, read through the
  // shown year's index.
  void ListDipStp_Click(int row);

  // The print button: the monthly sheets, or the summary chosen with `Option1` when
  // "Riepilogo Assenze/Presenze" is ticked, drawn on a worker thread under the waiting panel.
  // After a PDF run the operator is told when the files are protected, and by whose password;
  // then may open the folder (one file per employee) or the file with the desktop viewer, and
  // is told when no viewer can open it.
  void CmdStampaStp_Click();
  void cmdinfo_Click();
  void chkVidima_Click();
  void chkBozza_Click();
  void ChkPDF_Click();
  void ChkSelTuttiStp_Click();

  // Opens a file or folder with the desktop viewer, telling the operator when none can;
  // tests replace it.
  void set_opener(std::function<void(const std::string&)> opener) { opener_ = std::move(opener); }
  // The default opener.
  void OpenInViewer(const std::string& path);

 protected:
  // Besides the employee list: with numbering per company, the company's page number.
  void CompanyClicked() override;
  void ListsRefilled() override;

 private:
  // The screen built in steps: the lists and the sheet settings, the sheet options, the
  // summary options, their places on the screen, their handlers.
  void BuildListsAndSettings();
  void BuildSheetOptions();
  void BuildSummaryOptions();
  void LayOutScreen();
  void ConnectScreen();

  QPushButton* cmd_info_ = nullptr;
  QPushButton* cmd_stampa_ = nullptr;
  QPushButton* cmd_rit_ = nullptr;
  QCheckBox* chk_sel_tutti_ = nullptr;
  QLabel* numbering_label_ = nullptr;
  QLineEdit* text_protocollo_ = nullptr;
  QLineEdit* n_copie_ = nullptr;
  QLabel* lbl_bollo_ = nullptr;
  QCheckBox* chk_no_numero_ = nullptr;
  QCheckBox* chk_bozza_ = nullptr;
  QCheckBox* chk_pdf_ = nullptr;
  QCheckBox* check_singolo_ = nullptr;
  QCheckBox* chk_vidima_ = nullptr;
  QCheckBox* chk_sede_inail_ = nullptr;
  QCheckBox* chk_bollo_ = nullptr;
  QCheckBox* chk_no_teoriche_ = nullptr;
  QCheckBox* chk_riposo_ = nullptr;
  QCheckBox* chk_mensilizzato_ = nullptr;
  QCheckBox* chk_riepilogo_ = nullptr;
  QButtonGroup* option1_ = nullptr;
  QCheckBox* chk_totali_ = nullptr;
  QCheckBox* chk_riep_anno_ = nullptr;
  std::function<void(const std::string&)> opener_;
};

}  // namespace kaveltar::ui

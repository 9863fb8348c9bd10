// The printing screen's selection (frame `FrameStpLaser`): the company `ListAziStp`, the
// employees `ListDipStp`, the month `ListMesiStp` and the year `LabAnnoStp`, the sheet
// numbering (`TextProtocollo`), the number of copies `NCopie` and the kind of INAIL stamp
// `lblBollo`.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>
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

class PrintScreen : public SelectionScreen {
 public:
  explicit PrintScreen(FRMVELTAR& form);

  // Menu entry 5: three copies, and the stamp kind from the stamp settings file.
  void Enter();

  // The employee click: the employee becomes the current employee record, read through the
  // shown year's index.
  void ListDipStp_Click(int row);

 protected:
  // Besides the employee list: with numbering per company, the company's page number.
  void CompanyClicked() override;
  void ListsRefilled() override;

 private:
  QCheckBox* chk_sel_tutti_ = nullptr;
  QLabel* numbering_label_ = nullptr;
  QLineEdit* text_protocollo_ = nullptr;
  QLineEdit* n_copie_ = nullptr;
  QLabel* lbl_bollo_ = nullptr;
};

}  // namespace kaveltar::ui

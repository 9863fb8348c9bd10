// The external import screen (frame `FrameImporta`, "GUIDA AL CARICAMENTO DEL FILE DI
// PRESENZE"): the kind of file `OptTipofile`(0..2), the file search `CmdCerca` with the file
// dialog and its filter, the chosen path `lblNomeFileImport`, the four check results
// `lblRisultato`(0..3) in green ("Corretta") or red ("Errata"), the import `CmdImportaFile`,
// the layout print `CmdStampaImp` and the return `CmdRitImp`.
#pragma once

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <functional>
#include <memory>

#include "exchange/attendance_import.h"

namespace kaveltar::ui {

class FRMVELTAR;

class ImportScreen : public QObject {
 public:
  explicit ImportScreen(FRMVELTAR& form);
  QGroupBox* frame() const { return frame_; }

  // How a file is chosen: given the dialog's filter ("Testo (*.EST)"), returns the chosen
  // path or an empty text when the operator cancels. The default is the file-open dialog.
  using FileChooser = std::function<QString(const QString& filter)>;
  void set_file_chooser(FileChooser chooser) { chooser_ = std::move(chooser); }
  // The Qt filter of a kind: the text before "|" of its dialog filter.
  static QString Filter(ImportFileKind kind);
  // The file-open dialog of a kind: Qt's own (Italian) dialog, starting in `folder`, whose
  // filter matches names in capitals and small letters alike (".PRE" and ".pre").
  static std::unique_ptr<QFileDialog> NewFileDialog(QWidget* parent, ImportFileKind kind,
                                                    const QString& folder);

  // Entering from the menu: no file chosen, the four result labels empty, nothing to import.
  void Enter();
  void CmdCerca_Click();
  void CmdImportaFile_Click();
  void CmdStampaImp_Click();
  const ImportState& state() const { return state_; }

 private:
  ImportFileKind Kind() const;
  // Shows the state: path, results in their colours, the import button.
  void Show();

  FRMVELTAR& form_;
  QGroupBox* frame_;
  std::array<QRadioButton*, 3> opt_tipofile_{};
  QLabel* lbl_nome_file_ = nullptr;
  QLabel* lbl_scartate_ = nullptr;  // CSV lines that were not records
  std::array<QLabel*, 4> results_{};
  QPushButton* cmd_cerca_ = nullptr;
  QPushButton* cmd_importa_ = nullptr;
  QPushButton* cmd_stampa_ = nullptr;
  ImportState state_;
  FileChooser chooser_;
};

}  // namespace kaveltar::ui

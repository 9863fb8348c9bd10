// The annual totals of a justification code (frame `FrameCalcolo`, "CALCOLO ANNUALE TOTALE
// GIORNI GIUSTIFICATIVO"): the year `OptAnnoCalcolo`(0..1), the companies of that year
// `ComboDittaCalcolo`, the justification codes `ListElencoCalcolo`, the chosen one
// `LabelGiusSelez`, the days per month `LabelGGMese`(0..11) and their sum `LabelGGTotale`,
// the buttons `CmdCalcolaGG`, `CmdStpRiepilogo` and `CmdRitCalcolo`.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace kaveltar::ui {

class FRMVELTAR;

class TotalsScreen : public QObject {
 public:
  explicit TotalsScreen(FRMVELTAR& form);
  QGroupBox* frame() const { return frame_; }
  // Menu entry 12: `ListElencoCalcolo` gets one line per justification code: the code, the
  // description and "Presenza" (type "P") or "Assenza"; the current year is chosen.
  void Enter();

  void OptAnnoCalcolo_Click(int index);
  void ListElencoCalcolo_Click(int row);
  void CmdCalcolaGG_Click();
  void CmdStpRiepilogo_Click();

 private:
  // The calculate button only while a justification is chosen, the print button only while
  // a total is shown (`LabelGiusSelez_Change`, `LabelGGTotale_Change`).
  void UpdateButtons();
  void ClearCounts();
  bool PreviousYear() const { return opt_anno_[1]->isChecked(); }

  FRMVELTAR& form_;
  QGroupBox* frame_;
  std::array<QRadioButton*, 2> opt_anno_{};
  QComboBox* combo_ditta_;
  QListWidget* list_elenco_;
  QLabel* label_gius_selez_;
  std::array<QLabel*, 12> label_gg_mese_{};
  QLabel* label_gg_totale_;
  QPushButton* cmd_calcola_;
  QPushButton* cmd_stampa_;
};

}  // namespace kaveltar::ui

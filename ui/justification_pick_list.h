// The justification pick list of the memorization screen: the list `ListaCampi`, headed
// "Tabella Giustificativi", that each of the three long-period absence boxes `CMBGIUS`(0..2)
// opens with its button `CMDAPRILIST`(0..2). The list shows every justification code
// (code, a space, description) beside the box; a second click on the same button hides it.
// A double click on a line puts the code into the box and the description into the box's
// label, hides the list and gives the box the focus again.
//
// The screen that owns the boxes creates one JustificationPickBox on its frame and attaches
// its three boxes; the rules are those of JustificationPickList (tables/pick_list.h).
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <array>

#include "tables/pick_list.h"

namespace kaveltar::ui {

class FRMVELTAR;

class JustificationPickBox : public QGroupBox {
 public:
  // The list frame is a hidden child of `parent`, the frame that holds the boxes.
  JustificationPickBox(FRMVELTAR& form, QWidget* parent);

  // Binds box `index` (0-2): its button, the box (a QLineEdit or an editable QComboBox) and
  // the label that shows the chosen description. The button's clicks open and close the list.
  void Attach(int index, QAbstractButton* cmdaprilist, QWidget* cmbgius, QLabel* description);

  // CMDAPRILIST_Click(index): shows the list beside box `index` (filled from the table
  // GIUSTIFICATIVI), or hides it when it is shown for that box.
  void CMDAPRILIST_Click(int index);
  // ListaCampi_DblClick(row): the chosen line into the box the list was opened for.
  void ListaCampi_DblClick(int row);

  QListWidget* list() const { return list_; }

 private:
  struct Binding {
    QPointer<QWidget> box;
    QPointer<QLabel> description;
  };
  // Puts the frame beside the box, inside its parent.
  void PlaceBeside(QWidget* box);

  FRMVELTAR& form_;
  JustificationPickList pick_;
  QListWidget* list_;
  std::array<Binding, JustificationPickList::kBoxes> boxes_{};
};

}  // namespace kaveltar::ui

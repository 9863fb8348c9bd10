#include "ui/justification_pick_list.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/session.h"
#include "base/run_time_error.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"

namespace kaveltar::ui {

JustificationPickBox::JustificationPickBox(FRMVELTAR& form, QWidget* parent)
    : QGroupBox(FromUtf8(kJustificationPickHeading), parent), form_(form) {
  setObjectName(QStringLiteral("FrameListaCampi"));
  setAutoFillBackground(true);
  list_ = NewList(this, "ListaCampi");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->addWidget(list_);
  hide();
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ListaCampi_DblClick(list_->row(item)); });
}

void JustificationPickBox::Attach(int index, QAbstractButton* cmdaprilist, QWidget* cmbgius,
                                  QLabel* description) {
  if (index < 0 || index >= JustificationPickList::kBoxes) return;
  boxes_[static_cast<size_t>(index)] = {cmbgius, description};
  connect(cmdaprilist, &QAbstractButton::clicked, this,
          [this, index] { CMDAPRILIST_Click(index); });
}

void JustificationPickBox::CMDAPRILIST_Click(int index) {
  form_.Guard([&] {
    const Status s = pick_.CMDAPRILIST_Click(index, form_.session().db());
    if (!s.ok()) ThrowDatabaseError(s, "GIUSTIFICATIVI");
  });
  if (!pick_.visible()) {
    hide();
    return;
  }
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const std::string& line : pick_.lines()) list_->addItem(FromUtf8(line));
  PlaceBeside(boxes_[static_cast<size_t>(index)].box);
  show();
  raise();
}

void JustificationPickBox::ListaCampi_DblClick(int row) {
  const int index = pick_.box();
  const std::optional<PickedJustification> picked = pick_.ListaCampi_DblClick(row);
  if (!picked) return;
  hide();
  if (index < 0) return;
  const Binding& b = boxes_[static_cast<size_t>(index)];
  if (auto* edit = qobject_cast<QLineEdit*>(b.box.data())) {
    edit->setText(FromUtf8(picked->code));
  } else if (auto* combo = qobject_cast<QComboBox*>(b.box.data())) {
    combo->setCurrentText(FromUtf8(picked->code));
  }
  if (b.description) b.description->setText(FromUtf8(picked->description));
  if (b.box) b.box->setFocus(Qt::OtherFocusReason);
}

void JustificationPickBox::PlaceBeside(QWidget* box) {
  QWidget* area = parentWidget();
  const int width = std::min(360, area->width());
  const int height = std::min(240, area->height());
  QPoint at(0, 0);
  if (box != nullptr) at = box->mapTo(area, QPoint(box->width() + 4, 0));
  // Inside the frame: to the left of the box when there is no room on its right.
  if (at.x() + width > area->width()) {
    at.setX(box != nullptr ? box->mapTo(area, QPoint(0, 0)).x() - width - 4 : 0);
  }
  at.setX(std::clamp(at.x(), 0, area->width() - width));
  at.setY(std::clamp(at.y(), 0, area->height() - height));
  setGeometry(at.x(), at.y(), width, height);
}

}  // namespace kaveltar::ui

#include "ui/screen_layout.h"

namespace kaveltar::ui {

QVBoxLayout* Headed(QWidget* parent, const char* heading, QWidget* body) {
  auto* column = new QVBoxLayout;
  column->setSpacing(2);
  QLabel* label = NewLabel(parent, heading);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  column->addWidget(label);
  column->addWidget(body, 1);
  return column;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch(1);
  return row;
}

}  // namespace kaveltar::ui

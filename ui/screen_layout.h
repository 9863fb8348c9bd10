// Small layout helpers for the screens: a list under its heading, a row of widgets.
#pragma once

#include <QBoxLayout>
#include <QLabel>
#include <QWidget>
#include <initializer_list>

#include "ui/widget_helpers.h"

namespace kaveltar::ui {

// A bold heading over `body`, stacked in a new vertical layout.
QVBoxLayout* Headed(QWidget* parent, const char* heading, QWidget* body);
// The widgets side by side, then a stretch.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets);

}  // namespace kaveltar::ui

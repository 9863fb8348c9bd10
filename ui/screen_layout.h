// Small layout helpers for the screens: a list under its heading, a row of widgets, the keys
// of a panel.
#pragma once

#include <QAbstractButton>
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
// A widget that holds `pages` one over the other, taking turns (the screens show and hide
// them); it is as large as the largest needs, whichever is shown.
QWidget* Pages(QWidget* parent, std::initializer_list<QWidget*> pages);

}  // namespace kaveltar::ui

namespace kaveltar::ui {

// Enter and Esc on a panel, as in a dialog: a key that no control of `panel` used clicks the
// panel's default button (Enter; the focused push button when there is one) or its cancel
// button (Esc), when that button is shown and enabled. Either button may be null.
void SetPanelKeys(QWidget* panel, QAbstractButton* default_button, QAbstractButton* cancel_button);

}  // namespace kaveltar::ui

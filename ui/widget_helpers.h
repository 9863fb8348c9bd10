// The small helpers every screen shares: text between Qt and UTF-8, the key a key press
// types, focus changes the operator makes, Windows colours, and named widgets.
//
// The core works in UTF-8 std::string; Qt in QString. FromUtf8/ToUtf8 are the only
// conversions between the two.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

class QKeyEvent;

namespace kaveltar::ui {

QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

// The key a key press types, as the core's key filters take it: the character's code,
// Backspace (8), Tab (9), Enter (13, either Return or the keypad's Enter) or Esc (27); 0 for
// a key that types nothing (arrows, Delete, function keys, Ctrl/Alt/Meta shortcuts, control
// characters).
int TypedKey(const QKeyEvent* event);

// True for a focus change the operator made (Tab, a click, a shortcut); false when a message
// box, a list's popup or another window took the focus, which the box does not count as
// being left.
bool LeftByOperator(Qt::FocusReason reason);

// A Windows colour value 0x00BBGGRR.
QColor WindowsColour(long colour);

// `font` made bold.
QFont Bold(QFont font);

// Named widgets: `name` is the object name the tests and the behaviour use (nullptr for a
// label without one); captions are UTF-8.
QPushButton* NewButton(QWidget* parent, const char* name, const char* caption);
QLabel* NewLabel(QWidget* parent, const char* text, const char* name = nullptr);
QComboBox* NewCombo(QWidget* parent, const char* name);
QCheckBox* NewCheck(QWidget* parent, const char* name, const char* caption);
QGroupBox* NewFrame(QWidget* parent, const QString& name, const char* caption);

}  // namespace kaveltar::ui

// Widgets shared by the selection screens: the fixed-column list boxes, the month lists, the
// order options and the year label with its back/forward buttons.
//
// Control arrays keep their name and index: element i of the array `Name` has the object name
// "Name_i" and the dynamic property "index" = i (so `cmdPulsante` index 3 is "cmdPulsante_3",
// `CmdAnnoMem` index 0 is "CmdAnnoMem_0").
//
// List entries come from the core with their code, name and fixed-column line in the
// archives' Windows-1252 bytes. An item shows the line converted to UTF-8 and keeps the
// entry's original bytes (line, code and name under Qt::UserRole and the two roles after it),
// which is what is handed back to the core.
#pragma once

#include <QButtonGroup>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

inline constexpr std::array<const char*, 12> kMonthNames = {
    "Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
    "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};

// Object name of element `index` of a control array.
QString ArrayName(const char* name, int index);
// Gives `widget` the name and index of an element of a control array.
void SetArrayName(QWidget* widget, const char* name, int index);

// The fixed-width font of the lists, so the columns of the lines stay aligned.
QFont ListFont();

// A list box with the fixed-width font.
QListWidget* NewList(QWidget* parent, const char* name,
                     QAbstractItemView::SelectionMode mode = QAbstractItemView::SingleSelection);

// Replaces the items of `list` with `entries`, without emitting selection signals.
void SetEntries(QListWidget* list, const std::vector<ListEntry>& entries);
// The entry of a row (empty for a row that does not exist).
ListEntry EntryAt(const QListWidget* list, int row);
std::vector<ListEntry> AllEntries(const QListWidget* list);
// The Windows-1252 line of a row ("" for a row that does not exist).
std::string LineAt(const QListWidget* list, int row);
std::vector<std::string> AllLines(const QListWidget* list);

// The twelve months "Gennaio" ... "Dicembre" with `month` (1-12) selected.
QListWidget* NewMonthList(QWidget* parent, const char* name, int month);

// Two option buttons `name`_0 and `name`_1 in an exclusive group (ids 0 and 1); option 0 is
// chosen. The buttons are children of `parent`; the caller lays them out.
QButtonGroup* NewOrderOption(QWidget* parent, const char* name, const char* caption0,
                             const char* caption1);

// The year of a screen: its label (`label_name`) between the back (index 0) and forward
// (index 1) buttons of the array `buttons_name`. The buttons move the year with the limits
// and messages of YearNavigator; after a change `changed` runs.
class YearBox : public QWidget {
 public:
  YearBox(QWidget* parent, const char* label_name, const char* buttons_name, int processing_year,
          Dialogs& dialogs);

  int year() const { return navigator_.shown(); }
  int distance() const { return navigator_.distance(); }
  QLabel* label() const { return label_; }
  void set_changed(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  void Move(bool forward);

  YearNavigator navigator_;
  Dialogs& dialogs_;
  QLabel* label_;
  QPushButton* back_;
  QPushButton* forward_;
  std::function<void()> changed_;
};

}  // namespace kaveltar::ui

// The justification pick list of the memorization screen (CMDAPRILIST / ListaCampi): each of
// the three long-period absence boxes CMBGIUS(0..2) has a button that shows the list of all
// justification codes beside the box; a double click on a line puts the code into the box
// and the description into the box's label.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

inline constexpr std::string_view kJustificationPickHeading = "Tabella Giustificativi";

// One line per GIUSTIFICATIVI row in key order: KGIUS, a space, GIUS_1.
Result<std::vector<std::string>> JustificationPickLines(AttendanceDb& db);

struct PickedJustification {
  std::string code;         // the line's first three characters, trimmed
  std::string description;  // the rest of the line, trimmed
  bool operator==(const PickedJustification&) const = default;
};
PickedJustification ParsePickLine(std::string_view line);

class JustificationPickList {
 public:
  static constexpr int kBoxes = 3;

  // CMDAPRILIST_Click(box): a second click on the button of the box the list is shown for
  // hides it; otherwise the list is filled from the table and shown beside `box`.
  Status CMDAPRILIST_Click(int box, AttendanceDb& db);
  // ListaCampi_DblClick(line): the choice for the box the list was shown for (the screen
  // puts code and description there and gives the box the focus); the list is hidden.
  // nullopt when no list is shown or the index is outside it.
  std::optional<PickedJustification> ListaCampi_DblClick(int line);

  bool visible() const { return visible_; }
  int box() const { return box_; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  bool visible_ = false;
  int box_ = -1;
  std::vector<std::string> lines_;
};

}  // namespace kaveltar

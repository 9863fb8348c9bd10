#include "tables/pick_list.h"

#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {

Result<std::vector<std::string>> JustificationPickLines(AttendanceDb& db) {
  std::vector<JustificationRow> rows;
  if (Status s = db.ListJustifications(&rows); !s.ok()) return s;
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const JustificationRow& r : rows) lines.push_back(r.code + " " + r.gius[1]);
  return lines;
}

PickedJustification ParsePickLine(std::string_view line) {
  return {std::string(Trim(tables_internal::Utf8Left(line, 3))),
          std::string(Trim(tables_internal::Utf8From(line, 3)))};
}

Status JustificationPickList::CMDAPRILIST_Click(int box, AttendanceDb& db) {
  if (box < 0 || box >= kBoxes) return Status::Invalid("CMDAPRILIST: box " + std::to_string(box));
  if (visible_ && box_ == box) {
    visible_ = false;
    return Status::Ok();
  }
  Result<std::vector<std::string>> lines = JustificationPickLines(db);
  if (!lines.ok()) return lines.status();
  lines_ = std::move(*lines);
  box_ = box;
  visible_ = true;
  return Status::Ok();
}

std::optional<PickedJustification> JustificationPickList::ListaCampi_DblClick(int line) {
  if (!visible_ || line < 0 || static_cast<size_t>(line) >= lines_.size()) return std::nullopt;
  visible_ = false;
  return ParsePickLine(lines_[static_cast<size_t>(line)]);
}

}  // namespace kaveltar

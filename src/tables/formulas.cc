#include "tables/formulas.h"

#include <algorithm>

#include "archive/bases.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {

bool FormulaArchive::Read(long number) {
  if (!files_.IsOpen(bases::kFormulas)) files_.FAIOPEN(bases::kFormulas);
  return files_.LEGGIREC(bases::kFormulas, number) == 0;
}

std::string FormulaArchive::Description(std::string_view code) {
  const long number = static_cast<long>(ValInt(Trim(code)));
  if (number < 1 || !Read(number)) return std::string(kFormulaNotFound);
  const std::string& record = files_.RecordBuffer(bases::kFormulas);
  return Cp1252ToUtf8(Trim(codec_.GetField(fields::kZ002, 0, record)));
}

std::vector<std::string> FormulaArchive::CARICA_FORMULE(bool by_code) {
  std::vector<std::string> lines;
  for (long number = 1; Read(number); ++number) {
    const std::string& record = files_.RecordBuffer(bases::kFormulas);
    if (record.compare(0, 2, "99") == 0) continue;
    const std::string code = codec_.GetField(fields::kZ001, 0, record);
    const std::string description =
        PadRight(codec_.GetField(fields::kZ002, 0, record), kFormulaLineDescriptionWidth);
    lines.push_back(Cp1252ToUtf8(by_code ? code + " " + description : description + " " + code));
  }
  // A sorted list box compares its lines ignoring case.
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return ToUpperAscii(a) < ToUpperAscii(b);
  });
  lines.insert(lines.begin(), std::string(kRemoveFormulaLine));
  return lines;
}

std::optional<FormulaArchive::Choice> FormulaArchive::ParseLine(std::string_view line,
                                                                bool by_code) {
  if (line == kRemoveFormulaLine) return std::nullopt;
  Choice choice;
  if (by_code) {
    choice.code = std::string(line.substr(0, 3));
    choice.description = std::string(Trim(tables_internal::Utf8From(line, 4)));
  } else {
    choice.code = std::string(Right(line, 3));
    choice.description =
        std::string(Trim(tables_internal::Utf8Left(line, kFormulaLineDescriptionWidth)));
  }
  return choice;
}

}  // namespace kaveltar

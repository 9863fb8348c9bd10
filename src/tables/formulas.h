// The payroll formulas archive (base 401) as the justification panel uses it. A formula's
// code is its record number; field Z001 holds the code (three digits) and Z002 its
// description (18 characters). Records whose first two characters are "99" are free or
// cancelled formulas and are not offered in the pick list.
//
// The archive is read through ArchiveFiles (the base is opened when it is not open yet) and
// the field codec; its Windows-1252 text is turned into UTF-8 here. Archive failures (a
// damaged file, a bad record length) are RunTimeError for the general error handler.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_files.h"
#include "archive/field_codec.h"

namespace kaveltar {

// Description shown for a code that the archive does not hold.
inline constexpr std::string_view kFormulaNotFound = "FORMULA NON TROVATA";
// First line of the pick list: choosing it empties the formula row.
inline constexpr std::string_view kRemoveFormulaLine = "---------- ELIMINA RIGA ----------";
// Width the description is padded and cut to in a pick-list line.
inline constexpr size_t kFormulaLineDescriptionWidth = 25;

class FormulaArchive {
 public:
  FormulaArchive(ArchiveFiles& files, FieldCodec& codec) : files_(files), codec_(codec) {}

  // The trimmed description of formula `code` (its numeric value is the record number), or
  // "FORMULA NON TROVATA" past the end of the archive or for a value below 1.
  std::string Description(std::string_view code);

  // CARICA_FORMULE: the lines of ListFormule. kRemoveFormulaLine first, then one line per
  // record not beginning with "99": ordered by code, the code, a space and the description
  // padded and cut to 25 characters; otherwise the description so padded, a space and the
  // code. The list keeps its lines in text order (ignoring case), so the first column
  // decides the order.
  std::vector<std::string> CARICA_FORMULE(bool by_code);

  struct Choice {
    std::string code;         // three digits
    std::string description;  // trimmed
  };
  // What a pick-list line puts into a formula row: the code (the first three characters when
  // the list is ordered by code, the last three otherwise) and the trimmed description.
  // nullopt for kRemoveFormulaLine.
  static std::optional<Choice> ParseLine(std::string_view line, bool by_code);

 private:
  // Reads record `number` into the base's buffer; false past the end of the file.
  bool Read(long number);

  ArchiveFiles& files_;
  FieldCodec& codec_;
};

}  // namespace kaveltar

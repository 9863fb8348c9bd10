// The field codec: reads and writes the fields of fixed-length archive records through their
// descriptor texts, e.g. "DIPX$,04209,08,D,0,P013".
//
// Descriptor layout (1-based positions):
//   1-5   repository prefix ("DIPX$", "DITX$", "FISX$", ...)
//   7-11  field position within the record, five digits, 1-based
//   13-14 field width, two digits
//   16    type: "A" text, "N" whole number, "1"-"9" implied decimals, "D" date digits
//   18    flag digit (no meaning for the codec)
//   20-   field code (P013)
//
// Each repository has a current record (the record of that kind last loaded by a caller);
// a field read or written without an explicit record goes to it. Records hold the archive's
// Windows-1252 bytes; conversion to UTF-8 happens where a text is shown.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/dialogs.h"

namespace kaveltar {

struct Descriptor {
  std::string_view repository;  // first five characters
  int position = 0;             // 1-based
  int width = 0;
  char type = 'A';
};

// Splits a descriptor text; nullopt when it is shorter than 16 characters or its position or
// width is not numeric.
std::optional<Descriptor> ParseDescriptor(std::string_view descriptor);

// Rounds half away from zero to `decimals` places (0 means 2) and writes "." decimals.
std::string RoundToText(double x, int decimals);
// Rewrites a text with "E+nn"/"E-nn" as a plain decimal number; other texts are unchanged.
std::string ExpandExponent(std::string_view text);

class FieldCodec {
 public:
  explicit FieldCodec(Dialogs& dialogs) : dialogs_(dialogs) {}

  // The current record of a repository (created empty on first use).
  std::string& CurrentRecord(std::string_view repository);
  void SetCurrentRecord(std::string_view repository, std::string record);

  // Field text; `record` empty = the repository's current record. Numeric types come back
  // with their sign in front and "." before the implied decimals.
  // Unknown repository: throws Fatal("ERRORE REPOSITORY - STRCOSTANTE").
  std::string GetField(std::string_view descriptor, int occurrence = 0,
                       std::string_view record = {});
  // The decimal value of GetField's text (empty text is 0).
  double GetFieldValue(std::string_view descriptor, int occurrence = 0,
                       std::string_view record = {});
  // Writes `value` formatted to the field's width into *record, or into the repository's
  // current record when record is null. A record shorter than the field is written as far as
  // it reaches. Unknown repository: throws Fatal.
  void PutField(std::string_view descriptor, std::string_view value, int occurrence = 0,
                std::string* record = nullptr);
  void PutFieldValue(std::string_view descriptor, double value, int occurrence = 0,
                     std::string* record = nullptr);

  // Character offset of the n-th occurrence of a repeating field (0 for n = 0).
  // A "DI2X$" descriptor without its code letter shows "ERRORE REPOSITORY - LETTERA
  // SCONOSCIUTA" and gives 0.
  int RepeatOffset(std::string_view descriptor, int occurrence);

 private:
  Dialogs& dialogs_;
  std::map<std::string, std::string, std::less<>> current_;
};

}  // namespace kaveltar

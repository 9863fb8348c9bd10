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
// Types, as read and as written:
//   "A"         the bytes as stored        | left-aligned, blank-padded, cut to the width
//   "N"         digits; a stored "-" becomes "0" and the sign goes in front
//                                          | right-aligned, zero-padded, last `width` digits
//                                            kept, "-" over the first position when negative
//   "1"-"9"     as "N", with "." before the last d digits
//                                          | rounded half away from zero to d decimals, the
//                                            point removed, then as "N"
//   any other   the bytes as stored ("D" dates, "0")
//                                          | as "N"
//
// Each repository has a current record (the record of that kind last loaded by a caller);
// a field read or written without an explicit record goes to it. Records hold the archive's
// Windows-1252 bytes; conversion to UTF-8 happens where a text is shown.
#pragma once

#include <array>
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

// Splits a descriptor text; nullopt when it is shorter than 16 characters, its position or
// width is not numeric, or its position is 0.
std::optional<Descriptor> ParseDescriptor(std::string_view descriptor);

// Rounds half away from zero to `decimals` places (0 means 2) and writes "." decimals, with
// no regard to the locale: RoundToText(2.345, 2) is "2.35", RoundToText(0.5, 0) is "0.50".
std::string RoundToText(double x, int decimals);
// Rewrites a text with "E+nn"/"E-nn" as a plain decimal number ("1.5E+03" gives "1500",
// "-2E-03" gives "-0.002"); other texts are unchanged.
std::string ExpandExponent(std::string_view text);

class FieldCodec {
 public:
  // The 24 repository prefixes, in the order of the dictionary's repository table.
  static constexpr int kRepositoryCount = 24;

  explicit FieldCodec(Dialogs& dialogs) : dialogs_(dialogs) {}

  // True when the first five characters of `text` are one of the 24 repository prefixes.
  static bool IsKnownRepository(std::string_view text);

  // The current record of a repository (empty until set). `repository` is a prefix ("DIPX$")
  // or any text that begins with one (a descriptor). Unknown prefix: throws
  // Fatal("ERRORE REPOSITORY - STRCOSTANTE").
  std::string& CurrentRecord(std::string_view repository);
  // Copies `record` into the repository's current record (its storage is reused, so loading
  // one employee after another does not allocate).
  void SetCurrentRecord(std::string_view repository, std::string_view record);

  // Field text; `record` empty = the repository's current record. Numeric types come back
  // with their sign in front and "." before the implied decimals ("0-5" in a type "N" field
  // reads "-005"). A record shorter than the field gives a shorter text.
  // Unknown repository with no explicit record: throws Fatal("ERRORE REPOSITORY -
  // STRCOSTANTE"). A malformed descriptor (see ParseDescriptor) raises RunTimeError 5.
  std::string GetField(std::string_view descriptor, int occurrence = 0,
                       std::string_view record = {});
  // The decimal value of GetField's text (leading sign, digits and "."; empty text is 0),
  // read without regard to the locale and without allocating.
  double GetFieldValue(std::string_view descriptor, int occurrence = 0,
                       std::string_view record = {});
  // Writes `value` formatted to the field's width into *record, or into the repository's
  // current record when record is null. For every type but "A" the first "," of the value
  // counts as the decimal point (a text keeps its commas). A record shorter than the field
  // is written as far as it reaches; a record never changes length. Unknown repository
  // (current record only): throws Fatal. Malformed descriptor: RunTimeError 5.
  void PutField(std::string_view descriptor, std::string_view value, int occurrence = 0,
                std::string* record = nullptr);
  // PutField with the number written as locale-free decimal text (15 significant digits).
  void PutFieldValue(std::string_view descriptor, double value, int occurrence = 0,
                     std::string* record = nullptr);

  // Character offset of the n-th occurrence of a repeating field (0 for n <= 0, for
  // repositories without repeating fields and for positions outside the repeating windows).
  // A "DI2X$" descriptor without its code letter shows "ERRORE REPOSITORY - LETTERA
  // SCONOSCIUTA" and gives 0.
  int RepeatOffset(std::string_view descriptor, int occurrence);

 private:
  // The field's stored characters (before any formatting) and its parsed descriptor.
  std::string_view RawField(std::string_view descriptor, int occurrence, std::string_view record,
                            Descriptor* parsed);

  Dialogs& dialogs_;
  std::array<std::string, kRepositoryCount> current_;
};

}  // namespace kaveltar

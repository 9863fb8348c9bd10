// Character-level helpers for the UTF-8 texts of the tables (database rows, list entries,
// box texts). The tables' list entries are cut at fixed character positions ("the first four
// characters", "from the sixth character on"), and keys typed into a box arrive as Unicode
// code points; these helpers count characters, not bytes, so a description with accented
// letters never shifts a column.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar::tables_internal {

// The first n characters of s.
std::string_view Utf8Left(std::string_view s, size_t n);
// s from its 0-based character position pos on (empty past the end).
std::string_view Utf8From(std::string_view s, size_t pos);
// Number of characters of s.
size_t Utf8Length(std::string_view s);
// Decodes the character at s[*i] and advances *i; a malformed byte counts as the
// Windows-1252 character of the same value (so no text ever stops the loop).
int NextCodePoint(std::string_view s, size_t* i);
// Appends the UTF-8 form of a code point.
void AppendCodePoint(std::string* s, int cp);

// A typed letter in upper case: ASCII letters, the accented Latin-1 letters and the few
// Windows-1252 letters outside Latin-1 (š, œ, ž, ÿ). Anything else is returned unchanged.
int UpperKey(int cp);
// Every character of s through UpperKey.
std::string UpperText(std::string_view s);

}  // namespace kaveltar::tables_internal

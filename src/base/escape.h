// Backslash escapes that keep a text on one line of a line-oriented file: the registry file
// of the platform layer and the rows sent to PostgreSQL with COPY.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

// Appends `text` to `out`, writing each character of `escaped` as a backslash and a letter:
// "\\" for the backslash, "\t", "\n", "\r" for tab and line ends, "\0" for NUL. Every other
// byte (including the ones of `escaped` without a letter) goes as it is.
inline void AppendBackslashEscaped(std::string& out, std::string_view text,
                                   std::string_view escaped) {
  for (char c : text) {
    const char letter = c == '\\'   ? '\\'
                        : c == '\t' ? 't'
                        : c == '\n' ? 'n'
                        : c == '\r' ? 'r'
                        : c == '\0' ? '0'
                                    : 0;
    if (letter != 0 && escaped.find(c) != std::string_view::npos) {
      out += '\\';
      out += letter;
    } else {
      out += c;
    }
  }
}

}  // namespace kaveltar

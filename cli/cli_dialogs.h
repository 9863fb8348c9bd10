// Dialogs for the command line: messages go to standard error as "[title] text"; questions
// are answered by --yes / --no, else from the terminal, else No (and the answer is printed).
//
// Runs without an operator (--yes, --no or no terminal) answer the printer-error questions of
// the general error handler on their own, so a failing printer or a full disk can never keep
// a script asking for ever: the retry question gets Sì at most kUnattendedPrinterRetries times
// in a row (never with --no), then No; the question whether to close the program then gets
// Sì, and the run stops with the printer's reason and a non-zero status instead of going on
// as if the document had printed.
#pragma once

#include <iosfwd>
#include <optional>

#include "base/dialogs.h"

namespace kaveltar::cli {

// Retries of one printer error before an unattended run gives up. A printer that is briefly
// busy or a spool folder that frees up gets a few chances; a dead one stops the run quickly.
inline constexpr int kUnattendedPrinterRetries = 3;

// The title of the program's own messages: the caption of the desktop program's window.
inline constexpr std::string_view kMessageTitle = "Gestione Presenze ( Libro unico del lavoro )";

class CliDialogs : public Dialogs {
 public:
  CliDialogs(std::ostream& err, std::optional<bool> fixed_answer, bool interactive)
      : err_(err), fixed_answer_(fixed_answer), interactive_(interactive) {}
  using Dialogs::Ask;
  using Dialogs::Show;

  void Show(std::string_view text, std::string_view title, MessageIcon icon) override;
  bool Ask(std::string_view text, std::string_view title, MessageIcon icon) override;

 private:
  bool unattended() const { return fixed_answer_.has_value() || !interactive_; }

  std::ostream& err_;
  std::optional<bool> fixed_answer_;
  bool interactive_;
  int printer_retries_ = 0;  // retries granted to the current printer error
};

}  // namespace kaveltar::cli

// Dialogs for the command line: messages go to standard error as "[title] text"; questions
// are answered by --yes / --no, else from the terminal, else No (and the answer is printed).
#pragma once

#include <iosfwd>
#include <optional>

#include "base/dialogs.h"

namespace kaveltar::cli {

class CliDialogs : public Dialogs {
 public:
  CliDialogs(std::ostream& err, std::optional<bool> fixed_answer, bool interactive)
      : err_(err), fixed_answer_(fixed_answer), interactive_(interactive) {}

  void Show(std::string_view text, std::string_view title, MessageIcon icon) override;
  bool Ask(std::string_view text, std::string_view title, MessageIcon icon) override;

 private:
  std::ostream& err_;
  std::optional<bool> fixed_answer_;
  bool interactive_;
};

}  // namespace kaveltar::cli

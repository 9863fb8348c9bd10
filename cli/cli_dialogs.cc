#include "cli/cli_dialogs.h"

#include <iostream>
#include <string>

namespace kaveltar::cli {

void CliDialogs::Show(std::string_view text, std::string_view title, MessageIcon) {
  err_ << "[" << title << "] " << text << "\n";
}

bool CliDialogs::Ask(std::string_view text, std::string_view title, MessageIcon) {
  err_ << "[" << title << "] " << text << " (s/n) ";
  bool answer = false;
  if (fixed_answer_) {
    answer = *fixed_answer_;
  } else if (interactive_) {
    std::string line;
    err_.flush();
    if (std::getline(std::cin, line)) answer = !line.empty() && (line[0] == 's' || line[0] == 'S' || line[0] == 'y' || line[0] == 'Y');
  }
  err_ << (answer ? "Sì" : "No") << "\n";
  return answer;
}

}  // namespace kaveltar::cli

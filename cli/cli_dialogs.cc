#include "cli/cli_dialogs.h"

#include <iostream>
#include <string>

#include "app/report_error.h"

namespace kaveltar::cli {

void CliDialogs::Show(std::string_view text, std::string_view title, MessageIcon) {
  err_ << "[" << title << "] " << text << "\n";
}

bool CliDialogs::Ask(std::string_view text, std::string_view title, MessageIcon) {
  err_ << "[" << title << "] " << text << " (s/n) ";
  bool answer = false;
  if (unattended() && text == kPrinterRetryQuestion) {
    // Sì while retries remain (not with --no), then give up on this error.
    answer =
        fixed_answer_ != std::optional<bool>(false) && printer_retries_ < kUnattendedPrinterRetries;
    printer_retries_ = answer ? printer_retries_ + 1 : 0;
  } else if (unattended() && text == kPrinterCloseQuestion) {
    // Going on would lose the document while the run reports success: stop instead.
    answer = true;
  } else if (fixed_answer_) {
    answer = *fixed_answer_;
  } else if (interactive_) {
    std::string line;
    err_.flush();
    if (std::getline(std::cin, line))
      answer =
          !line.empty() && (line[0] == 's' || line[0] == 'S' || line[0] == 'y' || line[0] == 'Y');
  }
  if (text != kPrinterRetryQuestion) printer_retries_ = 0;
  err_ << (answer ? "Sì" : "No") << "\n";
  return answer;
}

}  // namespace kaveltar::cli

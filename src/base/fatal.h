// Fatal: the program ends. Thrown where the original program shows a message and stops; the
// front end shows the text (when there is one) with its title and icon, then exits non-zero.
// An empty text ends the program silently (a second copy started).
#pragma once

#include <stdexcept>
#include <string>

#include "base/dialogs.h"

namespace kaveltar {

class Fatal : public std::runtime_error {
 public:
  explicit Fatal(std::string text, std::string title = "Salarion",
                 MessageIcon icon = MessageIcon::kCritical, int exit_status = 1)
      : std::runtime_error(text),
        text_(std::move(text)),
        title_(std::move(title)),
        icon_(icon),
        exit_status_(exit_status) {}

  // Ends the program without any message.
  static Fatal Silent(int exit_status = 0) {
    return Fatal("", "", MessageIcon::kNone, exit_status);
  }

  const std::string& text() const { return text_; }
  const std::string& title() const { return title_; }
  MessageIcon icon() const { return icon_; }
  int exit_status() const { return exit_status_; }

 private:
  std::string text_;
  std::string title_;
  MessageIcon icon_;
  int exit_status_;
};

}  // namespace kaveltar

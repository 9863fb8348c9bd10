// The Dialogs interface: how the core talks to the operator in the middle of its work.
// The desktop program implements it with message boxes, kaveltar-cli with standard error and
// --yes/--no, the tests with RecordingDialogs. All texts are UTF-8.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace kaveltar {

enum class MessageIcon { kNone, kInformation, kExclamation, kCritical, kQuestion };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows a message and returns when the operator has seen it.
  virtual void Show(std::string_view text, std::string_view title, MessageIcon icon) = 0;
  // Asks a Yes/No question; true means Yes.
  virtual bool Ask(std::string_view text, std::string_view title, MessageIcon icon) = 0;

  // The same, titled with the caption of the front end's main window, as the program's own
  // messages are. The front end names its caption before the work starts; until then the
  // title is empty.
  void Show(std::string_view text, MessageIcon icon) { Show(text, window_caption_, icon); }
  bool Ask(std::string_view text, MessageIcon icon) { return Ask(text, window_caption_, icon); }
  void set_window_caption(std::string_view caption) { window_caption_ = caption; }
  const std::string& window_caption() const { return window_caption_; }

 private:
  std::string window_caption_;
};

// Records every message and question; answers questions from a queue, then with a default.
class RecordingDialogs : public Dialogs {
 public:
  using Dialogs::Ask;
  using Dialogs::Show;
  struct Entry {
    bool question = false;
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::kNone;
    bool answer = false;
  };

  void Show(std::string_view text, std::string_view title, MessageIcon icon) override;
  bool Ask(std::string_view text, std::string_view title, MessageIcon icon) override;

  // Answers given, in order, to the next questions.
  void QueueAnswers(std::initializer_list<bool> answers);
  void set_default_answer(bool answer) { default_answer_ = answer; }

  const std::vector<Entry>& entries() const { return entries_; }
  // The texts of all messages and questions, in order.
  std::vector<std::string> Texts() const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
  std::deque<bool> answers_;
  bool default_answer_ = false;
};

}  // namespace kaveltar

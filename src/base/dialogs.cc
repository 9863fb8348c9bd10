#include "base/dialogs.h"

namespace kaveltar {

void RecordingDialogs::Show(std::string_view text, std::string_view title, MessageIcon icon) {
  entries_.push_back({false, std::string(text), std::string(title), icon, false});
}

bool RecordingDialogs::Ask(std::string_view text, std::string_view title, MessageIcon icon) {
  bool answer = default_answer_;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  entries_.push_back({true, std::string(text), std::string(title), icon, answer});
  return answer;
}

void RecordingDialogs::QueueAnswers(std::initializer_list<bool> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> RecordingDialogs::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(entries_.size());
  for (const auto& e : entries_) texts.push_back(e.text);
  return texts;
}

}  // namespace kaveltar

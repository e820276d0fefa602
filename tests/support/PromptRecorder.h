#pragma once
// Answers the installer's message boxes in tests and records what they said.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "ui/Prompts.h"

namespace kaze::test {

struct RecordedMessage {
  std::string text;
  std::string caption;
  UINT style;
};

// While alive, every ShowMessage is recorded and answered with the next queued answer
// (IDOK when none is queued).
class PromptRecorder {
 public:
  PromptRecorder() : previous_(SetMessageBoxHandler(&Handle)) { current() = this; }
  ~PromptRecorder() {
    SetMessageBoxHandler(previous_);
    current() = nullptr;
  }
  PromptRecorder(const PromptRecorder&) = delete;
  PromptRecorder& operator=(const PromptRecorder&) = delete;

  void Answer(int answer) { answers_.push_back(answer); }
  const std::vector<RecordedMessage>& messages() const { return messages_; }

 private:
  static PromptRecorder*& current() {
    static PromptRecorder* instance = nullptr;
    return instance;
  }
  static int Handle(HWND, const char* text, const char* caption, UINT style) {
    PromptRecorder* self = current();
    self->messages_.push_back({text ? text : "", caption ? caption : "", style});
    if (self->answers_.empty()) return IDOK;
    int answer = self->answers_.front();
    self->answers_.pop_front();
    return answer;
  }

  MessageBoxHandler previous_;
  std::deque<int> answers_;
  std::vector<RecordedMessage> messages_;
};

}  // namespace kaze::test

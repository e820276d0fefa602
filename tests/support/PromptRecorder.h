#pragma once
// Answers the installer's prompts in tests and records what they asked: message boxes,
// the open-file dialog and the folder browser.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/Prompts.h"

namespace kaze::test {

struct RecordedMessage {
  std::string text;
  std::string caption;
  UINT style;
};

struct RecordedOpenFile {
  std::string initialName;
  std::string filter;  // with its NULs shown as '|'
  std::string defaultExtension;
  DWORD flags;
};

// While alive, every prompt is recorded and answered from the queues: message boxes with
// the next queued answer (IDOK when none is queued), the open-file dialog with the next
// queued path (nullopt or none queued: cancelled), the folder browser likewise.
class PromptRecorder {
 public:
  PromptRecorder()
      : previousMessage_(SetMessageBoxHandler(&HandleMessage)),
        previousOpen_(SetOpenFileHandler(&HandleOpen)),
        previousBrowse_(SetBrowseFolderHandler(&HandleBrowse)) {
    current() = this;
  }
  ~PromptRecorder() {
    SetMessageBoxHandler(previousMessage_);
    SetOpenFileHandler(previousOpen_);
    SetBrowseFolderHandler(previousBrowse_);
    current() = nullptr;
  }
  PromptRecorder(const PromptRecorder&) = delete;
  PromptRecorder& operator=(const PromptRecorder&) = delete;

  void Answer(int answer) { answers_.push_back(answer); }
  void AnswerOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
  void AnswerBrowse(std::optional<std::string> folder) { browseAnswers_.push_back(std::move(folder)); }

  const std::vector<RecordedMessage>& messages() const { return messages_; }
  const std::vector<RecordedOpenFile>& openFiles() const { return openFiles_; }
  const std::vector<std::string>& browseTitles() const { return browseTitles_; }

 private:
  static PromptRecorder*& current() {
    static PromptRecorder* instance = nullptr;
    return instance;
  }
  static int HandleMessage(HWND, const char* text, const char* caption, UINT style) {
    PromptRecorder* self = current();
    self->messages_.push_back({text ? text : "", caption ? caption : "", style});
    if (self->answers_.empty()) return IDOK;
    int answer = self->answers_.front();
    self->answers_.pop_front();
    return answer;
  }
  static BOOL HandleOpen(OPENFILENAMEA* request) {
    PromptRecorder* self = current();
    RecordedOpenFile record;
    record.initialName = request->lpstrFile ? request->lpstrFile : "";
    for (const char* f = request->lpstrFilter; f && *f; f += std::strlen(f) + 1) {
      record.filter += f;
      record.filter += '|';
    }
    record.defaultExtension = request->lpstrDefExt ? request->lpstrDefExt : "";
    record.flags = request->Flags;
    self->openFiles_.push_back(record);
    std::optional<std::string> answer;
    if (!self->openAnswers_.empty()) {
      answer = self->openAnswers_.front();
      self->openAnswers_.pop_front();
    }
    if (!answer || answer->size() + 1 > request->nMaxFile) return FALSE;
    std::strcpy(request->lpstrFile, answer->c_str());
    return TRUE;
  }
  static LPITEMIDLIST HandleBrowse(BROWSEINFOA* request) {
    PromptRecorder* self = current();
    self->browseTitles_.push_back(request->lpszTitle ? request->lpszTitle : "");
    std::optional<std::string> answer;
    if (!self->browseAnswers_.empty()) {
      answer = self->browseAnswers_.front();
      self->browseAnswers_.pop_front();
    }
    if (!answer) return nullptr;
    // A real item list of the folder, as the browser gives one.
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, answer->c_str(), -1, wide, MAX_PATH);
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHParseDisplayName(wide, nullptr, &list, 0, nullptr))) return nullptr;
    return list;
  }

  MessageBoxHandler previousMessage_;
  OpenFileHandler previousOpen_;
  BrowseFolderHandler previousBrowse_;
  std::deque<int> answers_;
  std::deque<std::optional<std::string>> openAnswers_;
  std::deque<std::optional<std::string>> browseAnswers_;
  std::vector<RecordedMessage> messages_;
  std::vector<RecordedOpenFile> openFiles_;
  std::vector<std::string> browseTitles_;
};

}  // namespace kaze::test

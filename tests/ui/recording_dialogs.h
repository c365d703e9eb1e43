// A DialogPresenter that records what would have been shown and answers the
// folder browser from a queue, so no test ever waits on a modal dialog.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialog_presenter.h"

namespace sfx::test {

struct ShownMessage {
  std::string text;   // program texts
  int flags = 0;
  std::string title;
};

struct FolderRequest {
  std::string instruction;
  bool includeFiles = false;
};

class RecordingDialogs final : public DialogPresenter {
 public:
  void showMessage(std::string_view text, int flags, std::string_view title) override {
    messages.push_back({std::string(text), flags, std::string(title)});
    if (whileMessageShown) whileMessageShown();
  }

  std::string browseFolder(std::string_view instruction, bool includeFiles) override {
    folderRequests.push_back({std::string(instruction), includeFiles});
    if (folderAnswers.empty()) return {};  // as if cancelled
    std::string answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
  }

  std::vector<ShownMessage> messages;
  std::vector<FolderRequest> folderRequests;
  std::deque<std::string> folderAnswers;  // an empty answer is a Cancel
  std::function<void()> whileMessageShown;
};

}  // namespace sfx::test

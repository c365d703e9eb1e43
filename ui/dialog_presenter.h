// The program's modal dialogs, behind an interface so that tests record them
// instead of blocking on them. Texts are program texts (GB18030).
#pragma once

#include <string>
#include <string_view>

namespace sfx {

class DialogPresenter {
 public:
  virtual ~DialogPresenter() = default;

  // A box with one OK button, modal for the whole program; `flags` holds the
  // icon (0, 16, 48 or 64). Returns when the user has closed it.
  virtual void showMessage(std::string_view text, int flags, std::string_view title) = 0;

  // The folder browser, showing `instruction`. With `includeFiles` a file can
  // be chosen as well. Returns the chosen path without a trailing "/" (except
  // for the root, "/"), or the empty text on Cancel.
  virtual std::string browseFolder(std::string_view instruction, bool includeFiles) = 0;
};

}  // namespace sfx

// The real dialogs: QMessageBox and a folder-choosing QFileDialog.
#pragma once

#include "ui/dialog_presenter.h"

namespace sfx {

class QtDialogPresenter final : public DialogPresenter {
 public:
  void showMessage(std::string_view text, int flags, std::string_view title) override;
  std::string browseFolder(std::string_view instruction, bool includeFiles) override;
};

}  // namespace sfx

#include "app/frame_handlers.h"

#include <string>

#include "platform/encoding.h"
#include "text/text_number.h"

namespace sfx {

void onMainWindowCreated(Toolkit& ui, AppState& state, std::string_view defaultFolder, const Clock& clock) {
  state.savePath = defaultFolder;
  ui.setStatusText(0, dateTimeText(clock));
}

void onBrowseClick(Toolkit& ui, DialogPresenter& dialogs, AppState& state, std::string_view defaultFolder) {
  const std::string chosen = dialogs.browseFolder(programText("选择保存路径"), true);
  if (!chosen.empty()) {
    // Appended even after the root "/": the save folder is used as a plain prefix.
    const std::string folder = chosen + "/";
    ui.setEditText(EditBox::SavePath, folder);
    state.savePath = folder;
    return;
  }
  ui.setEditText(EditBox::SavePath, defaultFolder);
  state.savePath = ui.editText(EditBox::SavePath);
}

void onSaveFolderEdited(Toolkit& ui, AppState& state) { state.savePath = ui.editText(EditBox::SavePath); }

void onClearClick(Toolkit& ui) { ui.deleteAllRows(); }

bool addManualRow(Toolkit& ui, AppState& state, std::string_view title, std::string_view url) {
  if (!ui.mainWindowOpen()) return false;
  const int row = ui.appendRow();
  if (row < 0) return false;
  state.currentRow = row;
  ui.setCell(row, kColumnId, realToText(row + 1.0));
  ui.setCell(row, kColumnTitle, title);
  ui.setCell(row, kColumnUrl, url);
  return true;
}

}  // namespace sfx

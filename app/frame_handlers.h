// The handlers of the frame: MainWindow's created event, the save folder,
// clearing the list and adding a row by hand. Plain functions over the
// Toolkit, the dialogs and AppState, so tests can run them on a fake.
#pragma once

#include <string_view>

#include "app/app_state.h"
#include "app/date_time_text.h"
#include "ui/dialog_presenter.h"
#include "ui/toolkit.h"

namespace sfx {

// MainWindow has been created: the save folder is the box's default, and
// status part 0 shows the date and weekday, set once for the whole run.
void onMainWindowCreated(Toolkit& ui, AppState& state, std::string_view defaultFolder, const Clock& clock);

// Click of 按钮_浏览: the chosen folder (or file) with "/" appended becomes
// the save folder; Cancel puts back the default.
void onBrowseClick(Toolkit& ui, DialogPresenter& dialogs, AppState& state, std::string_view defaultFolder);

// The user edited 编辑框_保存路径; a write by the program does not come here.
void onSaveFolderEdited(Toolkit& ui, AppState& state);

// Click of 按钮_清空: the rows go, nothing else changes.
void onClearClick(Toolkit& ui);

// Click of 按钮1 of ManualAddWindow: appends a row with the next ID and the
// title and URL exactly as typed, and makes it the current row. Returns
// false, adding nothing, when there is no list to add to (MainWindow closed).
[[nodiscard]] bool addManualRow(Toolkit& ui, AppState& state, std::string_view title, std::string_view url);

}  // namespace sfx

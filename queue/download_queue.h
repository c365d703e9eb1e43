// The queue's steps in the program's start-up and exit.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "queue/download.h"

namespace sfx {

// Gives `state` a task record with its start-up values and the empty engine object.
void initDownloadQueue(AppState& state, std::unique_ptr<Download> emptyDownloader);

// Releases the record, then destroys the engine object, stopping a running task.
void releaseDownloadQueue(AppState& state);

}  // namespace sfx

// sfx-harvester: batch harvester and downloader for a sound-effect site.
#include <QApplication>
#include <memory>

#include "app/app_state.h"
#include "app/application.h"
#include "platform/curl_download.h"
#include "queue/download_queue.h"
#include "ui/window_frame.h"

int main(int argc, char** argv) {
  // Outlives every window and the exit routine.
  static sfx::AppState state;

  QApplication toolkit(argc, argv);
  sfx::setApplicationFont();

  sfx::ApplicationParts parts;
  parts.startQueue = [](sfx::AppState& s) { sfx::initDownloadQueue(s, std::make_unique<sfx::CurlDownload>()); };
  parts.releaseQueue = sfx::releaseDownloadQueue;
  sfx::Application application(state, std::move(parts));
  return application.run();
}

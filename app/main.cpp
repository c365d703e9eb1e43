// sfx-harvester: batch harvester and downloader for a sound-effect site.
#include <QApplication>
#include <memory>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/application.h"
#include "app/core_handlers.h"
#include "platform/curl_download.h"
#include "platform/page_fetch.h"
#include "queue/download_queue.h"
#include "ui/window_frame.h"

int main(int argc, char** argv) {
  // Outlives every window and the exit routine.
  static sfx::AppState state;

  QApplication toolkit(argc, argv);
  sfx::setApplicationFont();

  std::unique_ptr<sfx::CoreHandlers> handlers;
  sfx::ApplicationParts parts;
  parts.startQueue = [](sfx::AppState& s) { sfx::initDownloadQueue(s, std::make_unique<sfx::CurlDownload>()); };
  parts.releaseQueue = [&handlers](sfx::AppState& s) {
    if (handlers) handlers->shutdown();
    sfx::releaseDownloadQueue(s);
  };
  sfx::Application application(state, std::move(parts));
  application.start();
  handlers = std::make_unique<sfx::CoreHandlers>(
      application, [](std::string_view url) -> std::string { return sfx::fetchPageText(url); });
  return application.run();
}

#include "app/core_handlers.h"

#include <QObject>
#include <utility>

#include "app/application.h"
#include "harvest/end_page.h"
#include "harvest/listing_harvest.h"
#include "ui/main_window.h"

namespace sfx {

CoreHandlers::CoreHandlers(Application& application, PageFetcher fetchPage)
    : harvest_{application.toolkit(), application.state(), std::move(fetchPage)},
      queue_(application.toolkit(), application.state()) {
  MainWindow* window = &application.mainWindow();
  QObject::connect(window, &MainWindow::parseClicked, window, [this] { onParseClick(harvest_); });
  QObject::connect(window, &MainWindow::endPageClicked, window, [this] { onEndPageClick(harvest_); });
  QObject::connect(window, &MainWindow::downloadClicked, window, [this] { queue_.onDownloadClick(); });
  QObject::connect(window, &MainWindow::dispatchTick, window, [this] { queue_.onDispatchTick(); });
  QObject::connect(window, &MainWindow::progressTick, window, [this] { queue_.onProgressTick(); });
}

}  // namespace sfx

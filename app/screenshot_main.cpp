// sfx-screenshot: draws MainWindow as it opens, with the real fonts, into a
// PNG for the documentation. Runs without a display (offscreen platform).
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "app/app_state.h"
#include "app/application.h"
#include "ui/main_window.h"
#include "ui/window_frame.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication toolkit(argc, argv);
  sfx::setApplicationFont();

  sfx::AppState state;
  sfx::Application application(state, {});
  application.start();
  QApplication::processEvents();
  if (!application.mainWindow().grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

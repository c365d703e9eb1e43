// The program's frame: start-up in its fixed order, the two windows, the
// frame's handlers, and the exit routine once the last window has closed.
// The caller makes the QApplication first (the window toolkit's start-up).
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "app/app_state.h"
#include "app/date_time_text.h"

namespace sfx {

class DialogPresenter;
class MainWindow;
class ManualAddWindow;
class QtToolkit;
class Toolkit;

struct ApplicationParts {
  Clock clock = readSystemClock;
  // The download queue's steps at start-up and at exit (initDownloadQueue
  // with the engine, releaseDownloadQueue); an empty step does nothing.
  std::function<void(AppState&)> startQueue;
  std::function<void(AppState&)> releaseQueue;
  // The dialogs; null means the real ones.
  DialogPresenter* dialogs = nullptr;
};

class Application {
 public:
  // `state` must outlive the application.
  Application(AppState& state, ApplicationParts parts);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The queue's start-up step, the exit routine's registration, then
  // MainWindow shown with its created event run. Once; run() calls it too.
  void start();

  // The event loop, until the last of the two windows has closed; then the
  // exit routine, once. Returns 0.
  int run();

  // These exist from start() on.
  [[nodiscard]] MainWindow& mainWindow() const { return *mainWindow_; }
  [[nodiscard]] Toolkit& toolkit() const;
  [[nodiscard]] DialogPresenter& dialogs() const { return *dialogs_; }
  [[nodiscard]] AppState& state() const { return state_; }

  // Click of 按钮1 of MainWindow: opens ManualAddWindow, or brings the open one forward.
  void openManualAddWindow();
  // Null while it is closed.
  [[nodiscard]] ManualAddWindow* manualAddWindow() const;

 private:
  void connectFrameHandlers();
  void addManualRow(ManualAddWindow& window);
  void exitRoutine();

  AppState& state_;
  ApplicationParts parts_;
  std::unique_ptr<DialogPresenter> ownDialogs_;
  DialogPresenter* dialogs_ = nullptr;
  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<QtToolkit> toolkit_;
  QPointer<ManualAddWindow> manualAddWindow_;
  std::function<void()> atExit_;  // the registered exit routine, taken when it runs
  bool started_ = false;
};

}  // namespace sfx

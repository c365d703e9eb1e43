#include "app/application.h"

#include <QApplication>
#include <string>
#include <utility>

#include "app/frame_handlers.h"
#include "ui/main_window.h"
#include "ui/manual_add_window.h"
#include "ui/qt_dialog_presenter.h"
#include "ui/qt_text.h"
#include "ui/qt_toolkit.h"

namespace sfx {
namespace {

// Gives the text's memory back, not just its length.
void release(std::string& text) { std::string().swap(text); }

}  // namespace

Application::Application(AppState& state, ApplicationParts parts) : state_(state), parts_(std::move(parts)) {
  dialogs_ = parts_.dialogs;
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtDialogPresenter>();
    dialogs_ = ownDialogs_.get();
  }
}

Application::~Application() {
  delete manualAddWindow_.data();
  toolkit_.reset();
  mainWindow_.reset();
}

Toolkit& Application::toolkit() const { return *toolkit_; }

ManualAddWindow* Application::manualAddWindow() const { return manualAddWindow_.data(); }

void Application::start() {
  if (started_) return;
  started_ = true;
  if (parts_.startQueue) parts_.startQueue(state_);
  atExit_ = [this] { exitRoutine(); };

  mainWindow_ = std::make_unique<MainWindow>();
  toolkit_ = std::make_unique<QtToolkit>(*mainWindow_, *dialogs_);
  connectFrameHandlers();
  onMainWindowCreated(*toolkit_, state_, fromQString(defaultSaveFolder()), parts_.clock);
  mainWindow_->show();
}

int Application::run() {
  start();
  // MainWindow and ManualAddWindow are independent: the loop runs while either is open.
  QApplication::setQuitOnLastWindowClosed(true);
  // With both windows already closed no close would ever end the loop.
  const bool manualAddOpen = manualAddWindow_ && manualAddWindow_->isVisible();
  if (mainWindow_->isOpen() || manualAddOpen) QApplication::exec();
  if (auto routine = std::exchange(atExit_, nullptr)) routine();
  return 0;
}

void Application::connectFrameHandlers() {
  MainWindow* window = mainWindow_.get();
  QObject::connect(window, &MainWindow::browseClicked, window, [this] {
    onBrowseClick(*toolkit_, *dialogs_, state_, fromQString(defaultSaveFolder()));
  });
  QObject::connect(window, &MainWindow::saveFolderEdited, window, [this] { onSaveFolderEdited(*toolkit_, state_); });
  QObject::connect(window, &MainWindow::clearClicked, window, [this] { onClearClick(*toolkit_); });
  QObject::connect(window, &MainWindow::manualAddClicked, window, [this] { openManualAddWindow(); });
}

void Application::openManualAddWindow() {
  // A window closed inside a nested event loop is hidden but not yet deleted.
  if (manualAddWindow_ && manualAddWindow_->isVisible()) {
    if (manualAddWindow_->isMinimized()) manualAddWindow_->showNormal();
    manualAddWindow_->raise();
    manualAddWindow_->activateWindow();
    return;
  }
  auto* window = new ManualAddWindow;  // no owner; deletes itself on close
  QObject::connect(window, &ManualAddWindow::addClicked, window, [this, window] { addManualRow(*window); });
  manualAddWindow_ = window;
  window->show();
}

void Application::addManualRow(ManualAddWindow& window) {
  // The typed texts stay when there is no list to add them to.
  if (sfx::addManualRow(*toolkit_, state_, fromQString(window.titleText()), fromQString(window.urlText())))
    window.clearBoxes();
}

void Application::exitRoutine() {
  release(state_.savePath);
  release(state_.currentTitle);
  release(state_.currentUrl);
  release(state_.currentFileName);
  release(state_.currentExtension);
  if (parts_.releaseQueue) parts_.releaseQueue(state_);
  release(state_.stateText);
  release(state_.speedText);
  release(state_.percentText);
}

}  // namespace sfx

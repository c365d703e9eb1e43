// Test entry for the tests that need a QApplication (ui_tests, app_tests).
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/window_frame.h"

int main(int argc, char** argv) {
  // No display in a test run: the offscreen platform draws into memory.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  sfx::setApplicationFont();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

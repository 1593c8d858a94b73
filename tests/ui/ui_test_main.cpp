// Runs the window tests inside one application object on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/test_files.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no window system (and leaves nothing for LeakSanitizer).
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a runtime folder Qt makes its own, /tmp/runtime-<user>, outside the tests' folders.
  const ScratchFolder runtime;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
  // Nothing a test saves where the wizard keeps its log may land in the user's real folders.
  const ScratchFolder home;
  qputenv("HOME", QByteArray::fromStdString(home.Path()));
  qputenv("XDG_STATE_HOME", QByteArray::fromStdString(home.File("state")));
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Rodiduz Box Setup Wizard"));
  return RUN_ALL_TESTS();
}

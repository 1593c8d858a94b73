// rodiduz-bare-window: the reference of the start-up benchmark. An empty Qt window, shown, and
// ended after its first paint with the same end mark as rodiduz-setup under
// RODIDUZ_EXIT_WHEN_SHOWN: "shown after <ms> ms" on standard output. With --text the window
// holds one line of text, so the cost of setting up the system's fonts is in the reference too.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>
#include <cstring>

#include "ui/exit_when_shown.h"

int main(int argc, char** argv) {
  QElapsedTimer since_start;
  since_start.start();
  QApplication application(argc, argv);
  QWidget window;
  window.resize(800, 600);
  QLabel text(QStringLiteral("Welcome. Press start to begin"), &window);
  text.setVisible(argc > 1 && std::strcmp(argv[1], "--text") == 0);
  ExitWhenShown exit_when_shown(since_start);
  window.installEventFilter(&exit_when_shown);
  window.show();
  return QApplication::exec();
}

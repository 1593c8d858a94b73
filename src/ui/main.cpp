// Start-up: the application object, the main window with its controller, the message loop.
#include <QScreen>
#include <exception>

#include "ui/error_display.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  GuardedApplication application(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Rodiduz Box Setup Wizard"));
  try {
    MainWindow window;
    window.show();
    return application.exec();
  } catch (const std::exception& error) {
    // A failure of start-up (the catalogue cannot be opened) ends the program after its message.
    ShowErrorDisplay(QString::fromLocal8Bit(error.what()));
  }
  return 0;
}

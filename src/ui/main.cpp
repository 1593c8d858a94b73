// Start-up: the application object, the main window with its controller and the message
// window, the message loop; an error escaping start-up is shown and ends the program.
#include <exception>

#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/ui_resources.h"

int main(int argc, char** argv) {
  GuardedApplication application(argc, argv);
  // The name, not the display name: Qt would append a display name to every window title.
  QApplication::setApplicationName(QStringLiteral("Rodiduz Box Setup Wizard"));
  QApplication::setDesktopFileName(QStringLiteral("rodiduz-setup"));
  try {
    LoadBundledFonts();
    QApplication::setWindowIcon(ProgramIcon());
    MainWindow window;
    window.show();
    application.exec();
  } catch (const std::exception& error) {
    // The catalogue cannot be opened: the message names the file, and the window never shows.
    ShowErrorDisplay(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ShowErrorDisplay(QStringLiteral("Unknown error"));
  }
  return 0;
}

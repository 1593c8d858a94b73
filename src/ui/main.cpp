// Start-up: the application object, the main window with its controller and the message
// window, the message loop; an error escaping start-up is shown and ends the program. The end
// of the session (a signal, the desktop's session manager) ends it as a close does.
#include <QElapsedTimer>
#include <exception>

#include "ui/error_display.h"
#include "ui/exit_when_shown.h"
#include "ui/main_window.h"
#include "ui/session_end.h"
#include "ui/ui_resources.h"

int main(int argc, char** argv) {
  QElapsedTimer since_start;
  since_start.start();
  GuardedApplication application(argc, argv);
  // The name, not the display name: Qt would append a display name to every window title.
  QApplication::setApplicationName(QStringLiteral("Rodiduz Box Setup Wizard"));
  QApplication::setDesktopFileName(QStringLiteral("rodiduz-setup"));
  try {
    LoadBundledFonts();
    MainWindow window;
    // The window has loaded the icon already; the message window finds it through the application.
    QApplication::setWindowIcon(window.windowIcon());
    ExitWhenShown exit_when_shown(since_start);
    if (qEnvironmentVariableIsSet("RODIDUZ_EXIT_WHEN_SHOWN")) window.installEventFilter(&exit_when_shown);
    const SessionEndWatch session_end(window);
    window.show();
    application.exec();
  } catch (const std::exception& error) {
    // The catalogue cannot be opened: the message names the file, and the window never shows.
    ShowErrorDisplay(error);
  } catch (...) {
    ShowUnknownErrorDisplay();
  }
  return 0;
}

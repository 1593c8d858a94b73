// Start-up: the application object, the main window with its controller and the message
// window, the message loop; an error escaping start-up is shown and ends the program.
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/ui_resources.h"

namespace {

// With RODIDUZ_EXIT_WHEN_SHOWN set, the program prints the milliseconds from its start until
// the window's first paint has been handled and ends: the start-up benchmark's end mark.
class ExitWhenShown final : public QObject {
 public:
  explicit ExitWhenShown(const QElapsedTimer& since) : since_(since) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Once the whole paint pass that this event belongs to is done.
      QTimer::singleShot(0, [this] {
        std::printf("shown after %.1f ms\n", static_cast<double>(since_.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const QElapsedTimer& since_;
  bool seen_ = false;
};

}  // namespace

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

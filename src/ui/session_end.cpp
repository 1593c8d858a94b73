// The end of the session, from every source, to the window's own way out.
#include "ui/session_end.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <atomic>
#include <cstdlib>

namespace {

// The window whose log an exit() in the middle of the run saves; none once the watch is gone.
std::atomic<MainWindow*> g_window_at_exit{nullptr};

void SaveLogAtExit() {
  if (MainWindow* window = g_window_at_exit.exchange(nullptr)) window->EndWithoutDisplay();
}

}  // namespace

SessionEndWatch::SessionEndWatch(MainWindow& window) : signals_([&window] { window.EndSession(); }) {
  // The session may still be cancelled here: the log is saved and the window stays.
  QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.SaveLogForSession(); });
  // A quit that did not come through the window's close (the session manager's, or Windows'
  // end of session) saves the log too; after a close it has nothing left to do.
  QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, &window, [&window] { window.EndSession(); });
  // When the connection to the X server breaks (the server ends, a remote session drops, xkill),
  // Qt's X11 platform calls exit(1) from inside the event loop, on this thread: no close, signal
  // or quit comes first, and the status it leaves says the program did not end normally.
  static const bool exit_hook = std::atexit(SaveLogAtExit) == 0;
  if (exit_hook) g_window_at_exit = &window;
}

SessionEndWatch::~SessionEndWatch() { g_window_at_exit = nullptr; }

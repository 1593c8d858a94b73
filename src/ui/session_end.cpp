// The end of the session, from every source, to the window's own way out.
#include "ui/session_end.h"

#include <QGuiApplication>
#include <QSessionManager>

SessionEndWatch::SessionEndWatch(MainWindow& window) : signals_([&window] { window.EndSession(); }) {
  // The session may still be cancelled here: the log is saved and the window stays.
  QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.SaveLogForSession(); });
  // A quit that did not come through the window's close (the session manager's, or Windows'
  // end of session) saves the log too; after a close it has nothing left to do.
  QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, &window, [&window] { window.EndSession(); });
}

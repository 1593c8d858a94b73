// The standard error display, the question after a failed save of the log, and the application
// object that shows errors escaping a handler.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>

// A message box with an error icon, captioned with the application's title, over `parent`
// when given; the text also goes to standard error as one line.
void ShowErrorDisplay(const QString& text, QWidget* parent = nullptr);
// The same for an error a guard caught, worded for the user (never a bare exception name).
void ShowErrorDisplay(const std::exception& error);
// ... and for something thrown that is no exception at all.
void ShowUnknownErrorDisplay();
// The error's line on standard error alone, where nobody may be there to see a box.
void PrintError(const QString& text);

// The application's name (window titles, message boxes) and desktop entry (the window system's
// tie between the window and the menu entry), once the application object exists.
void NameApplication();

// After a failed save of the log: whether to close without it. No is the default (Return, Esc).
bool AskToCloseWithoutLog(QWidget* parent);

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  // An error escaping an event handler is shown and the program goes on with the next event.
  bool notify(QObject* receiver, QEvent* event) override;
};

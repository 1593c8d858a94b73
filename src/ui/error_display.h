// The standard error display, the question after a failed save of the log, and the application
// object that shows errors escaping a handler.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>

#include "common/translations.h"

// A message box with an error icon, captioned with the application's title, over `parent`
// when given; the text also goes to standard error as one line.
void ShowErrorDisplay(const QString& text, QWidget* parent = nullptr);
// The same for an error a guard caught, worded for the user (never a bare exception name) in
// the language of `texts`; standard error has it in English.
void ShowErrorDisplay(const std::exception& error, const MessageCatalogue& texts);
// ... and for something thrown that is no exception at all.
void ShowUnknownErrorDisplay(const MessageCatalogue& texts);
// The error's line on standard error alone, where nobody may be there to see a box.
void PrintError(const QString& text);

// The application's name (window titles, message boxes) and desktop entry (the window system's
// tie between the window and the menu entry), once the application object exists.
void NameApplication(const MessageCatalogue& texts);

// After a failed save of the log: whether to close without it. No is the default (Return, Esc).
bool AskToCloseWithoutLog(QWidget* parent, const MessageCatalogue& texts = EnglishTexts());

class GuardedApplication : public QApplication {
 public:
  // `texts`: the language of the error boxes; it outlives the application.
  GuardedApplication(int& argc, char** argv, const MessageCatalogue& texts);
  // An error escaping an event handler is shown and the program goes on with the next event.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  const MessageCatalogue& texts_;
};

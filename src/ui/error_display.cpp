// The standard error display, the question after a failed save, and the error guard around Qt's
// event dispatch.
#include "ui/error_display.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <exception>

#include "common/platform.h"

void ShowErrorDisplay(const QString& text) {
  PrintError(text);
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  box.exec();
}

void ShowErrorDisplay(const std::exception& error) {
  ShowErrorDisplay(QString::fromLocal8Bit(ErrorDisplayText(error)));
}

void ShowUnknownErrorDisplay() { ShowErrorDisplay(QString::fromLocal8Bit(UnknownErrorDisplayText())); }

void PrintError(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

bool AskToCloseWithoutLog(QWidget* parent) {
  QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                  QStringLiteral("The wizard's log could not be saved. If the program closes now, the log "
                                 "is lost.\n\nClose without saving the log?\n\nNo keeps the window open; "
                                 "closing it again tries to save the log once more."),
                  QMessageBox::Yes | QMessageBox::No, parent);
  // Spelled out, so that Alt+Y answers whatever the platform's button texts are.
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowErrorDisplay(error);
  } catch (...) {
    ShowUnknownErrorDisplay();
  }
  return false;
}

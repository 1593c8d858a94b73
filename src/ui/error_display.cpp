// The standard error display and the error guard around Qt's event dispatch.
#include "ui/error_display.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

#include "common/platform.h"

void ShowErrorDisplay(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  box.exec();
}

void ShowErrorDisplay(const std::exception& error) {
  ShowErrorDisplay(QString::fromLocal8Bit(ErrorDisplayText(error)));
}

void ShowUnknownErrorDisplay() { ShowErrorDisplay(QString::fromLocal8Bit(UnknownErrorDisplayText())); }

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

// The standard error display and the error guard around Qt's event dispatch.
#include "ui/error_display.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

void ShowErrorDisplay(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  box.exec();
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowErrorDisplay(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ShowErrorDisplay(QStringLiteral("Unknown error"));
  }
  return false;
}

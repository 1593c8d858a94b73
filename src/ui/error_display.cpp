// The standard error display, the question after a failed save, and the error guard around Qt's
// event dispatch.
#include "ui/error_display.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <exception>

#include "common/platform.h"
#include "controller/window_layout.h"

void ShowErrorDisplay(const QString& text, QWidget* parent) {
  PrintError(text);
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

void ShowErrorDisplay(const std::exception& error) {
  ShowErrorDisplay(QString::fromLocal8Bit(ErrorDisplayText(error)));
}

void ShowUnknownErrorDisplay() { ShowErrorDisplay(QString::fromLocal8Bit(UnknownErrorDisplayText())); }

void PrintError(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

void NameApplication() {
  // The name, not the display name: Qt would append a display name to every window title.
  QApplication::setApplicationName(QString::fromUtf8(WindowRow(LayoutWindow::Main).text));
  QApplication::setDesktopFileName(QStringLiteral("rodiduz-setup"));
}

bool AskToCloseWithoutLog(QWidget* parent) {
  QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                  QString::fromUtf8(kCloseWithoutLogQuestion), QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText(QString::fromUtf8(kCloseWithoutLogYes));
  box.button(QMessageBox::No)->setText(QString::fromUtf8(kCloseWithoutLogNo));
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

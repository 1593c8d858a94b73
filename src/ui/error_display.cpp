// The standard error display, the question after a failed save, and the error guard around Qt's
// event dispatch.
#include "ui/error_display.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <exception>

#include "common/platform.h"
#include "common/user_text.h"
#include "controller/window_layout.h"

void ShowErrorDisplay(const QString& text, QWidget* parent) {
  PrintError(text);
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

namespace {

// The box in the user's language, standard error in English for whoever reads it with the log.
void ShowErrorDisplay(const UserText& text, const MessageCatalogue& texts) {
  PrintError(QString::fromLocal8Bit(text.English()));
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), QString::fromStdU16String(text.Shown(texts)),
                  QMessageBox::Ok);
  box.exec();
}

}  // namespace

void ShowErrorDisplay(const std::exception& error, const MessageCatalogue& texts) {
  ShowErrorDisplay(ErrorUserText(error), texts);
}

void ShowUnknownErrorDisplay(const MessageCatalogue& texts) { ShowErrorDisplay(UnknownErrorUserText(), texts); }

void PrintError(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

void NameApplication(const MessageCatalogue& texts) {
  // The name, not the display name: Qt would append a display name to every window title.
  QApplication::setApplicationName(QString::fromStdU16String(ShownCaption(WindowRow(LayoutWindow::Main), texts)));
  QApplication::setDesktopFileName(QStringLiteral("rodiduz-setup"));
}

bool AskToCloseWithoutLog(QWidget* parent, const MessageCatalogue& texts) {
  const auto shown = [&texts](const char* english) { return QString::fromStdU16String(ShownText(texts, english)); };
  QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), shown(kCloseWithoutLogQuestion),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText(shown(kCloseWithoutLogYes));
  box.button(QMessageBox::No)->setText(shown(kCloseWithoutLogNo));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

GuardedApplication::GuardedApplication(int& argc, char** argv, const MessageCatalogue& texts)
    : QApplication(argc, argv), texts_(texts) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowErrorDisplay(error, texts_);
  } catch (...) {
    ShowUnknownErrorDisplay(texts_);
  }
  return false;
}

// Start-up: one wizard per user and session (a later start brings the running one to the front
// and ends), the application object, the main window with its controller and the message
// window, the message loop; an error escaping start-up is shown and ends the program. The end
// of the session (a signal, the desktop's session manager) ends it as a close does.
#include <QElapsedTimer>
#include <exception>
#include <string>
#include <utility>

#include "common/translations.h"

#include "ui/error_display.h"
#include "ui/exit_when_shown.h"
#include "ui/main_window.h"
#include "ui/session_end.h"
#include "ui/single_wizard.h"
#include "ui/ui_resources.h"

int main(int argc, char** argv) {
  QElapsedTimer since_start;
  since_start.start();
  // Before the application object, which would take the desktop's startup id for itself.
  SingleWizard single_wizard;
  const std::string language = UserLanguage();
  const MessageCatalogue texts = CatalogueFor(language);
  if (!single_wizard.IsFirst()) return single_wizard.EndLaterStart(argc, argv, texts);
  GuardedApplication application(argc, argv, texts);
  NameApplication(texts);
  try {
    LoadBundledFonts();
    WizardEnvironment environment;
    environment.language = language;
    MainWindow window(std::move(environment));
    // The window has loaded the icon already; the message window finds it through the application.
    QApplication::setWindowIcon(window.windowIcon());
    ExitWhenShown exit_when_shown(since_start);
    if (qEnvironmentVariableIsSet("RODIDUZ_EXIT_WHEN_SHOWN")) window.installEventFilter(&exit_when_shown);
    const SessionEndWatch session_end(window);
    single_wizard.AnswerLaterStarts(window);
    window.show();
    application.exec();
  } catch (const std::exception& error) {
    // The catalogue cannot be opened: the message names the file, and the window never shows.
    ShowErrorDisplay(error, texts);
  } catch (...) {
    ShowUnknownErrorDisplay(texts);
  }
  return 0;
}

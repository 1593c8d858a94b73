// The standard error display of the Windows program, and the guard every handler runs in.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "common/message_catalogue.h"

// The language of the program's own boxes and of its title, chosen once at start; English
// until then.
void UseProgramLanguage(const std::string& language);
const MessageCatalogue& ProgramTexts();

// A message box with the error icon, captioned with the application's title.
void ShowErrorDisplay(HWND owner, const std::wstring& text);
void ShowErrorDisplay(HWND owner, const std::exception& error);
void ShowUnknownErrorDisplay(HWND owner);

// The application's title, as the layout gives the main window, in the program's language.
std::wstring ApplicationTitle();

// Runs a handler; an error escaping it is shown and the program goes on with the next message
// (nothing may unwind through the system's window procedure frames).
template <typename Handler>
void Guarded(HWND owner, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorDisplay(owner, error);
  } catch (...) {
    ShowUnknownErrorDisplay(owner);
  }
}

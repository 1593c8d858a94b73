// The standard error display of the Windows program.
#include "ui_win32/error_display_win32.h"

#include "common/platform.h"
#include "common/text.h"
#include "controller/window_layout.h"
#include "ui_win32/layout_builder_win32.h"

std::wstring ApplicationTitle() { return WideFromUtf8(WindowRow(LayoutWindow::Main).text); }

void ShowErrorDisplay(HWND owner, const std::wstring& text) {
  ::MessageBoxW(owner, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

// The core words its errors in the ANSI code page, as the system's own messages come.
void ShowErrorDisplay(HWND owner, const std::exception& error) {
  ShowErrorDisplay(owner, Wide(AnsiToNative(ErrorDisplayText(error))));
}

void ShowUnknownErrorDisplay(HWND owner) {
  ShowErrorDisplay(owner, Wide(AnsiToNative(UnknownErrorDisplayText())));
}

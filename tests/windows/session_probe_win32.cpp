// What the Wine runs ask of the Windows side, which the X server cannot tell without a window
// manager: the class of the foreground window, whether the wizard's main window is minimised,
// and whether the installer's global mutex exists. `minimise` first minimises the wizard's window
// and hands the foreground to the desktop, as a user who turned to something else would; `texts`
// also prints whether the window is mirrored and the text of each of the main window's controls,
// one "text: " line each in UTF-8; `press <name>` presses the button of that layout name wherever
// the flow placed it for the window's language.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "controller/window_layout.h"
#include "ui_win32/layout_builder_win32.h"

namespace {

constexpr const wchar_t* kWizardClass = L"RodiduzSetupWizard";

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  if (window != nullptr) ::GetClassNameW(window, name, 128);
  return name;
}

// In UTF-8 whatever the console's code page, so that any script reaches the caller.
BOOL CALLBACK PrintText(HWND control, LPARAM) {
  wchar_t text[512] = {};
  const int length = ::GetWindowTextW(control, text, 512);
  if (length <= 0) return TRUE;
  char utf8[2048] = {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("text: %.*s\n", size, utf8);
  return TRUE;
}

BOOL CALLBACK PressIfId(HWND control, LPARAM id) {
  if (::GetDlgCtrlID(control) != static_cast<int>(id)) return TRUE;
  ::SendMessageW(control, BM_CLICK, 0, 0);
  return FALSE;
}

void Press(HWND wizard, const wchar_t* name) {
  const std::string narrow(name, name + std::wcslen(name));
  const ComponentLayout* row = FindLayout(LayoutWindow::Main, narrow);
  if (row == nullptr) return;
  const LPARAM id = BuiltWindow::kFirstControlId + (row - WindowLayout().data());
  ::EnumChildWindows(wizard, PressIfId, id);
}

void Minimise(HWND wizard) {
  ::ShowWindow(wizard, SW_MINIMIZE);
  ::SetForegroundWindow(::GetDesktopWindow());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HWND wizard = ::FindWindowW(kWizardClass, nullptr);
  if (argc > 1 && std::wcscmp(argv[1], L"minimise") == 0 && wizard != nullptr) Minimise(wizard);
  HANDLE running = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\RodiduzSetupRunning");
  std::printf("foreground: %ls\n", ClassOf(::GetForegroundWindow()).c_str());
  std::printf("wizard: %s\n", wizard == nullptr ? "none" : ::IsIconic(wizard) ? "minimised" : "shown");
  std::printf("running mutex: %s\n", running != nullptr ? "exists" : "missing");
  if (running != nullptr) ::CloseHandle(running);
  if (argc > 1 && std::wcscmp(argv[1], L"texts") == 0 && wizard != nullptr) {
    const bool mirrored = (::GetWindowLongW(wizard, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    std::printf("layout: %s\n", mirrored ? "right to left" : "left to right");
    ::EnumChildWindows(wizard, PrintText, 0);
  }
  if (argc > 2 && std::wcscmp(argv[1], L"press") == 0 && wizard != nullptr) Press(wizard, argv[2]);
  return 0;
}

// rodiduz-bare-window.exe: the reference of the Windows start-up benchmark. An empty Win32
// window, shown, and ended after its first paint with the same end mark as rodiduz-setup.exe
// under RODIDUZ_EXIT_WHEN_SHOWN. With --text the window holds one line of text in a common
// control, so the cost of loading the controls and a font is in the reference too.
// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <commctrl.h>

#include <cstring>

#include "ui_win32/exit_when_shown_win32.h"

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  const LARGE_INTEGER since_start = StartMark();
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Proc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"RodiduzBareWindow";
  ::RegisterClassExW(&window_class);
  HWND window =
      ::CreateWindowExW(0, window_class.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (std::strstr(command_line, "--text") != nullptr) {
    ::CreateWindowExW(0, L"STATIC", L"Welcome. Press start to begin", WS_CHILD | WS_VISIBLE, 8, 8, 300, 20,
                      window, nullptr, instance, nullptr);
  }
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  if (ExitWhenShownRequested()) PrintShownAndQuit(window, since_start);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

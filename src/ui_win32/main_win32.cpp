// Start-up of the Windows program: the DLL search, the common controls, the resources, the main
// window with its controller and the message window, the message loop. An error escaping start-up
// is shown and ends the program.
// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <commctrl.h>
#include <objbase.h>

#include <exception>

#include "ui_win32/error_display_win32.h"
#include "ui_win32/exit_when_shown_win32.h"
#include "ui_win32/main_window_win32.h"
#include "ui_win32/resources_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const LARGE_INTEGER since_start = StartMark();
  // Before anything loads a library: DLLs come only from beside the program and from the system
  // folder, never from the working folder, where anyone could have left a usblib.dll or a DLL
  // named like one the system loads on demand.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The picture decoder is a COM component.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    Win32Resources resources;
    Win32MainWindow window(instance, resources);
    window.Show();
    // The start-up benchmark's run: closed as the user would close it, once it is painted.
    if (ExitWhenShownRequested()) PrintShownAndQuit(window.Handle(), since_start);
    window.Run();
  } catch (const std::exception& error) {
    // The catalogue cannot be opened: the message names the file, and the window never shows.
    ShowErrorDisplay(nullptr, error);
  } catch (...) {
    ShowUnknownErrorDisplay(nullptr);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

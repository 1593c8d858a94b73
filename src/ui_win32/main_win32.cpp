// Start-up of the Windows program: the DLL search, one wizard per user and session, the common
// controls, the resources, the main window with its controller and the message window, the
// message loop. An error escaping start-up is shown and ends the program.
// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <commctrl.h>
#include <objbase.h>

#include <exception>
#include <string>
#include <utility>

#include "common/translations.h"

#include "link/library_search_win32.h"
#include "ui_win32/display_win32.h"
#include "ui_win32/error_display_win32.h"
#include "ui_win32/exit_when_shown_win32.h"
#include "ui_win32/main_window_win32.h"
#include "ui_win32/resources_win32.h"
#include "ui_win32/single_wizard_win32.h"

namespace {

// The installer and uninstaller refuse to replace or remove the program while a mutex of this
// name exists. Global, so a copy running in another user's session counts too; the system
// removes it with the last process holding it, however that process ends.
constexpr const wchar_t* kRunningMutexName = L"Global\\RodiduzSetupRunning";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const LARGE_INTEGER since_start = StartMark();
  // Before anything loads a library: DLLs come only from beside the program and from the system
  // folder, never from the working folder, where anyone could have left a usblib.dll or a DLL
  // named like one the system loads on demand.
  RestrictLibrarySearch();
  // Before the first window: its size and fonts follow its monitor's DPI.
  BecomePerMonitorDpiAware();
  // Before any box the program shows: the user's preferred UI languages, English when none is shipped.
  const std::string language = UserLanguage();
  UseProgramLanguage(language);
  // One wizard per user and session: a later start brings the running one to the front and ends.
  const std::wstring user_sid = CurrentUserSid();
  const SessionWizardMutex session_wizard(user_sid);
  if (session_wizard.HeldElsewhere()) {
    HandOverToRunningWizard(user_sid);
    return 0;
  }
  // Not held exclusively: another user's copy may run, and a failure to create it stops nothing.
  const HANDLE running = ::CreateMutexW(nullptr, FALSE, kRunningMutexName);
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The picture decoder is a COM component.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Wine reports High Contrast off whatever its colours: its runs ask for it through a variable.
  SetHighContrastQuery(HighContrastFromEnvironment);
  try {
    Win32Resources resources;
    WizardEnvironment environment;
    environment.language = language;
    Win32MainWindow window(instance, resources, std::move(environment));
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
  if (running != nullptr) ::CloseHandle(running);
  return 0;
}

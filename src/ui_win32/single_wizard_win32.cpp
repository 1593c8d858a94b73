// One wizard per user and session on Windows: the session's mutex and the running window.
#include "ui_win32/single_wizard_win32.h"

#include <sddl.h>

#include <cwchar>
#include <vector>

#include "common/user_text.h"
#include "controller/window_layout.h"
#include "ui_win32/error_display_win32.h"
#include "ui_win32/layout_builder_win32.h"
#include "ui_win32/main_window_win32.h"

namespace {

constexpr const wchar_t* kMutexPrefix = L"Local\\RodiduzSetupWizard-";
// How long a later start waits for the running wizard's window, in all: the running one may
// still be loading its catalogue.
constexpr ULONGLONG kPatienceMs = 5000;
constexpr DWORD kRetryPauseMs = 50;

std::wstring SidOfToken(HANDLE token) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return L"";
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return L"";
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid, &text))
    return L"";
  std::wstring sid = text;
  ::LocalFree(text);
  return sid;
}

std::wstring SidOfProcess(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return L"";
  std::wstring sid = SidOfToken(token);
  ::CloseHandle(token);
  return sid;
}

// The user of the process that made `window`: another user's wizard on the same desktop (one
// started with "Run as") is not this user's.
std::wstring SidOfWindowsProcess(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (process == nullptr) return L"";
  std::wstring sid = SidOfProcess(process);
  ::CloseHandle(process);
  return sid;
}

struct WindowSearch {
  const std::wstring* user_sid;
  HWND found = nullptr;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<WindowSearch*>(data);
  wchar_t class_name[64] = {};
  ::GetClassNameW(window, class_name, 64);
  if (std::wcscmp(class_name, Win32MainWindow::kWindowClass) != 0 || !::IsWindowVisible(window)) return TRUE;
  if (SidOfWindowsProcess(window) != *search.user_sid) return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

std::wstring CurrentUserSid() { return SidOfProcess(::GetCurrentProcess()); }

SessionWizardMutex::SessionWizardMutex(const std::wstring& user_sid) {
  if (user_sid.empty()) return;
  mutex_ = ::CreateMutexW(nullptr, FALSE, (kMutexPrefix + user_sid).c_str());
  const DWORD error = ::GetLastError();
  // Access denied: the same user's wizard runs elevated, and its mutex is closed to this start.
  held_elsewhere_ = mutex_ != nullptr ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

SessionWizardMutex::~SessionWizardMutex() {
  if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

HWND FindWizardWindow(const std::wstring& user_sid) {
  WindowSearch search{&user_sid};
  ::EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void BringWizardToFront(HWND window) {
  // Asynchronously: a call that waited for the other program could hang with it.
  if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
  HWND last_active = ::GetLastActivePopup(window);
  ::SetForegroundWindow(last_active != nullptr && ::IsWindowVisible(last_active) ? last_active : window);
}

void HandOverToRunningWizard(const std::wstring& user_sid) {
  const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
  for (;;) {
    HWND window = FindWizardWindow(user_sid);
    if (window != nullptr && !::IsHungAppWindow(window)) {
      BringWizardToFront(window);
      return;
    }
    if (::GetTickCount64() >= deadline) break;
    ::Sleep(kRetryPauseMs);
  }
  ::MessageBoxW(nullptr, Wide(ShownText(ProgramTexts(), kAlreadyOpenNoAnswerMessage)).c_str(), ApplicationTitle().c_str(),
                MB_OK | MB_ICONINFORMATION);
}

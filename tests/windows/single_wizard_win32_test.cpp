// One wizard per user and session under Wine: the session's mutex is one holder's per user, and
// a later start finds this user's shown main window and brings it, restored, or its message to
// the front. The whole program's later start: scripts/wine-whole-run.
#include "ui_win32/single_wizard_win32.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/test_files.h"
#include "ui_win32/main_window_win32.h"

namespace {

constexpr const wchar_t* kAnotherUsersSid = L"S-1-5-21-1-2-3-1001";

void PumpMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Runs the message loop until `done` holds or five seconds pass.
template <typename Condition>
bool PumpUntil(Condition done) {
  const ULONGLONG deadline = ::GetTickCount64() + 5000;
  while (!done() && ::GetTickCount64() < deadline) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpMessages();
  }
  return done();
}

TEST(SingleWizardWin32Test, TheSessionMutexIsOneStartsPerUserUntilItsLastHolderLetsGo) {
  const std::wstring sid = CurrentUserSid();
  ASSERT_EQ(sid.rfind(L"S-1-", 0), 0u);
  {
    const SessionWizardMutex first(sid);
    EXPECT_FALSE(first.HeldElsewhere());
    const SessionWizardMutex later(sid);
    EXPECT_TRUE(later.HeldElsewhere());
    const SessionWizardMutex another_user(kAnotherUsersSid);
    EXPECT_FALSE(another_user.HeldElsewhere());
  }
  const SessionWizardMutex after_the_end(sid);
  EXPECT_FALSE(after_the_end.HeldElsewhere());
}

TEST(SingleWizardWin32Test, ALaterStartBringsThisUsersShownWindowRestoredOrItsMessageToTheFront) {
  const ScratchFolder folder;
  WizardEnvironment environment;
  environment.catalogue_path = folder.Write("apnlist.csv", "Telia;240;1;online.telia.se;;;SE\n");
  environment.usb_library = folder.File("no-such-usblib.dll");
  environment.log_places.folder = [&folder] { return folder.Path() + "\\"; };
  Win32Resources resources;
  auto window =
      std::make_unique<Win32MainWindow>(::GetModuleHandleW(nullptr), resources, std::move(environment));
  const std::wstring sid = CurrentUserSid();
  EXPECT_EQ(FindWizardWindow(sid), nullptr) << "found before it is shown";
  window->Show();
  ASSERT_EQ(FindWizardWindow(sid), window->Handle());
  EXPECT_EQ(FindWizardWindow(kAnotherUsersSid), nullptr);

  // Another window has the foreground, the wizard's is minimised.
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
  ::ShowWindow(window->Handle(), SW_MINIMIZE);
  ::SetForegroundWindow(other);
  ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(window->Handle()) && ::GetForegroundWindow() == other; }));
  BringWizardToFront(FindWizardWindow(sid));
  EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(window->Handle()); }));
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == window->Handle(); }));

  // With its message up, the message is what the user answers first.
  window->ShowInfo(u"Connection failed.", true);
  PumpMessages();
  ::SetForegroundWindow(other);
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other; }));
  BringWizardToFront(FindWizardWindow(sid));
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == window->Messages().Handle(); }));
  ::DestroyWindow(other);
  window.reset();
  PumpMessages();
}

}  // namespace

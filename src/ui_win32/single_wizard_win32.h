// One wizard per user and session on Windows: a mutex in the session's own namespace (Local\)
// named with the user's SID, beside the global one the installer looks for. A later start finds
// the running wizard's main window by its class and brings it to the front, which it may do:
// the user has just started it, so it owns the foreground.
#pragma once

#include <windows.h>

#include <string>

// The SID of the user this process runs as ("S-1-5-21-..."); empty when the system does not say.
std::wstring CurrentUserSid();

// Held while it lives; the system removes the mutex with the last process holding it, however
// that process ends, so a crashed wizard leaves nothing behind.
class SessionWizardMutex {
 public:
  // Without a SID nothing tells the users apart: nothing is held, and every start opens.
  explicit SessionWizardMutex(const std::wstring& user_sid);
  ~SessionWizardMutex();
  SessionWizardMutex(const SessionWizardMutex&) = delete;
  SessionWizardMutex& operator=(const SessionWizardMutex&) = delete;

  // Whether a start of the same user in the same session holds it already.
  bool HeldElsewhere() const { return held_elsewhere_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_elsewhere_ = false;
};

// The shown main window of `user_sid`'s running wizard on this desktop; nullptr when none.
HWND FindWizardWindow(const std::wstring& user_sid);

// Restores `window` when minimised and brings it to the front, or the window it owns that was
// active last (its message) when there is one.
void BringWizardToFront(HWND window);

// A later start: waits a few seconds at most for the running wizard's window and brings it to
// the front; where none shows or it hangs, says that the wizard is already open.
void HandOverToRunningWizard(const std::wstring& user_sid);

// Ctrl+C and Ctrl+Break in the console: the control handler runs on a thread of its own and
// only sets a flag the batch reads between boxes.
#include "cli/interruption.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  g_interrupted = true;
  return TRUE;
}

}  // namespace

void CatchInterruption() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool Interrupted() { return g_interrupted.load(); }

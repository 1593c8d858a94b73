// The question after a failed save of the log, as the Windows program asks it.
#pragma once

#include <windows.h>

// Whether to close without the log: a modal dialog over `owner` with the question of both
// windows and "&Yes" and "&No". No has the focus and is the default, so Return and Esc answer
// No; Alt+Y (or Y) answers Yes.
bool AskToCloseWithoutLog(HWND owner);

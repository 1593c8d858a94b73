// The start-up benchmark's end mark for the Windows programs: once the window and all its
// children have been painted, print the milliseconds since `since` ("shown after <ms> ms") on
// standard output. Header-only, so the benchmark's bare reference window prints the same mark
// without linking the wizard.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>

inline bool ExitWhenShownRequested() {
  const char* set = std::getenv("RODIDUZ_EXIT_WHEN_SHOWN");
  return set != nullptr && *set != '\0';
}

inline LARGE_INTEGER StartMark() {
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return now;
}

// Paints whatever is still due in `window` and its children, prints the mark and asks the
// message loop to end.
inline void PrintShownAndQuit(HWND window, LARGE_INTEGER since) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  LARGE_INTEGER now{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  const double milliseconds =
      static_cast<double>(now.QuadPart - since.QuadPart) * 1e3 / static_cast<double>(frequency.QuadPart);
  std::printf("shown after %.1f ms\n", milliseconds);
  std::fflush(stdout);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
}

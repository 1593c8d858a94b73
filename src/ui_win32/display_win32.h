// What the display asks of the windows: the DPI of the monitor a window stands on, and the
// system's High Contrast setting. The per-monitor calls exist from Windows 10 (1607) on and are
// looked up at run time; on older systems every window has the system's DPI.
#pragma once

#include <windows.h>

inline constexpr UINT kLayoutDpi = 96;  // the DPI the layout's pixels are given at

// Per-monitor DPI awareness (v2) for the process, where the manifest has not given it already
// (Wine does not read it there); the system's DPI awareness on systems before Windows 10.
void BecomePerMonitorDpiAware();
// The window's DPI (the system's where the system cannot tell per window).
UINT WindowDpi(HWND hwnd);
// A length of the layout, in pixels at 96 DPI, in pixels at `dpi`.
int ScaledForDpi(int layout_pixels, UINT dpi);
// The window frame around a client area of that size, for a window of that style at `dpi`.
SIZE FrameForClient(SIZE client, DWORD style, DWORD extended_style, UINT dpi);

// Whether the user has asked for High Contrast: the system's setting, unless a test (or the
// RODIDUZ_HIGH_CONTRAST variable, for Wine, which always reports it off) puts another answer in
// its place.
bool HighContrastOn();
using HighContrastQuery = bool (*)();
// Returns the query it replaces; nullptr puts the system's back.
HighContrastQuery SetHighContrastQuery(HighContrastQuery query);
// The query of the variable: on when RODIDUZ_HIGH_CONTRAST is 1; the system's answer otherwise.
bool HighContrastFromEnvironment();

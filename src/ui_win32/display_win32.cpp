// The display's DPI per window and the High Contrast setting, looked up at run time.
#include "ui_win32/display_win32.h"

#include <cstdlib>
#include <cwchar>

#include "link/library_search_win32.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

bool SystemHighContrast() {
  HIGHCONTRASTW setting{};
  setting.cbSize = sizeof setting;
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) != FALSE &&
         (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

HighContrastQuery high_contrast_query = nullptr;

}  // namespace

void BecomePerMonitorDpiAware() {
  using SetContextFunction = BOOL(WINAPI*)(HANDLE);
  using SetAwareFunction = BOOL(WINAPI*)();
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const auto per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  static const auto set_context =
      AsFunction<SetContextFunction>(SystemFunction(L"user32.dll", "SetProcessDpiAwarenessContext"));
  if (set_context != nullptr) {
    // Fails when the manifest has set the awareness already, which is as wanted.
    set_context(per_monitor_v2);
    return;
  }
  static const auto set_aware = AsFunction<SetAwareFunction>(SystemFunction(L"user32.dll", "SetProcessDPIAware"));
  if (set_aware != nullptr) set_aware();
}

UINT WindowDpi(HWND hwnd) {
  static const auto get_dpi_for_window =
      AsFunction<GetDpiForWindowFunction>(SystemFunction(L"user32.dll", "GetDpiForWindow"));
  if (get_dpi_for_window != nullptr && hwnd != nullptr) {
    if (const UINT dpi = get_dpi_for_window(hwnd); dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

int ScaledForDpi(int layout_pixels, UINT dpi) {
  return ::MulDiv(layout_pixels, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

SIZE FrameForClient(SIZE client, DWORD style, DWORD extended_style, UINT dpi) {
  static const auto adjust_for_dpi =
      AsFunction<AdjustForDpiFunction>(SystemFunction(L"user32.dll", "AdjustWindowRectExForDpi"));
  RECT frame{0, 0, client.cx, client.cy};
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&frame, style, FALSE, extended_style, dpi)) {
    ::AdjustWindowRectEx(&frame, style, FALSE, extended_style);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

bool HighContrastOn() { return high_contrast_query != nullptr ? high_contrast_query() : SystemHighContrast(); }

HighContrastQuery SetHighContrastQuery(HighContrastQuery query) {
  const HighContrastQuery before = high_contrast_query;
  high_contrast_query = query;
  return before;
}

bool HighContrastFromEnvironment() {
  const wchar_t* value = ::_wgetenv(L"RODIDUZ_HIGH_CONTRAST");
  if (value != nullptr && std::wcscmp(value, L"1") == 0) return true;
  return SystemHighContrast();
}

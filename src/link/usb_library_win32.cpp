// Windows: the USB library is usblib.dll, found by the system's standard DLL search.
#include "link/usb_library.h"

#include <windows.h>

#include <string>

#include "common/platform.h"
#include "common/text.h"

const char* DefaultUsbLibraryName() { return "usblib.dll"; }

void* LoadUsbLibrary(const char* name, std::string* failure) {
  if (name == nullptr) return nullptr;
  const NativeString native = AnsiToNative(name);
  const std::wstring wide(native.begin(), native.end());
  void* library = reinterpret_cast<void*>(::LoadLibraryW(wide.c_str()));
  if (library == nullptr && failure != nullptr) {
    *failure = std::string(name) + ": " + SystemErrorText(static_cast<int>(::GetLastError()));
  }
  return library;
}

UsbScanComFunction FindUsbScanExport(void* library) {
  if (library == nullptr) return nullptr;
  const FARPROC found = ::GetProcAddress(static_cast<HMODULE>(library), kUsbScanExportName);
  // Through the generic function type, which converts to any other without a warning.
  return reinterpret_cast<UsbScanComFunction>(reinterpret_cast<void (*)()>(found));
}

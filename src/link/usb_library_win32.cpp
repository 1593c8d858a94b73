// Windows: the USB library is usblib.dll, looked for only beside the program and in the system
// folder; the working folder, which may be a download folder or a share, is never searched.
#include <windows.h>

#include <string>

#include "common/platform.h"
#include "common/text.h"
#include "link/library_search_win32.h"
#include "link/usb_library.h"

const char* DefaultUsbLibraryName() { return "usblib.dll"; }

void* LoadUsbLibrary(const char* name, std::string* failure) {
  if (name == nullptr) return nullptr;
  const NativeString native = AnsiToNative(name);
  const std::wstring wide(native.begin(), native.end());
  void* library = reinterpret_cast<void*>(LoadProgramLibrary(wide, AvailableLibrarySearch()));
  if (library == nullptr && failure != nullptr) {
    // The number tells apart what the text may blur: 126 not found, 193 the other word size.
    const DWORD error = ::GetLastError();
    *failure = std::string(name) + ": " + SystemErrorText(static_cast<int>(error)) + " (error " +
               std::to_string(error) + ")";
  }
  return library;
}

UsbScanComFunction FindUsbScanExport(void* library) {
  if (library == nullptr) return nullptr;
  return AsFunction<UsbScanComFunction>(::GetProcAddress(static_cast<HMODULE>(library), kUsbScanExportName));
}

// POSIX: the USB library is a shared object found by the dynamic loader's standard search,
// so LD_LIBRARY_PATH wins over the executable's own folder.
#include "link/usb_library.h"

#include <dlfcn.h>

#include "common/platform.h"

const char* DefaultUsbLibraryName() { return "libusblib.so"; }

void* LoadUsbLibrary(const char* name, std::string* failure) {
  void* library = ::dlopen(name, RTLD_NOW);
  if (library == nullptr && failure != nullptr) {
    // The loader's text names the file and why: not found, wrong architecture, missing symbol.
    *failure = WithEnglishSystemMessages([name] {
      const char* reason = ::dlerror();
      return std::string(reason != nullptr ? reason : name);
    });
  }
  return library;
}

UsbScanComFunction FindUsbScanExport(void* library) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<UsbScanComFunction>(::dlsym(library, kUsbScanExportName));
}

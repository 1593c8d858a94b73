// usblib.dll: lists the USB serial ports of the machine from Windows' device list, with the
// scan export, calling convention and records the program expects of any usblib.dll.
#include <windows.h>

#include <exception>

#include "record_fill.h"
#include "setupapi_device_list_win32.h"
#include "watched_serial_ports_win32.h"

namespace {

// What the scans keep from one call to the next. Made on the first call, not in DllMain: starting
// the pump waits for a pool thread to take it up, and a new thread cannot start while DllMain
// holds the loader lock. A plain pointer, so that nothing of it is torn down at process exit,
// when the pool's threads are gone already.
struct Scanner {
  SetupApiDeviceList list;
  WatchedSerialPorts ports{list};
};

SRWLOCK scanner_lock = SRWLOCK_INIT;
Scanner* scanner = nullptr;

std::uint8_t ScanLocked(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count) {
  if (scanner == nullptr) scanner = new Scanner;
  return scanner->ports.Scan(records, capacity, count);
}

}  // namespace

extern "C" __declspec(dllexport) std::uint8_t RODIDUZ_STDCALL
    usblib_scan_com(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, BoxDeviceRecord* records,
                    std::uint32_t capacity, std::uint16_t* count) {
  if (!ScanArgumentsUsable(records, capacity, count)) return kScanBadArguments;
  ::AcquireSRWLockExclusive(&scanner_lock);
  std::uint8_t result = kScanFailed;
  try {
    result = ScanLocked(records, UsableCapacity(capacity), count);
  } catch (const std::exception&) {
    // Nothing may be thrown into a program that knows no C++ (out of memory, in practice).
    *count = 0;
  }
  ::ReleaseSRWLockExclusive(&scanner_lock);
  return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // FreeLibrary (reserved is null) stops the notifier's pump before this module's code goes
  // away. At process exit the pool's threads are gone already and nothing is left to stop.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    delete scanner;
    scanner = nullptr;
  }
  return TRUE;
}

// libusblib.so: lists the USB serial devices of the machine from the udev tty subsystem.
#include <mutex>

#include "record_fill.h"
#include "udev_tty_scanner.h"

USBLIB_EXPORT std::uint8_t usblib_scan_com(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                           BoxDeviceRecord* records, std::uint32_t capacity,
                                           std::uint16_t* count) {
  if (!ScanArgumentsUsable(records, capacity, count)) return kScanBadArguments;
  // One scanner for the library's life keeps the list and the monitor from one call to the next.
  static std::mutex lock;
  static UdevTtyScanner scanner;
  const std::lock_guard<std::mutex> guard(lock);
  return scanner.Scan(records, UsableCapacity(capacity), count);
}

// The USB serial devices of the machine from udev's tty subsystem, kept between scans.
#pragma once

#include <cstdint>
#include <vector>

#include "link/box_device_record.h"

struct udev;
struct udev_monitor;

// Enumerating every tty of the machine costs far more than a search can afford ten times a
// second, and the list only changes when a tty comes or goes. So the list is enumerated on the
// first scan and again only after a udev monitor has reported a tty added or removed; the
// monitor is asked without waiting at each scan.
class UdevTtyScanner {
 public:
  UdevTtyScanner();
  ~UdevTtyScanner();
  UdevTtyScanner(const UdevTtyScanner&) = delete;
  UdevTtyScanner& operator=(const UdevTtyScanner&) = delete;

  // Copies up to `capacity` devices into `records` and sets `count`; kScanFailed when udev
  // cannot be asked.
  std::uint8_t Scan(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count);

  // Enumerates every tty anew, whatever the monitor says; false when udev cannot be asked.
  bool Enumerate();

  // The devices of the last enumeration.
  const std::vector<BoxDeviceRecord>& Devices() const { return devices_; }

 private:
  // Takes every event the monitor holds; true when one of them added or removed a tty, or
  // when events may have been lost.
  bool TtysChanged();

  udev* context_ = nullptr;
  // Null when no monitor could be set up: every scan then enumerates.
  udev_monitor* monitor_ = nullptr;
  std::vector<BoxDeviceRecord> devices_;
  bool enumerated_ = false;
};

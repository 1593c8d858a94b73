// The USB serial ports of Windows' device list, kept between scans.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "link/box_device_record.h"
#include "pnp_device_list.h"

// Walking the device list costs far more than a search can afford ten times a second, and the
// list only changes when a device comes or goes. So it is walked on the first scan and again
// only after the system reported a change; a change reported while a walk runs is walked again
// at the next scan, since that walk may have missed it.
class PnpPortCache {
 public:
  explicit PnpPortCache(PnpDeviceList& list) : list_(list) {}
  PnpPortCache(const PnpPortCache&) = delete;
  PnpPortCache& operator=(const PnpPortCache&) = delete;

  // From any thread: a device arrived or went away.
  void DevicesChanged() { changes_.fetch_add(1, std::memory_order_acq_rel); }

  // Whether every change is reported through DevicesChanged; until it is, every scan walks.
  void SetWatched(bool watched) { watched_ = watched; }

  // Copies up to `capacity` ports into `records` and sets `count`; kScanFailed when the list
  // cannot be read. One caller at a time.
  std::uint8_t Scan(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count);

 private:
  bool Enumerate();

  PnpDeviceList& list_;
  std::atomic<std::uint64_t> changes_{0};
  // The changes counted when the kept list was walked.
  std::uint64_t changes_walked_ = 0;
  bool watched_ = false;
  bool enumerated_ = false;
  std::vector<BoxDeviceRecord> devices_;
};

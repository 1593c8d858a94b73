// The USB serial ports of Windows' device list, walked again only after Windows reported a
// device coming or going.
#pragma once

#include <cstdint>

#include "device_notifier_win32.h"
#include "link/box_device_record.h"
#include "pnp_device_list.h"
#include "pnp_port_cache.h"

class WatchedSerialPorts {
 public:
  explicit WatchedSerialPorts(PnpDeviceList& list) : cache_(list) {}

  // The first scan starts the notifier, before its walk, so that no change after the walk is
  // missed. One caller at a time.
  std::uint8_t Scan(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count);

  const DeviceNotifier& Notifier() const { return notifier_; }

 private:
  PnpPortCache cache_;
  // After the cache, so that it is stopped before the cache it reports to goes.
  DeviceNotifier notifier_;
  bool notifier_started_ = false;
};

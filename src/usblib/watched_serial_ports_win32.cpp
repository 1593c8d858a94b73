// Starting the notifier on the first scan and scanning through the cache.
#include "watched_serial_ports_win32.h"

std::uint8_t WatchedSerialPorts::Scan(BoxDeviceRecord* records, std::uint32_t capacity,
                                      std::uint16_t* count) {
  if (!notifier_started_) {
    cache_.SetWatched(notifier_.Start([this] { cache_.DevicesChanged(); }));
    notifier_started_ = true;
  }
  return cache_.Scan(records, capacity, count);
}

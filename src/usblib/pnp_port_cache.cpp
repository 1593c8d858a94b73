// Keeping the list of USB serial ports between device notifications.
#include "pnp_port_cache.h"

#include <algorithm>

#include "pnp_port_rules.h"
#include "record_fill.h"

std::uint8_t PnpPortCache::Scan(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count) {
  // Read before the walk: a change during it leaves the count ahead, so the next scan walks.
  const std::uint64_t changes = changes_.load(std::memory_order_acquire);
  if (!watched_ || !enumerated_ || changes != changes_walked_) {
    if (!Enumerate()) return kScanFailed;
    changes_walked_ = changes;
  }
  const std::size_t filled = std::min<std::size_t>(capacity, devices_.size());
  std::copy_n(devices_.begin(), filled, records);
  *count = static_cast<std::uint16_t>(filled);
  return kScanOk;
}

bool PnpPortCache::Enumerate() {
  enumerated_ = false;
  devices_.clear();
  const auto ports = list_.SerialPorts();
  if (!ports) return false;
  for (const PnpSerialPort& port : *ports) {
    BoxDeviceRecord record;
    if (DescribeSerialPort(list_, port, record)) devices_.push_back(record);
  }
  enumerated_ = true;
  return true;
}

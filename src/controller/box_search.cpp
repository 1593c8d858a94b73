// The search for the box among the USB serial devices the USB library reports.
#include <algorithm>
#include <cstring>
#include <span>

#include "controller/box_channel.h"
#include "link/box_discovery.h"
#include "link/usb_library.h"

namespace {

// 600600 bytes: too large for the stack, and the search runs on the UI thread only.
BoxDeviceRecord g_device_records[kBoxDeviceCapacity];

// Among several devices, a box bridge whose product name says it is the box wins; the name of
// every box bridge seen before it is shown meanwhile.
FoundBox FindByName(std::span<const BoxDeviceRecord> records, SessionLog& log) {
  FoundBox found;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const BoxDeviceRecord& record = records[i];
    log.Line(FormatDeviceRecordLine(static_cast<int>(i), record));
    if (!IsBoxBridge(record)) continue;
    const std::string_view name = RecordText(record.name);
    if (!Contains(name, kBoxProductWord)) {
      found.name = AnsiString(name);
      continue;
    }
    const std::int32_t number = ComNumberFromText(RecordText(record.com));
    if (number == 0) continue;
    found = {number, AnsiString(name)};
    log.Line("Found device by name");
    return found;
  }
  return found;
}

// The first box bridge with a COM number, whatever its name.
FoundBox FindByBridge(std::span<const BoxDeviceRecord> records, SessionLog& log, FoundBox found) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    const BoxDeviceRecord& record = records[i];
    log.Line(FormatDeviceRecordLine(static_cast<int>(i), record));
    if (!IsBoxBridge(record)) continue;
    const std::int32_t number = ComNumberFromText(RecordText(record.com));
    if (number == 0) continue;
    found.name = AnsiString(RecordText(record.name));
    log.Line("Found device by pid/vid only");
    found.number = number;
    return found;
  }
  return found;
}

}  // namespace

FoundBox BoxChannel::FindBox() {
  if (usb_library_ == nullptr) return {};
  const UsbScanComFunction scan = FindUsbScanExport(usb_library_);
  if (scan == nullptr) return {};

  // Cleared each time so nothing of an earlier scan can pass for this one's texts.
  std::memset(g_device_records, 0, sizeof g_device_records);
  std::uint16_t count = 0;
  if (scan(0, 0, 0, 0, g_device_records, kBoxDeviceCapacity, &count) != 0 || count == 0) return {};
  const std::span<const BoxDeviceRecord> records(g_device_records, std::min<std::size_t>(count, kBoxDeviceCapacity));

  FoundBox found;
  if (records.size() != 1) {
    found = FindByName(records, log_);
    if (found.number != 0) return found;
  }
  return FindByBridge(records, log_, found);
}

// Box discovery: asks the USB library for the serial devices and picks the box's COM number.
#include <algorithm>
#include <cstring>

#include "controller/main_form.h"
#include "link/box_discovery.h"
#include "link/usb_library.h"

namespace {

// 600600 bytes: too large for the stack, and discovery runs on the UI thread only.
BoxDeviceRecord g_device_records[kBoxDeviceCapacity];

}  // namespace

std::int32_t TForm1::FindDeviceAndGetCommNumber() {
  if (UsbLibHandle == nullptr) return 0;
  const UsbScanComFunction scan = FindUsbScanExport(UsbLibHandle);
  if (scan == nullptr) return 0;

  // Cleared each time so nothing of an earlier scan can pass for this one's texts.
  std::memset(g_device_records, 0, sizeof g_device_records);
  std::uint16_t count = 0;
  if (scan(0, 0, 0, 0, g_device_records, kBoxDeviceCapacity, &count) != 0 || count == 0) return 0;
  const std::uint32_t n = std::min<std::uint32_t>(count, kBoxDeviceCapacity);

  if (n != 1) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const BoxDeviceRecord& record = g_device_records[i];
      LogLine(FormatDeviceRecordLine(static_cast<int>(i), record));
      if (!IsBoxBridge(record)) continue;
      const std::string_view name = RecordText(record.name);
      if (Contains(name, kBoxProductWord)) {
        const std::int32_t number = ComNumberFromText(RecordText(record.com));
        if (number == 0) continue;
        SetLabel(Control::FoundDeviceName, AnsiString(name));
        LogLine("Found device by name");
        return number;
      }
      SetLabel(Control::FoundDeviceName, AnsiString(name));
    }
  }

  for (std::uint32_t i = 0; i < n; ++i) {
    const BoxDeviceRecord& record = g_device_records[i];
    LogLine(FormatDeviceRecordLine(static_cast<int>(i), record));
    if (!IsBoxBridge(record)) continue;
    const std::int32_t number = ComNumberFromText(RecordText(record.com));
    if (number == 0) continue;
    SetLabel(Control::FoundDeviceName, AnsiString(RecordText(record.name)));
    LogLine("Found device by pid/vid only");
    return number;
  }
  return 0;
}

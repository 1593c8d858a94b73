// Box discovery's record rules.
#include "link/box_discovery.h"

#include <cstdio>

std::int32_t ComNumberFromText(std::string_view com) {
  const std::size_t at = Pos("COM", com);
  if (at == 0) return 0;
  return TextToInt(Copy(com, static_cast<std::int64_t>(at) + 3, 3));
}

AnsiString FormatDeviceRecordLine(int index, const BoxDeviceRecord& record) {
  // The texts are bounded by their fields, so a record without zero bytes cannot make the
  // formatting read past it; snprintf cuts what does not fit the buffer.
  const std::string_view device = RecordText(record.device);
  const std::string_view name = RecordText(record.name);
  const std::string_view com = RecordText(record.com);
  char buffer[kRecordLineBufferSize];
  const int written = std::snprintf(
      buffer, sizeof buffer, "%i: vid=%04X, pid=%04X, device=%.*s, hub=%i, port=%i, name=%.*s, com=%.*s\n",
      index, static_cast<unsigned>(record.vid), static_cast<unsigned>(record.pid),
      static_cast<int>(device.size()), device.data(), static_cast<int>(record.hub),
      static_cast<int>(record.port), static_cast<int>(name.size()), name.data(), static_cast<int>(com.size()),
      com.data());
  if (written < 0) return {};
  const std::size_t length = static_cast<std::size_t>(written) < sizeof buffer
                                 ? static_cast<std::size_t>(written)
                                 : sizeof buffer - 1;
  return AnsiString(buffer, length);
}

bool IsBoxBridge(const BoxDeviceRecord& record) {
  return record.vid == kBoxVendorId && record.pid == kBoxProductId;
}

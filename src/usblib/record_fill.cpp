// Record filling, argument checks and naming rules shared by the scanners.
#include "record_fill.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

void FillRecord(BoxDeviceRecord& record, const DeviceDescription& description) {
  std::memset(&record, 0, sizeof record);
  record.vid = description.vid;
  record.pid = description.pid;
  CopyText(record.device, description.device);
  record.hub = description.hub;
  record.port = description.port;
  CopyText(record.name, description.name);
  CopyText(record.com, description.com);
}

bool ScanArgumentsUsable(const BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count) {
  if (count == nullptr) return false;
  *count = 0;
  return records != nullptr || capacity == 0;
}

std::uint32_t UsableCapacity(std::uint32_t capacity) {
  return std::min<std::uint32_t>(capacity, std::numeric_limits<std::uint16_t>::max());
}

namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Decimal digits only, at most five of them, so the value always fits.
std::optional<std::uint32_t> SmallDecimal(std::string_view text) {
  if (!AllDigits(text) || text.size() > 5) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) value = value * 10 + static_cast<std::uint32_t>(c - '0');
  return value;
}

}  // namespace

std::string ComNameForTty(std::string_view kernel_name) {
  constexpr std::string_view kUsbSerial = "ttyUSB";
  if (kernel_name.substr(0, kUsbSerial.size()) == kUsbSerial) {
    if (const auto k = SmallDecimal(kernel_name.substr(kUsbSerial.size())))
      return "COM" + std::to_string(*k + 1);
  }
  return std::string(kernel_name);
}

std::uint8_t LastPortNumber(std::string_view usb_kernel_name) {
  const std::size_t separator = usb_kernel_name.find_last_of("-.");
  if (separator == std::string_view::npos) return 0;
  const auto port = SmallDecimal(usb_kernel_name.substr(separator + 1));
  if (!port) return 0;
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(*port, 255));
}

std::uint16_t ParseUsbId(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  if (text.empty() || text.size() > 4) return 0;
  std::uint16_t value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return 0;
    }
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

std::string DeviceName(std::string_view manufacturer, std::string_view product) {
  if (!manufacturer.empty() && !product.empty())
    return std::string(manufacturer) + " " + std::string(product);
  return std::string(product);
}

std::optional<std::uint32_t> ComEntryNumber(std::string_view entry_name) {
  constexpr std::string_view kPrefix = "COM";
  if (entry_name.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const std::string_view digits = entry_name.substr(kPrefix.size());
  if (digits.empty() || digits.front() == '0') return std::nullopt;
  return SmallDecimal(digits);
}

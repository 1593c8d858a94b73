// The pure pieces of box discovery: reading a device record's texts, the COM number rule and
// the record's log line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "link/box_device_record.h"

// The box's USB bridge.
inline constexpr std::uint16_t kBoxVendorId = 0x0403;
inline constexpr std::uint16_t kBoxProductId = 0x6015;
// The product word in the box's device name.
inline constexpr std::string_view kBoxProductWord = "Rodiduz";

// The formatting buffer of one record's log line, its zero byte included.
inline constexpr std::size_t kRecordLineBufferSize = 1000;

// A record text up to its zero byte, or the whole field when the library left none in it.
template <std::size_t N>
std::string_view RecordText(const char (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return std::string_view(field, length);
}

// The number in the 3 characters after the first "COM" of `com`; 0 without "COM" or when
// those characters are not a whole integer ("COM5 " gives 0, "COM1234" gives 123).
std::int32_t ComNumberFromText(std::string_view com);

// "%i: vid=%04X, pid=%04X, device=%s, hub=%i, port=%i, name=%s, com=%s\n" for the record at
// `index`, cut at the end of the 1000-byte formatting buffer (at most 999 characters).
AnsiString FormatDeviceRecordLine(int index, const BoxDeviceRecord& record);

bool IsBoxBridge(const BoxDeviceRecord& record);

// The scripted scan library the discovery tests load in place of libusblib.so.
#pragma once

#include <cstdint>

#include "link/box_device_record.h"

// What the next scans return: `records` (copied, at most the caller's capacity of them are
// handed over), the count to report and the result.
using FakeUsbScript = void (*)(const BoxDeviceRecord* records, std::uint32_t record_count,
                               std::uint16_t reported_count, std::uint8_t result);
inline constexpr const char* kFakeUsbScriptName = "fake_usblib_script";

struct FakeUsbCall {
  std::uint32_t values[4];
  bool records_given;
  std::uint32_t capacity;
  bool count_given;
  int calls;  // scans since the last script
};
using FakeUsbLastCall = FakeUsbCall (*)();
inline constexpr const char* kFakeUsbLastCallName = "fake_usblib_last_call";

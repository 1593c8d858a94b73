// A scan library that returns what the test scripted and remembers how it was called.
#include "fake_usblib.h"

#include <algorithm>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::vector<BoxDeviceRecord> g_records;
std::uint16_t g_reported_count = 0;
std::uint8_t g_result = 0;
FakeUsbCall g_last_call{};

}  // namespace

FAKE_EXPORT void fake_usblib_script(const BoxDeviceRecord* records, std::uint32_t record_count,
                                    std::uint16_t reported_count, std::uint8_t result) {
  g_records.assign(records, records + record_count);
  g_reported_count = reported_count;
  g_result = result;
  g_last_call = FakeUsbCall{};
}

FAKE_EXPORT FakeUsbCall fake_usblib_last_call() { return g_last_call; }

FAKE_EXPORT std::uint8_t usblib_scan_com(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                                         BoxDeviceRecord* records, std::uint32_t capacity,
                                         std::uint16_t* count) {
  g_last_call.values[0] = a;
  g_last_call.values[1] = b;
  g_last_call.values[2] = c;
  g_last_call.values[3] = d;
  g_last_call.records_given = records != nullptr;
  g_last_call.capacity = capacity;
  g_last_call.count_given = count != nullptr;
  ++g_last_call.calls;
  if (records == nullptr || count == nullptr) return 1;
  const std::size_t handed = std::min<std::size_t>(g_records.size(), capacity);
  std::copy_n(g_records.begin(), handed, records);
  *count = g_reported_count;
  return g_result;
}

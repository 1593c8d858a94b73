// The log line of an arbitrary device record, texts with or without their zero bytes,
// against the same line built with plain string operations.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "link/box_discovery.h"

namespace {

std::string Hex4(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

}  // namespace

// Input: four bytes of index, one fill byte for the record's unset bytes, then the record's
// bytes from its start.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 5) return 0;
  std::uint32_t raw_index = 0;
  std::memcpy(&raw_index, data, sizeof raw_index);
  const int index = static_cast<int>(static_cast<std::int32_t>(raw_index));
  // Held on the heap with its exact size so a read past the record is seen.
  auto record = std::make_unique<BoxDeviceRecord>();
  std::memset(record.get(), data[4], sizeof(BoxDeviceRecord));
  std::memcpy(record.get(), data + 5, std::min(size - 5, sizeof(BoxDeviceRecord)));

  const AnsiString line = FormatDeviceRecordLine(index, *record);
  FUZZ_CHECK(line.size() < kRecordLineBufferSize);

  const std::string expected = std::to_string(index) + ": vid=" + Hex4(record->vid) + ", pid=" +
                               Hex4(record->pid) + ", device=" + std::string(RecordText(record->device)) +
                               ", hub=" + std::to_string(record->hub) + ", port=" + std::to_string(record->port) +
                               ", name=" + std::string(RecordText(record->name)) +
                               ", com=" + std::string(RecordText(record->com)) + "\n";
  FUZZ_CHECK(line == expected.substr(0, kRecordLineBufferSize - 1));
  return 0;
}

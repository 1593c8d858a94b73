// The integer conversion on arbitrary texts, against an independent reading of its rule, and
// the round trip of every 32-bit value through its decimal and hexadecimal texts.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/text.h"
#include "fuzz_check.h"

namespace {

std::int32_t Reference(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  text.remove_prefix(first);
  bool negative = false;
  if (text.front() == '-' || text.front() == '+') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  for (const std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (text.starts_with(prefix)) {
      base = 16;
      text.remove_prefix(prefix.size());
      break;
    }
  }
  // from_chars takes a sign of its own; the rule allows only one, before the prefix.
  if (text.empty() || text.front() == '-' || text.front() == '+') return 0;
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return 0;
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  if (magnitude > limit) return 0;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                            : static_cast<std::int64_t>(magnitude));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  FUZZ_CHECK(TextToInt(text) == Reference(text));

  if (size >= 4) {
    std::int32_t value = 0;
    for (int i = 0; i < 4; ++i) value = static_cast<std::int32_t>((static_cast<std::uint32_t>(value) << 8) | data[i]);
    FUZZ_CHECK(TextToInt(std::to_string(value)) == value);
    FUZZ_CHECK(TextToInt("  " + std::to_string(value)) == value);
    char hex[16];
    const std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    std::snprintf(hex, sizeof hex, "%s0x%X", value < 0 ? "-" : "", static_cast<unsigned>(magnitude));
    FUZZ_CHECK(TextToInt(hex) == value);
    // A trailing space makes any text invalid.
    FUZZ_CHECK(TextToInt(std::to_string(value) + " ") == 0);
  }
  return 0;
}

// The COM number rule on arbitrary port texts, and on "COM<n>" placed after arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "link/box_discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  const std::int32_t number = ComNumberFromText(text);
  // At most three characters are read: "-99" to "999", or a hexadecimal "$FF" / "xFF".
  FUZZ_CHECK(number >= -99 && number <= 999);
  if (text.find("COM") == std::string_view::npos) FUZZ_CHECK(number == 0);

  // The number follows the first "COM" wherever it stands.
  if (size >= 2 && text.find("COM") == std::string_view::npos) {
    const int wanted = 1 + (data[0] << 8 | data[1]) % 999;
    const std::string port = std::string(text.substr(2)) + "COM" + std::to_string(wanted);
    FUZZ_CHECK(ComNumberFromText(port) == wanted);
  }
  return 0;
}

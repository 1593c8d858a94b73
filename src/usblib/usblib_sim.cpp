// sim/libusblib.so, the demo's virtual USB bus: every COM<n> entry of $RODIDUZ_PORT_DIR is a
// box on hub 1, port n, whose device is what the entry links to.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "record_fill.h"

namespace {

std::string LinkTarget(const std::string& path) {
  std::string target(4096, '\0');
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
  target.resize(static_cast<std::size_t>(length));
  return target;
}

}  // namespace

USBLIB_EXPORT std::uint8_t usblib_scan_com(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                           BoxDeviceRecord* records, std::uint32_t capacity,
                                           std::uint16_t* count) {
  if (!ScanArgumentsUsable(records, capacity, count)) return kScanBadArguments;
  const char* folder = std::getenv("RODIDUZ_PORT_DIR");
  // No virtual bus set up: no devices, as on a machine with nothing plugged in.
  if (folder == nullptr || *folder == '\0') return kScanOk;
  DIR* directory = ::opendir(folder);
  if (directory == nullptr) return kScanOk;
  std::vector<std::pair<std::uint32_t, std::string>> entries;
  while (const dirent* entry = ::readdir(directory)) {
    if (const auto number = ComEntryNumber(entry->d_name)) entries.emplace_back(*number, entry->d_name);
  }
  ::closedir(directory);
  std::sort(entries.begin(), entries.end());

  const std::uint32_t usable = UsableCapacity(capacity);
  std::uint32_t filled = 0;
  for (const auto& [number, entry_name] : entries) {
    if (filled == usable) break;
    const std::string device = LinkTarget(std::string(folder) + "/" + entry_name);
    DeviceDescription description;
    description.vid = 0x0403;
    description.pid = 0x6015;
    description.device = device;
    description.hub = 1;
    description.port = static_cast<std::uint8_t>(number <= 255 ? number : 0);
    description.name = "Rodiduz Box";
    description.com = entry_name;
    FillRecord(records[filled++], description);
  }
  *count = static_cast<std::uint16_t>(filled);
  return kScanOk;
}

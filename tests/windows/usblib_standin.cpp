// The stand-in usblib.dll of the Windows tests: usblib_scan_com reports the devices that the
// test handed over through usblib_standin_set_devices, or, for a whole program that cannot be
// handed anything, one box on the COM port that RODIDUZ_STANDIN_BOX_COM names; with
// RODIDUZ_STANDIN_BOX_PLUGGED, only while that file exists (a script that plugs and unplugs the
// box makes and removes it with the port's link).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "link/box_device_record.h"

namespace {

std::vector<BoxDeviceRecord> BoxFromEnvironment() {
  const char* port = std::getenv("RODIDUZ_STANDIN_BOX_COM");
  if (port == nullptr || std::atoi(port) <= 0) return {};
  BoxDeviceRecord box{};
  box.vid = 0x0403;
  box.pid = 0x6015;
  std::strcpy(box.name, "FTDI Rodiduz Box");
  const std::string com = "COM" + std::to_string(std::atoi(port));
  std::strcpy(box.com, com.c_str());
  return {box};
}

std::mutex devices_lock;
std::vector<BoxDeviceRecord> devices = BoxFromEnvironment();
bool devices_from_environment = !devices.empty();
std::uint8_t scan_result = 0;

bool EnvironmentBoxPlugged() {
  const char* marker = std::getenv("RODIDUZ_STANDIN_BOX_PLUGGED");
  return marker == nullptr || ::GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

extern "C" {

// Replaces the reported devices; `result` is what each scan then returns.
__declspec(dllexport) void usblib_standin_set_devices(const BoxDeviceRecord* records, std::uint32_t count,
                                                      std::uint8_t result) {
  std::lock_guard lock(devices_lock);
  devices.assign(records, records + count);
  devices_from_environment = false;
  scan_result = result;
}

__declspec(dllexport) std::uint8_t RODIDUZ_STDCALL
    usblib_scan_com(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, BoxDeviceRecord* records,
                    std::uint32_t capacity, std::uint16_t* count) {
  std::lock_guard lock(devices_lock);
  std::uint32_t given = 0;
  for (const BoxDeviceRecord& device : devices) {
    if (given == capacity || records == nullptr) break;
    if (devices_from_environment && !EnvironmentBoxPlugged()) continue;
    std::memcpy(&records[given++], &device, sizeof device);
  }
  if (count != nullptr) *count = static_cast<std::uint16_t>(given);
  return scan_result;
}

}  // extern "C"

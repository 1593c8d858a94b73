// What both scanners share: filling records, the argument checks, the naming rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/box_device_record.h"

#define USBLIB_EXPORT extern "C" __attribute__((visibility("default")))

// Result codes of usblib_scan_com.
inline constexpr std::uint8_t kScanOk = 0;
inline constexpr std::uint8_t kScanBadArguments = 1;
inline constexpr std::uint8_t kScanFailed = 2;

struct DeviceDescription {
  std::uint16_t vid = 0;
  std::uint16_t pid = 0;
  std::string_view device;
  std::uint8_t hub = 0;
  std::uint8_t port = 0;
  std::string_view name;
  std::string_view com;
};

// Clears the record and copies the description into it; texts longer than their field are cut
// so that a zero byte always ends them inside it.
void FillRecord(BoxDeviceRecord& record, const DeviceDescription& description);

// Checks the record array and count of a call; sets the count to 0.
bool ScanArgumentsUsable(const BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count);

// What fits into both the caller's capacity and the 16-bit count.
std::uint32_t UsableCapacity(std::uint32_t capacity);

// The COM name of a tty: "COM<k+1>" for ttyUSB<k>, every other tty its kernel name.
std::string ComNameForTty(std::string_view kernel_name);

// The last port number of a USB device's kernel name ("1-2.3" gives 3, "1-4" gives 4); 0 for
// a root hub or a name without one, 255 at most.
std::uint8_t LastPortNumber(std::string_view usb_kernel_name);

// A four-digit hexadecimal USB identifier as sysfs shows it; 0 when it is not one.
std::uint16_t ParseUsbId(std::string_view text);

// "manufacturer product" when both exist, else the product alone.
std::string DeviceName(std::string_view manufacturer, std::string_view product);

// n for an entry named "COM<n>" (decimal, no leading zero, 1 to 99999); none for any other.
std::optional<std::uint32_t> ComEntryNumber(std::string_view entry_name);

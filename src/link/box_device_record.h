// BoxDeviceRecord: one USB serial device as the scan export reports it, and the export's type.
#pragma once

#include <cstddef>
#include <cstdint>

// RODIDUZ_STDCALL, the scan export's calling convention, comes from the build.

#pragma pack(push, 1)
struct BoxDeviceRecord {
  std::uint16_t vid;
  std::uint16_t pid;
  char reserved[2000];
  char device[2000];
  std::uint8_t hub;
  std::uint8_t port;
  char name[1000];
  char com[1000];
};
#pragma pack(pop)

static_assert(sizeof(BoxDeviceRecord) == 6006);
static_assert(offsetof(BoxDeviceRecord, vid) == 0);
static_assert(offsetof(BoxDeviceRecord, pid) == 2);
static_assert(offsetof(BoxDeviceRecord, reserved) == 4);
static_assert(offsetof(BoxDeviceRecord, device) == 2004);
static_assert(offsetof(BoxDeviceRecord, hub) == 4004);
static_assert(offsetof(BoxDeviceRecord, port) == 4005);
static_assert(offsetof(BoxDeviceRecord, name) == 4006);
static_assert(offsetof(BoxDeviceRecord, com) == 5006);

// Records handed to each call of the scan export.
inline constexpr std::uint32_t kBoxDeviceCapacity = 100;

// usblib_scan_com: four zero values, the record array, its capacity and the count it sets;
// 0 means success.
using UsbScanComFunction = std::uint8_t(RODIDUZ_STDCALL*)(std::uint32_t, std::uint32_t, std::uint32_t,
                                                           std::uint32_t, BoxDeviceRecord* records,
                                                           std::uint32_t capacity, std::uint16_t* count);

inline constexpr const char* kUsbScanExportName = "usblib_scan_com";

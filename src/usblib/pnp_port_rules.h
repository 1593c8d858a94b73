// How a serial port of Windows' device list becomes a record: the walk up to its USB device,
// the identifiers, the name and the place on the hub. Free of Windows calls, so the rules are
// tested as tables of captured device properties on every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/box_device_record.h"
#include "pnp_device_list.h"

struct UsbIds {
  std::uint16_t vid = 0;
  std::uint16_t pid = 0;
};

struct UsbPlace {
  std::uint8_t hub = 0;
  std::uint8_t port = 0;
};

// The identifiers of a USB hardware ID, "USB\VID_0403&PID_6015&REV_1000" (any case); none for
// every other ID, FTDI's "FTDIBUS\COMPORT&VID_0403&PID_6015" among them.
std::optional<UsbIds> UsbIdsOfHardwareId(std::string_view hardware_id);

// Hub and port from a USB device's location, "Port_#0002.Hub_#0001"; a part that is missing
// or above 255 gives 0.
UsbPlace UsbPlaceOfLocation(std::string_view location);

// The manufacturer worth naming: Windows writes placeholders such as "(Standard port types)"
// where a driver package names none.
std::string_view NamedManufacturer(std::string_view manufacturer);

// Fills `record` for a USB serial port; false for a port that is not a COM port or not on USB
// (a built-in COM1, a Bluetooth port), which the list leaves out as the Linux scanner does.
bool DescribeSerialPort(PnpDeviceList& list, const PnpSerialPort& port, BoxDeviceRecord& record);

// libusblib.so: lists the USB serial devices of the machine from the udev tty subsystem.
#include <libudev.h>

#include <string>
#include <string_view>

#include "record_fill.h"

namespace {

std::string_view Attribute(udev_device* device, const char* name) {
  const char* value = udev_device_get_sysattr_value(device, name);
  std::string_view text = value == nullptr ? std::string_view() : std::string_view(value);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  return text;
}

std::string_view Text(const char* value) {
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// Fills one record from a tty and its USB device; false for a tty without a USB parent.
bool DescribeTty(udev_device* tty, BoxDeviceRecord& record) {
  // Owned by `tty`, freed with it.
  udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
  if (usb == nullptr) return false;
  const std::string_view kernel_name = Text(udev_device_get_sysname(tty));
  const std::string node = udev_device_get_devnode(tty) != nullptr ? std::string(udev_device_get_devnode(tty))
                                                                   : "/dev/" + std::string(kernel_name);
  const std::string name = DeviceName(Attribute(usb, "manufacturer"), Attribute(usb, "product"));
  const std::string com = ComNameForTty(kernel_name);
  const std::string_view bus = Attribute(usb, "busnum");
  unsigned hub = 0;
  for (char c : bus) {
    if (c < '0' || c > '9' || hub > 255) {
      hub = 0;
      break;
    }
    hub = hub * 10 + static_cast<unsigned>(c - '0');
  }
  DeviceDescription description;
  description.vid = ParseUsbId(Attribute(usb, "idVendor"));
  description.pid = ParseUsbId(Attribute(usb, "idProduct"));
  description.device = node;
  description.hub = static_cast<std::uint8_t>(hub > 255 ? 0 : hub);
  description.port = LastPortNumber(Text(udev_device_get_sysname(usb)));
  description.name = name;
  description.com = com;
  FillRecord(record, description);
  return true;
}

}  // namespace

USBLIB_EXPORT std::uint8_t usblib_scan_com(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                           BoxDeviceRecord* records, std::uint32_t capacity,
                                           std::uint16_t* count) {
  if (!ScanArgumentsUsable(records, capacity, count)) return kScanBadArguments;
  const std::uint32_t usable = UsableCapacity(capacity);

  udev* context = udev_new();
  if (context == nullptr) return kScanFailed;
  udev_enumerate* enumerate = udev_enumerate_new(context);
  if (enumerate == nullptr || udev_enumerate_add_match_subsystem(enumerate, "tty") < 0 ||
      udev_enumerate_scan_devices(enumerate) < 0) {
    udev_enumerate_unref(enumerate);
    udev_unref(context);
    return kScanFailed;
  }

  std::uint32_t filled = 0;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
    if (filled == usable) break;
    udev_device* tty = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
    if (tty == nullptr) continue;
    if (DescribeTty(tty, records[filled])) ++filled;
    udev_device_unref(tty);
  }
  udev_enumerate_unref(enumerate);
  udev_unref(context);
  *count = static_cast<std::uint16_t>(filled);
  return kScanOk;
}

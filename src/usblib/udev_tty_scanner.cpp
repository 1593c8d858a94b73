// The udev tty scanner: enumeration, the record of each USB tty, and the monitor's events.
#include "udev_tty_scanner.h"

#include <libudev.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
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

// The bus number as the record's hub: 0 when it is not a number up to 255.
std::uint8_t BusNumber(std::string_view bus) {
  unsigned hub = 0;
  for (char c : bus) {
    if (c < '0' || c > '9') return 0;
    hub = hub * 10 + static_cast<unsigned>(c - '0');
    if (hub > 255) return 0;
  }
  return static_cast<std::uint8_t>(hub);
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
  DeviceDescription description;
  description.vid = ParseUsbId(Attribute(usb, "idVendor"));
  description.pid = ParseUsbId(Attribute(usb, "idProduct"));
  description.device = node;
  description.hub = BusNumber(Attribute(usb, "busnum"));
  description.port = LastPortNumber(Text(udev_device_get_sysname(usb)));
  description.name = name;
  description.com = com;
  FillRecord(record, description);
  return true;
}

// Events from udev itself come after its rules have run; without a running udev (a container,
// a system without it) its monitor would stay silent, so the kernel's own events stand in.
const char* MonitorSource(udev* context) {
  udev_queue* queue = udev_queue_new(context);
  const bool udev_running = queue != nullptr && udev_queue_get_udev_is_active(queue) != 0;
  udev_queue_unref(queue);
  return udev_running ? "udev" : "kernel";
}

udev_monitor* NewTtyMonitor(udev* context) {
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, MonitorSource(context));
  if (monitor == nullptr) return nullptr;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    udev_monitor_unref(monitor);
    return nullptr;
  }
  return monitor;
}

bool ChangesTheList(const char* action) {
  const std::string_view text = Text(action);
  return text == "add" || text == "remove" || text == "move";
}

}  // namespace

UdevTtyScanner::UdevTtyScanner() : context_(udev_new()) {
  // Set up before the first enumeration, so that no tty coming or going after it is missed.
  if (context_ != nullptr) monitor_ = NewTtyMonitor(context_);
}

UdevTtyScanner::~UdevTtyScanner() {
  udev_monitor_unref(monitor_);
  udev_unref(context_);
}

std::uint8_t UdevTtyScanner::Scan(BoxDeviceRecord* records, std::uint32_t capacity, std::uint16_t* count) {
  if (context_ == nullptr) return kScanFailed;
  const bool changed = monitor_ == nullptr || TtysChanged();
  if ((changed || !enumerated_) && !Enumerate()) return kScanFailed;
  const std::size_t filled = std::min<std::size_t>(capacity, devices_.size());
  std::copy_n(devices_.begin(), filled, records);
  *count = static_cast<std::uint16_t>(filled);
  return kScanOk;
}

bool UdevTtyScanner::Enumerate() {
  enumerated_ = false;
  devices_.clear();
  if (context_ == nullptr) return false;
  udev_enumerate* enumerate = udev_enumerate_new(context_);
  if (enumerate == nullptr || udev_enumerate_add_match_subsystem(enumerate, "tty") < 0 ||
      udev_enumerate_scan_devices(enumerate) < 0) {
    udev_enumerate_unref(enumerate);
    return false;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
    udev_device* tty = udev_device_new_from_syspath(context_, udev_list_entry_get_name(entry));
    if (tty == nullptr) continue;
    BoxDeviceRecord record;
    if (DescribeTty(tty, record)) devices_.push_back(record);
    udev_device_unref(tty);
  }
  udev_enumerate_unref(enumerate);
  enumerated_ = true;
  return true;
}

bool UdevTtyScanner::TtysChanged() {
  pollfd events{udev_monitor_get_fd(monitor_), POLLIN, 0};
  if (::poll(&events, 1, 0) <= 0) return false;
  bool changed = false;
  for (;;) {
    errno = 0;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) {
      // ENOBUFS: the socket overflowed and events were lost.
      if (errno != 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) changed = true;
      return changed;
    }
    changed = changed || ChangesTheList(udev_device_get_action(device));
    udev_device_unref(device);
  }
}

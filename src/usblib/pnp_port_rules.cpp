// The walk from a serial port up to its USB device, and what the record takes from each node.
#include "pnp_port_rules.h"

#include <algorithm>
#include <utility>

#include "record_fill.h"

namespace {

// Levels above a port that are looked at; real trees have at most three (port, function of a
// composite device, device), and a list that loops must not keep the walk going.
constexpr int kLongestWalk = 8;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(),
                                                    [](char a, char b) { return Upper(a) == Upper(b); });
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (StartsWithNoCase(text.substr(at), part)) return true;
  }
  return false;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (Upper(c) >= 'A' && Upper(c) <= 'F'); }

// Exactly four hexadecimal digits at the front of `text`, ended by '&', '\' or the text's end.
std::optional<std::uint16_t> LeadingUsbId(std::string_view text) {
  if (text.size() < 4 || (text.size() > 4 && text[4] != '&' && text[4] != '\\')) return std::nullopt;
  const std::string_view digits = text.substr(0, 4);
  if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) return std::nullopt;
  return ParseUsbId(digits);
}

// The decimal number after `label` in `text`, as far as digits go; 0 when there is none or it
// does not fit a byte.
std::uint8_t ByteAfter(std::string_view text, std::string_view label) {
  const std::size_t at = text.find(label);
  if (at == std::string_view::npos) return 0;
  unsigned value = 0;
  bool any_digit = false;
  for (char c : text.substr(at + label.size())) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 255) return 0;
    any_digit = true;
  }
  return any_digit ? static_cast<std::uint8_t>(value) : 0;
}

std::optional<UsbIds> UsbIdsOf(const PnpDeviceNode& node) {
  for (const std::string& id : node.hardware_ids) {
    if (const auto ids = UsbIdsOfHardwareId(id)) return ids;
  }
  return std::nullopt;
}

// One function ("&MI_00") of a composite device, whose node carries the device's identifiers
// but neither its place on the hub nor its product string.
bool IsFunctionOfCompositeDevice(const PnpDeviceNode& node) {
  if (ContainsNoCase(node.instance_id, "&MI_")) return true;
  return std::any_of(node.hardware_ids.begin(), node.hardware_ids.end(),
                     [](const std::string& id) { return ContainsNoCase(id, "&MI_"); });
}

// Bluetooth's enumerators (BTHENUM, BTH, BTHLEDEVICE) hang below the radio, which is often a
// USB device: a walk that crossed them would report the radio as the port's device.
bool EnumeratedByBluetooth(const PnpDeviceNode& node) { return StartsWithNoCase(node.instance_id, "BTH"); }

struct UsbDevice {
  UsbIds ids;
  PnpDeviceNode node;
};

PnpDeviceNode WholeDevice(PnpDeviceList& list, PnpDeviceNode node) {
  if (!IsFunctionOfCompositeDevice(node)) return node;
  std::optional<PnpDeviceNode> parent = list.Parent(node);
  if (parent && UsbIdsOf(*parent)) return std::move(*parent);
  return node;
}

// The first node with a USB hardware ID from the port upwards, and the device it belongs to.
std::optional<UsbDevice> UsbDeviceAbove(PnpDeviceList& list, const PnpDeviceNode& port) {
  PnpDeviceNode node = port;
  for (int level = 0; level <= kLongestWalk; ++level) {
    if (EnumeratedByBluetooth(node)) return std::nullopt;
    if (const auto ids = UsbIdsOf(node)) return UsbDevice{*ids, WholeDevice(list, std::move(node))};
    std::optional<PnpDeviceNode> parent = list.Parent(node);
    if (!parent) return std::nullopt;
    node = std::move(*parent);
  }
  return std::nullopt;
}

// What the record's `device` holds: the port's interface path, as the Linux scanner gives the
// device node's path; Device Manager's name of the port where there is no interface.
std::string_view DeviceText(const PnpSerialPort& port) {
  if (!port.interface_path.empty()) return port.interface_path;
  if (!port.node.friendly_name.empty()) return port.node.friendly_name;
  return port.node.description;
}

}  // namespace

std::optional<UsbIds> UsbIdsOfHardwareId(std::string_view hardware_id) {
  constexpr std::string_view kVendor = "USB\\VID_";
  constexpr std::string_view kProduct = "&PID_";
  if (!StartsWithNoCase(hardware_id, kVendor)) return std::nullopt;
  hardware_id.remove_prefix(kVendor.size());
  const auto vid = LeadingUsbId(hardware_id);
  if (!vid) return std::nullopt;
  hardware_id.remove_prefix(4);
  if (!StartsWithNoCase(hardware_id, kProduct)) return std::nullopt;
  hardware_id.remove_prefix(kProduct.size());
  const auto pid = LeadingUsbId(hardware_id);
  if (!pid) return std::nullopt;
  return UsbIds{*vid, *pid};
}

UsbPlace UsbPlaceOfLocation(std::string_view location) {
  return UsbPlace{ByteAfter(location, "Hub_#"), ByteAfter(location, "Port_#")};
}

std::string_view NamedManufacturer(std::string_view manufacturer) {
  return manufacturer.starts_with('(') ? std::string_view() : manufacturer;
}

bool DescribeSerialPort(PnpDeviceList& list, const PnpSerialPort& port, BoxDeviceRecord& record) {
  if (!ComEntryNumber(port.port_name)) return false;
  const std::optional<UsbDevice> usb = UsbDeviceAbove(list, port.node);
  if (!usb) return false;
  const std::string name =
      DeviceName(NamedManufacturer(usb->node.manufacturer), usb->node.bus_reported_description);
  const UsbPlace place = UsbPlaceOfLocation(usb->node.location);
  DeviceDescription description;
  description.vid = usb->ids.vid;
  description.pid = usb->ids.pid;
  description.device = DeviceText(port);
  description.hub = place.hub;
  description.port = place.port;
  description.name = name;
  description.com = port.port_name;
  FillRecord(record, description);
  return true;
}

// Reading serial ports and device nodes from SetupAPI and the configuration manager.
#include "setupapi_device_list_win32.h"

// clang-format off
#include <windows.h>
#include <initguid.h>
#include <cfgmgr32.h>
#include <devguid.h>
#include <devpkey.h>
#include <ntddmodm.h>
#include <setupapi.h>
// clang-format on

#include <cwchar>
#include <string>
#include <string_view>
#include <utility>

// GUID_DEVINTERFACE_COMPORT, whose header is a driver's header.
DEFINE_GUID(kComPortInterface, 0x86e0d1e0, 0x8089, 0x11d0, 0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73);

namespace {

struct SerialClass {
  const GUID& setup_class;
  const GUID& port_interface;
};
const SerialClass kSerialClasses[] = {{GUID_DEVCLASS_PORTS, kComPortInterface},
                                      {GUID_DEVCLASS_MODEM, GUID_DEVINTERFACE_MODEM}};

class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (Valid()) ::SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  bool Valid() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

// Texts go into the records in the program's ANSI code page, as the program reads them.
std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::wstring InstanceId(DEVINST node) {
  ULONG length = 0;
  if (::CM_Get_Device_ID_Size(&length, node, 0) != CR_SUCCESS) return {};
  std::wstring id(length + 1, L'\0');
  if (::CM_Get_Device_IDW(node, id.data(), length + 1, 0) != CR_SUCCESS) return {};
  id.resize(std::wcslen(id.c_str()));
  return id;
}

// The strings of a zero-separated list that ends in two zeros, or of one zero-ended string.
std::vector<std::wstring> SplitStrings(const std::vector<wchar_t>& buffer, bool list) {
  std::vector<std::wstring> strings;
  for (const wchar_t* at = buffer.data(); *at != L'\0'; at += std::wcslen(at) + 1) {
    strings.emplace_back(at);
    if (!list) break;
  }
  return strings;
}

// A string or string-list property of the device's registry entry (SPDRP_*), which every
// Windows and Wine keep; none when the device lacks it.
std::vector<std::wstring> RegistryStrings(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD size = 0;
  ::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
  if (size == 0 || (type != REG_SZ && type != REG_MULTI_SZ)) return {};
  // Two more characters: the texts end in zeros even when the stored value does not.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                           reinterpret_cast<PBYTE>(buffer.data()), size, &size)) {
    return {};
  }
  return SplitStrings(buffer, type == REG_MULTI_SZ);
}

std::string RegistryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  const std::vector<std::wstring> strings = RegistryStrings(set, device, property);
  return strings.empty() ? std::string() : Narrow(strings.front());
}

// The product string the device reported to its bus, which has no SPDRP_* of its own (Windows 7
// and later).
std::string BusReportedDescription(HDEVINFO set, SP_DEVINFO_DATA& device) {
  DEVPROPTYPE type = 0;
  DWORD size = 0;
  const DEVPROPKEY& key = DEVPKEY_Device_BusReportedDeviceDesc;
  ::SetupDiGetDevicePropertyW(set, &device, &key, &type, nullptr, 0, &size, 0);
  if (size == 0 || type != DEVPROP_TYPE_STRING) return {};
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  if (!::SetupDiGetDevicePropertyW(set, &device, &key, &type, reinterpret_cast<PBYTE>(buffer.data()), size,
                                   &size, 0)) {
    return {};
  }
  return Narrow(buffer.data());
}

PnpDeviceNode NodeOf(HDEVINFO set, SP_DEVINFO_DATA& device, const std::wstring& instance_id) {
  PnpDeviceNode node;
  node.handle = device.DevInst;
  node.instance_id = Narrow(instance_id);
  for (const std::wstring& id : RegistryStrings(set, device, SPDRP_HARDWAREID))
    node.hardware_ids.push_back(Narrow(id));
  node.bus_reported_description = BusReportedDescription(set, device);
  node.description = RegistryText(set, device, SPDRP_DEVICEDESC);
  node.friendly_name = RegistryText(set, device, SPDRP_FRIENDLYNAME);
  node.manufacturer = RegistryText(set, device, SPDRP_MFG);
  node.location = RegistryText(set, device, SPDRP_LOCATION_INFORMATION);
  return node;
}

// The port's "PortName" in its device key, where the Ports class installer writes it.
std::wstring PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t name[256] = {};
  DWORD type = 0;
  DWORD size = sizeof name - sizeof(wchar_t);  // the last character stays the end
  const LSTATUS status =
      ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<LPBYTE>(name), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return {};
  return std::wstring(name, ::wcsnlen(name, size / sizeof(wchar_t)));
}

// The first present interface of the class on the device; empty when it registered none.
std::wstring InterfacePath(const std::wstring& instance_id, const GUID& interface_class) {
  GUID guid = interface_class;
  const DEVINSTID_W id = const_cast<DEVINSTID_W>(instance_id.c_str());
  ULONG length = 0;
  if (::CM_Get_Device_Interface_List_SizeW(&length, &guid, id, CM_GET_DEVICE_INTERFACE_LIST_PRESENT) !=
          CR_SUCCESS ||
      length <= 1) {
    return {};
  }
  std::vector<wchar_t> paths(length + 1, L'\0');
  // A list that grew in between is read at the next change.
  if (::CM_Get_Device_Interface_ListW(&guid, id, paths.data(), length,
                                      CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS) {
    return {};
  }
  return std::wstring(paths.data());
}

bool AppendPortsOfClass(const SerialClass& serial_class, std::vector<PnpSerialPort>& ports) {
  const DeviceInfoSet set(::SetupDiGetClassDevsW(&serial_class.setup_class, nullptr, nullptr, DIGCF_PRESENT));
  if (!set.Valid()) return false;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    const std::wstring instance_id = InstanceId(device.DevInst);
    PnpSerialPort port;
    port.node = NodeOf(set.Get(), device, instance_id);
    port.port_name = Narrow(PortName(set.Get(), device));
    port.interface_path = Narrow(InterfacePath(instance_id, serial_class.port_interface));
    ports.push_back(std::move(port));
  }
  return true;
}

}  // namespace

std::optional<std::vector<PnpSerialPort>> SetupApiDeviceList::SerialPorts() {
  std::vector<PnpSerialPort> ports;
  for (const SerialClass& serial_class : kSerialClasses) {
    if (!AppendPortsOfClass(serial_class, ports)) return std::nullopt;
  }
  return ports;
}

std::optional<PnpDeviceNode> SetupApiDeviceList::Parent(const PnpDeviceNode& child) {
  DEVINST parent = 0;
  if (::CM_Get_Parent(&parent, child.handle, 0) != CR_SUCCESS) return std::nullopt;
  const std::wstring instance_id = InstanceId(parent);
  if (instance_id.empty()) return std::nullopt;
  const DeviceInfoSet set(::SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (!set.Valid()) return std::nullopt;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  // The root of the tree has no device information: the walk ends there.
  if (!::SetupDiOpenDeviceInfoW(set.Get(), instance_id.c_str(), nullptr, 0, &device)) return std::nullopt;
  return NodeOf(set.Get(), device, instance_id);
}

// The seam in front of Windows' device list: what the scanner reads about a device node, and
// the two questions it asks (the serial ports, a node's parent). The SetupAPI backend answers
// them on Windows; tests answer them from captured device properties.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One device node as the configuration manager describes it. Texts are in the record's 8-bit
// encoding (the ANSI code page on Windows); a property the system does not have is empty.
struct PnpDeviceNode {
  // The backend's own reference to the node; tests leave it 0.
  std::uint32_t handle = 0;
  // "USB\VID_0403&PID_6015\A50285BI": the enumerator, the device's IDs and its instance.
  std::string instance_id;
  // Most specific first: "USB\VID_0403&PID_6015&REV_1000", "USB\VID_0403&PID_6015".
  std::vector<std::string> hardware_ids;
  // The product string the device reported to its bus (DEVPKEY_Device_BusReportedDeviceDesc).
  std::string bus_reported_description;
  // The driver package's description, "USB Serial Converter".
  std::string description;
  // The description with the COM port, as Device Manager lists it: "USB Serial Port (COM7)".
  std::string friendly_name;
  // The driver package's manufacturer, "FTDI" or a placeholder such as "(Standard port types)".
  std::string manufacturer;
  // Where the bus says the device sits: "Port_#0002.Hub_#0001" for a USB device.
  std::string location;
};

// A present device of the Ports or Modem class, with what makes it a serial port.
struct PnpSerialPort {
  PnpDeviceNode node;
  // The "PortName" of the device's registry key: "COM7", "LPT1".
  std::string port_name;
  // The path of its serial port (or modem) device interface; empty when it registered none.
  std::string interface_path;
};

class PnpDeviceList {
 public:
  virtual ~PnpDeviceList() = default;
  // Every present serial port, in the system's order; none when the list cannot be read.
  virtual std::optional<std::vector<PnpSerialPort>> SerialPorts() = 0;
  // The node `child` hangs below; none at the top of the tree.
  virtual std::optional<PnpDeviceNode> Parent(const PnpDeviceNode& child) = 0;
};

// Serial ports of Windows' device list as records: device trees captured from Windows machines
// (the properties Device Manager shows), each with the record it must give or none.
#include "pnp_port_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fake_pnp_device_list.h"

namespace {

struct Expected {
  std::uint16_t vid;
  std::uint16_t pid;
  std::string device;
  int hub;
  int port;
  std::string name;
};

struct Above {
  PnpDeviceNode node;
  std::string parent;
};

struct Machine {
  const char* what;
  std::vector<Above> tree;  // the nodes above the port
  PnpSerialPort port;
  std::string port_parent;
  std::optional<Expected> expected;
};

// A captured node: its IDs, then the properties it has.
class Node {
 public:
  Node(std::string instance_id, std::vector<std::string> hardware_ids) {
    node_.instance_id = std::move(instance_id);
    node_.hardware_ids = std::move(hardware_ids);
  }
  Node& Product(std::string text) { return Set(node_.bus_reported_description, std::move(text)); }
  Node& Description(std::string text) { return Set(node_.description, std::move(text)); }
  Node& FriendlyName(std::string text) { return Set(node_.friendly_name, std::move(text)); }
  Node& Manufacturer(std::string text) { return Set(node_.manufacturer, std::move(text)); }
  Node& Location(std::string text) { return Set(node_.location, std::move(text)); }
  operator PnpDeviceNode() const { return node_; }

 private:
  Node& Set(std::string& field, std::string text) {
    field = std::move(text);
    return *this;
  }
  PnpDeviceNode node_;
};

const std::string kComPortInterface = "#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

// The rest of a USB tree: a root hub on its host controller.
const std::vector<Above> kHostController = {
    {Node("USB\\ROOT_HUB30\\4&1A2B3C4D&0&0", {"USB\\ROOT_HUB30"})
         .Description("USB Root Hub (USB 3.0)")
         .Manufacturer("(Standard USB HUBs)"),
     "PCI\\VEN_8086&DEV_A36D&SUBSYS_08631028&REV_10\\3&11583659&0&A0"},
    {Node("PCI\\VEN_8086&DEV_A36D&SUBSYS_08631028&REV_10\\3&11583659&0&A0",
          {"PCI\\VEN_8086&DEV_A36D&SUBSYS_08631028&REV_10"})
         .Description("USB xHCI Compliant Host Controller")
         .Location("PCI bus 0, device 20, function 0"),
     ""},
};

std::vector<Above> OnHostController(std::vector<Above> nodes) {
  nodes.insert(nodes.end(), kHostController.begin(), kHostController.end());
  return nodes;
}

std::vector<Machine> Machines() {
  return {
      {"the box with FTDI's driver, behind a hub: FTDIBUS's port below the USB device",
       OnHostController({
           {Node("USB\\VID_0403&PID_6015\\DN05KX3Q",
                 {"USB\\VID_0403&PID_6015&REV_1000", "USB\\VID_0403&PID_6015"})
                .Product("Rodiduz Box")
                .Description("USB Serial Converter")
                .Manufacturer("FTDI")
                .Location("Port_#0002.Hub_#0004"),
            "USB\\VID_05E3&PID_0608\\6&2B3C4D5E&0&3"},
           {Node("USB\\VID_05E3&PID_0608\\6&2B3C4D5E&0&3",
                 {"USB\\VID_05E3&PID_0608&REV_8537", "USB\\VID_05E3&PID_0608"})
                .Product("USB2.0 Hub")
                .Description("Generic USB Hub")
                .Manufacturer("(Standard USB HUBs)")
                .Location("Port_#0003.Hub_#0001"),
            "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0"},
       }),
       {Node("FTDIBUS\\VID_0403+PID_6015+DN05KX3QA\\0000", {"FTDIBUS\\COMPORT&VID_0403&PID_6015"})
            .Description("USB Serial Port")
            .FriendlyName("USB Serial Port (COM7)")
            .Manufacturer("FTDI"),
        "COM7", "\\\\?\\FTDIBUS#VID_0403+PID_6015+DN05KX3QA#0000" + kComPortInterface},
       "USB\\VID_0403&PID_6015\\DN05KX3Q",
       Expected{0x0403, 0x6015, "\\\\?\\FTDIBUS#VID_0403+PID_6015+DN05KX3QA#0000" + kComPortInterface, 4, 2,
                "FTDI Rodiduz Box"}},

      {"a composite device with FTDI's driver: port, function, device",
       OnHostController({
           {Node("USB\\VID_0403&PID_6010&MI_00\\7&2F1E3D4C&0&0000",
                 {"USB\\VID_0403&PID_6010&REV_0700&MI_00", "USB\\VID_0403&PID_6010&MI_00"})
                .Product("Dual RS232-HS")
                .Description("USB Serial Converter A")
                .Manufacturer("FTDI")
                .Location("0000.0014.0000.003.000.000.000.000.000"),
            "USB\\VID_0403&PID_6010\\FT4ABCDE"},
           {Node("USB\\VID_0403&PID_6010\\FT4ABCDE",
                 {"USB\\VID_0403&PID_6010&REV_0700", "USB\\VID_0403&PID_6010"})
                .Product("Dual RS232-HS")
                .Description("USB Composite Device")
                .Manufacturer("(Standard USB Host Controller)")
                .Location("Port_#0003.Hub_#0002"),
            "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0"},
       }),
       {Node("FTDIBUS\\VID_0403+PID_6010+FT4ABCDEA\\0000", {"FTDIBUS\\COMPORT&VID_0403&PID_6010"})
            .Description("USB Serial Port")
            .FriendlyName("USB Serial Port (COM11)")
            .Manufacturer("FTDI"),
        "COM11", "\\\\?\\FTDIBUS#VID_0403+PID_6010+FT4ABCDEA#0000" + kComPortInterface},
       "USB\\VID_0403&PID_6010&MI_00\\7&2F1E3D4C&0&0000",
       Expected{0x0403, 0x6010, "\\\\?\\FTDIBUS#VID_0403+PID_6010+FT4ABCDEA#0000" + kComPortInterface, 2, 3,
                "Dual RS232-HS"}},

      {"Windows' own CDC driver: the port is a function of a composite device",
       OnHostController({
           {Node("USB\\VID_2341&PID_8036\\5&1F2E3D4C&0&4",
                 {"USB\\VID_2341&PID_8036&REV_0100", "USB\\VID_2341&PID_8036"})
                .Product("Arduino Leonardo")
                .Description("USB Composite Device")
                .Manufacturer("(Standard USB Host Controller)")
                .Location("Port_#0004.Hub_#0001"),
            "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0"},
       }),
       {Node("USB\\VID_2341&PID_8036&MI_00\\6&3A1B2C3D&0&0000",
             {"USB\\VID_2341&PID_8036&REV_0100&MI_00", "USB\\VID_2341&PID_8036&MI_00"})
            .Product("Arduino Leonardo")
            .Description("USB Serial Device")
            .FriendlyName("USB Serial Device (COM4)")
            .Manufacturer("Microsoft")
            .Location("0000.0014.0000.004.000.000.000.000.000"),
        "COM4", "\\\\?\\USB#VID_2341&PID_8036&MI_00#6&3a1b2c3d&0&0000" + kComPortInterface},
       "USB\\VID_2341&PID_8036\\5&1F2E3D4C&0&4",
       Expected{0x2341, 0x8036, "\\\\?\\USB#VID_2341&PID_8036&MI_00#6&3a1b2c3d&0&0000" + kComPortInterface, 1,
                4, "Arduino Leonardo"}},

      {"the USB device is the port itself, without a port interface",
       kHostController,
       {Node("USB\\VID_10C4&PID_EA60\\0001", {"USB\\VID_10C4&PID_EA60&REV_0100", "USB\\VID_10C4&PID_EA60"})
            .Product("CP2102 USB to UART Bridge Controller")
            .Description("Silicon Labs CP210x USB to UART Bridge")
            .FriendlyName("Silicon Labs CP210x USB to UART Bridge (COM5)")
            .Manufacturer("Silicon Labs")
            .Location("Port_#0001.Hub_#0003"),
        "COM5", ""},
       "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0",
       Expected{0x10C4, 0xEA60, "Silicon Labs CP210x USB to UART Bridge (COM5)", 3, 1,
                "Silicon Labs CP2102 USB to UART Bridge Controller"}},

      {"hardware IDs in lower case, no product string, no location",
       OnHostController({
           {Node("USB\\VID_0403&PID_6001\\A50285BI",
                 {"usb\\vid_0403&pid_6001&rev_0600", "usb\\vid_0403&pid_6001"})
                .Description("USB Serial Converter")
                .Manufacturer("FTDI"),
            "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0"},
       }),
       {Node("FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", {"FTDIBUS\\COMPORT&VID_0403&PID_6001"})
            .Description("USB Serial Port")
            .Manufacturer("FTDI"),
        "COM3", ""},
       "USB\\VID_0403&PID_6001\\A50285BI",
       Expected{0x0403, 0x6001, "USB Serial Port", 0, 0, ""}},

      {"a built-in COM1 is left out",
       {{Node("ACPI\\PNP0A08\\0", {"ACPI\\PNP0A08", "*PNP0A08"}).Description("PCI Express Root Complex"),
         ""}},
       {Node("ACPI\\PNP0501\\0", {"ACPI\\PNP0501", "*PNP0501"})
            .Description("Communications Port")
            .FriendlyName("Communications Port (COM1)")
            .Manufacturer("(Standard port types)"),
        "COM1", "\\\\?\\ACPI#PNP0501#0" + kComPortInterface},
       "ACPI\\PNP0A08\\0",
       std::nullopt},

      {"a Bluetooth port is left out, though its radio is a USB device",
       OnHostController({
           {Node("BTH\\MS_BTHBRB\\7&1A2B3C4D&0&1", {"BTH\\MS_BTHBRB"})
                .Description("Microsoft Bluetooth Enumerator")
                .Manufacturer("Microsoft"),
            "USB\\VID_8087&PID_0A2B\\5&2C3D4E5F&0&10"},
           {Node("USB\\VID_8087&PID_0A2B\\5&2C3D4E5F&0&10",
                 {"USB\\VID_8087&PID_0A2B&REV_0010", "USB\\VID_8087&PID_0A2B"})
                .Description("Intel(R) Wireless Bluetooth(R)")
                .Manufacturer("Intel Corporation")
                .Location("Port_#0010.Hub_#0001"),
            "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0"},
       }),
       {Node("BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\8&1B2C3D4E&0&000000000000_"
             "00000003",
             {"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002"})
            .Description("Standard Serial over Bluetooth link")
            .FriendlyName("Standard Serial over Bluetooth link (COM6)")
            .Manufacturer("Microsoft"),
        "COM6", ""},
       "BTH\\MS_BTHBRB\\7&1A2B3C4D&0&1",
       std::nullopt},

      {"a modem on USB whose driver gave it no COM port name is left out",
       kHostController,
       {Node("USB\\VID_1BC7&PID_1201&MI_00\\6&4A5B6C7D&0&0000", {"USB\\VID_1BC7&PID_1201&REV_0000&MI_00"})
            .Description("Telit USB Modem"),
        "", "\\\\?\\USB#VID_1BC7&PID_1201&MI_00#6&4a5b6c7d&0&0000#{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}"},
       "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0",
       std::nullopt},

      {"a list whose parents loop, without a USB device, ends the walk",
       {{Node("ROOT\\PORTS\\0000", {"ROOT\\PORTS"}), "ROOT\\PORTS\\0001"},
        {Node("ROOT\\PORTS\\0001", {"ROOT\\PORTS"}), "ROOT\\PORTS\\0000"}},
       {Node("ROOT\\COM0COM\\0000", {"com0com\\port"}).Description("Virtual serial port"), "COM20", ""},
       "ROOT\\PORTS\\0000",
       std::nullopt},
  };
}

TEST(PnpPortRules, DescribesTheUsbSerialPortsOfCapturedDeviceTrees) {
  for (const Machine& machine : Machines()) {
    SCOPED_TRACE(machine.what);
    FakePnpDeviceList list;
    for (const Above& above : machine.tree) list.Add(above.node, above.parent);
    list.AddPort(machine.port, machine.port_parent);
    BoxDeviceRecord record;
    std::memset(&record, 0x55, sizeof record);
    const bool described = DescribeSerialPort(list, machine.port, record);
    ASSERT_EQ(described, machine.expected.has_value());
    if (!described) continue;
    const Expected& expected = *machine.expected;
    EXPECT_EQ(record.vid, expected.vid);
    EXPECT_EQ(record.pid, expected.pid);
    EXPECT_EQ(std::string(record.device), expected.device);
    EXPECT_EQ(record.hub, expected.hub);
    EXPECT_EQ(record.port, expected.port);
    EXPECT_EQ(std::string(record.name), expected.name);
    EXPECT_EQ(std::string(record.com), machine.port.port_name);
  }
}

TEST(PnpPortRules, ReadsIdentifiersOnlyFromUsbHardwareIds) {
  struct Row {
    const char* hardware_id;
    std::optional<std::pair<int, int>> ids;
  };
  const Row rows[] = {
      {"USB\\VID_0403&PID_6015&REV_1000", std::pair(0x0403, 0x6015)},
      {"USB\\VID_0403&PID_6015", std::pair(0x0403, 0x6015)},
      {"usb\\vid_10c4&pid_ea60&mi_00", std::pair(0x10C4, 0xEA60)},
      {"USB\\VID_0403&PID_6015\\DN05KX3Q", std::pair(0x0403, 0x6015)},
      {"FTDIBUS\\COMPORT&VID_0403&PID_6015", std::nullopt},
      {"HID\\VID_046D&PID_C52B", std::nullopt},
      {"USB\\ROOT_HUB30", std::nullopt},
      {"USB\\CLASS_02&SUBCLASS_02", std::nullopt},
      {"USB\\VID_0403", std::nullopt},
      {"USB\\VID_403&PID_6015", std::nullopt},
      {"USB\\VID_04031&PID_6015", std::nullopt},
      {"USB\\VID_04G3&PID_6015", std::nullopt},
      {"USB\\VID_0403&PID_601", std::nullopt},
      {"USB\\VID_0403&PID_60155", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hardware_id);
    const std::optional<UsbIds> ids = UsbIdsOfHardwareId(row.hardware_id);
    ASSERT_EQ(ids.has_value(), row.ids.has_value());
    if (!ids) continue;
    EXPECT_EQ(ids->vid, row.ids->first);
    EXPECT_EQ(ids->pid, row.ids->second);
  }
}

TEST(PnpPortRules, TakesHubAndPortFromTheLocation) {
  struct Row {
    const char* location;
    int hub;
    int port;
  };
  const Row rows[] = {
      {"Port_#0002.Hub_#0001", 1, 2},
      {"Port_#0255.Hub_#0017", 17, 255},
      {"Port_#0300.Hub_#0001", 1, 0},
      {"Port_#.Hub_#0003", 3, 0},
      {"0000.0014.0000.004.000.000.000.000.000", 0, 0},
      {"", 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.location);
    const UsbPlace place = UsbPlaceOfLocation(row.location);
    EXPECT_EQ(place.hub, row.hub);
    EXPECT_EQ(place.port, row.port);
  }
}

}  // namespace

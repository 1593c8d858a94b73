// The udev scanner of libusblib.so on machines described to umockdev: each test runs in its
// own test bed (see CMakeLists.txt), so each knows exactly which devices exist.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/box_device_record.h"

namespace {

struct Device {
  std::uint16_t vid;
  std::uint16_t pid;
  std::string device;
  int hub;
  int port;
  std::string name;
  std::string com;
};

std::vector<Device> Scan(std::uint32_t capacity = kBoxDeviceCapacity, std::uint8_t* result_out = nullptr) {
  void* library = ::dlopen(RODIDUZ_UDEV_USBLIB, RTLD_NOW);
  EXPECT_NE(library, nullptr) << ::dlerror();
  if (library == nullptr) return {};
  const auto scan = reinterpret_cast<UsbScanComFunction>(::dlsym(library, kUsbScanExportName));
  EXPECT_NE(scan, nullptr);
  if (scan == nullptr) return {};
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::memset(records.data(), 0x55, records.size() * sizeof(BoxDeviceRecord));
  std::uint16_t count = 999;
  const std::uint8_t result = scan(0, 0, 0, 0, records.data(), capacity, &count);
  if (result_out != nullptr) *result_out = result;
  EXPECT_EQ(result, 0);
  EXPECT_LE(count, capacity);
  std::vector<Device> devices;
  for (std::uint16_t i = 0; i < count && i < records.size(); ++i) {
    const BoxDeviceRecord& r = records[i];
    // Every text must end inside its field.
    EXPECT_NE(std::memchr(r.device, 0, sizeof r.device), nullptr);
    EXPECT_NE(std::memchr(r.name, 0, sizeof r.name), nullptr);
    EXPECT_NE(std::memchr(r.com, 0, sizeof r.com), nullptr);
    devices.push_back({r.vid, r.pid, r.device, r.hub, r.port, r.name, r.com});
  }
  return devices;
}

void ExpectDevices(const std::vector<Device>& actual, const std::vector<Device>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(actual[i].vid, expected[i].vid);
    EXPECT_EQ(actual[i].pid, expected[i].pid);
    EXPECT_EQ(actual[i].device, expected[i].device);
    EXPECT_EQ(actual[i].hub, expected[i].hub);
    EXPECT_EQ(actual[i].port, expected[i].port);
    EXPECT_EQ(actual[i].name, expected[i].name);
    EXPECT_EQ(actual[i].com, expected[i].com);
  }
}

class UdevScan : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside a test bed the machine's own devices would be scanned and nothing would be known.
    ASSERT_NE(std::getenv("UMOCKDEV_DIR"), nullptr) << "run under umockdev-run";
  }
};

TEST_F(UdevScan, OneBox) {
  ExpectDevices(Scan(), {{0x0403, 0x6015, "/dev/ttyUSB0", 1, 3, "FTDI Rodiduz Box", "COM1"}});
}

TEST_F(UdevScan, TwoBoxes) {
  ExpectDevices(Scan(), {{0x0403, 0x6015, "/dev/ttyUSB0", 1, 2, "Rodiduz Box", "COM1"},
                         {0x0403, 0x6015, "/dev/ttyUSB1", 2, 4, "FTDI FT230X Basic UART", "COM2"}});
  // A capacity of one takes the first only.
  ExpectDevices(Scan(1), {{0x0403, 0x6015, "/dev/ttyUSB0", 1, 2, "Rodiduz Box", "COM1"}});
  EXPECT_TRUE(Scan(0).empty());
}

TEST_F(UdevScan, ForeignAdapter) {
  ExpectDevices(Scan(), {{0x067b, 0x2303, "/dev/ttyUSB0", 3, 1,
                          "Prolific Technology Inc. USB-Serial Controller", "COM1"}});
}

TEST_F(UdevScan, AcmModem) {
  ExpectDevices(Scan(), {{0x1bc7, 0x1201, "/dev/ttyACM0", 1, 4, "Telit LE910 Modem", "ttyACM0"}});
}

TEST_F(UdevScan, PlatformSerialOnly) { EXPECT_TRUE(Scan().empty()); }

TEST_F(UdevScan, NothingAtAll) {
  EXPECT_TRUE(Scan().empty());

  void* library = ::dlopen(RODIDUZ_UDEV_USBLIB, RTLD_NOW);
  ASSERT_NE(library, nullptr);
  const auto scan = reinterpret_cast<UsbScanComFunction>(::dlsym(library, kUsbScanExportName));
  ASSERT_NE(scan, nullptr);
  std::uint16_t count = 7;
  EXPECT_NE(scan(0, 0, 0, 0, nullptr, 100, &count), 0);
  EXPECT_EQ(count, 0);
  BoxDeviceRecord record{};
  EXPECT_NE(scan(0, 0, 0, 0, &record, 1, nullptr), 0);
}

// A box plugged in and pulled out while the wizard searches, in a test bed this test makes
// itself (run under umockdev-wrapper, which only preloads umockdev). The scanner keeps its list
// between scans and enumerates again only when udev reports a tty added or removed: what
// changes without such a report (here the product text, which no real device changes) is not
// seen until the next one.
TEST(UdevHotPlug, ABoxPluggedInAndPulledOutWhileSearchingIsFoundAndLost) {
  UMockdevTestbed* testbed = umockdev_testbed_new();
  ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
  EXPECT_TRUE(Scan().empty());

  const char* usb = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.3";
  const char* tty = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.3/1-2.3:1.0/ttyUSB0/tty/ttyUSB0";
  const std::vector<Device> box = {{0x0403, 0x6015, "/dev/ttyUSB0", 1, 3, "FTDI Rodiduz Box", "COM1"}};
  {
    SCOPED_TRACE("plugged in: the test bed reports the new devices");
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_file(testbed, RODIDUZ_USB_DATA_DIR "/one_box.umockdev", &error))
        << (error != nullptr ? error->message : "");
    ExpectDevices(Scan(), box);
  }
  {
    SCOPED_TRACE("nothing reported: the kept list stands");
    umockdev_testbed_set_attribute(testbed, usb, "product", "Renamed");
    ExpectDevices(Scan(), box);
  }
  {
    SCOPED_TRACE("a tty changed, none came or went: the kept list stands");
    umockdev_testbed_uevent(testbed, tty, "change");
    ExpectDevices(Scan(), box);
  }
  {
    SCOPED_TRACE("pulled out");
    umockdev_testbed_uevent(testbed, tty, "remove");
    umockdev_testbed_remove_device(testbed, tty);
    EXPECT_TRUE(Scan().empty());
  }
  g_object_unref(testbed);
}

}  // namespace

// The scanners' shared rules: COM names, port numbers, identifiers, device names, records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "record_fill.h"

namespace {

TEST(ScannerRules, NamesTtysAsComPorts) {
  struct Row {
    const char* kernel_name;
    const char* com;
  };
  const Row rows[] = {
      {"ttyUSB0", "COM1"}, {"ttyUSB9", "COM10"}, {"ttyUSB254", "COM255"}, {"ttyACM0", "ttyACM0"},
      {"ttyS0", "ttyS0"},  {"ttyUSB", "ttyUSB"}, {"ttyUSBx", "ttyUSBx"},  {"ttyUSB123456", "ttyUSB123456"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kernel_name);
    EXPECT_EQ(ComNameForTty(row.kernel_name), row.com);
  }
}

TEST(ScannerRules, TakesTheLastPortOfTheUsbPath) {
  struct Row {
    const char* usb_name;
    int port;
  };
  const Row rows[] = {{"1-2.3", 3}, {"1-2", 2},   {"3-1.4.2", 2}, {"usb1", 0},
                      {"1-", 0},    {"1-2.x", 0}, {"1-999", 255}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.usb_name);
    EXPECT_EQ(LastPortNumber(row.usb_name), row.port);
  }
}

TEST(ScannerRules, ReadsUsbIdentifiers) {
  EXPECT_EQ(ParseUsbId("0403"), 0x0403);
  EXPECT_EQ(ParseUsbId("6015\n"), 0x6015);
  EXPECT_EQ(ParseUsbId("AbCd"), 0xABCD);
  EXPECT_EQ(ParseUsbId(""), 0);
  EXPECT_EQ(ParseUsbId("12345"), 0);
  EXPECT_EQ(ParseUsbId("04g3"), 0);
}

TEST(ScannerRules, JoinsManufacturerAndProduct) {
  EXPECT_EQ(DeviceName("FTDI", "Rodiduz Box"), "FTDI Rodiduz Box");
  EXPECT_EQ(DeviceName("", "Rodiduz Box"), "Rodiduz Box");
  EXPECT_EQ(DeviceName("FTDI", ""), "");
}

TEST(ScannerRules, AcceptsOnlyCanonicalComEntries) {
  EXPECT_EQ(ComEntryNumber("COM7"), 7u);
  EXPECT_EQ(ComEntryNumber("COM12"), 12u);
  EXPECT_EQ(ComEntryNumber("COM07"), std::nullopt);
  EXPECT_EQ(ComEntryNumber("COM0"), std::nullopt);
  EXPECT_EQ(ComEntryNumber("COM"), std::nullopt);
  EXPECT_EQ(ComEntryNumber("COM7.lock"), std::nullopt);
  EXPECT_EQ(ComEntryNumber("com7"), std::nullopt);
  EXPECT_EQ(ComEntryNumber("COM123456"), std::nullopt);
}

TEST(ScannerRules, FillsRecordsWithTextsEndingInsideTheirFields) {
  BoxDeviceRecord record;
  std::memset(&record, 0x7f, sizeof record);
  const std::string long_device(5000, 'd');
  DeviceDescription description;
  description.vid = 0x0403;
  description.pid = 0x6015;
  description.device = long_device;
  description.hub = 2;
  description.port = 9;
  description.name = "Rodiduz Box";
  description.com = "COM3";
  FillRecord(record, description);
  EXPECT_EQ(record.vid, 0x0403);
  EXPECT_EQ(record.pid, 0x6015);
  EXPECT_EQ(std::string(record.device), std::string(sizeof record.device - 1, 'd'));
  EXPECT_EQ(record.hub, 2);
  EXPECT_EQ(record.port, 9);
  EXPECT_STREQ(record.name, "Rodiduz Box");
  EXPECT_STREQ(record.com, "COM3");
  EXPECT_EQ(record.reserved[0], 0);
}

TEST(ScannerRules, ChecksTheCallsArguments) {
  BoxDeviceRecord record{};
  std::uint16_t count = 5;
  EXPECT_TRUE(ScanArgumentsUsable(&record, 1, &count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(ScanArgumentsUsable(&record, 1, nullptr));
  EXPECT_FALSE(ScanArgumentsUsable(nullptr, 1, &count));
  EXPECT_TRUE(ScanArgumentsUsable(nullptr, 0, &count));
  EXPECT_EQ(UsableCapacity(100), 100u);
  EXPECT_EQ(UsableCapacity(0x20000), 0xFFFFu);
}

}  // namespace

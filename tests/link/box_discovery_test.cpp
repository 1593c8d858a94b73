// Discovery's record rules: the COM number, the log line and bounded record texts.
#include "link/box_discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::unique_ptr<BoxDeviceRecord> MakeRecord() {
  auto record = std::make_unique<BoxDeviceRecord>();
  std::memset(record.get(), 0, sizeof *record);
  return record;
}

TEST(ComNumberFromText, TakesTheThreeCharactersAfterTheFirstCom) {
  struct Row {
    const char* com;
    std::int32_t number;
  };
  const Row rows[] = {
      {"COM5", 5},   {"COM12", 12},  {"COM123", 123}, {"COM1234", 123}, {"COM05", 5},   {"COM5 ", 0},
      {"COM5)", 0},  {"ttyACM0", 0}, {"", 0},         {"COM", 0},       {"com5", 0},    {"USB COM7", 7},
      {"COM-2", -2}, {"COM 7", 7},   {"COM$1F", 31},  {"COMCOM5", 0},   {"COMx10", 16},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.com);
    EXPECT_EQ(ComNumberFromText(row.com), row.number);
  }
}

TEST(FormatDeviceRecordLine, PrintsIdentifiersAsFourUpperCaseHexDigits) {
  auto record = MakeRecord();
  record->vid = 0x0403;
  record->pid = 0xab1;
  std::strcpy(record->device, "/dev/ttyUSB0");
  record->hub = 1;
  record->port = 3;
  std::strcpy(record->name, "FTDI Rodiduz Box");
  std::strcpy(record->com, "COM1");
  EXPECT_EQ(FormatDeviceRecordLine(4, *record),
            "4: vid=0403, pid=0AB1, device=/dev/ttyUSB0, hub=1, port=3, name=FTDI Rodiduz Box, com=COM1\n");
}

TEST(FormatDeviceRecordLine, CutsALongLineAtTheEndOfTheBuffer) {
  auto record = MakeRecord();
  std::memset(record->device, 'd', sizeof record->device - 1);
  std::memset(record->name, 'n', sizeof record->name - 1);
  std::strcpy(record->com, "COM7");
  const std::string line = FormatDeviceRecordLine(0, *record);
  ASSERT_EQ(line.size(), kRecordLineBufferSize - 1);
  const std::string head = "0: vid=0000, pid=0000, device=";
  EXPECT_EQ(line.substr(0, head.size()), head);
  EXPECT_EQ(line.substr(head.size()), std::string(line.size() - head.size(), 'd'));
}

// A library that leaves no zero byte in a field must not make the log read past it.
TEST(FormatDeviceRecordLine, BoundsTextsWithoutAZeroByteByTheirField) {
  auto record = MakeRecord();
  std::memset(record->name, 'n', sizeof record->name);
  std::memset(record->com, 'c', sizeof record->com);
  EXPECT_EQ(RecordText(record->name).size(), sizeof record->name);
  EXPECT_EQ(RecordText(record->com), std::string(sizeof record->com, 'c'));
  const std::string line = FormatDeviceRecordLine(1, *record);
  EXPECT_EQ(line.size(), kRecordLineBufferSize - 1);
  EXPECT_EQ(line.find("com="), std::string::npos);
}

}  // namespace

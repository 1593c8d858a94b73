// The controller's box search through the stand-in usblib.dll, loaded by name at construction.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/box_device_record.h"
#include "link/library_search_win32.h"
#include "support/wizard_fixture.h"

namespace {

using SetDevices = void (*)(const BoxDeviceRecord*, std::uint32_t, std::uint8_t);

BoxDeviceRecord Record(std::uint16_t vid, std::uint16_t pid, const char* name, const char* com) {
  BoxDeviceRecord record{};
  record.vid = vid;
  record.pid = pid;
  std::strcpy(record.device, "\\\\?\\usb#vid_0403&pid_6015");
  record.hub = 1;
  record.port = 4;
  std::strcpy(record.name, name);
  std::strcpy(record.com, com);
  return record;
}

class Win32Discovery : public ::testing::Test {
 protected:
  Win32Discovery() : fixture_("", "usblib.dll") {}
  void SetUp() override {
    ASSERT_TRUE(fixture_.core().Channel().UsbLibraryLoaded()) << "usblib.dll beside the test program";
    // The library the wizard loaded, found by its name among the program's modules.
    set_devices_ =
        AsFunction<SetDevices>(::GetProcAddress(::GetModuleHandleW(L"usblib.dll"), "usblib_standin_set_devices"));
    ASSERT_NE(set_devices_, nullptr);
  }
  void Give(const std::vector<BoxDeviceRecord>& records, std::uint8_t result = 0) {
    set_devices_(records.data(), static_cast<std::uint32_t>(records.size()), result);
  }
  WizardFixture fixture_;
  SetDevices set_devices_ = nullptr;
};

TEST_F(Win32Discovery, FindsTheBoxByNameAmongOtherDevices) {
  Give({Record(0x0403, 0x6015, "FT230X Basic UART", "COM3"), Record(0x0403, 0x6015, "FTDI Rodiduz Box", "COM12"),
        Record(0x1234, 0x0001, "Rodiduz Box", "COM5")});
  EXPECT_EQ(fixture_.core().Channel().FindBox().number, 12);
  const std::vector<std::string> log = fixture_.LogTexts();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(),
            "0: vid=0403, pid=6015, device=\\\\?\\usb#vid_0403&pid_6015, hub=1, port=4, name=FT230X Basic UART, "
            "com=COM3\n");
  EXPECT_EQ(log.back(), "Found device by name");
}

TEST_F(Win32Discovery, FindsNothingWithoutDevicesOrWhenTheScanFails) {
  Give({});
  EXPECT_EQ(fixture_.core().Channel().FindBox().number, 0);
  Give({Record(0x0403, 0x6015, "FTDI Rodiduz Box", "COM7")}, 1);
  EXPECT_EQ(fixture_.core().Channel().FindBox().number, 0);
}

TEST(Win32DiscoveryWithoutLibrary, AMissingLibraryLeavesNoHandleAndFindsNothing) {
  WizardFixture fixture;
  EXPECT_FALSE(fixture.core().Channel().UsbLibraryLoaded());
  EXPECT_EQ(fixture.core().Channel().FindBox().number, 0);
}

}  // namespace

// Loading usblib.dll by name and calling its scan export.
#include "link/usb_library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using SetDevices = void (*)(const BoxDeviceRecord*, std::uint32_t, std::uint8_t);

BoxDeviceRecord Device(std::uint16_t vid, std::uint16_t pid, const char* com) {
  BoxDeviceRecord record{};
  record.vid = vid;
  record.pid = pid;
  record.hub = 2;
  record.port = 3;
  std::strcpy(record.name, "USB Serial Port");
  std::strcpy(record.com, com);
  return record;
}

TEST(Win32UsbLibrary, MissingLibraryGivesNoHandleAndNoExport) {
  EXPECT_EQ(LoadUsbLibrary("rodiduz-no-such-library.dll"), nullptr);
  EXPECT_EQ(LoadUsbLibrary(nullptr), nullptr);
  EXPECT_EQ(FindUsbScanExport(nullptr), nullptr);
}

TEST(Win32UsbLibrary, LibraryWithoutTheExportGivesNoFunction) {
  void* kernel = LoadUsbLibrary("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(FindUsbScanExport(kernel), nullptr);
}

// The stand-in lies beside the test program, where the standard search looks first.
TEST(Win32UsbLibrary, ScanExportReportsTheDevicesThroughTheStandardCallingConvention) {
  ASSERT_STREQ(DefaultUsbLibraryName(), "usblib.dll");
  void* library = LoadUsbLibrary(DefaultUsbLibraryName());
  ASSERT_NE(library, nullptr);
  const auto set_devices = reinterpret_cast<SetDevices>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(static_cast<HMODULE>(library), "usblib_standin_set_devices")));
  ASSERT_NE(set_devices, nullptr);
  const UsbScanComFunction scan = FindUsbScanExport(library);
  ASSERT_NE(scan, nullptr);

  const BoxDeviceRecord given[] = {Device(0x0403, 0x6015, "COM7"), Device(0x1234, 0x0001, "COM12")};
  set_devices(given, 2, 0);
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0xFFFF;
  EXPECT_EQ(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count), 0);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(records[0].vid, 0x0403);
  EXPECT_EQ(records[0].pid, 0x6015);
  EXPECT_STREQ(records[0].com, "COM7");
  EXPECT_EQ(records[1].port, 3);
  EXPECT_STREQ(records[1].com, "COM12");

  set_devices(given, 0, 5);
  count = 0xFFFF;
  EXPECT_EQ(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count), 5);
  EXPECT_EQ(count, 0);
}

}  // namespace

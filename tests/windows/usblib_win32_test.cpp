// Our usblib.dll on Windows: the notifier's window and pump, the kept list between its
// notifications, and the built DLL called through the program's own loader.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <dbt.h>
#include <initguid.h>
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "device_notifier_win32.h"
#include "fake_pnp_device_list.h"
#include "link/usb_library.h"
#include "watched_serial_ports_win32.h"

// In setupapi.dll since Windows Vista; mingw-w64's header lacks it.
extern "C" WINSETUPAPI BOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*,
                                                             DEVPROPTYPE, const BYTE*, DWORD, DWORD);

namespace {

HWND PumpWindow() { return ::FindWindowExW(HWND_MESSAGE, nullptr, DeviceNotifier::kWindowClass, nullptr); }

// Delivers a device event to the window as Windows does; returns once it was handled.
void Deliver(HWND window, WPARAM event) {
  DEV_BROADCAST_DEVICEINTERFACE_W header{};
  header.dbcc_size = sizeof header;
  header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  ::SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&header));
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring file(path, length);
  return file.substr(0, file.find_last_of(L'\\'));
}

TEST(Win32DeviceNotifier, CountsArrivalsAndRemovalsOnItsOwnThreadUntilStopped) {
  std::atomic<int> changes{0};
  DeviceNotifier notifier;
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    changes = 0;
    EXPECT_TRUE(notifier.Start([&changes] { ++changes; })) << "Windows does not report device changes";
    const HWND window = notifier.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(PumpWindow(), window);
    EXPECT_NE(::GetWindowThreadProcessId(window, nullptr), ::GetCurrentThreadId());

    struct Row {
      const char* what;
      WPARAM event;
      int changes_after;
    };
    const Row rows[] = {{"arrival", DBT_DEVICEARRIVAL, 1},
                        {"removal asked", DBT_DEVICEQUERYREMOVE, 1},
                        {"removal done", DBT_DEVICEREMOVECOMPLETE, 2},
                        {"configuration", DBT_CONFIGCHANGED, 2}};
    for (const Row& row : rows) {
      SCOPED_TRACE(row.what);
      Deliver(window, row.event);
      EXPECT_EQ(changes, row.changes_after);
    }
    notifier.Stop();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(PumpWindow(), nullptr);
  }
}

TEST(Win32WatchedSerialPorts, WalksTheDeviceListAgainOnlyAfterTheWindowHeardOfAChange) {
  FakePnpDeviceList list;
  PnpSerialPort port;
  port.node.instance_id = "USB\\VID_0403&PID_6015\\BOX";
  port.node.hardware_ids = {"USB\\VID_0403&PID_6015"};
  port.port_name = "COM3";
  list.AddPort(port, "");
  WatchedSerialPorts ports(list);
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0;
  const auto scan_times = [&](int times) {
    for (int i = 0; i < times; ++i) ASSERT_EQ(ports.Scan(records.data(), kBoxDeviceCapacity, &count), 0);
  };
  scan_times(20);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(list.Walks(), 1);
  ASSERT_NE(ports.Notifier().Window(), nullptr);

  Deliver(ports.Notifier().Window(), DBT_DEVICEARRIVAL);
  scan_times(20);
  EXPECT_EQ(list.Walks(), 2);
  Deliver(ports.Notifier().Window(), DBT_DEVICEREMOVECOMPLETE);
  scan_times(20);
  EXPECT_EQ(list.Walks(), 3);
}

// The shipped DLL (usblib/usblib.dll in the build folder) as the program loads and calls it,
// twice over: FreeLibrary must stop its pump, and a second load start afresh. On 32-bit
// Windows a call through the wrong convention would leave the stack unbalanced.
TEST(Win32UsbLibraryDll, ScansFromTwoThreadsThroughTheProgramsLoaderAndUnloadsCleanly) {
  const std::wstring path = ProgramFolder() + L"\\usblib\\usblib.dll";
  const std::string narrow_path(path.begin(), path.end());
  for (int load = 1; load <= 2; ++load) {
    SCOPED_TRACE("load " + std::to_string(load));
    std::string failure;
    void* library = LoadUsbLibrary(narrow_path.c_str(), &failure);
    ASSERT_NE(library, nullptr) << failure;
    const UsbScanComFunction scan = FindUsbScanExport(library);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(PumpWindow(), nullptr) << "no pump before the first call";

    // Each thread's counts; the machine's devices do not change during the test.
    const auto scan_many = [scan](std::vector<int>& counts) {
      std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
      for (int i = 0; i < 100; ++i) {
        std::uint16_t count = 0xFFFF;
        counts.push_back(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count) == 0 ? count : -1);
      }
    };
    std::vector<int> here;
    std::vector<int> there;
    std::thread other(scan_many, std::ref(there));
    scan_many(here);
    other.join();
    ASSERT_EQ(here.size(), there.size());
    for (std::size_t i = 0; i < here.size(); ++i) {
      EXPECT_GE(here[i], 0);
      EXPECT_EQ(here[i], here.front());
      EXPECT_EQ(there[i], here.front());
    }

    std::vector<BoxDeviceRecord> records(1);
    std::uint16_t count = 7;
    EXPECT_NE(scan(0, 0, 0, 0, records.data(), 1, nullptr), 0);
    EXPECT_NE(scan(0, 0, 0, 0, nullptr, 1, &count), 0);
    EXPECT_EQ(count, 0);

    const HWND pump = PumpWindow();
    EXPECT_NE(pump, nullptr) << "the first call starts the pump";
    ASSERT_TRUE(::FreeLibrary(static_cast<HMODULE>(library)));
    EXPECT_EQ(::GetModuleHandleW(path.c_str()), nullptr);
    EXPECT_FALSE(::IsWindow(pump)) << "FreeLibrary left the pump running";
  }
}

// Wine lists a device registered through SetupAPI as present. Windows keeps such a device a
// phantom until a driver is installed for it, and asks for administrator rights to register it.
bool RunningOnWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

constexpr const wchar_t* kTestEnumerator = L"RODIDUZTESTPORT";

// A port of the Ports class, ROOT\RODIDUZTESTPORT\<n>, that describes itself as the box's USB
// device, as the DLL reads any port.
class RegisteredPort {
 public:
  explicit RegisteredPort(const wchar_t* port_name)
      : set_(::SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr)) {
    RemoveLeftovers();
    device_.cbSize = sizeof device_;
    registered_ = ::SetupDiCreateDeviceInfoW(set_, kTestEnumerator, &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                                             DICD_GENERATE_ID, &device_) &&
                  SetText(SPDRP_HARDWAREID, std::wstring(L"USB\\VID_0403&PID_6015&REV_1000") + L'\0' +
                                                L"USB\\VID_0403&PID_6015" + L'\0') &&
                  SetText(SPDRP_DEVICEDESC, L"USB Serial Port") &&
                  SetText(SPDRP_FRIENDLYNAME, std::wstring(L"USB Serial Port (") + port_name + L")") &&
                  SetText(SPDRP_MFG, L"FTDI") &&
                  SetText(SPDRP_LOCATION_INFORMATION, L"Port_#0002.Hub_#0001") &&
                  ::SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr) &&
                  SetProduct(L"Rodiduz Box") && SetPortName(port_name);
  }
  ~RegisteredPort() {
    Remove();
    ::SetupDiDestroyDeviceInfoList(set_);
  }
  RegisteredPort(const RegisteredPort&) = delete;
  RegisteredPort& operator=(const RegisteredPort&) = delete;

  bool Registered() const { return registered_; }
  void Remove() {
    if (registered_) ::SetupDiRemoveDevice(set_, &device_);
    registered_ = false;
  }

 private:
  // A run that crashed before removing its port would leave it in the prefix for every later run.
  static void RemoveLeftovers() {
    const HDEVINFO all =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, kTestEnumerator, nullptr, DIGCF_ALLCLASSES);
    if (all == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(all, index, &device); ++index)
      ::SetupDiRemoveDevice(all, &device);
    ::SetupDiDestroyDeviceInfoList(all);
  }
  bool SetText(DWORD property, const std::wstring& text) {
    const std::wstring ended = text + L'\0';
    return ::SetupDiSetDeviceRegistryPropertyW(set_, &device_, property,
                                               reinterpret_cast<const BYTE*>(ended.c_str()),
                                               static_cast<DWORD>(ended.size() * sizeof(wchar_t)));
  }
  bool SetProduct(const std::wstring& product) {
    return ::SetupDiSetDevicePropertyW(set_, &device_, &DEVPKEY_Device_BusReportedDeviceDesc,
                                       DEVPROP_TYPE_STRING, reinterpret_cast<const BYTE*>(product.c_str()),
                                       static_cast<DWORD>((product.size() + 1) * sizeof(wchar_t)), 0);
  }
  bool SetPortName(const wchar_t* port_name) {
    const HKEY key =
        ::SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) return false;
    const LSTATUS status =
        ::RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port_name),
                         static_cast<DWORD>((std::wcslen(port_name) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  HDEVINFO set_;
  SP_DEVINFO_DATA device_{};
  bool registered_ = false;
};

// The records of one call of the DLL's scan export with the given COM name.
std::vector<BoxDeviceRecord> ScanFor(UsbScanComFunction scan, const char* com) {
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0;
  EXPECT_EQ(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count), 0);
  std::vector<BoxDeviceRecord> found;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (std::strcmp(records[i].com, com) == 0) found.push_back(records[i]);
  }
  return found;
}

// The DLL over Wine's real SetupAPI: the port's properties as the record carries them, and the
// list kept after the port went until the pump hears of it.
TEST(Win32UsbLibraryDll, ReadsAPortFromTheDeviceListAndKeepsTheListUntilAChangeIsReported) {
  if (!RunningOnWine()) GTEST_SKIP() << "registering a present port takes Wine (see RunningOnWine)";
  RegisteredPort port(L"COM42");
  ASSERT_TRUE(port.Registered()) << "error " << ::GetLastError();
  const std::wstring path = ProgramFolder() + L"\\usblib\\usblib.dll";
  void* library = LoadUsbLibrary(std::string(path.begin(), path.end()).c_str());
  ASSERT_NE(library, nullptr);
  const UsbScanComFunction scan = FindUsbScanExport(library);
  ASSERT_NE(scan, nullptr);

  std::vector<BoxDeviceRecord> found = ScanFor(scan, "COM42");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].vid, 0x0403);
  EXPECT_EQ(found[0].pid, 0x6015);
  EXPECT_STREQ(found[0].device, "USB Serial Port (COM42)");
  EXPECT_EQ(found[0].hub, 1);
  EXPECT_EQ(found[0].port, 2);
  EXPECT_STREQ(found[0].name, "FTDI Rodiduz Box");

  port.Remove();
  EXPECT_EQ(ScanFor(scan, "COM42").size(), 1u) << "walked the list again without a reported change";
  Deliver(PumpWindow(), DBT_DEVICEREMOVECOMPLETE);
  EXPECT_TRUE(ScanFor(scan, "COM42").empty());
  ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace

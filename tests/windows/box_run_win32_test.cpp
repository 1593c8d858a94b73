// A whole setup run on Windows: the controller with the recording view, the Win32 serial
// engine, discovery through the stand-in usblib.dll and the box simulator behind a COM port.
// RODIDUZ_TEST_BOX_COM names that port (make test-windows provides it); without it, skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/box_device_record.h"
#include "link/library_search_win32.h"
#include "support/wizard_fixture.h"

namespace {

using namespace std::chrono_literals;
using SetDevices = void (*)(const BoxDeviceRecord*, std::uint32_t, std::uint8_t);

class Win32BoxRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("RODIDUZ_TEST_BOX_COM");
    if (port == nullptr || std::atoi(port) <= 0) GTEST_SKIP() << "no box simulator port";
    fixture_ = std::make_unique<WizardFixture>("", "usblib.dll");
    ASSERT_TRUE(core().Channel().UsbLibraryLoaded());
    // The library the wizard loaded, found by its name among the program's modules.
    const auto set_devices =
        AsFunction<SetDevices>(::GetProcAddress(::GetModuleHandleW(L"usblib.dll"), "usblib_standin_set_devices"));
    ASSERT_NE(set_devices, nullptr);
    BoxDeviceRecord box{};
    box.vid = 0x0403;
    box.pid = 0x6015;
    std::strcpy(box.name, "FTDI Rodiduz Box");
    com_ = std::string("COM") + port;
    std::strcpy(box.com, com_.c_str());
    set_devices(&box, 1, 0);
  }
  void TearDown() override { fixture_.reset(); }  // the engine's worker ends first

  Wizard& core() { return fixture_->core(); }
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
    return fixture_->RunTimersUntil(done, limit);
  }
  bool Logged(const std::string& text) const { return fixture_->Logged(text); }
  std::string Trace() const { return fixture_->Trace(); }

  std::unique_ptr<WizardFixture> fixture_;
  std::string com_;
};

TEST_F(Win32BoxRun, CleanRunEndsWithTheLink) {
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return core().Session().state == kStateGPRSPassed; })) << Trace();
  EXPECT_EQ(fixture_->view().CurrentPage(), kPageDone);
  EXPECT_EQ(fixture_->view().CaptionUtf8(Control::BoxLink), "http://www.rodiduz.com/id/AB12CD34");
  EXPECT_TRUE(Logged("Dut com port opened EV (" + com_ + ")")) << Trace();
  EXPECT_TRUE(Logged("[Tx]  [UNLOCK]"));
  EXPECT_TRUE(Logged("PASSED"));
}

}  // namespace

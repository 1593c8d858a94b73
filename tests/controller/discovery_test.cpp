// The search for the box against a scripted scan library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "link/box_device_record.h"
#include "support/wizard_fixture.h"

#if defined(RODIDUZ_FAKE_USBLIB)
#include "fake_usblib.h"
#endif

namespace {

using Texts = std::vector<std::string>;

TEST(Discovery, FindsNothingWithoutTheLibrary) {
  WizardFixture fixture;
  ASSERT_FALSE(fixture.core().Channel().UsbLibraryLoaded());
  EXPECT_EQ(fixture.core().Channel().FindBox().number, 0);
  EXPECT_TRUE(fixture.LogTexts().empty());
}

#if defined(RODIDUZ_FAKE_USBLIB)

BoxDeviceRecord Record(std::uint16_t vid, std::uint16_t pid, const char* name, const char* com,
                       const char* device = "/dev/ttyUSB0", std::uint8_t hub = 1, std::uint8_t port = 2) {
  BoxDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.vid = vid;
  record.pid = pid;
  std::strncpy(record.device, device, sizeof record.device - 1);
  record.hub = hub;
  record.port = port;
  std::strncpy(record.name, name, sizeof record.name - 1);
  std::strncpy(record.com, com, sizeof record.com - 1);
  return record;
}

std::string Line(int index, const BoxDeviceRecord& r) {
  char buffer[8000];
  std::snprintf(buffer, sizeof buffer,
                "%i: vid=%04X, pid=%04X, device=%s, hub=%i, port=%i, name=%s, com=%s\n", index, r.vid, r.pid,
                r.device, r.hub, r.port, r.name, r.com);
  return buffer;
}

TEST(Discovery, FindsNothingInALibraryWithoutTheExport) {
  WizardFixture fixture("", RODIDUZ_FAKE_USBLIB_NO_EXPORT);
  ASSERT_TRUE(fixture.core().Channel().UsbLibraryLoaded());
  EXPECT_EQ(fixture.core().Channel().FindBox().number, 0);
  EXPECT_TRUE(fixture.LogTexts().empty());
}

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() : fixture_("", RODIDUZ_FAKE_USBLIB) {}

  void SetUp() override {
    ASSERT_TRUE(fixture_.core().Channel().UsbLibraryLoaded());
    // The library the wizard loaded: a second load of the same file gives the same one.
    library_ = ::dlopen(RODIDUZ_FAKE_USBLIB, RTLD_NOW);
    ASSERT_NE(library_, nullptr);
    script_ = reinterpret_cast<FakeUsbScript>(::dlsym(library_, kFakeUsbScriptName));
    last_call_ = reinterpret_cast<FakeUsbLastCall>(::dlsym(library_, kFakeUsbLastCallName));
    ASSERT_NE(script_, nullptr);
    ASSERT_NE(last_call_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) ::dlclose(library_);
  }

  void Script(const std::vector<BoxDeviceRecord>& records, std::uint8_t result = 0) {
    Script(records, static_cast<std::uint16_t>(records.size()), result);
  }
  void Script(const std::vector<BoxDeviceRecord>& records, std::uint16_t reported, std::uint8_t result) {
    script_(records.data(), static_cast<std::uint32_t>(records.size()), reported, result);
  }

  // One search; the name it found is what the window shows from then on.
  std::int32_t Find() {
    const FoundBox found = fixture_.core().Channel().FindBox();
    if (found.name) shown_name_ = *found.name;
    return found.number;
  }
  Texts Log() const { return fixture_.LogTexts(); }
  std::string ShownName() const { return shown_name_; }
  FakeUsbCall LastCall() { return last_call_(); }

 private:
  WizardFixture fixture_;
  void* library_ = nullptr;
  std::string shown_name_ = "Label2";  // the layout's text
  FakeUsbScript script_ = nullptr;
  FakeUsbLastCall last_call_ = nullptr;
};

TEST_F(DiscoveryTest, CallsTheExportWithZerosAndAHundredRecords) {
  Script({});
  Find();
  const FakeUsbCall call = LastCall();
  EXPECT_EQ(call.calls, 1);
  EXPECT_EQ(call.values[0] | call.values[1] | call.values[2] | call.values[3], 0u);
  EXPECT_TRUE(call.records_given);
  EXPECT_TRUE(call.count_given);
  EXPECT_EQ(call.capacity, 100u);
}

TEST_F(DiscoveryTest, TakesTheOnlyDeviceByIdentifiersWhateverItsName) {
  for (const char* name : {"FT230X Basic UART", "Rodiduz Box"}) {
    SCOPED_TRACE(name);
    const BoxDeviceRecord box = Record(0x0403, 0x6015, name, "COM7", "/dev/ttyUSB6", 1, 3);
    Script({box});
    const std::size_t before = Log().size();
    EXPECT_EQ(Find(), 7);
    const Texts log = Log();
    EXPECT_EQ(Texts(log.begin() + static_cast<std::ptrdiff_t>(before), log.end()),
              (Texts{Line(0, box), "Found device by pid/vid only"}));
    EXPECT_EQ(ShownName(), name);
  }
}

TEST_F(DiscoveryTest, PrefersTheDeviceWithTheProductWord) {
  const BoxDeviceRecord plain = Record(0x0403, 0x6015, "FT230X Basic UART", "COM3");
  const BoxDeviceRecord box = Record(0x0403, 0x6015, "FTDI Rodiduz Box", "COM9", "/dev/ttyUSB8");
  Script({plain, box});
  EXPECT_EQ(Find(), 9);
  EXPECT_EQ(Log(), (Texts{Line(0, plain), Line(1, box), "Found device by name"}));
  EXPECT_EQ(ShownName(), "FTDI Rodiduz Box");
}

TEST_F(DiscoveryTest, FallsBackToIdentifiersLoggingTheRecordsAgain) {
  const BoxDeviceRecord first = Record(0x0403, 0x6015, "FT230X Basic UART", "COM3");
  const BoxDeviceRecord second = Record(0x0403, 0x6015, "USB Serial", "COM4", "/dev/ttyUSB3");
  Script({first, second});
  EXPECT_EQ(Find(), 3);
  EXPECT_EQ(Log(), (Texts{Line(0, first), Line(1, second), Line(0, first), "Found device by pid/vid only"}));
  EXPECT_EQ(ShownName(), "FT230X Basic UART");
}

TEST_F(DiscoveryTest, NeverTakesADeviceWithOtherIdentifiers) {
  const BoxDeviceRecord other_pid = Record(0x0403, 0x6001, "Rodiduz Box", "COM2");
  const BoxDeviceRecord other_vid = Record(0x1234, 0x6015, "Rodiduz Box", "COM3");
  Script({other_pid, other_vid});
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Log(), (Texts{Line(0, other_pid), Line(1, other_vid), Line(0, other_pid), Line(1, other_vid)}));
  EXPECT_EQ(ShownName(), "Label2") << "untouched: still the layout's text";

  Script({other_vid});
  EXPECT_EQ(Find(), 0);
}

TEST_F(DiscoveryTest, PassesOverAComTextThatIsNotAWholeNumber) {
  const BoxDeviceRecord spaced = Record(0x0403, 0x6015, "Rodiduz Box", "COM5 ");
  const BoxDeviceRecord good = Record(0x0403, 0x6015, "Rodiduz Box", "COM6");
  Script({spaced, good});
  EXPECT_EQ(Find(), 6);
  EXPECT_EQ(Log().back(), "Found device by name");

  // Passed over by name, then by identifiers, where the next record is taken.
  const BoxDeviceRecord plain = Record(0x0403, 0x6015, "USB Serial", "COM8");
  Script({spaced, plain});
  EXPECT_EQ(Find(), 8);
  EXPECT_EQ(Log().back(), "Found device by pid/vid only");
  EXPECT_EQ(ShownName(), "USB Serial");

  Script({spaced});
  const std::size_t before = Log().size();
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Log().size(), before + 1);
}

TEST_F(DiscoveryTest, ANegativeNumberEndsTheSearch) {
  Script({Record(0x0403, 0x6015, "Rodiduz Box", "COM-2"), Record(0x0403, 0x6015, "Rodiduz Box", "COM4")});
  EXPECT_EQ(Find(), -2);
}

TEST_F(DiscoveryTest, AFailedScanOrNoDevicesLogNothing) {
  const BoxDeviceRecord box = Record(0x0403, 0x6015, "Rodiduz Box", "COM7");
  Script({box}, 1, 3);
  EXPECT_EQ(Find(), 0);
  Script({box}, 0, 0);
  EXPECT_EQ(Find(), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(DiscoveryTest, ClampsTheReportedCountToTheCapacity) {
  std::vector<BoxDeviceRecord> records(100, Record(0x067b, 0x2303, "USB-Serial Controller", "COM1"));
  Script(records, 150, 0);
  EXPECT_EQ(Find(), 0);
  const Texts log = Log();
  ASSERT_EQ(log.size(), 200u);
  EXPECT_EQ(log[99].substr(0, 4), "99: ");
  EXPECT_EQ(log[100].substr(0, 3), "0: ");
}

TEST_F(DiscoveryTest, CutsAnOverlongLogLineSafely) {
  BoxDeviceRecord big = Record(0x0403, 0x6015, "", "COM7");
  std::memset(big.device, 'd', sizeof big.device - 1);
  std::memset(big.name, 'n', sizeof big.name);  // no zero byte left in the name
  Script({big});
  EXPECT_EQ(Find(), 7);
  const Texts log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].size(), 999u);
  EXPECT_EQ(log[0].substr(0, 30), "0: vid=0403, pid=6015, device=");
  EXPECT_EQ(ShownName().size(), sizeof big.name);
}

// After ten seconds of searching in vain the status line says why the wizard still waits,
// logged once; it goes when the box is found.
TEST(Discovery, TheSearchSaysWhenNoBoxWasFoundYet) {
  struct Row {
    const char* name;
    const char* library;
    const char* notice;
  };
  const Row rows[] = {
      {"library loaded", RODIDUZ_FAKE_USBLIB, "No box found yet. Check that it is plugged in"},
      {"no library", "", "Cannot search: the USB library could not be loaded"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardFixture fixture("", row.library);
    auto tick = [&fixture] { fixture.core().OnTimer(WizardTimer::kTick); };
    fixture.core().OnControl(Control::Start);
    for (int i = 0; i < 99; ++i) tick();
    EXPECT_EQ(fixture.view().CaptionUtf8(Control::StatusLine), "");
    tick();
    EXPECT_EQ(fixture.view().CaptionUtf8(Control::StatusLine), row.notice);
    EXPECT_EQ(fixture.view().announced, std::vector<Control>{Control::StatusLine});
    for (int i = 0; i < 150; ++i) tick();
    const Texts log = fixture.LogTexts();
    EXPECT_EQ(std::count(log.begin(), log.end(), row.notice), 1);
    if (!fixture.core().Channel().UsbLibraryLoaded()) continue;
    void* library = ::dlopen(row.library, RTLD_NOW);
    ASSERT_NE(library, nullptr);
    const auto script = reinterpret_cast<FakeUsbScript>(::dlsym(library, kFakeUsbScriptName));
    const BoxDeviceRecord box = Record(0x0403, 0x6015, "Rodiduz Box", "COM7");
    script(&box, 1, 1, 0);
    ::dlclose(library);
    tick();
    EXPECT_EQ(fixture.core().Session().state, kStateFound);
    EXPECT_EQ(fixture.view().CaptionUtf8(Control::StatusLine), "");
  }
}

#else

TEST(Discovery, ScriptedLibraryNotBuiltInThisTree) {
  GTEST_SKIP() << "the scripted scan library is built with the usblib tests only";
}

#endif

}  // namespace

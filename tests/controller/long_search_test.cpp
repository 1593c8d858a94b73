// A day of searching: the wizard in Searching with four USB serial adapters attached that are
// not the box's bridge, ticked through 24 hours of DeviceTimer intervals on a simulated clock.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controller/wizard.h"
#include "link/box_device_record.h"
#include "support/recording_view.h"
#include "support/test_files.h"

#if defined(RODIDUZ_FAKE_USBLIB)
#include "fake_usblib.h"

namespace {

// Sanitizer builds tick a twelfth of each span: "hours" of five minutes, a two-hour day.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::uint64_t kSpanDivisor = 12;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr std::uint64_t kSpanDivisor = 12;
#else
constexpr std::uint64_t kSpanDivisor = 1;
#endif
#else
constexpr std::uint64_t kSpanDivisor = 1;
#endif

constexpr std::uint64_t kTickMilliseconds = IntervalOf(WizardTimer::kTick).count();
constexpr std::uint64_t kTicksPerHour = 3600 * 1000 / kTickMilliseconds / kSpanDivisor;

BoxDeviceRecord Record(std::uint16_t vid, std::uint16_t pid, const char* name, const char* com,
                       const char* device) {
  BoxDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.vid = vid;
  record.pid = pid;
  std::strncpy(record.device, device, sizeof record.device - 1);
  record.hub = 1;
  record.port = 2;
  std::strncpy(record.name, name, sizeof record.name - 1);
  std::strncpy(record.com, com, sizeof record.com - 1);
  return record;
}

// A bench of other adapters: one of them the box's vendor with another product. Box bridges
// whose ports cannot be opened would not do: the first tick takes one and leaves Searching for
// Found, where the wizard retries the port instead of searching.
std::vector<BoxDeviceRecord> ForeignAdapters() {
  return {Record(0x0403, 0x6001, "FT232R USB UART", "COM3", "/dev/ttyUSB0"),
          Record(0x067B, 0x2303, "USB-Serial Controller", "COM4", "/dev/ttyUSB1"),
          Record(0x10C4, 0xEA60, "USB to UART Bridge", "COM5", "/dev/ttyUSB2"),
          Record(0x1A86, 0x7523, "USB2.0-Serial", "COM6", "/dev/ttyUSB3")};
}

// The wizard on a recording view and the scripted scan library, with a clock that the test moves
// on by one tick's interval before every tick.
class LongSearch : public ::testing::Test {
 protected:
  LongSearch() {
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "TDC;238;1;internet;;;Denmark\r\n");
    environment.usb_library = RODIDUZ_FAKE_USBLIB;
    environment.clock = [this] { return Now(); };
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    form_ = std::make_unique<Wizard>(view_, view_, std::move(environment));
    form_->CreateSerialPort();
  }

  void SetUp() override {
    ASSERT_TRUE(form_->Channel().UsbLibraryLoaded());
    // The library the wizard loaded: a second load of the same file gives the same one.
    library_ = ::dlopen(RODIDUZ_FAKE_USBLIB, RTLD_NOW);
    ASSERT_NE(library_, nullptr);
    script_ = reinterpret_cast<FakeUsbScript>(::dlsym(library_, kFakeUsbScriptName));
    ASSERT_NE(script_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) ::dlclose(library_);
  }

  void Attach(const std::vector<BoxDeviceRecord>& records) {
    script_(records.data(), static_cast<std::uint32_t>(records.size()),
            static_cast<std::uint16_t>(records.size()), 0);
  }

  void TickUntil(std::uint64_t tick) {
    for (; ticks_ < tick; ++ticks_) {
      elapsed_ms_ += kTickMilliseconds;
      form_->OnTimer(WizardTimer::kTick);
    }
  }

  LocalTime Now() const {
    const std::uint64_t of_day = elapsed_ms_ % (24 * 3600 * 1000);
    return LocalTime{static_cast<int>(of_day / 3600000), static_cast<int>(of_day / 60000 % 60),
                     static_cast<int>(of_day / 1000 % 60), static_cast<int>(of_day % 1000)};
  }

  std::string LogFilePath() const { return folder_.File(kLogFileName); }

  ScratchFolder folder_;
  RecordingView view_;
  std::unique_ptr<Wizard> form_;
  void* library_ = nullptr;
  FakeUsbScript script_ = nullptr;
  std::uint64_t elapsed_ms_ = 8 * 3600 * 1000;  // the search starts at eight in the morning
  std::uint64_t ticks_ = 0;
};

// The last `count` lines of a saved log, without their CR LF; only the file's tail is read.
std::vector<std::string> LastLinesOfFile(const std::string& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  const auto size = static_cast<std::streamoff>(std::filesystem::file_size(path));
  const std::streamoff tail = std::min<std::streamoff>(size, 64 * 1024);
  in.seekg(size - tail);
  std::string text(static_cast<std::size_t>(tail), '\0');
  in.read(text.data(), tail);
  std::vector<std::string> lines;
  std::size_t end = text.size();
  while (lines.size() < count && end >= 2) {
    // The CR LF before this line's own, if the tail holds one.
    const std::size_t previous = end >= 3 ? text.rfind("\r\n", end - 3) : std::string::npos;
    const std::size_t begin = previous == std::string::npos ? 0 : previous + 2;
    lines.insert(lines.begin(), text.substr(begin, end - 2 - begin));
    end = begin;
  }
  return lines;
}

struct Checkpoint {
  std::uint64_t hour;
  std::uint64_t lines;  // appended since the search began
  std::size_t bytes;    // the log as it would be saved, each line with its CR LF
};

constexpr std::size_t kStampLength = sizeof("[08:00:00.000]  ") - 1;
constexpr std::size_t kLogCap = LogLimits{}.file_bytes;
// What the log may hold in memory: its cap with the blocks' spare room and the line indexes.
constexpr std::size_t kHeldLimit = kLogCap + kLogCap / 4;

TEST_F(LongSearch, ADayWithFourForeignAdaptersLogsAtAnEvenRateWithinTheCapAndTheWizardStillAnswers) {
  form_->OnShown();
  Attach(ForeignAdapters());
  form_->OnControl(Control::Start);
  ASSERT_EQ(form_->Session().state, kStateSearching);
  const std::uint64_t start_lines = form_->Log().lines.Appended();
  const std::size_t pages_shown = view_.page_history.size();

  std::vector<Checkpoint> checkpoints;
  for (const std::uint64_t hour : {1, 6, 24}) {
    TickUntil(hour * kTicksPerHour);
    ASSERT_EQ(form_->Session().state, kStateSearching) << "hour " << hour;
    checkpoints.push_back({hour, form_->Log().lines.Appended() - start_lines, form_->Log().lines.FileContent().size()});
    EXPECT_LE(form_->Log().lines.HeldBytes(), kHeldLimit) << "hour " << hour;
  }
  const LocalTime day_end = Now();

  // Nothing else piles up: the queues are empty, the window was not touched beyond the
  // search, the state machine never paused.
  EXPECT_EQ(form_->Channel().WaitingMessages(), 0u);
  EXPECT_FALSE(form_->Channel().CommandWaiting());
  EXPECT_EQ(view_.page_history.size(), pages_shown);
  EXPECT_TRUE(view_.info_history.empty());
  EXPECT_TRUE(view_.debug_items.empty());
  EXPECT_FALSE(view_.Running(WizardTimer::kLadderPause));
  EXPECT_TRUE(view_.Running(WizardTimer::kTick));

  // The wizard still answers: the box plugged in now is found by the next tick, Start begins
  // a new search and Close saves the whole log.
  std::vector<BoxDeviceRecord> with_box = ForeignAdapters();
  with_box.push_back(Record(0x0403, 0x6015, "Rodiduz Box", "COM7", "/dev/ttyUSB4"));
  Attach(with_box);
  TickUntil(ticks_ + 1);
  EXPECT_EQ(form_->Session().state, kStateFound);
  EXPECT_EQ(form_->Channel().port_number.load(), 7);
  EXPECT_EQ(view_.CaptionUtf8(Control::FoundDeviceName), "Rodiduz Box");
  form_->OnControl(Control::Start);
  EXPECT_EQ(form_->Session().state, kStateSearching);
  form_->SaveLog();

  const auto after_day = static_cast<std::size_t>(form_->Log().lines.Appended() - start_lines - checkpoints.back().lines);
  const std::vector<std::string> tail = LastLinesOfFile(LogFilePath(), after_day + 1);
  ASSERT_EQ(tail.size(), after_day + 1);
  EXPECT_EQ(
      tail.front(),
      "[" + FormatLogTime(day_end) +
          "]  3: vid=1A86, pid=7523, device=/dev/ttyUSB3, hub=1, port=2, name=USB2.0-Serial, com=COM6\n");
  std::vector<std::string> tail_texts;
  for (std::size_t i = 1; i < tail.size(); ++i) tail_texts.push_back(tail[i].substr(kStampLength));
  ASSERT_GE(tail_texts.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(tail_texts.end() - 4, tail_texts.end()),
            (std::vector<std::string>{"Found device by name", "(State Searching->Found)",
                                      "==== NEW ====", "(State Found->Searching)"}))
      << "the last lines of the saved log";
  // The day's lines were far more than the cap: the file keeps its start and its newest lines.
  const std::string saved = ReadFileForTest(LogFilePath());
  EXPECT_LE(saved.size(), kLogCap);
  EXPECT_TRUE(saved.starts_with("[08:00:00.000]  Program Version: ")) << saved.substr(0, 200);
  EXPECT_NE(saved.find(" lines left out ...\r\n"), std::string::npos);

  // Every tick logs the four adapters in both passes, so the rate stays the same from the
  // first hour to the last: nothing is logged more often, or longer, as the log grows. The
  // first hour also holds the one line that says no box was found yet. The log never passes
  // its cap, and by the end of the day it is full.
  EXPECT_EQ(checkpoints[0].lines, 8 * kTicksPerHour + 1);
  EXPECT_GT(checkpoints.back().bytes, kLogCap - 2 * LogLimits{}.block_bytes);
  const double lines_per_hour = static_cast<double>(checkpoints[0].lines);
  for (std::size_t i = 0; i < checkpoints.size(); ++i) {
    SCOPED_TRACE("hour " + std::to_string(checkpoints[i].hour));
    EXPECT_LE(checkpoints[i].bytes, kLogCap);
    if (i == 0) continue;
    const double hours = static_cast<double>(checkpoints[i].hour - checkpoints[i - 1].hour);
    const double line_growth = static_cast<double>(checkpoints[i].lines - checkpoints[i - 1].lines) / hours;
    EXPECT_GT(line_growth, lines_per_hour * 0.9);
    EXPECT_LT(line_growth, lines_per_hour * 1.1);
  }
}

}  // namespace

#endif  // RODIDUZ_FAKE_USBLIB

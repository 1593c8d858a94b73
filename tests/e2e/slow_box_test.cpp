// A slow box, played by the test itself on a pseudo-terminal behind the real engine: each
// answer is written after an exact number of DeviceTimer ticks, one tick under and one tick
// over each time-out, so the boundaries are met without real waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "support/box_run.h"

namespace {

constexpr std::uint32_t TicksOf(std::uint32_t milliseconds) {
  return milliseconds / static_cast<std::uint32_t>(IntervalOf(WizardTimer::kTick).count());
}
constexpr std::uint32_t kReplyTicks = TicksOf(500);
constexpr std::uint32_t kConnectTicks = TicksOf(7000);
constexpr std::uint32_t kFirstTestTicks = TicksOf(60000);
constexpr std::uint32_t kTestRetryTicks = TicksOf(15000);

constexpr const char* kNetworkReport = "MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:1";
constexpr const char* kSettingsReport = "APN:internet USER: PW: PIN:1234 IMEI:356938035643809";
constexpr const char* kIdentityReport = "QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA";
constexpr const char* kOops = "Oops - something went wrong. Try reconnecting the box";

using Ticks = std::vector<std::uint32_t>;

class ScriptedBox : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(VirtualBusPath())) << VirtualBusPath() << " is not built";
  }

  Wizard& core() { return fixture_.core(); }
  RecordingView& view() { return fixture_.view(); }
  const std::string& folder() const { return fixture_.folder().Path(); }
  std::size_t CountLogged(const std::string& text) const {
    const Lines log = fixture_.LogTexts();
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), text));
  }

  // One DeviceTimer tick, then the send pump; returns the command the pump put on the wire.
  std::string Tick() {
    core().OnTimer(WizardTimer::kTick);
    return Pump();
  }

  void RunTicks(std::uint32_t count) {
    for (std::uint32_t tick = 0; tick < count; ++tick) Tick();
  }
  // Ticks `count` times; returns the ticks (counted from 1) after which `command` was sent.
  Ticks TicksSending(std::uint32_t count, const std::string& command) {
    Ticks sent_on;
    for (std::uint32_t tick = 1; tick <= count; ++tick) {
      if (Tick() == command) sent_on.push_back(tick);
    }
    return sent_on;
  }

  // Writes one message and waits until the engine has queued it for the next tick.
  void Answer(const std::string& message) {
    const std::size_t queued = QueueSize();
    box_.WriteToPort("[" + message + "]\r\n");
    ASSERT_TRUE(WaitFor([&] { return QueueSize() == queued + 1; })) << message << " never arrived";
  }

  void PlugIn() { box_.Link(folder(), 7); }
  // Start and the tick that finds the box.
  void StartAndFind() {
    core().OnControl(Control::Start);
    Tick();
    ASSERT_EQ(core().Session().state, kStateFound);
  }
  // The tick that opens the port and the one that sees it open.
  void OpenAndConnect() {
    Tick();
    ASSERT_TRUE(WaitFor([&] { return core().Channel().port_open.load(); }));
    Tick();
    ASSERT_EQ(core().Session().state, kStateConnected);
  }

  // A clean run, each answer at once, until `target` (Ready to GPRSTesting) is reached.
  void RunTo(std::uint32_t target) {
    PlugIn();
    StartAndFind();
    OpenAndConnect();
    const std::pair<const char*, std::uint32_t> steps[] = {
        {"COMM READY", kStateReady},      {"UNLOCKED", kStateUnlocked},     {kNetworkReport, kStateGotPLMN},
        {kSettingsReport, kStateGotGPRS}, {kIdentityReport, kStateGPRSSet}, {"OK", kStateGPRSTesting}};
    for (const auto& [answer, reached] : steps) {
      if (core().Session().state == target) return;
      Answer(answer);
      Tick();
      ASSERT_EQ(core().Session().state, reached) << "after " << answer;
    }
  }

  std::size_t QueueSize() { return core().Channel().WaitingMessages(); }

  Lines sent_;  // every command the box received, in order

 private:
  std::string Pump() {
    const bool waiting = core().Channel().CommandWaiting();
    core().Channel().PumpSend();
    if (!waiting) return "";
    sent_.push_back(ReadCommand());
    AcknowledgeWrite();
    return sent_.back();
  }

  std::string ReadCommand() {
    std::string bytes;
    while (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\n\r") != 0) {
      const std::string byte = box_.ReadFromPort(1);
      if (byte.empty()) {
        ADD_FAILURE() << "no complete command on the wire: " << bytes;
        return bytes;
      }
      bytes += byte;
    }
    return bytes.substr(0, bytes.size() - 2);
  }

  // The engine takes no new command until its worker has finished the last write, and it
  // finishes it before it reads again: once an empty line sent now is logged, the next
  // command will be taken. The empty line is no message and leaves the state machine alone.
  void AcknowledgeWrite() {
    const std::size_t logged = fixture_.LogTexts().size();
    box_.WriteToPort("\r\n");
    ASSERT_TRUE(WaitFor([&] { return fixture_.LogTexts().size() > logged; }));
  }

  PtyPort box_;  // outlives the controller, whose worker must end first
  WizardFixture fixture_{"", VirtualBusPath()};
  PortDirOverride port_dir_{fixture_.folder().Path()};
};

// --- Reply time-out (500 ms) -------------------------------------------------------------

struct ReplyRow {
  const char* name;
  std::uint32_t state;
  const char* command;
  const char* answer;
  std::uint32_t next_state;
};
// Test names and failure messages show the row's name, not its bytes.
void PrintTo(const ReplyRow& row, std::ostream* out) { *out << row.name; }

class ReplyTimeout : public ScriptedBox, public ::testing::WithParamInterface<std::tuple<ReplyRow, int>> {};

TEST_P(ReplyTimeout, AnAnswerJustInTimeIsTakenAndOneJustTooLateFollowsOneResend) {
  const auto& [row, offset] = GetParam();
  RunTo(row.state);
  ASSERT_EQ(sent_.back(), row.command);
  const std::uint32_t seen_on = kReplyTicks + offset;
  const Ticks resent_on = TicksSending(seen_on - 1, row.command);
  Answer(row.answer);
  Tick();
  EXPECT_EQ(core().Session().state, row.next_state);
  EXPECT_EQ(resent_on, offset < 0 ? Ticks{} : Ticks{kReplyTicks});
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyTimeout,
    ::testing::Combine(::testing::Values(ReplyRow{"Unlock", kStateReady, "[UNLOCK]", "UNLOCKED",
                                                  kStateUnlocked},
                                         ReplyRow{"NetworkReport", kStateUnlocked, "[PLMNGET]",
                                                  kNetworkReport, kStateGotPLMN},
                                         ReplyRow{"IdentityReport", kStateGotGPRS, "[QRGET]", kIdentityReport,
                                                  kStateGPRSSet}),
                       ::testing::Values(-1, +1)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) < 0 ? "JustInTime" : "TooLate");
    });

// --- Connect time-out (7000 ms) ----------------------------------------------------------

class ConnectTimeout : public ScriptedBox, public ::testing::WithParamInterface<int> {};

TEST_P(ConnectTimeout, CantConnectIsShownOnlyWhenThePortOpensTooLate) {
  const std::uint32_t connected_on = kConnectTicks + GetParam();
  // The box is listed but its device cannot be opened yet.
  std::filesystem::create_symlink(folder() + "/not-ready-yet", folder() + "/COM7");
  StartAndFind();
  RunTicks(connected_on - 2);
  EXPECT_EQ(CountLogged("Dut com port could not be opened"), connected_on - 2);
  std::filesystem::remove(folder() + "/COM7");
  PlugIn();
  OpenAndConnect();  // opens on tick connected_on - 1, connects on connected_on
  const std::string expected = GetParam() > 0 ? "Can't connect to the box" : "";
  EXPECT_EQ(view().CaptionUtf8(Control::StatusLine), expected);
  // Counting on in Connected changes nothing: the line keeps what the connect left there.
  RunTicks(kReplyTicks);
  EXPECT_EQ(view().CaptionUtf8(Control::StatusLine), expected);
  EXPECT_EQ(core().Session().state, kStateConnected);
}

INSTANTIATE_TEST_SUITE_P(OneTickEitherSide, ConnectTimeout, ::testing::Values(-1, +1),
                         [](const auto& info) { return std::string(info.param < 0 ? "InTime" : "TooLate"); });

// --- GPRS test time-outs (60000 ms, then 15000 ms; the user is told after three tries) ----

struct GprsTestRow {
  const char* name;
  std::uint32_t seen_on;  // the tick that sees "GPRSTEST OK"; 0: the box never answers
  Ticks resent_on;
};
// Test names and failure messages show the row's name, not its bytes.
void PrintTo(const GprsTestRow& row, std::ostream* out) { *out << row.name; }

class GprsTestTimeout : public ScriptedBox, public ::testing::WithParamInterface<GprsTestRow> {};

TEST_P(GprsTestTimeout, TheTestIsAskedAgainOnceThenTheUserIsTold) {
  const GprsTestRow& row = GetParam();
  RunTo(kStateGPRSTesting);
  ASSERT_EQ(sent_.back(), "[GPRSTEST]");
  if (row.seen_on > 0) {
    EXPECT_EQ(TicksSending(row.seen_on - 1, "[GPRSTEST]"), row.resent_on);
    Answer("GPRSTEST OK");
    Tick();
    EXPECT_EQ(core().Session().state, kStateGPRSPassed);
    EXPECT_EQ(CountLogged("Show Message:" + std::string(kOops)), 0u);
    return;
  }
  // Silent box: the tick that tells the user, and nothing sent or shown after it.
  Ticks told_on;
  Ticks resent_on;
  for (std::uint32_t tick = 1; tick <= kFirstTestTicks + 2 * kTestRetryTicks; ++tick) {
    if (Tick() == "[GPRSTEST]") resent_on.push_back(tick);
    if (view().info.visible && view().info.text == Utf8ToNative(kOops) && told_on.empty())
      told_on.push_back(tick);
  }
  EXPECT_EQ(resent_on, row.resent_on);
  EXPECT_EQ(told_on, Ticks{kFirstTestTicks + kTestRetryTicks});
  EXPECT_EQ(CountLogged("Show Message:" + std::string(kOops)), 1u);
  EXPECT_EQ(core().Session().state, kStateGPRSTesting);
}

INSTANTIATE_TEST_SUITE_P(Ticks, GprsTestTimeout,
                         ::testing::Values(GprsTestRow{"AnswerJustInTime", kFirstTestTicks - 1, {}},
                                           GprsTestRow{
                                               "AnswerJustTooLate", kFirstTestTicks + 1, {kFirstTestTicks}},
                                           GprsTestRow{"NoAnswer", 0, {kFirstTestTicks}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

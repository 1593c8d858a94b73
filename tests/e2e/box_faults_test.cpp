// A faulty box against the whole wizard: unplugged in every state, noisy lines, a burst of
// messages and an echo of every command.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "support/box_run.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kLink = "http://www.rodiduz.com/id/AB12CD34";

bool IsStateLine(const std::string& line) { return line.rfind("(State ", 0) == 0; }

// --- Unplug in every state ---------------------------------------------------------------

struct UnplugRow {
  const char* name;  // the state's name as the log gives it
  std::uint32_t state;
  bool resets;  // the state machine resets the wizard on the tick after the port closed
  std::vector<std::string> options;
};
// Test names and failure messages show the row's name, not its bytes.
void PrintTo(const UnplugRow& row, std::ostream* out) { *out << row.name; }

class UnplugRun : public BoxRun, public ::testing::WithParamInterface<UnplugRow> {
 protected:
  void ExpectWelcomeAfterReset() {
    EXPECT_EQ(core().Session().state, kStateInit);
    EXPECT_EQ(view().CurrentPage(), kPageWelcome);
    EXPECT_EQ(view().CaptionUtf8(Control::WelcomeHeadline), "Welcome. Press start to begin");
    EXPECT_EQ(view().CaptionUtf8(Control::BoxIdLine), "Box ID:");
    EXPECT_EQ(view().CaptionUtf8(Control::SignalLine), "Signal Strength:");
    EXPECT_EQ(view().CaptionUtf8(Control::BoxTypeLine), "Box Type: ");
    EXPECT_EQ(view().CaptionUtf8(Control::StatusLine), "");
    EXPECT_TRUE(view().IsEnabled(Control::Next));
    EXPECT_FALSE(view().IsVisible(Control::PukField));
    for (Control rung : {Control::LadderSearching, Control::LadderFound, Control::LadderStartupHeading, Control::LadderStarted,
                         Control::LadderTestHeading, Control::LadderTested}) {
      EXPECT_FALSE(view().IsVisible(rung)) << "the progress ladder is still shown";
    }
  }
};

TEST_P(UnplugRun, ResetsWhereTheStateMachineSaysAndTheNextRunCompletes) {
  const UnplugRow& row = GetParam();
  std::vector<std::string> options = {"--replug-ms", "60000"};  // plugged in again by the test
  options.insert(options.end(), row.options.begin(), row.options.end());
  Plug(options);
  core().OnControl(Control::Start);
  if (row.state != kStateSearching) {
    ASSERT_TRUE(RunUntilState(row.state)) << Trace();
  }

  ASSERT_TRUE(simulator_->Unplug()) << Trace();
  ASSERT_TRUE(WaitFor([&] { return !core().Channel().port_open.load(); })) << Trace();
  const std::size_t before = Log().size();
  for (int tick = 0; tick < 3; ++tick) PumpAndTick();
  const Lines log = Log();
  Lines state_changes;
  std::copy_if(log.begin() + static_cast<std::ptrdiff_t>(before), log.end(),
               std::back_inserter(state_changes), IsStateLine);
  if (row.resets) {
    EXPECT_EQ(state_changes, Lines{"(State " + std::string(row.name) + "->Init)"}) << Trace();
    ExpectWelcomeAfterReset();
  } else {
    EXPECT_EQ(state_changes, Lines{}) << Trace();
    EXPECT_EQ(core().Session().state, row.state);
  }
  if (row.state == kStateFound) {
    EXPECT_EQ(CountLogged("Dut com port could not be opened"), 3u);
  }
  if (row.state == kStateGPRSPassed) {
    EXPECT_EQ(view().CurrentPage(), kPageDone);
    EXPECT_EQ(view().CaptionUtf8(Control::BoxLink), kLink);
  }

  ASSERT_TRUE(simulator_->Replug()) << Trace();
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::BoxLink), kLink);
  EXPECT_EQ(view().CaptionUtf8(Control::BoxIdLine), "Box ID: AB12CD34");
  EXPECT_TRUE(InOrder(simulator_->ReceivedSincePlugIn(), CleanRunCommands())) << Trace();
  // The saved log tells the whole story: both runs, the unplug and the reset.
  Lines story = {"==== NEW ===="};
  if (row.state >= kStateConnected) story.push_back("Dut com port closed EV");  // it was open
  if (row.resets) story.push_back("(State " + std::string(row.name) + "->Init)");
  story.insert(story.end(), {"==== NEW ====", "Dut com port opened EV (COM7)", "PASSED"});
  EXPECT_TRUE(InOrder(SavedLog(), story)) << Trace();
}

INSTANTIATE_TEST_SUITE_P(EveryState, UnplugRun,
                         ::testing::Values(UnplugRow{"Searching", kStateSearching, false, {}},
                                           UnplugRow{"Found", kStateFound, false, {}},
                                           UnplugRow{"Connected", kStateConnected, true, {}},
                                           UnplugRow{"Ready", kStateReady, true, {}},
                                           UnplugRow{"Unlocked", kStateUnlocked, true, {}},
                                           UnplugRow{"GotPLMN", kStateGotPLMN, true, {}},
                                           UnplugRow{"GotGPRS", kStateGotGPRS, true, {}},
                                           UnplugRow{"WaitUser", kStateWaitUser, true, {"--fail-tests", "1"}},
                                           UnplugRow{"GPRSSet", kStateGPRSSet, true, {}},
                                           UnplugRow{"GPRSTesting", kStateGPRSTesting, true, {}},
                                           UnplugRow{"GPRSPassed", kStateGPRSPassed, false, {}}),
                         [](const ::testing::TestParamInfo<UnplugRow>& info) {
                           return std::string(info.param.name);
                         });

// The port opens and the box is gone before the next tick: the close event clears the port
// number, Found resets nothing and tries again, and must find the box once it is back.
TEST_F(BoxRun, ABoxLostBetweenTheOpenAndTheConnectIsFoundAgain) {
  Plug({"--replug-ms", "60000"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateFound)) << Trace();
  core().OnTimer(WizardTimer::kTick);
  ASSERT_TRUE(WaitFor([&] { return core().Channel().port_open.load(); })) << Trace();
  ASSERT_TRUE(simulator_->Unplug()) << Trace();
  ASSERT_TRUE(WaitFor([&] { return !core().Channel().port_open.load(); })) << Trace();
  for (int tick = 0; tick < 3; ++tick) PumpAndTick();
  EXPECT_EQ(core().Session().state, kStateFound);

  ASSERT_TRUE(simulator_->Replug()) << Trace();
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_TRUE(InOrder(Log(), {"Dut com port closed EV", "Dut com port could not be opened",
                              "Dut com port opened EV (COM7)", "(State Found->Connected)"}))
      << Trace();
  EXPECT_TRUE(InOrder(simulator_->ReceivedSincePlugIn(), CleanRunCommands())) << Trace();
}

// --- Garbage from the box ----------------------------------------------------------------

struct GarbageRow {
  const char* name;
  std::vector<std::string> options;
  Lines expected_log;    // among the log lines, in this order
  long unlock_requests;  // how often the box is asked to unlock, at least
};
// Test names and failure messages show the row's name, not its bytes.
void PrintTo(const GarbageRow& row, std::ostream* out) { *out << row.name; }

class GarbageRun : public BoxRun, public ::testing::WithParamInterface<GarbageRow> {};

TEST_P(GarbageRun, TheRunCompletesWithCleanLinesAndMessages) {
  const GarbageRow& row = GetParam();
  Plug(row.options);
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed, 30s)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::BoxLink), kLink);
  EXPECT_EQ(view().CaptionUtf8(Control::SignalLine), "Signal Strength: Good");
  EXPECT_EQ(view().CaptionUtf8(Control::BoxTypeLine), "Box Type: GSM");
  const Lines log = Log();
  EXPECT_TRUE(InOrder(log, row.expected_log)) << Trace();
  // Nothing the box sent may reach the log unfiltered or as an overlong line.
  for (const std::string& line : log) {
    if (line.rfind("[Rx]", 0) != 0) continue;
    EXPECT_LT(line.size(), 15000u);
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) << line;
  }
  const Lines commands = simulator_->Received();
  EXPECT_TRUE(InOrder(commands, CleanRunCommands())) << Trace();
  EXPECT_GE(std::count(commands.begin(), commands.end(), "[UNLOCK]"), row.unlock_requests) << Trace();
}

INSTANTIATE_TEST_SUITE_P(
    Box, GarbageRun,
    ::testing::Values(
        GarbageRow{
            "NoiseLinesAndAnOverlongLine",
            {"--garbage", "--overlong", "20000"},
            {"[Rx]  boot noise  not a message", "[Rx]  x[OK]", "[Rx]  ",
             "[Rx]  line dropped: 14999 characters or more without a line feed; waiting for the next line "
             "feed",
             "[Rx]  [UNLOCKED]", "[Rx]  [UNTERMINATED"},
            1},
        // NUL, carriage returns, other control bytes and bytes above 0x7E inside every answer,
        // and a line of random bytes before it.
        GarbageRow{
            "RandomBytesInAndBetweenTheLines",
            {"--noise", "7"},
            {"[Rx]  [UNLOCKED]", "[Rx]  [MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:1]",
             "[Rx]  [APN:internet USER: PW: PIN:**** IMEI:356938035643809]",
             "[Rx]  [QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]", "[Rx]  [OK]", "[Rx]  [GPRSTEST OK]"},
            1},
        // Only a line feed ends a line: the answer behind a line ended by a carriage return
        // alone is lost, and the unlock is asked for again.
        GarbageRow{"ALineEndedByACarriageReturnAlone",
                   {"--cr-line"},
                   {"[Rx]  SELFTEST DONE[UNLOCKED]", "[Rx]  [UNLOCKED]"},
                   2}),
    [](const ::testing::TestParamInfo<GarbageRow>& info) { return std::string(info.param.name); });

// --- A burst of messages -----------------------------------------------------------------

std::string Burst(std::size_t number) {
  const std::string digits = std::to_string(number);
  return "BURST " + std::string(4 - digits.size(), '0') + digits;
}

TEST_F(BoxRun, ABurstKeepsTheFirstThousandInOrderAndTheRunGoesOn) {
  constexpr std::size_t kSent = 2000;
  constexpr std::size_t kKept = 1000;
  Plug({"--burst", std::to_string(kSent)});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateFound)) << Trace();
  core().OnTimer(WizardTimer::kTick);  // opens the port; the box answers with the burst
  // The first announcement comes right behind the burst and finds the queue full.
  ASSERT_TRUE(WaitFor([&] { return Logged("[Rx]  [COMM READY]"); })) << Trace();

  Lines expected_queue;
  for (std::size_t i = 1; i <= kKept; ++i) expected_queue.push_back(Burst(i));
  EXPECT_EQ(ReceiveQueue(), expected_queue);
  Lines burst_lines;
  for (const std::string& line : Log()) {
    if (line.rfind("[Rx]  [BURST ", 0) == 0) burst_lines.push_back(line);
  }
  ASSERT_EQ(burst_lines.size(), kSent);
  for (std::size_t i = 0; i < kSent; ++i) EXPECT_EQ(burst_lines[i], "[Rx]  [" + Burst(i + 1) + "]");

  // One message per tick: the state machine works through the burst, then a later
  // announcement gets through and the run completes.
  for (std::size_t tick = 0; tick < kKept; ++tick) PumpAndTick();
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_TRUE(InOrder(simulator_->Received(), CleanRunCommands())) << Trace();
}

// --- An echoing box ----------------------------------------------------------------------

TEST_F(BoxRun, AnEchoOfEveryCommandDisturbsNothing) {
  Plug({"--echo"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::BoxLink), kLink);
  const Lines log = Log();
  // Each echo comes back ahead of its answer and is logged like any other line. (A "[Tx]"
  // line may follow its echo: the pump logs after the engine has taken the bytes.)
  EXPECT_TRUE(InOrder(log, {"[Rx]  [UNLOCK]", "[Rx]  [UNLOCKED]", "[Rx]  [QRGET]",
                            "[Rx]  [QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]", "[Rx]  [GPRSTEST]",
                            "[Rx]  [GPRSTEST OK]"}))
      << Trace();
  const Lines commands = simulator_->Received();
  EXPECT_TRUE(InOrder(commands, CleanRunCommands())) << Trace();
  // The echo is no answer: the settings and the test went out once.
  EXPECT_EQ(std::count(commands.begin(), commands.end(), CleanRunCommands()[4]), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSTEST]"), 1);
  EXPECT_EQ(core().Session().report.apn, "internet");
}

}  // namespace

// Whole setup runs against the box simulator: the clean run, SIM conditions, a silent box
// and an unplug the box itself decides on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/box_run.h"

namespace {

using namespace std::chrono_literals;

TEST_F(BoxRun, CleanRunEndsWithTheLink) {
  Plug({});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::Label29), "http://www.rodiduz.com/id/AB12CD34");
  EXPECT_EQ(view().CurrentPage(), kPageDone);
  EXPECT_TRUE(Logged("Dut com port opened EV (COM7)"));
  EXPECT_TRUE(Logged("[Tx]  [UNLOCK]"));
  EXPECT_TRUE(Logged("[Rx]  [QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]"));
  EXPECT_TRUE(Logged("PASSED"));
  EXPECT_EQ(view().CaptionUtf8(Control::Label20), "Box Type: GSM");
  EXPECT_EQ(view().CaptionUtf8(Control::Label19), "Signal Strength: Good");
  EXPECT_TRUE(InOrder(simulator_->Received(), CleanRunCommands())) << Trace();
}

TEST_F(BoxRun, FailedTestThenNextPasses) {
  Plug({"--fail-tests", "1", "--apn", "box.apn", "--user", "me", "--password", "pw"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED GPRS"); })) << Trace();
  EXPECT_EQ(form().CommState, kStateWaitUser);
  EXPECT_EQ(view().CurrentPage(), kPageSetup);
  EXPECT_TRUE(Logged("Show Message:Connection failed. Please check operator/APN settings and try again"));
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSSET APN:box.apn USER:me PW:pw PIN:1234]"), 2);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSTEST]"), 2);
}

// A SIM that refused its PIN, or wants its PUK, has few tries left: the wizard asks first, and
// neither the refused PIN nor an empty PUK ever reaches the box.
TEST_F(BoxRun, WrongPinIsAskedForBeforeAnythingIsSent) {
  Plug({"--sim", "wrong-pin", "--stored-pin", "0000"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return form().CommState == kStateWaitUser; })) << Trace();
  EXPECT_TRUE(Logged("Show Message:Enter correct PIN code"));
  EXPECT_EQ(view().CurrentPage(), kPageSetup);
  view().SetText(Control::MaskEdit1, u"1234");
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  const auto settings = std::count_if(commands.begin(), commands.end(),
                                      [](const std::string& line) { return line.starts_with("[GPRSSET"); });
  EXPECT_EQ(settings, 1) << Trace();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "[GPRSSET APN:internet USER: PW: PIN:1234]"),
            commands.end());
}

TEST_F(BoxRun, PukIsAskedForBeforeAnythingIsSent) {
  Plug({"--sim", "puk"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return form().CommState == kStateWaitUser; })) << Trace();
  EXPECT_TRUE(Logged("Show Message:Enter PUK code and new PIN code"));
  EXPECT_TRUE(view().IsVisible(Control::Edit4));
  EXPECT_EQ(view().TextUtf8(Control::Edit4), "");
  view().SetText(Control::Edit4, u"12345678");
  view().SetText(Control::MaskEdit1, u"4321");
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  const auto puks = std::count_if(commands.begin(), commands.end(),
                                  [](const std::string& line) { return line.starts_with("[SIMPUK"); });
  EXPECT_EQ(puks, 1) << Trace();
  // The PUK command and the settings travel in one write and arrive as two lines.
  const auto puk = std::find(commands.begin(), commands.end(), "[SIMPUK PUK:12345678]");
  ASSERT_NE(puk, commands.end());
  ASSERT_NE(puk + 1, commands.end());
  EXPECT_EQ(*(puk + 1), "[GPRSSET APN:internet USER: PW: PIN:4321]");
}

TEST_F(BoxRun, NoSimStopsTheRun) {
  Plug({"--sim", "none"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] {
    return Logged("Show Message:Sim Card not inserted. Please insert sim card and press start again");
  })) << Trace();
  EXPECT_EQ(form().CommState, kStateInit);
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
  EXPECT_TRUE(form().PortOpen.load());
}

TEST_F(BoxRun, UnplugMidRunResetsTheWizard) {
  Plug({"--unplug-after", "QRGET"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("Dut com port closed EV"); })) << Trace();
  ASSERT_TRUE(RunUntilState(kStateInit, 2s)) << Trace();
  EXPECT_TRUE(Logged("(State GotGPRS->Init)"));
  EXPECT_EQ(view().CaptionUtf8(Control::Label14), "Welcome. Press start to begin");
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
}

TEST_F(BoxRun, SilentBoxIsAskedAgain) {
  Plug({"--ignore", "UNLOCK"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateReady)) << Trace();
  RunUntil([] { return false; }, 1600ms);
  EXPECT_EQ(form().CommState, kStateReady);
  const Lines commands = simulator_->Received();
  EXPECT_GE(std::count(commands.begin(), commands.end(), "[UNLOCK]"), 3) << Trace();
}

}  // namespace

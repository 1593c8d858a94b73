// Whole setup runs against the box simulator: the clean run, SIM conditions, a silent box
// and an unplug the box itself decides on.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "support/box_run.h"

namespace {

using namespace std::chrono_literals;

TEST_F(BoxRun, CleanRunEndsWithTheLink) {
  Plug({});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::BoxLink), "http://www.rodiduz.com/id/AB12CD34");
  EXPECT_EQ(view().CurrentPage(), kPageDone);
  EXPECT_TRUE(Logged("Dut com port opened EV (COM7)"));
  EXPECT_TRUE(Logged("[Tx]  [UNLOCK]"));
  EXPECT_TRUE(Logged("[Rx]  [QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]"));
  EXPECT_TRUE(Logged("PASSED"));
  EXPECT_EQ(view().CaptionUtf8(Control::BoxTypeLine), "Box Type: GSM");
  EXPECT_EQ(view().CaptionUtf8(Control::FoundDeviceName), "Rodiduz Box");
  EXPECT_EQ(view().CaptionUtf8(Control::SignalLine), "Signal Strength: Good");
  EXPECT_TRUE(InOrder(simulator_->Received(), CleanRunCommands())) << Trace();
}

TEST_F(BoxRun, FailedTestThenNextPasses) {
  Plug({"--fail-tests", "1", "--apn", "box.apn", "--user", "me", "--password", "pw"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED GPRS"); })) << Trace();
  EXPECT_EQ(core().Session().state, kStateWaitUser);
  EXPECT_EQ(view().CurrentPage(), kPageSetup);
  EXPECT_TRUE(Logged("Show Message:Connection failed. Please check operator/APN settings and try again"));
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSSET APN:box.apn USER:me PW:pw PIN:1234]"), 2);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSTEST]"), 2);
}

// A German and an Arabic user's run: every text the window gets is in their language (in Arabic
// the box's ID isolated, so that it reads left to right inside the sentence), and the saved log,
// which support reads whatever the user's language, is the English one.
struct LanguageRun {
  const char* language;
  const char* box_id_line;
  const char* signal_line;
  const char* failed_message;
};
void PrintTo(const LanguageRun& row, std::ostream* out) { *out << row.language; }

class LanguageBoxRun : public BoxRun, public ::testing::WithParamInterface<LanguageRun> {};

TEST_P(LanguageBoxRun, TheWindowSpeaksTheUsersLanguageAndTheSavedLogStaysEnglish) {
  const LanguageRun& row = GetParam();
  language_ = row.language;
  Plug({"--fail-tests", "1"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED GPRS"); })) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::BoxIdLine), row.box_id_line);
  EXPECT_EQ(view().CaptionUtf8(Control::SignalLine), row.signal_line);
  EXPECT_EQ(NativeToUtf8(view().info.text), row.failed_message);
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines saved = SavedLog();
  EXPECT_TRUE(InOrder(saved, {"Show Message:Connection failed. Please check operator/APN settings and try again",
                              "PASSED"}));
  for (const std::string& line : saved) {
    // Nothing but English: no letter outside ASCII, no isolate.
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageBoxRun,
    ::testing::Values(
        LanguageRun{"de", "Box-ID: AB12CD34", "Signalstärke: gut",
                    "Verbindung fehlgeschlagen. Bitte prüfen Sie Netzbetreiber und APN-Einstellungen und versuchen "
                    "Sie es erneut"},
        LanguageRun{"ar", "معرّف الجهاز: \u2068AB12CD34\u2069", "قوة الإشارة: جيدة",
                    "فشل الاتصال. يرجى التحقق من إعدادات المشغّل/APN والمحاولة مرة أخرى"}),
    [](const ::testing::TestParamInfo<LanguageRun>& info) { return std::string(info.param.language); });

// What the simulated SIM made of the codes it got, in order: "wrong PIN, 2 tries left",
// "PUK accepted" and so on.
Lines SimNotes(const Lines& output) {
  Lines notes;
  for (const std::string& line : output) {
    if (line.starts_with("sim: ")) notes.push_back(line.substr(5));
  }
  return notes;
}

std::size_t CountStartingWith(const Lines& lines, const std::string& start) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(start); }));
}

// A SIM that refused its PIN, or wants its PUK, has few tries left: the wizard asks first, and
// neither the refused PIN nor an empty PUK ever reaches the box.
TEST_F(BoxRun, WrongPinIsAskedForBeforeAnythingIsSent) {
  Plug({"--sim", "wrong-pin", "--stored-pin", "0000"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return core().Session().state == kStateWaitUser; })) << Trace();
  EXPECT_TRUE(Logged("Show Message:Enter correct PIN code"));
  EXPECT_EQ(view().CurrentPage(), kPageSetup);
  view().SetText(Control::PinField, u"1234");
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  EXPECT_EQ(CountStartingWith(commands, "[GPRSSET"), 1u) << Trace();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "[GPRSSET APN:internet USER: PW: PIN:1234]"),
            commands.end());
  EXPECT_EQ(SimNotes(simulator_->OutputLines()), Lines{"PIN accepted"});
}

// The box's stored PIN goes out on its own once; refused, it never goes again: not on Next,
// and not after the user replugs the box and starts again. One try spent in all.
TEST_F(BoxRun, ARefusedStoredPinIsNeverSentAgainAcrossAReplug) {
  Plug({"--sim", "pin", "--stored-pin", "0000", "--replug-ms", "60000"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED WRONG PIN"); })) << Trace();
  EXPECT_EQ(view().TextUtf8(Control::PinField), "");
  EXPECT_EQ(view().focused, Control::PinField);
  core().OnControl(Control::Next);
  EXPECT_TRUE(Logged("Show Message:The PIN code must have 4 digits. Please enter the PIN code"));
  view().SetText(Control::PinField, u"0000");
  core().OnControl(Control::Next);
  EXPECT_TRUE(Logged("Show Message:The SIM card has refused this PIN code already. Please enter the correct PIN code"));

  ASSERT_TRUE(simulator_->Unplug()) << Trace();
  ASSERT_TRUE(RunUntilState(kStateInit)) << Trace();
  ASSERT_TRUE(simulator_->Replug()) << Trace();
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return CountLogged("Show Message:Enter correct PIN code") == 1; })) << Trace();
  EXPECT_EQ(core().Session().state, kStateWaitUser);
  view().SetText(Control::PinField, u"1234");
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(CountStartingWith(simulator_->Received(), "[GPRSSET"), 2u) << Trace();
  EXPECT_EQ(SimNotes(simulator_->OutputLines()), (Lines{"wrong PIN, 2 tries left", "PIN accepted"}));
}

// The last PIN try spent, the SIM wants its PUK; a wrong PUK costs one of its ten tries and
// is not sent again; the right one with a new PIN ends the run.
TEST_F(BoxRun, PukIsAskedForAndARefusedPukIsNotSentAgain) {
  Plug({"--sim", "pin", "--stored-pin", "0000", "--pin-tries", "1"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED PUK"); })) << Trace();
  EXPECT_TRUE(view().IsVisible(Control::PukField));
  EXPECT_EQ(view().focused, Control::PukField);
  core().OnControl(Control::Next);  // nothing typed: an empty PUK never goes out
  EXPECT_TRUE(Logged("Show Message:The PUK code must have 8 digits. Please enter the PUK code"));
  view().SetText(Control::PukField, u"11111111");
  view().SetText(Control::PinField, u"4321");
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntil([&] { return CountLogged("FAILED PUK") == 2; })) << Trace();
  EXPECT_TRUE(Logged("SIM refused the PUK sent"));
  EXPECT_EQ(view().TextUtf8(Control::PukField), "");
  view().SetText(Control::PukField, u"11111111");
  core().OnControl(Control::Next);
  EXPECT_TRUE(Logged("Show Message:The SIM card has refused this PUK code already. Please enter the correct PUK code"));
  view().SetText(Control::PukField, u"12345678");
  core().OnControl(Control::Next);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = simulator_->Received();
  EXPECT_EQ(CountStartingWith(commands, "[SIMPUK"), 2u) << Trace();
  // The PUK command and the settings travel in one write and arrive as two lines.
  const auto puk = std::find(commands.begin(), commands.end(), "[SIMPUK PUK:12345678]");
  ASSERT_NE(puk, commands.end());
  ASSERT_NE(puk + 1, commands.end());
  EXPECT_EQ(*(puk + 1), "[GPRSSET APN:internet USER: PW: PIN:4321]");
  EXPECT_EQ(SimNotes(simulator_->OutputLines()),
            (Lines{"wrong PIN, 0 tries left", "wrong PUK, 9 tries left", "PUK accepted", "new PIN set"}));
  // The saved log shows that codes went out, never which.
  const Lines saved = SavedLog();
  EXPECT_TRUE(InOrder(saved, {"[Rx]  [APN:internet USER: PW: PIN:**** IMEI:356938035643809]",
                              "[Tx]  [GPRSSET APN:internet USER: PW: PIN:****]", "[Tx]  [SIMPUK PUK:********]"}))
      << Trace();
  for (const char* secret : {"0000", "4321", "11111111", "12345678"}) {
    EXPECT_EQ(std::count_if(saved.begin(), saved.end(),
                            [&](const std::string& line) { return line.find(secret) != std::string::npos; }),
              0)
        << secret;
  }
}

TEST_F(BoxRun, NoSimStopsTheRun) {
  Plug({"--sim", "none"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] {
    return Logged("Show Message:Sim Card not inserted. Please insert sim card and press start again");
  })) << Trace();
  EXPECT_EQ(core().Session().state, kStateInit);
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
  EXPECT_TRUE(core().Channel().port_open.load());
}

TEST_F(BoxRun, UnplugMidRunResetsTheWizard) {
  Plug({"--unplug-after", "QRGET"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntil([&] { return Logged("Dut com port closed EV"); })) << Trace();
  ASSERT_TRUE(RunUntilState(kStateInit, 2s)) << Trace();
  EXPECT_TRUE(Logged("(State GotGPRS->Init)"));
  EXPECT_EQ(view().CaptionUtf8(Control::WelcomeHeadline), "Welcome. Press start to begin");
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
}

TEST_F(BoxRun, SilentBoxIsAskedAgain) {
  Plug({"--ignore", "UNLOCK"});
  core().OnControl(Control::Start);
  ASSERT_TRUE(RunUntilState(kStateReady)) << Trace();
  RunUntil([] { return false; }, 1600ms);
  EXPECT_EQ(core().Session().state, kStateReady);
  const Lines commands = simulator_->Received();
  EXPECT_GE(std::count(commands.begin(), commands.end(), "[UNLOCK]"), 3) << Trace();
}

}  // namespace

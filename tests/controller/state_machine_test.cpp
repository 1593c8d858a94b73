// The setup state machine, driven one tick at a time against the recording view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "support/pty_port.h"
#include "wizard_driver.h"

namespace {

using Lines = std::vector<std::string>;


TEST(CommStateNames, AllNamesAndUnknownValues) {
  const char* names[] = {"Init",     "Searching", "Found",       "Connected",  "Disconnected",
                         "Ready",    "Unlocked",  "GotQR",       "GotPLMN",    "GotGPRS",
                         "WaitUser", "GPRSSet",   "GPRSTesting", "GPRSPassed", "GPRSFailed"};
  for (std::uint32_t state = 0; state < 15; ++state) {
    EXPECT_EQ(StateName(state), names[state]) << state;
  }
  EXPECT_EQ(StateName(15), "?");
  EXPECT_EQ(StateName(0xFFFFFFFFu), "?");
}

TEST(ChangeCommState, LogsEachChangeAndNothingForTheSameState) {
  WizardDriver wizard;
  wizard.core().Session().ChangeState(kStateSearching);
  wizard.core().Session().ChangeState(kStateSearching);
  wizard.core().Session().ChangeState(kStateGPRSPassed);
  EXPECT_EQ(wizard.LogFrom(0), (Lines{"(State Init->Searching)", "(State Searching->GPRSPassed)"}));
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSPassed);
}

TEST(Tick, RestartsTheTickAtTheEnd) {
  WizardDriver wizard;
  wizard.view().Stop(WizardTimer::kTick);
  wizard.Tick();
  EXPECT_TRUE(wizard.view().Running(WizardTimer::kTick));
}

// A window that fails while the signal line is set, as a toolkit error inside a tick would.
class FailingSignalLineView : public RecordingView {
 public:
  void SetCaption(Control label, const NativeString& text) override {
    if (label == Control::SignalLine && text != u"Signal Strength:") throw std::runtime_error("window failed");
    RecordingView::SetCaption(label, text);
  }
};

TEST(Tick, AnErrorInsideATickStillRestartsTheTick) {
  ScratchFolder folder;
  FailingSignalLineView view;
  WizardEnvironment environment;
  environment.catalogue_path = folder.Write("apnlist.csv", "");
  environment.usb_library = folder.File("no-such-usblib.so");
  Wizard form(view, view, environment);
  form.Channel().AddMessage(kNetworkReport);
  EXPECT_THROW(form.OnTimer(WizardTimer::kTick), std::runtime_error);
  EXPECT_TRUE(view.Running(WizardTimer::kTick));
}

TEST(Tick, TakesOneMessagePerTick) {
  WizardDriver wizard;
  wizard.core().Channel().AddMessage("A");
  wizard.core().Channel().AddMessage("B");
  wizard.Tick();
  ASSERT_EQ(wizard.core().Channel().WaitingMessages(), 1u);
  EXPECT_EQ(wizard.core().Channel().PeekMessages().front(), "B");
}

TEST(Tick, ClassifiesSimWordsOnEveryTickAndKeepsTheStatusWithoutOne) {
  WizardDriver wizard;
  wizard.Tick("SIM PIN WRONG");
  EXPECT_EQ(wizard.core().Session().sim_status, kSimWrongPin);
  wizard.Tick("SOMETHING ELSE");
  EXPECT_EQ(wizard.core().Session().sim_status, kSimWrongPin);
  wizard.Tick("SIM PIN NOT NEEDED");
  EXPECT_EQ(wizard.core().Session().sim_status, kSimPinNotNeeded);
}

TEST(SignalLine, Thresholds) {
  struct Row {
    const char* report;
    const char* text;
  };
  const Row rows[] = {
      {"MCC:262 MNC:1 RSSI:-59 TA:0 CME:0 SIM:1", "Signal Strength: Excellent"},
      {"MCC:262 MNC:1 RSSI:-60 TA:0 CME:0 SIM:1", "Signal Strength: Good"},
      {"MCC:262 MNC:1 RSSI:-72 TA:0 CME:0 SIM:1", "Signal Strength: Good"},
      {"MCC:262 MNC:1 RSSI:-73 TA:0 CME:0 SIM:1", "Signal Strength: Okay"},
      {"MCC:262 MNC:1 RSSI:-84 TA:0 CME:0 SIM:1", "Signal Strength: Okay"},
      {"MCC:262 MNC:1 RSSI:-85 TA:0 CME:0 SIM:1", "Signal Strength: Poor"},
      {"MCC:262 MNC:1 RSSI:-99 TA:0 CME:0 SIM:1", "Signal Strength: Poor"},
      {"MCC:262 MNC:1 RSSI:-100 TA:0 CME:0 SIM:1", "Signal Strength: Bad"},
      {"MCC:0 MNC:1 RSSI:-59 TA:0 CME:0 SIM:1", "Signal Strength: Unknown"},
      {"MCC:262 MNC:0 RSSI:-59 TA:0 CME:0 SIM:1", "Signal Strength: Unknown"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.report);
    WizardDriver wizard;
    wizard.Tick(row.report);
    EXPECT_EQ(wizard.view().CaptionUtf8(Control::SignalLine), row.text);
  }
}

TEST(IdentityLines, BoxIdInAnyStateAndTypeOnlyForGsmHardware) {
  WizardDriver wizard;
  wizard.Tick("QR:AB12CD34 HW:0150 SW:0107 MAC:0011223344AA");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxIdLine), "Box ID: AB12CD34");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxTypeLine), "Box Type:");
  wizard.Tick(kIdentityReport);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxTypeLine), "Box Type: GSM");
  EXPECT_EQ(wizard.core().Session().state, kStateInit);
}

TEST(Searching, WithoutABoxRunsDiscoveryAgainAndLogsNothing) {
  WizardDriver wizard;
  wizard.core().Session().ChangeState(kStateSearching);
  const std::size_t before = wizard.LogSize();
  wizard.Ticks(3);
  EXPECT_EQ(wizard.core().Session().state, kStateSearching);
  EXPECT_EQ(wizard.LogSize(), before);
}

// The ladder's next rung comes after a pause in which no tick runs, so that no message is taken
// and nothing logged between the two rungs.
TEST(Found, ConnectsWhenThePortIsOpenWithTheLadderAndOnePause) {
  WizardDriver wizard;
  wizard.FoundWithOpenPort();
  wizard.core().OnTimer(WizardTimer::kTick);
  EXPECT_EQ(wizard.core().Session().state, kStateConnected);
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), 2);
  EXPECT_TRUE(wizard.view().Running(WizardTimer::kLadderPause));
  EXPECT_FALSE(wizard.view().Running(WizardTimer::kTick));
  wizard.core().OnTimer(WizardTimer::kLadderPause);
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), 3);
  EXPECT_FALSE(wizard.view().Running(WizardTimer::kLadderPause));
  EXPECT_TRUE(wizard.view().Running(WizardTimer::kTick));
  EXPECT_TRUE(wizard.view().IsVisible(Control::LadderStartupHeading));
  EXPECT_TRUE(wizard.Logged("(State Found->Connected)"));
}

TEST(Found, ShowsCantConnectOnTheSeventiethTickAndKeepsItUntilAReset) {
  WizardDriver wizard;
  PortDirOverride no_ports(wizard.fixture().folder().Path());
  wizard.core().Session().ChangeState(kStateFound);
  wizard.core().Channel().port_number = 7;
  wizard.core().Session().reply_timeout = 7000;
  wizard.Ticks(69);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "");
  EXPECT_EQ(wizard.core().Session().state, kStateFound);
  wizard.Tick();
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "Can't connect to the box");

  wizard.core().Channel().port_open = true;
  wizard.Tick();
  wizard.Tick("COMM READY");
  EXPECT_EQ(wizard.core().Session().state, kStateReady);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "Can't connect to the box");

  wizard.core().Channel().port_open = false;
  wizard.Tick();
  EXPECT_EQ(wizard.core().Session().state, kStateInit);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "");
}

TEST(Found, ClearsTheReceiveQueueBeforeEachAttemptToOpen) {
  WizardDriver wizard;
  PortDirOverride no_ports(wizard.fixture().folder().Path());
  wizard.core().Session().ChangeState(kStateFound);
  wizard.core().Channel().AddMessage("COMM READY");
  wizard.core().Channel().AddMessage("stale");
  wizard.Tick();
  EXPECT_TRUE(wizard.core().Channel().WaitingMessages() == 0);
  EXPECT_EQ(wizard.core().Session().state, kStateFound);
}

TEST(Connected, CommReadyUnlocksAndHidesTheOperatorArea) {
  WizardDriver wizard;
  wizard.RunTo(kStateConnected);
  wizard.Tick("COMM READY");
  EXPECT_EQ(wizard.TakeOneSent(), "[UNLOCK]");
  EXPECT_EQ(wizard.core().Session().reply_timeout, 500u);
  EXPECT_EQ(wizard.core().Session().state, kStateReady);
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), 6);
  for (Control control :
       {Control::OperatorList, Control::ShowAllOperators, Control::ApnField, Control::OperatorFrame, Control::ManualSettingsCaption}) {
    EXPECT_FALSE(wizard.view().IsVisible(control)) << ControlName(control);
  }
}

TEST(Connected, IdentityReportMovesTheLadderWithoutChangingTheState) {
  WizardDriver wizard;
  wizard.RunTo(kStateConnected);
  wizard.Tick(kIdentityReport);
  EXPECT_EQ(wizard.core().Session().state, kStateConnected);
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), 4);
  ASSERT_TRUE(wizard.view().Running(WizardTimer::kLadderPause));
  wizard.core().OnTimer(WizardTimer::kLadderPause);
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), 5);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxIdLine), "Box ID: AB12CD34");
}

TEST(Connected, SimPukShowsThePukEntryAndIgnoresCommReadyInTheSameMessage) {
  WizardDriver wizard;
  wizard.RunTo(kStateConnected);
  wizard.view().SetText(Control::PukField, u"old");
  wizard.Tick("SIM PUK COMM READY");
  EXPECT_EQ(wizard.core().Session().state, kStateConnected);
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_TRUE(wizard.view().IsVisible(Control::PukField));
  EXPECT_TRUE(wizard.view().IsVisible(Control::PukCaption));
  EXPECT_EQ(wizard.view().TextUtf8(Control::PukField), "");
  // Without a SIM word in the message, COMM READY goes on even while SimStatus stays 5.
  wizard.Tick("COMM READY");
  EXPECT_EQ(wizard.core().Session().state, kStateReady);
}

TEST(NoSimStop, InConnectedReadyAndUnlocked) {
  struct Row {
    const char* name;
    std::uint32_t state;
    const char* message;
  };
  const Row rows[] = {
      {"connected, SIM word", kStateConnected, "NO SIM"},
      {"ready, network report", kStateReady, "MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:0"},
      {"unlocked, network report", kStateUnlocked, "MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    wizard.RunTo(row.state);
    const int repaints = wizard.view().repaints;
    const std::size_t before = wizard.LogSize();
    wizard.Tick(row.message);
    EXPECT_EQ(wizard.core().Session().state, kStateInit);
    EXPECT_EQ(wizard.view().CurrentPage(), kPageWelcome);
    EXPECT_GT(wizard.view().repaints, repaints);
    EXPECT_TRUE(wizard.view().info.visible);
    EXPECT_TRUE(wizard.view().info.close_button);
    EXPECT_FALSE(wizard.view().Running(WizardTimer::kInfoDots));
    EXPECT_EQ(NativeToUtf8(wizard.view().info.text),
              "Sim Card not inserted. Please insert sim card and press start again");
    const Lines lines = wizard.LogFrom(before);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Show Message:Sim Card not inserted. Please insert sim card and press start again");
    EXPECT_EQ(lines[1].rfind("(State ", 0), 0u);
    EXPECT_TRUE(wizard.TakeSent().empty());
    // The port stays open and the SIM status stays "no SIM" for Start to see.
    EXPECT_TRUE(wizard.core().Channel().port_open.load());
    EXPECT_EQ(wizard.core().Session().sim_status, kSimMissing);
  }
}

TEST(Ready, NetworkReportBeforeTheUnlockAnswerIsIgnored) {
  WizardDriver wizard;
  wizard.RunTo(kStateReady);
  wizard.Tick(kNetworkReport);
  EXPECT_EQ(wizard.core().Session().state, kStateReady);
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_EQ(wizard.core().Session().report.mcc, 262);
}

TEST(Resending, AFiveHundredMillisecondCommandTimesOutOnTheFifthTick) {
  struct Row {
    const char* name;
    std::uint32_t state;
    const char* command;
  };
  const Row rows[] = {
      {"unlock", kStateReady, "[UNLOCK]"},
      {"network report", kStateUnlocked, "[PLMNGET]"},
      {"identity report", kStateGotGPRS, "[QRGET]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    wizard.RunTo(row.state);
    EXPECT_EQ(wizard.core().Session().reply_timeout, 500u);
    for (int tick = 1; tick <= 4; ++tick) {
      wizard.Tick();
      EXPECT_TRUE(wizard.TakeSent().empty()) << "tick " << tick;
    }
    wizard.Tick();
    EXPECT_EQ(wizard.TakeOneSent(), row.command);
    EXPECT_EQ(wizard.core().Session().state, row.state);
    // And again five ticks later, without limit.
    wizard.Ticks(4);
    EXPECT_TRUE(wizard.TakeSent().empty());
    wizard.Tick();
    EXPECT_EQ(wizard.TakeOneSent(), row.command);
  }
}

TEST(Resending, ATimeOutOfZeroNeverRunsOut) {
  WizardDriver wizard;
  wizard.RunTo(kStateReady);
  wizard.core().Session().reply_timeout = 0;
  wizard.Ticks(20);
  EXPECT_TRUE(wizard.TakeSent().empty());
}

TEST(GotPlmn, ResendsGprsGetOnEverySilentTickButNotForOkOrCommReady) {
  WizardDriver wizard;
  wizard.RunTo(kStateGotPLMN);
  for (int tick = 0; tick < 3; ++tick) {
    wizard.Tick();
    EXPECT_EQ(wizard.TakeOneSent(), "[GPRSGET]");
  }
  wizard.Tick("OK");
  EXPECT_TRUE(wizard.TakeSent().empty());
  wizard.Tick("COMM READY");
  EXPECT_TRUE(wizard.TakeSent().empty());
  wizard.Tick("anything else");
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSGET]");
  wizard.core().Session().sim_prompt_armed = false;
  wizard.Tick(kSettingsReport);
  EXPECT_EQ(wizard.TakeOneSent(), "[QRGET]");
  EXPECT_EQ(wizard.core().Session().state, kStateGotGPRS);
  EXPECT_TRUE(wizard.core().Session().sim_prompt_armed);
  EXPECT_EQ(wizard.core().Session().report.apn, "box.apn");
}

TEST(GotGprs, IdentityReportPreparesTheSettingsPageAndSubmitsAtOnce) {
  WizardDriver wizard;
  wizard.RunTo(kStateGotGPRS);
  const std::size_t before = wizard.LogSize();
  wizard.Tick(kIdentityReport);
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:box.apn USER:boxuser PW:boxpw PIN:1234]");
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
  EXPECT_EQ(wizard.core().Session().sim_status, kSimResultPending);
  EXPECT_TRUE(wizard.core().Session().sim_prompt_armed);
  EXPECT_EQ(wizard.LogFrom(before), (Lines{"(State GotGPRS->WaitUser)", "(State WaitUser->GPRSSet)"}));
  EXPECT_EQ(wizard.view().OperatorTexts(), Lines{"(current box settings)"});
  EXPECT_EQ(wizard.view().TextUtf8(Control::PinField), "1234");
  EXPECT_TRUE(wizard.view().IsVisible(Control::PinField));
  EXPECT_TRUE(wizard.view().IsChecked(Control::CredentialsGiven));
  EXPECT_NE(wizard.view().CurrentPage(), kPageSetup);
  EXPECT_EQ(NativeToUtf8(wizard.view().info.text), "Testing GPRS settings");
  EXPECT_FALSE(wizard.view().info.close_button);
  EXPECT_TRUE(wizard.view().Running(WizardTimer::kInfoDots));
}

TEST(GotGprs, AViewHoldingTheFirstSubmissionBackGetsTheSettingsPageAndNothingGoesOut) {
  WizardDriver wizard;
  wizard.RunTo(kStateGotGPRS);
  wizard.view().hold_first_submission = true;
  wizard.Tick(kIdentityReport);
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
  EXPECT_EQ(wizard.view().CurrentPage(), kPageSetup);
  wizard.core().OnControl(Control::Next);
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:box.apn USER:boxuser PW:boxpw PIN:1234]");
}

TEST(GotGprs, ShowAllOperatorsIsUntickedAndEveryFieldEmptiedFirst) {
  WizardDriver wizard("Other;222;1;other.apn;;;OT\n");
  wizard.RunTo(kStateGotGPRS);
  wizard.view().SetChecked(Control::ShowAllOperators, true);
  // A PUK entry left over from an earlier "SIM PUK": the SIM no longer asks for it, and an
  // empty PUK must not go out without the user.
  wizard.view().SetVisible(Control::PukField, true);
  wizard.view().SetText(Control::PukField, u"typed puk");
  wizard.Tick(kIdentityReport);
  EXPECT_FALSE(wizard.view().IsChecked(Control::ShowAllOperators));
  // The rebuild without "show all" leaves the other network's operator out.
  EXPECT_EQ(wizard.view().OperatorTexts(), Lines{"(current box settings)"});
  EXPECT_EQ(wizard.view().TextUtf8(Control::PukField), "");
  EXPECT_FALSE(wizard.view().IsVisible(Control::PukField));
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:box.apn USER:boxuser PW:boxpw PIN:1234]");
}

// A PIN the SIM refused, the wish for a PUK, or a stored PIN that cannot be the one the SIM
// wants stops the automatic submission: the user is asked, and only Next sends what the user
// typed.
TEST(GotGprs, AnUnusablePinOrAPukAsksTheUserBeforeAnythingIsSent) {
  struct Row {
    const char* name;
    const char* stored_pin;  // in the box's settings report
    const char* sim_word;
    bool refused_before;  // the SIM refused the stored PIN in an earlier run
    const char* message;
    Control focused;
    const char16_t* typed_puk;  // nullptr: no PUK entry
    const char* sent_on_next;
  };
  const char* sent = "[GPRSSET APN:box.apn USER:boxuser PW:boxpw PIN:4321]";
  const Row rows[] = {
      {"wrong PIN", "1234", "SIM PIN WRONG", false, "Enter correct PIN code", Control::PinField, nullptr, sent},
      {"PUK", "1234", "SIM PUK", false, "Enter PUK code and new PIN code", Control::PukField, u"12345678",
       "[SIMPUK PUK:12345678]\r\n\r\n[GPRSSET APN:box.apn USER:boxuser PW:boxpw PIN:4321]"},
      {"stored PIN of five digits", "12345", "SIM PIN", false, "Enter PIN code", Control::PinField, nullptr, sent},
      {"no stored PIN", "    ", "SIM PIN", false, "Enter PIN code", Control::PinField, nullptr, sent},
      {"stored PIN refused before", "1234", "SIM PIN", true, "Enter correct PIN code", Control::PinField, nullptr,
       sent},
      {"stored PIN refused before, SIM ready", "1234", "SIM READY", true, "Enter correct PIN code",
       Control::PinField, nullptr, sent},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    if (row.refused_before) {
      wizard.core().Session().refused_codes.Submitted("AB12CD34", "1234", "");
      wizard.core().Session().refused_codes.SimWordArrived(kSimWrongPin);
    }
    wizard.RunTo(kStateGotPLMN);
    wizard.Tick(std::string("APN:box.apn USER:boxuser PW:boxpw PIN:") + row.stored_pin + " IMEI:1");
    wizard.TakeSent();
    // A PUK entry left over from an earlier "SIM PUK" is shown again only for a PUK.
    wizard.view().SetVisible(Control::PukField, true);
    wizard.view().SetText(Control::PukField, u"stale");
    wizard.Tick(row.sim_word);
    const std::size_t before = wizard.LogSize();
    wizard.Tick(kIdentityReport);
    EXPECT_TRUE(wizard.TakeSent().empty());
    EXPECT_EQ(wizard.LogFrom(before), (Lines{"Show Message:" + std::string(row.message), "(State GotGPRS->WaitUser)"}));
    EXPECT_EQ(NativeToUtf8(wizard.view().info.text), row.message);
    EXPECT_TRUE(wizard.view().info.close_button);
    EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
    EXPECT_EQ(wizard.view().CurrentPage(), kPageSetup);
    EXPECT_TRUE(wizard.view().IsEnabled(Control::Next));
    EXPECT_EQ(wizard.view().focused, row.focused);
    // The stored PIN is not offered.
    EXPECT_EQ(wizard.view().TextUtf8(Control::PinField), "");
    for (Control shown : {Control::PinField, Control::PinCaption, Control::OperatorList, Control::ApnField, Control::UserField}) {
      EXPECT_TRUE(wizard.view().IsVisible(shown)) << ControlName(shown);
    }
    EXPECT_EQ(wizard.view().IsVisible(Control::PukField), row.typed_puk != nullptr);
    EXPECT_EQ(wizard.view().IsVisible(Control::PukCaption), row.typed_puk != nullptr);
    EXPECT_EQ(wizard.view().TextUtf8(Control::PukField), "");
    // Another SIM word while the user types repeats nothing.
    wizard.Tick(row.sim_word);
    EXPECT_EQ(wizard.view().info_history.size(), 1u);

    wizard.view().SetText(Control::PinField, u"4321");
    if (row.typed_puk != nullptr) wizard.view().SetText(Control::PukField, row.typed_puk);
    wizard.core().OnControl(Control::Next);
    EXPECT_EQ(wizard.TakeOneSent(), row.sent_on_next);
    EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
  }
}

TEST(GotGprs, PinNotNeededEmptiesAndHidesThePinArea) {
  WizardDriver wizard;
  wizard.RunTo(kStateGotGPRS);
  wizard.Tick("SIM PIN NOT NEEDED");
  wizard.Tick(kIdentityReport);
  EXPECT_EQ(wizard.view().TextUtf8(Control::PinField), "");
  for (Control control : {Control::PinField, Control::PinCaption, Control::PinFrame}) {
    EXPECT_FALSE(wizard.view().IsVisible(control)) << ControlName(control);
  }
}

TEST(GprsSet, GprsTestOkCountsAsTheAcknowledgement) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSSet);
  wizard.Tick("SIM READY");
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
  wizard.Tick("GPRSTEST OK");
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSTEST]");
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSTesting);
  EXPECT_FALSE(wizard.view().IsEnabled(Control::Next));
  EXPECT_EQ(wizard.core().Session().gprs_test_tries, 1);
  EXPECT_EQ(wizard.core().Session().reply_timeout, 60000u);
}

TEST(GprsSet, WaitsForTheAcknowledgementWithoutResending) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSSet);
  wizard.Ticks(10);
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
}

TEST(GprsTesting, PassedShowsTheLink) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSTesting);
  const std::size_t before = wizard.LogSize();
  wizard.Tick("GPRSTEST OK");
  EXPECT_EQ(wizard.LogFrom(before), (Lines{"PASSED", "(State GPRSTesting->GPRSPassed)"}));
  EXPECT_FALSE(wizard.view().info.visible);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxLink), "http://www.rodiduz.com/id/AB12CD34");
  EXPECT_EQ(wizard.view().CurrentPage(), kPageDone);
  EXPECT_TRUE(wizard.view().IsEnabled(Control::Next));
}

TEST(GprsTesting, FailedMessageChosenBySimStatus) {
  struct Row {
    const char* name;
    const char* sim_word;  // arrives after the submission; empty: none
    bool pin_refused;
    Lines log;  // after "FAILED GPRS" and the state change
    const char* message;
    bool puk_shown;
    bool operators_shown;
    const char* pin_left;  // what the PIN field holds afterwards (the box's PIN went out)
    Control focused;
    const char* sim_word_before = "";  // arrives before the submission
  };
  const Row rows[] = {
      {"wrong PIN",
       "SIM PIN WRONG",
       true,
       {"FAILED WRONG PIN", "Show Message:Wrong PIN code"},
       "Wrong PIN code",
       false,
       false,
       "",
       Control::PinField},
      {"PUK after a PIN",
       "SIM PUK",
       true,
       {"FAILED PUK", "Show Message:Enter PUK code and new PIN code"},
       "Enter PUK code and new PIN code",
       true,
       false,
       "",
       Control::PukField},
      {"ready",
       "SIM READY",
       false,
       {"Show Message:Connection failed. Please check operator/APN settings and try again"},
       "Connection failed. Please check operator/APN settings and try again",
       false,
       true,
       "1234",
       Control::OperatorList},
      // The APN is what the user can change then, so the operator area is offered.
      {"no SIM word since the submission", "", false, {}, "Unknown SIM error. Try again", false, true, "1234",
       Control::OperatorList},
      {"PIN required", "SIM PIN", false, {}, "Unknown SIM error. Try again", false, true, "1234", Control::PinField},
      // The PIN area was hidden at the submission; the SIM asking since must bring it back.
      {"PIN required after none was needed", "SIM PIN", false, {}, "Unknown SIM error. Try again", false, true, "",
       Control::PinField, "SIM PIN NOT NEEDED"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    wizard.RunTo(kStateGotGPRS);
    if (*row.sim_word_before != '\0') wizard.Tick(row.sim_word_before);
    wizard.Tick(kIdentityReport);
    wizard.Tick("OK");
    wizard.TakeSent();
    ASSERT_EQ(wizard.core().Session().state, kStateGPRSTesting);
    const std::size_t before = wizard.LogSize();
    if (*row.sim_word != '\0') wizard.Tick(row.sim_word);
    const int repaints = wizard.view().repaints;
    wizard.Tick("GPRSTEST FAIL");
    // The SIM's verdict on the PIN is logged when its word arrives, before the test result.
    Lines expected = {"FAILED GPRS", "(State GPRSTesting->WaitUser)"};
    if (row.pin_refused) expected.insert(expected.begin(), "SIM refused the PIN sent");
    expected.insert(expected.end(), row.log.begin(), row.log.end());
    EXPECT_EQ(wizard.LogFrom(before), expected);
    EXPECT_EQ(wizard.view().CurrentPage(), kPageSetup);
    EXPECT_GT(wizard.view().repaints, repaints);
    EXPECT_EQ(NativeToUtf8(wizard.view().info.text), row.message);
    EXPECT_TRUE(wizard.view().info.close_button);
    EXPECT_EQ(wizard.view().IsVisible(Control::PukField), row.puk_shown);
    EXPECT_EQ(wizard.view().IsVisible(Control::PukCaption), row.puk_shown);
    EXPECT_EQ(wizard.view().TextUtf8(Control::PukField), "");
    EXPECT_EQ(wizard.view().IsVisible(Control::OperatorList), row.operators_shown);
    EXPECT_EQ(wizard.view().IsVisible(Control::ApnField), row.operators_shown);
    EXPECT_TRUE(wizard.view().IsVisible(Control::PinField));
    EXPECT_TRUE(wizard.view().IsVisible(Control::PinCaption));
    EXPECT_EQ(wizard.view().TextUtf8(Control::PinField), row.pin_left);
    EXPECT_EQ(wizard.view().focused, row.focused);
    EXPECT_TRUE(wizard.view().IsEnabled(Control::Next));
    EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
  }
}

// Wherever the operator area is shown, the user name and password fields are there only while
// "APN Username/Password provided" is ticked, since only then are they sent.
TEST(GprsTesting, CredentialFieldsFollowTheirCheckBoxWhenTheOperatorAreaIsShown) {
  for (const bool ticked : {false, true}) {
    SCOPED_TRACE(ticked);
    WizardDriver wizard;
    wizard.RunTo(kStateGPRSTesting);
    // While the operator area is hidden, a click on the box shows none of its fields.
    ASSERT_FALSE(wizard.view().IsVisible(Control::OperatorList));
    wizard.core().SetCheckBox(Control::CredentialsGiven, !ticked);
    wizard.core().SetCheckBox(Control::CredentialsGiven, ticked);
    for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
      EXPECT_FALSE(wizard.view().IsVisible(control)) << ControlName(control);
    }
    wizard.Tick("SIM READY");
    wizard.Tick("GPRSTEST FAIL");
    ASSERT_TRUE(wizard.view().IsVisible(Control::OperatorList));
    for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
      EXPECT_EQ(wizard.view().IsVisible(control), ticked) << ControlName(control);
    }
  }
}

TEST(GprsTesting, SilentBoxIsAskedTwiceMoreThenTheUserIsTold) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSTesting);
  wizard.Ticks(599);
  EXPECT_TRUE(wizard.TakeSent().empty());
  wizard.Tick();
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSTEST]");
  EXPECT_EQ(wizard.core().Session().gprs_test_tries, 2);
  EXPECT_EQ(wizard.core().Session().reply_timeout, 15000u);
  wizard.Ticks(149);
  EXPECT_TRUE(wizard.TakeSent().empty());
  const std::size_t before = wizard.LogSize();
  wizard.Tick();
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_EQ(wizard.core().Session().gprs_test_tries, 3);
  EXPECT_EQ(wizard.LogFrom(before),
            Lines{"Show Message:Oops - something went wrong. Try reconnecting the box"});
  EXPECT_EQ(NativeToUtf8(wizard.view().info.text), "Oops - something went wrong. Try reconnecting the box");
  EXPECT_TRUE(wizard.view().info.close_button);
  EXPECT_FALSE(wizard.view().Running(WizardTimer::kInfoDots));
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSTesting);
  // A late answer still counts.
  wizard.Ticks(50);
  wizard.Tick("GPRSTEST OK");
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSPassed);
}

TEST(WaitUser, SimPromptOnceAfterAFailedTest) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSTesting);
  wizard.Tick("GPRSTEST FAIL");
  ASSERT_EQ(wizard.core().Session().state, kStateWaitUser);
  wizard.view().SetVisible(Control::PinField, false);
  wizard.Tick("SIM PIN WRONG");
  EXPECT_TRUE(wizard.Logged("Show Message:Enter correct PIN code"));
  EXPECT_FALSE(wizard.core().Session().sim_prompt_armed);
  // The page offers the field the prompt asks for.
  EXPECT_TRUE(wizard.view().IsVisible(Control::PinField));
  EXPECT_EQ(wizard.view().focused, Control::PinField);
  const std::size_t before = wizard.LogSize();
  wizard.Tick("SIM PUK");
  EXPECT_EQ(wizard.LogSize(), before);
  EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
}

TEST(Unplug, ResetsInEveryStateButInitSearchingFoundAndPassed) {
  for (std::uint32_t state = 0; state <= 14; ++state) {
    SCOPED_TRACE(state);
    WizardDriver wizard;
    PortDirOverride no_ports(wizard.fixture().folder().Path());
    wizard.core().Session().state = state;
    wizard.core().Channel().port_open = false;
    wizard.core().Session().reply_timeout = 0;
    wizard.core().Session().sim_status = kSimWrongPin;
    wizard.view().SetCaption(Control::StatusLine, u"status");
    const bool resets =
        state != kStateInit && state != kStateSearching && state != kStateFound && state != kStateGPRSPassed;
    wizard.Tick();
    if (resets) {
      EXPECT_EQ(wizard.core().Session().state, kStateInit);
      EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "");
      EXPECT_EQ(wizard.core().Session().sim_status, kSimReady);
    } else {
      EXPECT_EQ(wizard.core().Session().state, state);
      EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "status");
    }
  }
}

TEST(Unplug, ResetOfTheWizardMidRun) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSSet);
  wizard.view().SetEnabled(Control::Next, false);
  wizard.view().SetVisible(Control::PukField, true);
  wizard.view().SetVisible(Control::PukCaption, true);
  wizard.core().Session().sim_prompt_armed = false;
  const auto info = wizard.view().info;
  wizard.core().Channel().port_open = false;
  // The box's last words, still waiting when the wizard sees the port closed.
  wizard.core().Channel().AddMessage(kIdentityReport);
  const std::size_t before = wizard.LogSize();
  wizard.Tick();
  EXPECT_EQ(wizard.LogFrom(before), Lines{"(State GPRSSet->Init)"});
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::WelcomeHeadline), "Welcome. Press start to begin");
  EXPECT_EQ(wizard.view().CurrentPage(), kPageWelcome);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxIdLine), "Box ID:");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::SignalLine), "Signal Strength:");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxTypeLine), "Box Type: ");
  EXPECT_TRUE(wizard.view().IsEnabled(Control::Next));
  EXPECT_FALSE(wizard.view().IsVisible(Control::PukField));
  EXPECT_FALSE(wizard.view().IsVisible(Control::PukCaption));
  EXPECT_FALSE(wizard.view().IsVisible(Control::LadderSearching));
  EXPECT_FALSE(wizard.view().IsVisible(Control::LadderStartupHeading));
  EXPECT_TRUE(wizard.core().Session().sim_prompt_armed);
  EXPECT_EQ(wizard.core().Channel().WaitingMessages(), 0u);
  // What the box reported stays; the message window ("Testing GPRS settings", which has no
  // Close button) goes with the run.
  EXPECT_EQ(wizard.core().Session().report.id, "AB12CD34");
  ASSERT_TRUE(info.visible);
  EXPECT_FALSE(wizard.view().info.visible);
}

TEST(Unplug, InGprsPassedKeepsTheLinkPage) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSPassed);
  wizard.core().Channel().port_open = false;
  wizard.Ticks(3);
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSPassed);
  EXPECT_EQ(wizard.view().CurrentPage(), kPageDone);
}

}  // namespace

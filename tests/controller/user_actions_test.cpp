// Start, Restart, Next and the GPRS settings submission, with the refusals of unsendable settings.
#include <gtest/gtest.h>

#include "wizard_driver.h"

namespace {

using Lines = std::vector<std::string>;

// The settings page filled in by hand.
void FillSettings(RecordingView& view, const NativeString& apn, const NativeString& user,
                  const NativeString& password, const NativeString& pin, bool full_form) {
  view.SetText(Control::ApnField, apn);
  view.SetText(Control::UserField, user);
  view.SetText(Control::PasswordField, password);
  view.SetText(Control::PinField, pin);
  view.SetChecked(Control::CredentialsGiven, full_form);
}

TEST(Start, LogsAndBeginsTheSearch) {
  WizardDriver wizard;
  wizard.view().ShowInfo(u"old", true);
  wizard.Start();
  EXPECT_FALSE(wizard.view().info.visible);
  EXPECT_EQ(wizard.LogFrom(0), (Lines{"==== NEW ====", "(State Init->Searching)"}));
  EXPECT_EQ(wizard.view().CurrentPage(), kPageCommunicating);
  EXPECT_TRUE(wizard.TakeSent().empty());
  EXPECT_EQ(wizard.core().Session().reply_timeout, 100u);
}

TEST(Start, AfterTheNoSimStopQueuesAGprsTestWithoutTimeOut) {
  WizardDriver wizard;
  wizard.RunTo(kStateConnected);
  wizard.Tick("NO SIM");
  ASSERT_EQ(wizard.core().Session().state, kStateInit);
  wizard.Start();
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSTEST]");
  EXPECT_EQ(wizard.core().Session().reply_timeout, 0u);
  EXPECT_EQ(wizard.core().Session().sim_status, kSimReady);
  EXPECT_EQ(wizard.core().Session().state, kStateSearching);
}

TEST(Start, FromAnyStateKeepsWhatTheBoxReported) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSPassed);
  wizard.Start();
  EXPECT_EQ(wizard.core().Session().state, kStateSearching);
  EXPECT_EQ(wizard.core().Session().report.id, "AB12CD34");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxIdLine), "Box ID: AB12CD34");
}

TEST(Restart, SetsTheWelcomeStateButLeavesStatusAndLadder) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSPassed);
  wizard.view().SetCaption(Control::StatusLine, u"status");
  wizard.view().SetVisible(Control::PukField, true);
  wizard.view().SetVisible(Control::PukCaption, true);
  wizard.view().SetEnabled(Control::Next, false);
  const std::int32_t level = wizard.core().Presenter().ShownLevel();
  wizard.core().Session().sim_prompt_armed = false;
  wizard.core().OnControl(Control::Restart);
  EXPECT_EQ(wizard.core().Session().state, kStateInit);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::WelcomeHeadline), "Welcome. Press start to begin");
  EXPECT_EQ(wizard.view().CurrentPage(), kPageWelcome);
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxIdLine), "Box ID:");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::SignalLine), "Signal Strength:");
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::BoxTypeLine), "Box Type: ");
  EXPECT_FALSE(wizard.view().IsVisible(Control::PukField));
  EXPECT_FALSE(wizard.view().IsVisible(Control::PukCaption));
  EXPECT_EQ(wizard.view().CaptionUtf8(Control::StatusLine), "status");
  EXPECT_FALSE(wizard.view().IsEnabled(Control::Next));
  EXPECT_EQ(wizard.core().Presenter().ShownLevel(), level);
  EXPECT_FALSE(wizard.core().Session().sim_prompt_armed);
}

TEST(TestGprs, CommandForms) {
  struct Row {
    const char* name;
    NativeString apn, user, password, pin;
    bool full_form;
    bool puk_shown;
    NativeString puk;
    std::string command;
  };
  const Row rows[] = {
      {"full form", u"web", u"me", u"pw", u"1234", true, false, u"",
       "[GPRSSET APN:web USER:me PW:pw PIN:1234]"},
      {"short form hides typed user and password", u"web", u"me", u"pw", u"1234", false, false, u"",
       "[GPRSSET APN:web USER: PW: PIN:1234]"},
      {"no PIN typed: four spaces", u"web", u"", u"", u"    ", false, false, u"",
       "[GPRSSET APN:web USER: PW: PIN:    ]"},
      {"empty APN is sent", u"", u"", u"", u"  12", false, false, u"", "[GPRSSET APN: USER: PW: PIN:  12]"},
      {"PUK with the new PIN", u"web", u"", u"", u"4321", false, true, u"12345678",
       "[SIMPUK PUK:12345678]\r\n\r\n[GPRSSET APN:web USER: PW: PIN:4321]"},
      {"hidden PUK is not sent", u"web", u"", u"", u"1234", false, false, u"12345678",
       "[GPRSSET APN:web USER: PW: PIN:1234]"},
      {"8-bit conversion of each field", u"caf\u00e9", u"J\u00f6rg", u"p\u00fc", u"1234", true, false, u"",
       "[GPRSSET APN:caf\xE9 USER:J\xF6rg PW:p\xFC PIN:1234]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    FillSettings(wizard.view(), row.apn, row.user, row.password, row.pin, row.full_form);
    wizard.view().SetVisible(Control::PukField, row.puk_shown);
    wizard.view().SetText(Control::PukField, row.puk);
    wizard.core().Session().SubmitSettings();
    EXPECT_EQ(wizard.TakeOneSent(), row.command);
    EXPECT_EQ(wizard.core().Session().reply_timeout, 500u);
    EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
    EXPECT_EQ(wizard.core().Session().sim_status, kSimResultPending);
    EXPECT_EQ(NativeToUtf8(wizard.view().info.text), "Testing GPRS settings");
    EXPECT_FALSE(wizard.view().info.close_button);
    EXPECT_TRUE(wizard.view().Running(WizardTimer::kInfoDots));
  }
}

TEST(TestGprs, NinetySevenCharactersGoOut) {
  WizardDriver wizard;
  // 33 characters of keys and brackets leave 64 for the values.
  FillSettings(wizard.view(), AnsiToNative(std::string(64, 'a')), u"", u"", u"1234", false);
  wizard.core().Session().SubmitSettings();
  const std::string sent = wizard.TakeOneSent();
  EXPECT_EQ(sent.size(), 97u);
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
}

// Nothing goes out that would store values nobody typed or spend a SIM try on a code that
// cannot be right; the run stays where it was and the user is told which field to change.
TEST(TestGprs, RefusesUnsendableSettingsWithoutChangingAnything) {
  struct Row {
    const char* name;
    const char* sim_word;  // the SIM's word before the failed test
    NativeString apn, user, password, pin;
    bool full_form;
    bool puk_shown;
    NativeString puk;
    const char* message;
    Control focused = Control::Next;  // a SIM code's field takes the focus
  };
  const char* too_long = "The settings are too long. Please shorten the APN, username or password";
  const char* pin_shape = "The PIN code must have 4 digits. Please enter the PIN code";
  const char* puk_shape = "The PUK code must have 8 digits. Please enter the PUK code";
  const Row rows[] = {
      {"98 characters", "SIM READY", AnsiToNative(std::string(65, 'a')), u"", u"", u"1234", false, false, u"",
       too_long},
      {"user and password add up", "SIM READY", AnsiToNative(std::string(30, 'a')),
       AnsiToNative(std::string(20, 'u')), AnsiToNative(std::string(15, 'p')), u"1234", true, false, u"", too_long},
      {"the PUK prefix counts", "SIM PUK", AnsiToNative(std::string(40, 'a')), u"", u"", u"1234", false, true,
       u"12345678", too_long},
      {"pasted line break in the APN", "SIM READY", u"web\r\n", u"", u"", u"1234", false, false, u"",
       "The APN contains a control character, which cannot be sent. Please change the APN"},
      {"tab in the password", "SIM READY", u"web", u"me", u"p\tw", u"1234", true, false, u"",
       "The password contains a control character, which cannot be sent. Please change the password"},
      {"DEL in the username", "SIM READY", u"web", u"me\u007f", u"", u"1234", true, false, u"",
       "The username contains the character DEL, which cannot be sent. Please change the username"},
      {"closing bracket in the APN", "SIM READY", u"web]", u"", u"", u"1234", false, false, u"",
       "The APN contains \"]\", which cannot be sent. Please change the APN"},
      {"opening bracket in the password", "SIM READY", u"web", u"me", u"[GPRSTEST]", u"1234", true, false, u"",
       "The password contains \"[\", which cannot be sent. Please change the password"},
      {"user key word in the APN", "SIM READY", u"web USER:evil", u"", u"", u"1234", false, false, u"",
       "The APN contains \"USER:\", which cannot be sent. Please change the APN"},
      {"key word without a space", "SIM READY", u"web", u"PW:evil", u"secret", u"1234", true, false, u"",
       "The username contains \"PW:\", which cannot be sent. Please change the username"},
      {"PIN key word in the password", "SIM READY", u"web", u"me", u"p pin:0000", u"1234", true, false, u"",
       "The password contains \"PIN:\", which cannot be sent. Please change the password"},
      {"a letter without an 8-bit form", "SIM READY", u"web", u"\u0141ukasz", u"", u"1234", true, false, u"",
       "The username contains a character the box cannot take, which cannot be sent. Please change the "
       "username"},
      {"first field named first", "SIM READY", u"web]", u"me]", u"", u"1234", true, false, u"",
       "The APN contains \"]\", which cannot be sent. Please change the APN"},
      {"PUK entry empty", "SIM PUK", u"web", u"", u"", u"4321", false, true, u"", puk_shape, Control::PukField},
      {"PUK of 7 digits", "SIM PUK", u"web", u"", u"", u"4321", false, true, u"1234567", puk_shape,
       Control::PukField},
      {"PUK of 14 characters", "SIM PUK", u"web", u"", u"", u"4321", false, true, u"12345678901234", puk_shape,
       Control::PukField},
      {"line feed in the PUK", "SIM PUK", u"web", u"", u"", u"4321", false, true, u"1234567\n", puk_shape,
       Control::PukField},
      {"new PIN of 2 digits", "SIM PUK", u"web", u"", u"", u"  43", false, true, u"12345678", pin_shape,
       Control::PinField},
      {"no PIN while the SIM wants one", "SIM PIN", u"web", u"", u"", u"    ", false, false, u"", pin_shape,
       Control::PinField},
      {"3 digits after a wrong PIN", "SIM PIN WRONG", u"web", u"", u"", u" 123", false, false, u"", pin_shape,
       Control::PinField},
      {"the PIN the SIM refused", "SIM PIN WRONG", u"web", u"", u"", u"1234", false, false, u"",
       "The SIM card has refused this PIN code already. Please enter the correct PIN code", Control::PinField},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    wizard.RunTo(kStateGPRSTesting);  // the box's PIN 1234 went out
    wizard.Tick(row.sim_word);
    wizard.Tick("GPRSTEST FAIL");
    ASSERT_EQ(wizard.core().Session().state, kStateWaitUser);
    const std::int32_t sim_status = wizard.core().Session().sim_status;
    FillSettings(wizard.view(), row.apn, row.user, row.password, row.pin, row.full_form);
    wizard.view().SetVisible(Control::PukField, row.puk_shown);
    wizard.view().SetText(Control::PukField, row.puk);
    wizard.view().SetFocus(Control::Next);
    wizard.core().Session().reply_timeout = 0;
    const std::size_t before = wizard.LogSize();
    wizard.core().OnControl(Control::Next);
    EXPECT_TRUE(wizard.TakeSent().empty());
    EXPECT_EQ(wizard.core().Session().reply_timeout, 0u);
    EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
    EXPECT_EQ(wizard.core().Session().sim_status, sim_status);
    EXPECT_EQ(wizard.LogFrom(before), Lines{std::string("Show Message:") + row.message});
    EXPECT_EQ(NativeToUtf8(wizard.view().info.text), row.message);
    EXPECT_TRUE(wizard.view().info.close_button);
    EXPECT_FALSE(wizard.view().Running(WizardTimer::kInfoDots));
    EXPECT_EQ(wizard.view().focused, row.focused);
  }
}

// A PIN the SIM wants must fill the field, but one sent while the SIM is ready goes as before;
// and the new PIN given with a PUK replaces the SIM's PIN, so one it refused may be chosen.
TEST(TestGprs, CodesTheSimDoesNotJudgeGoOut) {
  struct Row {
    const char* name;
    const char* sim_word;
    NativeString pin;
    const char16_t* puk;  // nullptr: no PUK entry
    std::string command;
  };
  const Row rows[] = {
      {"short PIN while the SIM is ready", "SIM READY", u"  12", nullptr, "[GPRSSET APN:web USER: PW: PIN:  12]"},
      {"no PIN when none is needed", "SIM PIN NOT NEEDED", u"    ", nullptr,
       "[GPRSSET APN:web USER: PW: PIN:    ]"},
      {"a refused PIN as the new PIN", "SIM PUK", u"1234", u"12345678",
       "[SIMPUK PUK:12345678]\r\n\r\n[GPRSSET APN:web USER: PW: PIN:1234]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    wizard.RunTo(kStateGPRSTesting);
    wizard.Tick(row.sim_word);
    wizard.Tick("GPRSTEST FAIL");
    FillSettings(wizard.view(), u"web", u"", u"", row.pin, false);
    wizard.view().SetVisible(Control::PukField, row.puk != nullptr);
    if (row.puk != nullptr) wizard.view().SetText(Control::PukField, row.puk);
    wizard.core().OnControl(Control::Next);
    EXPECT_EQ(wizard.TakeOneSent(), row.command);
  }
}

TEST(TestGprs, ShortFormIgnoresWhatTheHiddenFieldsHold) {
  WizardDriver wizard;
  FillSettings(wizard.view(), u"web", u"line\r\nbreak [x] PIN:0", AnsiToNative(std::string(80, 'p')), u"1234",
               false);
  wizard.core().Session().SubmitSettings();
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:web USER: PW: PIN:1234]");
}

// The first submission sends the box's own settings, or the catalogue's first operator, without
// the user: the same checks hold for them, and a refusal leaves the user on the settings page.
TEST(TestGprs, FirstSubmissionRefusedShowsTheSettingsPage) {
  struct Row {
    const char* name;
    const char* catalogue;
    std::string settings_report;
    const char* message;
  };
  const Row rows[] = {
      {"the box's settings too long", "", "APN:" + std::string(70, 'x') + " USER: PW: PIN:1234 IMEI:1",
       "The settings are too long. Please shorten the APN, username or password"},
      {"a key word in the box's APN", "", "APN:web.user:x USER: PW: PIN:1234 IMEI:1",
       "The APN contains \"USER:\", which cannot be sent. Please change the APN"},
      {"a key word in the catalogue's user name", "Evil;262;1;web;pin:0000;secret;DE\n",
       "APN:unknown USER: PW: PIN:1234 IMEI:1",
       "The username contains \"PIN:\", which cannot be sent. Please change the username"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard(row.catalogue);
    wizard.RunTo(kStateGotPLMN);
    wizard.Tick(row.settings_report);
    ASSERT_EQ(wizard.core().Session().state, kStateGotGPRS);
    wizard.TakeSent();
    wizard.Tick(kIdentityReport);
    EXPECT_TRUE(wizard.TakeSent().empty());
    EXPECT_EQ(wizard.core().Session().state, kStateWaitUser);
    EXPECT_EQ(wizard.view().CurrentPage(), kPageSetup);
    EXPECT_TRUE(wizard.view().IsVisible(Control::ApnField));
    EXPECT_TRUE(wizard.view().IsEnabled(Control::Next));
    EXPECT_TRUE(wizard.Logged(std::string("Show Message:") + row.message));
    // Corrected by the user, Next submits.
    FillSettings(wizard.view(), u"short.apn", u"", u"", u"1234", false);
    wizard.core().OnControl(Control::Next);
    EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:short.apn USER: PW: PIN:1234]");
    EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
  }
}

TEST(Next, WhileTheFirstCommandWaitsOnlyStateAndMessageAreSetAgain) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSSet);
  // Put the first command back, as if the pump had not taken it yet.
  wizard.core().Session().SendToBox("[GPRSSET APN:first USER: PW: PIN:    ]", 500);
  wizard.core().Session().sim_status = kSimReady;
  wizard.view().SetText(Control::ApnField, u"second");
  wizard.view().HideInfo();
  const std::size_t before = wizard.LogSize();
  wizard.core().OnControl(Control::Next);
  EXPECT_EQ(wizard.core().Session().sim_status, kSimResultPending);
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSSet);
  EXPECT_EQ(wizard.LogSize(), before);
  EXPECT_TRUE(wizard.view().info.visible);
  EXPECT_EQ(wizard.TakeSent(), Lines{"[GPRSSET APN:first USER: PW: PIN:    ]"});
  // Once the slot is free, the next Next goes out.
  wizard.core().OnControl(Control::Next);
  EXPECT_EQ(wizard.TakeOneSent().rfind("[GPRSSET APN:second", 0), 0u);
}

TEST(Next, AfterAFailedTestSubmitsAgainAndTheRunCanPass) {
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSTesting);
  wizard.Tick("GPRSTEST FAIL");
  wizard.view().SetText(Control::ApnField, u"fixed.apn");
  wizard.core().OnControl(Control::Next);
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSSET APN:fixed.apn USER:boxuser PW:boxpw PIN:1234]");
  wizard.Tick("OK");
  EXPECT_EQ(wizard.TakeOneSent(), "[GPRSTEST]");
  wizard.Tick("GPRSTEST OK");
  EXPECT_EQ(wizard.core().Session().state, kStateGPRSPassed);
}

// In German the window gets German texts, a box's values and a field's part in their places, as
// Unicode; the log keeps each message in English.
TEST(UserLanguage, AGermanWizardShowsGermanAndLogsEnglish) {
  WizardDriver wizard("", "de");
  wizard.RunTo(kStateGPRSTesting);
  EXPECT_EQ(NativeToUtf8(wizard.view().Caption(Control::SignalLine)), "Signalstärke: gut");
  EXPECT_EQ(NativeToUtf8(wizard.view().Caption(Control::BoxIdLine)), "Box-ID: AB12CD34");
  EXPECT_EQ(NativeToUtf8(wizard.view().Caption(Control::BoxTypeLine)), "Box-Typ: GSM");
  EXPECT_EQ(NativeToUtf8(wizard.view().info.text), "GPRS-Einstellungen werden getestet");
  wizard.core().Session().sim_status = kSimReady;
  wizard.Tick("GPRSTEST FAIL");
  EXPECT_EQ(NativeToUtf8(wizard.view().info.text),
            "Verbindung fehlgeschlagen. Bitte prüfen Sie Netzbetreiber und APN-Einstellungen und versuchen Sie es erneut");
  EXPECT_TRUE(wizard.Logged("Show Message:Connection failed. Please check operator/APN settings and try again"));

  wizard.view().SetText(Control::ApnField, u"web]");
  wizard.core().OnControl(Control::Next);
  EXPECT_EQ(NativeToUtf8(wizard.view().info.text),
            "Der APN enthält „]“, das nicht gesendet werden kann. Bitte ändern Sie den APN");
  EXPECT_TRUE(wizard.Logged("Show Message:The APN contains \"]\", which cannot be sent. Please change the APN"));
  EXPECT_EQ(NativeToUtf8(wizard.view().OperatorText(0)), "(aktuelle Einstellungen der Box)");
}

}  // namespace

// The setup state machine: one step per DeviceTimer tick, and the state changes it makes.
#include <array>
#include <optional>

#include "controller/box_protocol.h"
#include "controller/main_form.h"
#include "controller/pin_digits.h"

namespace bp = box_protocol;

// What this tick's message turned out to be; nothing survives the tick.
struct TForm1::TickFlags {
  bool timed_out = false;
  bool sim_word_seen = false;
  bool network_report_seen = false;
  bool identity_report_seen = false;
  bool settings_report_seen = false;
};

namespace {

constexpr std::array<const char*, 15> kCommStateNames = {
    "Init",    "Searching", "Found",    "Connected", "Disconnected", "Ready",      "Unlocked",   "GotQR",
    "GotPLMN", "GotGPRS",   "WaitUser", "GPRSSet",   "GPRSTesting",  "GPRSPassed", "GPRSFailed",
};

constexpr std::uint32_t kReplyTimeout = 500;
constexpr std::uint32_t kConnectTimeout = 7000;
constexpr unsigned kLadderPause = 200;
// The box's own test can take most of a minute; retries come quicker.
constexpr std::uint32_t kFirstGprsTestTimeout = 60000;
constexpr std::uint32_t kGprsTestRetryTimeout = 15000;
constexpr std::int32_t kGprsTestMaxTries = 3;

constexpr const char* kEnterPin = "Enter PIN code";
constexpr const char* kEnterCorrectPin = "Enter correct PIN code";
constexpr const char* kEnterPukAndNewPin = "Enter PUK code and new PIN code";

// How long a search may go without a box before the status line says so.
constexpr std::uint32_t kSearchNoticeDelay = 10000;
constexpr const char* kNoBoxYet = "No box found yet. Check that it is plugged in";
constexpr const char* kNoUsbLibrary = "Cannot search: the USB library could not be loaded";

const char* SignalStrengthText(std::int32_t mcc, std::int32_t mnc, std::int32_t rssi) {
  if (mcc == 0 || mnc == 0) return "Signal Strength: Unknown";
  if (rssi > -60) return "Signal Strength: Excellent";
  if (rssi >= -72) return "Signal Strength: Good";
  if (rssi >= -84) return "Signal Strength: Okay";
  if (rssi >= -99) return "Signal Strength: Poor";
  return "Signal Strength: Bad";
}

// Restarts DeviceTimer when the tick ends, also when a handler throws: a tick that escapes
// with an error must not leave the wizard without its timer.
class DeviceTimerRestart {
 public:
  explicit DeviceTimerRestart(FormView& view) : view_(view) {}
  ~DeviceTimerRestart() { view_.SetTimerEnabled(FormTimer::DeviceTimer, true); }
  DeviceTimerRestart(const DeviceTimerRestart&) = delete;
  DeviceTimerRestart& operator=(const DeviceTimerRestart&) = delete;

 private:
  FormView& view_;
};

}  // namespace

void TForm1::OnTick() {
  view_.SetTimerEnabled(FormTimer::DeviceTimer, false);
  const DeviceTimerRestart restart(view_);
  TickFlags flags;

  if (!PortOpen.load() && CommState != kStateInit && CommState != kStateSearching &&
      CommState != kStateFound && CommState != kStateGPRSPassed) {
    ResetWizard();
  }

  const AnsiString message = GetFromDutRecvList();

  if (const auto status = bp::ClassifySimWord(message)) {
    SimStatus = *status;
    SimLastWord = *status;
    flags.sim_word_seen = true;
    LogSimVerdict(RefusedCodes.SimWordArrived(*status));
  }
  if (Contains(message, bp::kNetworkReportKey)) {
    ParsePLMN(message);
    flags.network_report_seen = true;
    SetLabel(Control::SignalLine, SignalStrengthText(Mcc, Mnc, Rssi));
  }
  if (Contains(message, bp::kIdentityReportKey)) {
    ParseQr(message);
    SetLabel(Control::BoxIdLine, "Box ID: " + BoxId);
    if (BoxHw.starts_with("014")) SetLabel(Control::BoxTypeLine, "Box Type: GSM");
    flags.identity_report_seen = true;
  }
  if (Contains(message, bp::kSettingsReportKey)) {
    ParseAPN(message);
    flags.settings_report_seen = true;
  }

  if (ReplyTimeout != 0) {
    ReplyTimeout = ReplyTimeout > kDeviceTimerInterval ? ReplyTimeout - kDeviceTimerInterval : 0;
    flags.timed_out = ReplyTimeout == 0;
  }

  PerformStateAction(message, flags);
}

void TForm1::PerformStateAction(const AnsiString& message, const TickFlags& flags) {
  switch (CommState) {
    case kStateSearching: {
      const std::int32_t number = FindDeviceAndGetCommNumber();
      if (number >= 1) {
        ChangeCommState(kStateFound);
        CommNumber = number;
        ReplyTimeout = kConnectTimeout;
        LabelVisibleLevel(1);
        if (SearchNoticeShown) SetStatusLine("");
        SearchNoticeShown = false;
      } else {
        CountSearchTimeWithoutBox();
      }
      break;
    }
    case kStateFound:
      if (PortOpen.load()) {
        ChangeCommState(kStateConnected);
        LabelVisibleLevel(2);
        Pause(kLadderPause);
        LabelVisibleLevel(3);
      } else {
        ClearDutRecvList();
        // A close event between the open and this tick took the port's number with it; port 0
        // never opens, so the box is looked for again rather than the wizard failing for good.
        if (CommNumber.load() == 0) {
          const std::int32_t number = FindDeviceAndGetCommNumber();
          if (number >= 1) CommNumber = number;
        }
        OpenCommPort();
      }
      // The attempts go on; the status line only tells the user that they are failing.
      if (flags.timed_out) SetStatusLine("Can't connect to the box");
      break;
    case kStateConnected:
      if (Contains(message, bp::kIdentityReportKey)) {
        LabelVisibleLevel(4);
        Pause(kLadderPause);
        LabelVisibleLevel(5);
      }
      if (SimStatus == kSimMissing) {
        StopForMissingSim();
      } else if (flags.sim_word_seen && SimStatus == kSimPukRequired) {
        view_.SetText(Control::PukField, u"");
        view_.SetVisible(Control::PukField, true);
        view_.SetVisible(Control::PukCaption, true);
      } else if (Contains(message, bp::kCommReady)) {
        SendDut(AnsiString(bp::kUnlock), kReplyTimeout);
        ChangeCommState(kStateReady);
        LabelVisibleLevel(6);
        SetOperatorAreaVisible(false);
      }
      break;
    case kStateReady:
      if (flags.network_report_seen && SimStatus == kSimMissing) {
        StopForMissingSim();
      } else if (flags.network_report_seen) {
        // A report before the unlock answer: wait for "UNLOCKED".
      } else if (Contains(message, bp::kUnlocked)) {
        SendDut(AnsiString(bp::kPlmnGet), kReplyTimeout);
        ChangeCommState(kStateUnlocked);
      } else if (flags.timed_out) {
        SendDut(AnsiString(bp::kUnlock), kReplyTimeout);
      }
      break;
    case kStateUnlocked:
      if (flags.network_report_seen && SimStatus == kSimMissing) {
        StopForMissingSim();
      } else if (flags.network_report_seen) {
        SendDut(AnsiString(bp::kGprsGet), kReplyTimeout);
        ChangeCommState(kStateGotPLMN);
      } else if (flags.timed_out) {
        SendDut(AnsiString(bp::kPlmnGet), kReplyTimeout);
      }
      break;
    case kStateGotPLMN:
      if (flags.settings_report_seen) {
        SendDut(AnsiString(bp::kQrGet), kReplyTimeout);
        ChangeCommState(kStateGotGPRS);
        SimPromptArmed = true;
      } else if (Contains(message, bp::kOk) || Contains(message, bp::kCommReady)) {
        // The box is talking; give it this tick.
      } else {
        SendDut(AnsiString(bp::kGprsGet), kReplyTimeout);
      }
      break;
    case kStateGotGPRS:
      if (flags.identity_report_seen) {
        PrepareSettingsAndSubmit();
      } else if (flags.timed_out) {
        SendDut(AnsiString(bp::kQrGet), kReplyTimeout);
      }
      break;
    case kStateWaitUser:
      // The page must offer the field for the code asked for, or the user could not give it.
      if (flags.sim_word_seen && SimPromptArmed && SimStatus == kSimWrongPin) {
        ShowAndLogMessage(kEnterCorrectPin);
        SimPromptArmed = false;
        AskForSimCode();
      } else if (flags.sim_word_seen && SimPromptArmed && SimStatus == kSimPukRequired) {
        ShowAndLogMessage(kEnterPukAndNewPin);
        SimPromptArmed = false;
        AskForSimCode();
      }
      break;
    case kStateGPRSSet:
      if (Contains(message, bp::kOk)) {
        SendDut(AnsiString(bp::kGprsTest), kFirstGprsTestTimeout);
        GprsTestTries = 1;
        ChangeCommState(kStateGPRSTesting);
        view_.SetEnabled(Control::Next, false);
      }
      break;
    case kStateGPRSTesting:
      if (Contains(message, bp::kGprsTestOk)) {
        TestPassed();
      } else if (Contains(message, bp::kGprsTestFail)) {
        TestFailed();
      } else if (flags.timed_out) {
        ++GprsTestTries;
        if (GprsTestTries >= kGprsTestMaxTries) {
          ShowAndLogMessage("Oops - something went wrong. Try reconnecting the box");
        } else {
          SendDut(AnsiString(bp::kGprsTest), kGprsTestRetryTimeout);
        }
      }
      break;
    default:
      // Init and GPRSPassed wait for the user; 4, 7 and 14 are never entered.
      break;
  }
}

void TForm1::PrepareSettingsAndSubmit() {
  const std::optional<AnsiString> question = FirstSubmissionQuestion();
  if (question) ShowAndLogMessage(*question);
  SetCheckBox(Control::ShowAllOperators, false);
  for (Control edit : {Control::ApnField, Control::UserField, Control::PasswordField, Control::PukField, Control::PinField}) {
    view_.SetText(edit, u"");
  }
  UpdateApnList(true, Mcc == 0);
  if (SimStatus != kSimPinNotNeeded) {
    view_.SetText(Control::PinField, question ? NativeString() : AnsiToNative(BoxPin));
    SetPinAreaVisible(true);
  } else {
    view_.SetText(Control::PinField, u"");
    SetPinAreaVisible(false);
  }
  ChangeCommState(kStateWaitUser);
  if (question) {
    // The prompt has been shown; the box's next SIM word does not repeat it.
    SimPromptArmed = false;
    AskForSimCode();
    return;
  }
  SimPromptArmed = true;
  // A PUK entry shown for an earlier "SIM PUK" holds no PUK now (emptied above), and the SIM
  // has said since that it wants none: an empty PUK must not go out without the user.
  view_.SetVisible(Control::PukField, false);
  view_.SetVisible(Control::PukCaption, false);
  TestGprs();
  if (CommState != kStateGPRSSet) {
    // The settings were refused before anything was sent: the user has to change them, and
    // can only do so on the settings page.
    view_.ShowPage(kPageSetup);
    view_.RepaintNotebook();
    SetOperatorAreaVisible(true);
  }
}

std::optional<AnsiString> TForm1::FirstSubmissionQuestion() const {
  // A PIN the SIM refused, or any PIN while it wants its PUK, would cost one of its few tries.
  if (SimStatus == kSimWrongPin) return kEnterCorrectPin;
  if (SimStatus == kSimPukRequired) return kEnterPukAndNewPin;
  if (SimStatus == kSimPinNotNeeded) return std::nullopt;
  // The field keeps four digits of the stored PIN: a longer one would go out cut, and be wrong.
  PinDigits stored;
  stored.Assign(AnsiToNative(BoxPin));
  const AnsiString stored_pin = NativeToAnsi(stored.Digits());
  if (!stored_pin.empty() && RefusedCodes.PinRefused(BoxId, stored_pin)) return kEnterCorrectPin;
  if (SimStatus == kSimPinRequired && !bp::IsDigits(BoxPin, bp::kPinFieldDigits)) return kEnterPin;
  return std::nullopt;
}

void TForm1::TestPassed() {
  LogLine("PASSED");
  view_.HideInfo();
  ChangeCommState(kStateGPRSPassed);
  ShowBoxLink();
  view_.ShowPage(kPageDone);
  view_.SetEnabled(Control::Next, true);
}

void TForm1::TestFailed() {
  view_.ShowPage(kPageSetup);
  view_.RepaintNotebook();
  LogLine("FAILED GPRS");
  ChangeCommState(kStateWaitUser);
  switch (SimStatus) {
    case kSimWrongPin:
      LogLine("FAILED WRONG PIN");
      ShowAndLogMessage("Wrong PIN code");
      // The refused PIN must not go out again with a plain Next.
      view_.SetText(Control::PinField, u"");
      SetPinAreaVisible(true);
      view_.SetFocus(Control::PinField);
      break;
    case kSimPukRequired:
      LogLine("FAILED PUK");
      ShowAndLogMessage(kEnterPukAndNewPin);
      // A refused PUK is cleared like a refused PIN; so is a PIN that used up the last try, as
      // it is no new PIN the user chose.
      if (!view_.IsVisible(Control::PukField)) view_.SetText(Control::PinField, u"");
      view_.SetText(Control::PukField, u"");
      SetPinAreaVisible(true);
      view_.SetVisible(Control::PukCaption, true);
      view_.SetVisible(Control::PukField, true);
      view_.SetFocus(Control::PukField);
      break;
    case kSimReady:
      ShowAndLogMessage("Connection failed. Please check operator/APN settings and try again");
      SetOperatorAreaVisible(true);
      view_.SetFocus(Control::OperatorList);
      break;
    default:
      // Whatever failed, the APN is the one thing the user can change here, and the PIN when
      // the SIM last asked for one.
      ShowMessage("Unknown SIM error. Try again");
      SetOperatorAreaVisible(true);
      if (SimAsksForPin()) SetPinAreaVisible(true);
      view_.SetFocus(SimAsksForPin() ? Control::PinField : Control::OperatorList);
      break;
  }
  view_.SetEnabled(Control::Next, true);
}

void TForm1::AskForSimCode() {
  view_.ShowPage(kPageSetup);
  view_.RepaintNotebook();
  SetPinAreaVisible(true);
  SetOperatorAreaVisible(true);
  if (SimStatus == kSimPukRequired) {
    ShowPukEntry();
    view_.SetFocus(Control::PukField);
  } else {
    // A PUK entry left from an earlier "SIM PUK" would send a PUK the SIM does not want.
    view_.SetVisible(Control::PukField, false);
    view_.SetVisible(Control::PukCaption, false);
    view_.SetFocus(Control::PinField);
  }
  view_.SetEnabled(Control::Next, true);
}

// A hidden PUK entry's text was never sent and may be stale: it is shown empty.
void TForm1::ShowPukEntry() {
  if (!view_.IsVisible(Control::PukField)) view_.SetText(Control::PukField, u"");
  view_.SetVisible(Control::PukField, true);
  view_.SetVisible(Control::PukCaption, true);
}

void TForm1::LogSimVerdict(RefusedSimCodes::Verdict verdict) {
  if (verdict == RefusedSimCodes::Verdict::kPinRefused) LogLine("SIM refused the PIN sent");
  if (verdict == RefusedSimCodes::Verdict::kPukRefused) LogLine("SIM refused the PUK sent");
}

void TForm1::CountSearchTimeWithoutBox() {
  if (SearchNoticeShown) return;
  SearchTimeWithoutBox += kDeviceTimerInterval;
  if (SearchTimeWithoutBox < kSearchNoticeDelay) return;
  const AnsiString notice = UsbLibHandle == nullptr ? kNoUsbLibrary : kNoBoxYet;
  SetStatusLine(notice);
  LogLine(notice);
  SearchNoticeShown = true;
}

void TForm1::SetStatusLine(const AnsiString& text) {
  SetLabel(Control::StatusLine, text);
  if (!text.empty()) view_.Announce(Control::StatusLine);
}

void TForm1::StopForMissingSim() {
  ShowAndLogMessage("Sim Card not inserted. Please insert sim card and press start again");
  ChangeCommState(kStateInit);
  view_.ShowPage(kPageWelcome);
  view_.RepaintNotebook();
}

void TForm1::ShowWelcomeAgain() {
  ChangeCommState(kStateInit);
  SetLabel(Control::WelcomeHeadline, "Welcome. Press start to begin");
  view_.ShowPage(kPageWelcome);
  SetLabel(Control::BoxIdLine, "Box ID:");
  SetLabel(Control::SignalLine, "Signal Strength:");
  SetLabel(Control::BoxTypeLine, "Box Type: ");
}

void TForm1::ResetWizard() {
  ShowWelcomeAgain();
  SetStatusLine("");
  SearchNoticeShown = false;
  // A window left over the welcome page would speak of a run that is gone (and "Testing GPRS
  // settings" has no Close button).
  view_.HideInfo();
  view_.SetEnabled(Control::Next, true);
  SimStatus = kSimReady;
  SimLastWord = kSimReady;
  view_.SetVisible(Control::PukField, false);
  view_.SetVisible(Control::PukCaption, false);
  LabelVisibleLevel(-1);
  SimPromptArmed = true;
}

void TForm1::ShowMessage(const AnsiString& text) { view_.ShowInfo(AnsiToNative(text), true, false); }

void TForm1::ShowAndLogMessage(const AnsiString& text) {
  ShowMessage(text);
  LogLine("Show Message:" + text);
}

void TForm1::SetOperatorAreaVisible(bool visible) {
  for (Control control : {Control::OperatorList, Control::ShowAllOperators, Control::CredentialsGiven, Control::ManualSettingsCaption,
                          Control::OperatorListCaption, Control::ApnCaption, Control::ApnField, Control::OperatorFrame}) {
    view_.SetVisible(control, visible);
  }
  ShowCredentialsAsTicked();
}

void TForm1::ShowCredentialsAsTicked() {
  // What is shown is what is sent: the user name and password go out only with CheckBox2, and
  // they belong to the operator area, hidden with it whatever the tick.
  const bool visible = view_.IsChecked(Control::CredentialsGiven) && view_.IsVisible(Control::OperatorList);
  for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
    view_.SetVisible(control, visible);
  }
}

void TForm1::SetPinAreaVisible(bool visible) {
  for (Control control : {Control::PinField, Control::PinCaption, Control::PinFrame})
    view_.SetVisible(control, visible);
}

void TForm1::ChangeCommState(std::uint32_t new_state) {
  if (new_state == CommState) return;
  const AnsiString text = "State " + GetCommStateName(CommState) + "->" + GetCommStateName(new_state);
  CommState = new_state;
  LogLine("(" + text + ")");
  if (new_state == kStateSearching) SearchTimeWithoutBox = 0;
}

AnsiString TForm1::GetCommStateName(std::uint32_t state) const {
  return state < kCommStateNames.size() ? kCommStateNames[state] : "?";
}

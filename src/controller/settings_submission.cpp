// The settings page and its submission: the first submission without the user, the questions
// that come before it, the test's result, and the checks every submission passes.
#include <optional>
#include <utility>
#include <vector>

#include "common/translations.h"
#include "controller/pin_digits.h"
#include "controller/setup_session.h"

namespace bp = box_protocol;

namespace {

constexpr const char* kEnterPin = N_("Enter PIN code");
constexpr const char* kEnterCorrectPin = N_("Enter correct PIN code");
constexpr const char* kEnterPukAndNewPin = N_("Enter PUK code and new PIN code");

constexpr std::uint32_t kSettingsReplyTimeout = 500;

constexpr const char* kTooLongMessage =
    N_("The settings are too long. Please shorten the APN, username or password");
constexpr const char* kPinShapeMessage = N_("The PIN code must have 4 digits. Please enter the PIN code");
constexpr const char* kPukShapeMessage = N_("The PUK code must have 8 digits. Please enter the PUK code");
constexpr const char* kPinRefusedMessage =
    N_("The SIM card has refused this PIN code already. Please enter the correct PIN code");
constexpr const char* kPukRefusedMessage =
    N_("The SIM card has refused this PUK code already. Please enter the correct PUK code");

struct SentField {
  const char* message;  // the refusal, naming the field as the user knows it
  NativeString typed;   // as the field holds it
  AnsiString sent;      // as it would go out
};

// What a field holds that cannot go out, worded to follow "contains".
std::optional<UserText> UnsendablePart(const SentField& field) {
  // A character without an 8-bit form would reach the box as "?", a value nobody typed.
  if (AnsiToNative(field.sent) != field.typed) return UserText(N_("a character the box cannot take"));
  return bp::UnsendablePart(field.sent);
}

// Names the first field, in the order the user fills them in, that holds something which would
// change the command's frame or fields; nothing when every field can be sent.
std::optional<UserText> UnsendableFieldMessage(const std::vector<SentField>& fields) {
  for (const SentField& field : fields) {
    if (const auto part = UnsendablePart(field)) return UserText(field.message).With("part", *part);
  }
  return std::nullopt;
}

}  // namespace

void SetupSession::PrepareSettingsAndSubmit() {
  const std::optional<UserText> question = FirstSubmissionQuestion();
  if (question) presenter_.ShowAndLogMessage(*question);
  // Unticked from code, "Show all operators" would rebuild the list: that happens just below.
  view_.SetChecked(Control::ShowAllOperators, false);
  for (Control edit : {Control::ApnField, Control::UserField, Control::PasswordField, Control::PukField, Control::PinField}) {
    view_.SetText(edit, u"");
  }
  operators_.Rebuild(report, true, report.mcc == 0);
  if (sim_status != kSimPinNotNeeded) {
    view_.SetText(Control::PinField, question ? NativeString() : AnsiToNative(report.pin));
    presenter_.SetPinAreaVisible(true);
  } else {
    view_.SetText(Control::PinField, u"");
    presenter_.SetPinAreaVisible(false);
  }
  ChangeState(kStateWaitUser);
  view_.SettingsPageReady();
  if (question) {
    // The prompt has been shown; the box's next SIM word does not repeat it.
    sim_prompt_armed = false;
    AskForSimCode();
    return;
  }
  sim_prompt_armed = true;
  // A PUK entry shown for an earlier "SIM PUK" holds no PUK now (emptied above), and the SIM
  // has said since that it wants none: an empty PUK must not go out without the user.
  presenter_.HidePukEntry();
  SubmitSettings();
  if (state != kStateGPRSSet) {
    // The settings were refused before anything was sent: the user has to change them, and
    // can only do so on the settings page.
    view_.ShowPage(kPageSetup);
    view_.RepaintNotebook();
    presenter_.SetOperatorAreaVisible(true);
  }
}

std::optional<UserText> SetupSession::FirstSubmissionQuestion() const {
  // A PIN the SIM refused, or any PIN while it wants its PUK, would cost one of its few tries.
  if (sim_status == kSimWrongPin) return kEnterCorrectPin;
  if (sim_status == kSimPukRequired) return kEnterPukAndNewPin;
  if (sim_status == kSimPinNotNeeded) return std::nullopt;
  // The field keeps four digits of the stored PIN: a longer one would go out cut, and be wrong.
  PinDigits stored;
  stored.Assign(AnsiToNative(report.pin));
  const AnsiString stored_pin = NativeToAnsi(stored.Digits());
  if (!stored_pin.empty() && refused_codes.PinRefused(report.id, stored_pin)) return kEnterCorrectPin;
  if (sim_status == kSimPinRequired && !bp::IsDigits(report.pin, bp::kPinFieldDigits)) return kEnterPin;
  return std::nullopt;
}

void SetupSession::TestPassed() {
  log_.Line("PASSED");
  presenter_.HideInfo();
  ChangeState(kStateGPRSPassed);
  presenter_.ShowBoxLink(report.id);
  view_.ShowPage(kPageDone);
  view_.SetEnabled(Control::Next, true);
}

void SetupSession::TestFailed() {
  view_.ShowPage(kPageSetup);
  view_.RepaintNotebook();
  log_.Line("FAILED GPRS");
  ChangeState(kStateWaitUser);
  switch (sim_status) {
    case kSimWrongPin:
      log_.Line("FAILED WRONG PIN");
      presenter_.ShowAndLogMessage(N_("Wrong PIN code"));
      // The refused PIN must not go out again with a plain Next.
      view_.SetText(Control::PinField, u"");
      presenter_.SetPinAreaVisible(true);
      view_.SetFocus(Control::PinField);
      break;
    case kSimPukRequired:
      log_.Line("FAILED PUK");
      presenter_.ShowAndLogMessage(kEnterPukAndNewPin);
      // A refused PUK is cleared like a refused PIN; so is a PIN that used up the last try, as
      // it is no new PIN the user chose.
      if (!view_.IsVisible(Control::PukField)) view_.SetText(Control::PinField, u"");
      view_.SetText(Control::PukField, u"");
      presenter_.SetPinAreaVisible(true);
      view_.SetVisible(Control::PukCaption, true);
      view_.SetVisible(Control::PukField, true);
      view_.SetFocus(Control::PukField);
      break;
    case kSimReady:
      presenter_.ShowAndLogMessage(N_("Connection failed. Please check operator/APN settings and try again"));
      presenter_.SetOperatorAreaVisible(true);
      view_.SetFocus(Control::OperatorList);
      break;
    default:
      // Whatever failed, the APN is the one thing the user can change here, and the PIN when
      // the SIM last asked for one.
      presenter_.ShowMessage(N_("Unknown SIM error. Try again"));
      presenter_.SetOperatorAreaVisible(true);
      if (SimAsksForPin()) presenter_.SetPinAreaVisible(true);
      view_.SetFocus(SimAsksForPin() ? Control::PinField : Control::OperatorList);
      break;
  }
  view_.SetEnabled(Control::Next, true);
}

void SetupSession::AskForSimCode() {
  view_.ShowPage(kPageSetup);
  view_.RepaintNotebook();
  presenter_.SetPinAreaVisible(true);
  presenter_.SetOperatorAreaVisible(true);
  if (sim_status == kSimPukRequired) {
    presenter_.ShowPukEntry();
    view_.SetFocus(Control::PukField);
  } else {
    // A PUK entry left from an earlier "SIM PUK" would send a PUK the SIM does not want.
    presenter_.HidePukEntry();
    view_.SetFocus(Control::PinField);
  }
  view_.SetEnabled(Control::Next, true);
}

void SetupSession::LogSimVerdict(RefusedSimCodes::Verdict verdict) {
  if (verdict == RefusedSimCodes::Verdict::kPinRefused) log_.Line("SIM refused the PIN sent");
  if (verdict == RefusedSimCodes::Verdict::kPukRefused) log_.Line("SIM refused the PUK sent");
}


void SetupSession::SubmitSettings() {
  const bool with_puk = view_.IsVisible(Control::PukField);
  const bool full_form = view_.IsChecked(Control::CredentialsGiven);
  const auto field = [this](Control control) {
    const NativeString typed = view_.Text(control);
    return std::pair(typed, NativeToAnsi(typed));
  };
  const auto [apn, apn_sent] = field(Control::ApnField);
  const auto [user, user_sent] = full_form ? field(Control::UserField) : std::pair<NativeString, AnsiString>();
  const auto [password, password_sent] =
      full_form ? field(Control::PasswordField) : std::pair<NativeString, AnsiString>();
  const AnsiString pin_sent = NativeToAnsi(view_.Text(Control::PinField));
  const NativeString puk = with_puk ? view_.Text(Control::PukField) : NativeString();
  const AnsiString puk_sent = NativeToAnsi(puk);

  // Refusals come before any change of state, so a refused submission leaves the run where it
  // was and the user can correct the fields. Only what would be sent is checked, in the 8-bit
  // form it would take: the short form does not send the user name and password.
  AnsiString command;
  if (with_puk) command = NativeToAnsi(bp::PukPrefix(puk));
  command += bp::SettingsCommand(apn_sent, user_sent, password_sent, pin_sent, full_form);
  // Translators: {part} is what the field holds that the box cannot take, such as "a control
  // character".
  std::optional<UserText> refusal = UnsendableFieldMessage(
      {{N_("The APN contains {part}, which cannot be sent. Please change the APN"), apn, apn_sent},
       {N_("The username contains {part}, which cannot be sent. Please change the username"), user, user_sent},
       {N_("The password contains {part}, which cannot be sent. Please change the password"), password,
        password_sent}});
  // Cutting the command would store settings the user never typed, so it is not sent at all.
  if (!refusal && command.size() > bp::kMaxCommandLength) refusal = kTooLongMessage;
  if (refusal) {
    presenter_.ShowAndLogMessage(*refusal);
    return;
  }
  const AnsiString pin = Trim(pin_sent);
  if (!SimCodesCanGo(pin, with_puk ? std::optional(puk_sent) : std::nullopt)) return;

  sim_status = kSimResultPending;
  presenter_.ShowInfo(presenter_.Shown(N_("Testing GPRS settings")), false, true);
  if (SendToBox(command, kSettingsReplyTimeout)) refused_codes.Submitted(report.id, pin, puk_sent);
  ChangeState(kStateGPRSSet);
}

bool SetupSession::SimCodesCanGo(const AnsiString& pin, const std::optional<AnsiString>& puk) {
  // Each wrong code spends one of the SIM's few tries: only codes that can be right go out,
  // and never one this box's SIM has refused.
  const auto refuse = [this](const char* message, Control field) {
    presenter_.ShowAndLogMessage(message);
    view_.SetFocus(field);
    return false;
  };
  if (puk && !bp::IsDigits(*puk, bp::kPukDigits)) return refuse(kPukShapeMessage, Control::PukField);
  if (puk && refused_codes.PukRefused(report.id, *puk)) return refuse(kPukRefusedMessage, Control::PukField);
  if ((puk || SimAsksForPin()) && !bp::IsDigits(pin, bp::kPinFieldDigits)) {
    return refuse(kPinShapeMessage, Control::PinField);
  }
  // The new PIN given with a PUK replaces the SIM's PIN; it is not a guess.
  if (!puk && !pin.empty() && refused_codes.PinRefused(report.id, pin)) {
    return refuse(kPinRefusedMessage, Control::PinField);
  }
  return true;
}

bool SetupSession::SimAsksForPin() const { return sim_last_word == kSimPinRequired || sim_last_word == kSimWrongPin; }

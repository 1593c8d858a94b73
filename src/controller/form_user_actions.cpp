// Start, Restart, Next and the GPRS settings submission.
#include <optional>
#include <utility>
#include <vector>

#include "controller/box_protocol.h"
#include "controller/main_form.h"

namespace bp = box_protocol;

namespace {

constexpr std::uint32_t kSettingsReplyTimeout = 500;

constexpr const char* kTooLongMessage =
    "The settings are too long. Please shorten the APN, username or password";
constexpr const char* kPinShapeMessage = "The PIN code must have 4 digits. Please enter the PIN code";
constexpr const char* kPukShapeMessage = "The PUK code must have 8 digits. Please enter the PUK code";
constexpr const char* kPinRefusedMessage =
    "The SIM card has refused this PIN code already. Please enter the correct PIN code";
constexpr const char* kPukRefusedMessage =
    "The SIM card has refused this PUK code already. Please enter the correct PUK code";

struct SentField {
  const char* name;    // as the user knows the field
  NativeString typed;  // as the field holds it
  AnsiString sent;     // as it would go out
};

// A character without an 8-bit form would reach the box as "?", a value nobody typed.
std::optional<std::string> UnsendablePart(const SentField& field) {
  if (AnsiToNative(field.sent) != field.typed) return std::string("a character the box cannot take");
  return bp::UnsendablePart(field.sent);
}

// Names the first field, in the order the user fills them in, that holds something which would
// change the command's frame or fields; nothing when every field can be sent.
std::optional<AnsiString> UnsendableFieldMessage(const std::vector<SentField>& fields) {
  for (const SentField& field : fields) {
    if (const auto part = UnsendablePart(field)) {
      return std::string("The ") + field.name + " contains " + *part +
             ", which cannot be sent. Please change the " + field.name;
    }
  }
  return std::nullopt;
}

}  // namespace

void TForm1::OnStart() {
  view_.HideInfo();
  LogLine("==== NEW ====");
  if (SimStatus == kSimMissing) {
    SendDut(AnsiString(bp::kGprsTest), 0);
    SimStatus = kSimReady;
    SimLastWord = kSimReady;
  }
  ChangeCommState(kStateSearching);
  view_.ShowPage(kPageCommunicating);
}

void TForm1::OnRestart() {
  ShowWelcomeAgain();
  view_.SetVisible(Control::PukCaption, false);
  view_.SetVisible(Control::PukField, false);
}

void TForm1::OnNext() { TestGprs(); }

void TForm1::TestGprs() {
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
  std::optional<AnsiString> refusal = UnsendableFieldMessage(
      {{"APN", apn, apn_sent}, {"username", user, user_sent}, {"password", password, password_sent}});
  // Cutting the command would store settings the user never typed, so it is not sent at all.
  if (!refusal && command.size() > bp::kMaxCommandLength) refusal = kTooLongMessage;
  if (refusal) {
    ShowAndLogMessage(*refusal);
    return;
  }
  const AnsiString pin = Trim(pin_sent);
  if (!SimCodesCanGo(pin, with_puk ? std::optional(puk_sent) : std::nullopt)) return;

  SimStatus = kSimResultPending;
  view_.ShowInfo(u"Testing GPRS settings", false, true);
  if (SendDut(command, kSettingsReplyTimeout)) RefusedCodes.Submitted(BoxId, pin, puk_sent);
  ChangeCommState(kStateGPRSSet);
}

bool TForm1::SimCodesCanGo(const AnsiString& pin, const std::optional<AnsiString>& puk) {
  // Each wrong code spends one of the SIM's few tries: only codes that can be right go out,
  // and never one this box's SIM has refused.
  const auto refuse = [this](const char* message, Control field) {
    ShowAndLogMessage(message);
    view_.SetFocus(field);
    return false;
  };
  if (puk && !bp::IsDigits(*puk, bp::kPukDigits)) return refuse(kPukShapeMessage, Control::PukField);
  if (puk && RefusedCodes.PukRefused(BoxId, *puk)) return refuse(kPukRefusedMessage, Control::PukField);
  if ((puk || SimAsksForPin()) && !bp::IsDigits(pin, bp::kPinFieldDigits)) {
    return refuse(kPinShapeMessage, Control::PinField);
  }
  // The new PIN given with a PUK replaces the SIM's PIN; it is not a guess.
  if (!puk && !pin.empty() && RefusedCodes.PinRefused(BoxId, pin)) {
    return refuse(kPinRefusedMessage, Control::PinField);
  }
  return true;
}

bool TForm1::SimAsksForPin() const { return SimLastWord == kSimPinRequired || SimLastWord == kSimWrongPin; }

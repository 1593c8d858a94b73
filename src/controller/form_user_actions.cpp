// Start, Restart, Next and the GPRS settings submission.
#include <optional>
#include <vector>

#include "controller/box_protocol.h"
#include "controller/main_form.h"

namespace bp = box_protocol;

namespace {

constexpr std::uint32_t kSettingsReplyTimeout = 500;

constexpr const char* kTooLongMessage =
    "The settings are too long. Please shorten the APN, username or password";

struct SentField {
  const char* name;  // as the user knows the field
  AnsiString text;   // as it would go out
};

// Names the first field, in the order the user fills them in, that holds something which would
// change the command's frame or fields; nothing when every field can be sent.
std::optional<AnsiString> UnsendableFieldMessage(const std::vector<SentField>& fields) {
  for (const SentField& field : fields) {
    if (const auto part = bp::UnsendablePart(field.text)) {
      return std::string("The ") + field.name + " contains " + *part +
             ", which cannot be sent. Please change the " + field.name;
    }
  }
  return std::nullopt;
}

}  // namespace

void TForm1::Button8Click(TObject* /*Sender*/) {
  view_.HideInfo();
  LogLine("==== NEW ====");
  if (SimStatus == kSimMissing) {
    SendDut(AnsiString(bp::kGprsTest), 0);
    SimStatus = kSimReady;
  }
  ChangeCommState(kStateSearching);
  view_.ShowPage(kPageCommunicating);
}

void TForm1::Button2Click(TObject* /*Sender*/) {
  ShowWelcomeAgain();
  view_.SetVisible(Control::Label30, false);
  view_.SetVisible(Control::Edit4, false);
}

void TForm1::Button7Click(TObject* /*Sender*/) { TestGprs(); }

void TForm1::TestGprs() {
  const bool with_puk = view_.IsVisible(Control::Edit4);
  const bool full_form = view_.IsChecked(Control::CheckBox2);
  const NativeString apn = view_.Text(Control::Edit1);
  const NativeString user = full_form ? view_.Text(Control::Edit2) : NativeString();
  const NativeString password = full_form ? view_.Text(Control::Edit3) : NativeString();
  const NativeString pin = view_.Text(Control::MaskEdit1);
  const NativeString puk =
      with_puk ? view_.Text(Control::Edit4).substr(0, bp::kPukMaxCharacters) : NativeString();

  // Refusals come before any change of state, so a refused submission leaves the run where it
  // was and the user can correct the fields. Only what would be sent is checked, in the 8-bit
  // form it would take: the short form does not send the user name and password, and only 12
  // PUK characters go out.
  const AnsiString apn_sent = NativeToAnsi(apn);
  const AnsiString user_sent = NativeToAnsi(user);
  const AnsiString password_sent = NativeToAnsi(password);
  const AnsiString pin_sent = NativeToAnsi(pin);
  std::optional<AnsiString> refusal = UnsendableFieldMessage({{"APN", apn_sent},
                                                              {"username", user_sent},
                                                              {"password", password_sent},
                                                              {"PIN", pin_sent},
                                                              {"PUK", NativeToAnsi(puk)}});

  AnsiString command;
  if (with_puk) command = NativeToAnsi(bp::PukPrefix(puk));
  command += bp::SettingsCommand(apn_sent, user_sent, password_sent, pin_sent, full_form);
  // Cutting the command would store settings the user never typed, so it is not sent at all.
  if (!refusal && command.size() > bp::kMaxCommandLength) refusal = kTooLongMessage;

  if (refusal) {
    ShowAndLogMessage(*refusal);
    return;
  }

  SimStatus = kSimResultPending;
  view_.ShowInfo(u"Testing GPRS settings", false, true);
  SendDut(command, kSettingsReplyTimeout);
  ChangeCommState(kStateGPRSSet);
}

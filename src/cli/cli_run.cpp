#include "cli/cli_run.h"

#include <ctime>
#include <filesystem>
#include <set>
#include <thread>

#include "cli/cli_texts.h"
#include "cli/command_process.h"
#include "common/platform.h"
#include "controller/page_presenter.h"

namespace {

// The box's own test takes up to a minute and the wizard tries it three times.
constexpr std::chrono::seconds kConnectionTestLimit(100);

const char* SimConditionName(std::int32_t status) {
  switch (status) {
    case kSimReady:
      return "ready";
    case kSimPinRequired:
      return "pin-required";
    case kSimPinNotNeeded:
      return "no-pin";
    case kSimMissing:
      return "missing";
    case kSimWrongPin:
      return "wrong-pin";
    case kSimPukRequired:
      return "puk-required";
    default:
      return "pending";
  }
}

// The part of an English line such as "Signal Strength: Good" after its label.
std::string ValueOf(std::string_view line) {
  const std::size_t colon = line.find(": ");
  return std::string(colon == std::string_view::npos ? line : line.substr(colon + 2));
}

// The box ID comes from the box: only its letters and digits make the file's name.
std::string FileNameOf(const std::string& box_id) {
  std::string name;
  for (const char c : box_id) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) name += c;
  }
  return name.empty() ? "unknown" : name;
}

std::set<std::string> NamesOf(const CatalogueEntry& entry) {
  const std::string names = NativeToUtf8(AnsiToNative(entry.Name));
  std::set<std::string> each = {names};
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = names.find(',', start);
    each.insert(names.substr(start, end == std::string::npos ? std::string::npos : end - start));
  }
  return each;
}

std::string TimeForFileName() {
  const std::tm local = LocalCalendarTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

CliRun::CliRun(const CliOptions& options, CliReport& report, WizardEnvironment environment)
    : options_(options), report_(report), wizard_(view_, timers_, std::move(environment)) {
  wizard_.Channel().only_port = options.port;
  view_.on_settings_page_ready = [this] { return FillSettings(); };
  // The message as a text rather than as shown, so that the JSON carries its English.
  view_.on_message = [this] {
    report_.Progress("message",
                     UserText(cli_text::kBoxSays).With("message", wizard_.Presenter().LastMessage()));
  };
}

int CliRun::Run() {
  wizard_.CreateSerialPort();
  wizard_.OnShown();
  wizard_.OnControl(Control::Start);
  while (!outcome_) {
    const std::optional<WizardTimer> timer = timers_.WaitForNext();
    if (!timer) {
      Finish(Outcome::kOther);
      break;
    }
    if (before_timer) before_timer(*timer, wizard_);
    wizard_.OnTimer(*timer);
    if (after_timer) after_timer(*timer, wizard_);
    Observe();
  }
  if (options_.batch && !FoundBox()) return ExitStatus(*outcome_);
  SaveBoxLog();
  result_ = Result();
  report_.Result(result_);
  return ExitStatus(*outcome_);
}

void CliRun::WaitUntilUnplugged(const std::function<bool()>& stop) {
  if (!FoundBox()) return;
  BoxChannel& channel = wizard_.Channel();
  // The same search that found the box, at the pace of the wizard's own.
  channel.only_port = box_port_;
  while (!stop() && channel.FindBox().number != 0)
    std::this_thread::sleep_for(IntervalOf(WizardTimer::kTick));
}

void CliRun::Observe() {
  const std::uint32_t state = wizard_.Session().state;
  if (state != last_state_) {
    const std::uint32_t from = last_state_;
    last_state_ = state;
    state_since_ = Clock::now();
    OnStateChange(from, state);
  }
  if (outcome_) return;
  if (state == kStateGPRSTesting) ReportTestCountdown();
  CheckTimeLimits();
}

// The seconds the core's own countdown leaves the box's test: at its start, at each new try
// and every ten seconds between.
void CliRun::ReportTestCountdown() {
  const std::uint32_t left = (wizard_.Session().reply_timeout + 999) / 1000;
  const bool due = seconds_left_shown_ == 0 || left > seconds_left_shown_ ||
                   (left % 10 == 0 && left != seconds_left_shown_);
  if (!due || left == 0) return;
  seconds_left_shown_ = left;
  report_.Progress("testing", UserText(cli_text::kTesting).With("seconds", std::to_string(left)));
}

void CliRun::OnStateChange(std::uint32_t from, std::uint32_t to) {
  const SetupSession& session = wizard_.Session();
  if (to == kStateGPRSPassed) return Finish(Outcome::kPassed);
  if (to == kStateInit)
    return Finish(session.sim_status == kSimMissing ? Outcome::kNoSim : Outcome::kBoxGone);
  if (to == kStateWaitUser) return OnWaitingForUser(from);
  ReportProgress(to);
}

void CliRun::ReportProgress(std::uint32_t state) {
  const BoxReport& box = wizard_.Session().report;
  switch (state) {
    case kStateSearching:
      return report_.Progress("searching", UserText(cli_text::kSearching));
    case kStateFound:
      box_port_ = wizard_.Channel().port_number.load();
      return report_.Progress("found", UserText(cli_text::kFound).With("port", std::to_string(box_port_)));
    case kStateConnected:
      return report_.Progress("connected", UserText(cli_text::kConnected));
    case kStateUnlocked:
      return report_.Progress("unlocked", UserText(cli_text::kUnlocked));
    case kStateGotPLMN:
      return report_.Progress("network", UserText(cli_text::kNetwork)
                                             .With("mcc", std::to_string(box.mcc))
                                             .With("mnc", std::to_string(box.mnc))
                                             .With("signal", UserText(SignalStrengthText(box))));
    case kStateGPRSSet:
      sent_apn_ = NativeToUtf8(view_.Text(Control::ApnField));
      // A typed APN is no operator's, whatever line of the list is still selected.
      if (!options_.apn) sent_operator_ = EnglishLineOf(view_.OperatorEntry(view_.SelectedOperator()));
      return report_.Progress("writing",
                              UserText(cli_text::kWriting).With("apn", view_.Text(Control::ApnField)));
    case kStateGPRSTesting:
      seconds_left_shown_ = 0;
      return ReportTestCountdown();
    default:
      return;
  }
}

// The wizard waits for its user: after the first submission was held back (a question, a
// refusal) the command answers once with what its options give; after a failed test, or a
// second wait, the run ends with what the wizard asks for.
void CliRun::OnWaitingForUser(std::uint32_t from) {
  if (outcome_) return;
  const bool after_test = from == kStateGPRSSet || from == kStateGPRSTesting;
  const SetupSession& session = wizard_.Session();
  const bool puk_can_go = session.sim_status == kSimPukRequired && options_.puk && !puk_sent_;
  if (after_test && !puk_can_go) return Finish(TestFailureOutcome());
  if (next_pressed_ && !puk_can_go) return Finish(RefusalOutcome());
  PressNext();
  if (wizard_.Session().state == kStateWaitUser) Finish(RefusalOutcome());
}

void CliRun::PressNext() {
  FillSimCodes();
  if (options_.puk && view_.IsVisible(Control::PukField)) puk_sent_ = true;
  next_pressed_ = true;
  view_.focused = Control::Count;
  wizard_.OnControl(Control::Next);
  const std::uint32_t state = wizard_.Session().state;
  if (state != last_state_) {
    const std::uint32_t from = last_state_;
    last_state_ = state;
    state_since_ = Clock::now();
    if (state != kStateWaitUser) OnStateChange(from, state);
  }
}

// A submission the wizard refused before sending: the field it points the user to says why.
Outcome CliRun::RefusalOutcome() {
  if (view_.focused == Control::PukField) return Outcome::kPukProblem;
  if (view_.focused == Control::PinField) return Outcome::kPinProblem;
  const std::int32_t status = wizard_.Session().sim_status;
  if (status == kSimPukRequired) return Outcome::kPukProblem;
  if (status == kSimWrongPin || status == kSimPinRequired) return Outcome::kPinProblem;
  return Outcome::kSettingRefused;
}

Outcome CliRun::TestFailureOutcome() {
  switch (wizard_.Session().sim_status) {
    case kSimWrongPin:
      return Outcome::kPinProblem;
    case kSimPukRequired:
      return Outcome::kPukProblem;
    case kSimReady:
      return Outcome::kTestFailed;
    default:
      return Outcome::kOther;
  }
}

void CliRun::CheckTimeLimits() {
  const auto waited = Clock::now() - state_since_;
  const std::uint32_t state = last_state_;
  if (state == kStateSearching) {
    if (stop_search && stop_search()) return Finish(Outcome::kNoBox);
    if (waited > std::chrono::seconds(options_.wait_seconds)) Finish(Outcome::kNoBox);
    return;
  }
  const auto limit =
      state == kStateGPRSTesting ? kConnectionTestLimit : std::chrono::seconds(options_.box_timeout_seconds);
  if (state != kStateInit && state != kStateWaitUser && waited > limit) Finish(Outcome::kBoxSilent);
}

bool CliRun::FillSettings() {
  if (options_.apn) {
    view_.SetText(Control::ApnField, Utf8ToNative(*options_.apn));
    wizard_.SetCheckBox(Control::CredentialsGiven, options_.user || options_.password);
    view_.SetText(Control::UserField, Utf8ToNative(options_.user.value_or("")));
    view_.SetText(Control::PasswordField, Utf8ToNative(options_.password.value_or("")));
  } else if (options_.operator_name && !ChooseOperator(*options_.operator_name)) {
    // Nothing may go out with settings nobody asked for.
    return false;
  }
  FillSimCodes();
  return true;
}

void CliRun::FillSimCodes() {
  if (options_.pin) view_.SetText(Control::PinField, Utf8ToNative(*options_.pin));
  if (options_.puk && !puk_sent_) view_.SetText(Control::PukField, Utf8ToNative(*options_.puk));
}

// By one of the names of the catalogue entry (operators with the same settings share one, their
// names joined with commas), or by the whole text of the list's line in English ("Germany -
// Congstar") or as the technician's language shows it ("Deutschland - Congstar").
bool CliRun::ChooseOperator(const std::string& name) {
  for (int i = 0; i < view_.OperatorCount(); ++i) {
    const CatalogueEntry* entry = view_.OperatorEntry(i);
    const bool named = entry != nullptr && (NamesOf(*entry).contains(name) || EnglishLineOf(entry) == name);
    if (!named && NativeToUtf8(view_.OperatorText(i)) != name) continue;
    view_.SelectOperator(i);
    wizard_.OnControl(Control::OperatorList);
    return true;
  }
  report_.Progress("message", UserText(cli_text::kUnknownOperator).With("name", Utf8ToNative(name)));
  Finish(Outcome::kSettingRefused);
  return false;
}

void CliRun::Finish(Outcome outcome) {
  if (!outcome_) outcome_ = outcome;
}

UserText CliRun::Reason(Outcome outcome) const {
  switch (outcome) {
    case Outcome::kNoBox:
      return UserText(cli_text::kNoBox).With("seconds", std::to_string(options_.wait_seconds));
    case Outcome::kNoSim:
      return cli_text::kNoSim;
    case Outcome::kPinProblem:
      return cli_text::kPinProblem;
    case Outcome::kPukProblem:
      return cli_text::kPukProblem;
    case Outcome::kTestFailed:
      return cli_text::kTestFailed;
    case Outcome::kBoxGone:
      return cli_text::kBoxGone;
    case Outcome::kSettingRefused:
      return cli_text::kSettingRefused;
    case Outcome::kBoxSilent:
      return cli_text::kBoxSilent;
    default:
      return {};
  }
}

// The report's operator: the list's line as the wizard writes it without a language, so that
// the column reads the same whatever the technician's language.
std::string CliRun::EnglishLineOf(const CatalogueEntry* entry) {
  if (entry == nullptr) return {};
  return NativeToUtf8(AnsiToNative(wizard_.Operators().EnglishLine(*entry)));
}

// The signal the wizard's line shows, in English for the report; empty while it shows none.
std::string CliRun::ShownSignal() {
  const char* line = SignalStrengthText(wizard_.Session().report);
  if (view_.Caption(Control::SignalLine) != ShownText(wizard_.Texts(), line)) return {};
  return ValueOf(line);
}

BoxResult CliRun::Result() {
  const SetupSession& session = wizard_.Session();
  BoxResult result;
  result.outcome = *outcome_;
  result.reason = Reason(*outcome_);
  result.box_id = session.report.id;
  if (*outcome_ == Outcome::kPassed) result.link = NativeToUtf8(view_.Caption(Control::BoxLink));
  result.operator_name = sent_operator_;
  result.apn = sent_apn_;
  result.signal = ShownSignal();
  result.sim = SimConditionName(session.sim_status);
  return result;
}

// The box's own log, masked as the wizard's is; the wizard's saved logs are left as they are.
void CliRun::SaveBoxLog() {
  try {
    // The system's own separator, so that the path the progress shows reads as one path there.
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    const std::string folder = options_.log_dir ? *options_.log_dir + separator : LogFolder() + "cli" + separator;
    std::filesystem::create_directories(folder);
    log_path_ = folder + FileNameOf(wizard_.Session().report.id) + "_" + TimeForFileName() + ".txt";
    ReplaceFile(log_path_, wizard_.Log().lines.FileContent());
    report_.Progress("log", UserText(cli_text::kLogSaved).With("path", ShownSystemText(log_path_)));
  } catch (const std::exception& error) {
    report_.Progress("log", UserText(cli_text::kLogNotSaved).With("reason", ErrorUserText(error)));
  }
}

// The setup session's state machine: one step per tick, the action of each state, and the
// state changes it makes.
#include "controller/setup_session.h"

#include <array>

#include "common/translations.h"

namespace bp = box_protocol;

// What this tick's message turned out to be; nothing survives the tick.
struct SetupSession::TickFlags {
  bool timed_out = false;
  bool sim_word_seen = false;
  bool network_report_seen = false;
  bool identity_report_seen = false;
  bool settings_report_seen = false;
};

namespace {

constexpr std::array<const char*, 15> kStateNames = {
    "Init",    "Searching", "Found",    "Connected", "Disconnected", "Ready",      "Unlocked",   "GotQR",
    "GotPLMN", "GotGPRS",   "WaitUser", "GPRSSet",   "GPRSTesting",  "GPRSPassed", "GPRSFailed",
};

constexpr std::uint32_t kReplyTimeout = 500;
constexpr std::uint32_t kConnectTimeout = 7000;
// The box's own test can take most of a minute; retries come quicker.
constexpr std::uint32_t kFirstGprsTestTimeout = 60000;
constexpr std::uint32_t kGprsTestRetryTimeout = 15000;
constexpr std::int32_t kGprsTestMaxTries = 3;
// The unit of every reply countdown.
constexpr std::uint32_t kTickInterval = static_cast<std::uint32_t>(IntervalOf(WizardTimer::kTick).count());

constexpr const char* kEnterCorrectPin = N_("Enter correct PIN code");
constexpr const char* kEnterPukAndNewPin = N_("Enter PUK code and new PIN code");

// How long a search may go without a box before the status line says so.
constexpr std::uint32_t kSearchNoticeDelay = 10000;
constexpr const char* kNoBoxYet = N_("No box found yet. Check that it is plugged in");
constexpr const char* kNoUsbLibrary = N_("Cannot search: the USB library could not be loaded");

// Starts the tick again when a step ends, also when a handler throws: a step that escapes with
// an error must not leave the wizard without its tick.
class TickRestart {
 public:
  explicit TickRestart(std::function<void()> restart) : restart_(std::move(restart)) {}
  ~TickRestart() { restart_(); }
  TickRestart(const TickRestart&) = delete;
  TickRestart& operator=(const TickRestart&) = delete;

 private:
  std::function<void()> restart_;
};

// A closed port resets the wizard in these states only.
bool ResetsOnClosedPort(std::uint32_t state) {
  return state != kStateInit && state != kStateSearching && state != kStateFound && state != kStateGPRSPassed;
}

}  // namespace

AnsiString StateName(std::uint32_t state) { return state < kStateNames.size() ? kStateNames[state] : "?"; }

SetupSession::SetupSession(WizardView& view, TimerService& timers, SessionLog& log, BoxChannel& channel,
                           PagePresenter& presenter, OperatorChoice& operators)
    : view_(view), timers_(timers), log_(log), channel_(channel), presenter_(presenter), operators_(operators) {}

void SetupSession::Tick() {
  timers_.Stop(WizardTimer::kTick);
  const TickRestart restart([this] { RestartTickUnlessPaused(); });
  if (!channel_.port_open.load() && ResetsOnClosedPort(state)) {
    ResetWizard();
    // What the box said just before it went is of a run that is gone: read now, its identity
    // would show on the welcome page.
    channel_.ClearMessages();
  }
  const AnsiString message = channel_.TakeMessage();
  TickFlags flags = ReadMessage(message);
  CountDown(flags);
  Act(message, flags);
}

SetupSession::TickFlags SetupSession::ReadMessage(const AnsiString& message) {
  TickFlags flags;
  if (const auto status = bp::ClassifySimWord(message)) {
    sim_status = *status;
    sim_last_word = *status;
    flags.sim_word_seen = true;
    LogSimVerdict(refused_codes.SimWordArrived(*status));
  }
  if (Contains(message, bp::kNetworkReportKey)) {
    if (bp::ParseNetworkReport(message, report)) sim_status = kSimMissing;
    flags.network_report_seen = true;
    presenter_.ShowSignal(report);
  }
  if (Contains(message, bp::kIdentityReportKey)) {
    bp::ParseIdentityReport(message, report);
    presenter_.ShowIdentity(report);
    flags.identity_report_seen = true;
  }
  if (Contains(message, bp::kSettingsReportKey)) {
    bp::ParseSettingsReport(message, report);
    flags.settings_report_seen = true;
  }
  return flags;
}

void SetupSession::CountDown(TickFlags& flags) {
  if (reply_timeout == 0) return;
  reply_timeout = reply_timeout > kTickInterval ? reply_timeout - kTickInterval : 0;
  flags.timed_out = reply_timeout == 0;
}

void SetupSession::Act(const AnsiString& message, const TickFlags& flags) {
  switch (state) {
    case kStateSearching: return ActSearching();
    case kStateFound: return ActFound(flags);
    case kStateConnected: return ActConnected(message, flags);
    case kStateReady: return ActReady(message, flags);
    case kStateUnlocked: return ActUnlocked(flags);
    case kStateGotPLMN: return ActGotPlmn(message, flags);
    case kStateGotGPRS: return ActGotGprs(flags);
    case kStateWaitUser: return ActWaitUser(flags);
    case kStateGPRSSet: return ActGprsSet(message);
    case kStateGPRSTesting: return ActGprsTesting(message, flags);
    default:
      // Init and GPRSPassed wait for the user; 4, 7 and 14 are never entered.
      return;
  }
}

void SetupSession::ActSearching() {
  const FoundBox found = channel_.FindBox();
  if (found.name) presenter_.SetLabel(Control::FoundDeviceName, *found.name);
  if (found.number < 1) return CountSearchTimeWithoutBox();
  ChangeState(kStateFound);
  channel_.port_number = found.number;
  reply_timeout = kConnectTimeout;
  presenter_.ShowLadderLevel(1);
  if (search_notice_shown) presenter_.SetStatusLine(UserText());
  search_notice_shown = false;
}

void SetupSession::ActFound(const TickFlags& flags) {
  if (channel_.port_open.load()) {
    ChangeState(kStateConnected);
    presenter_.ShowLadderLevel(2);
    PauseThenShowLevel(3);
  } else {
    channel_.ClearMessages();
    // A close event between the open and this tick took the port's number with it; port 0
    // never opens, so the box is looked for again rather than the wizard failing for good.
    if (channel_.port_number.load() == 0) {
      const FoundBox found = channel_.FindBox();
      if (found.name) presenter_.SetLabel(Control::FoundDeviceName, *found.name);
      if (found.number >= 1) channel_.port_number = found.number;
    }
    channel_.OpenPort();
  }
  // The attempts go on; the status line only tells the user that they are failing.
  if (flags.timed_out) presenter_.SetStatusLine(N_("Can't connect to the box"));
}

void SetupSession::ActConnected(const AnsiString& message, const TickFlags& flags) {
  if (Contains(message, bp::kIdentityReportKey)) {
    presenter_.ShowLadderLevel(4);
    PauseThenShowLevel(5);
  }
  if (sim_status == kSimMissing) {
    StopForMissingSim();
  } else if (flags.sim_word_seen && sim_status == kSimPukRequired) {
    view_.SetText(Control::PukField, u"");
    view_.SetVisible(Control::PukField, true);
    view_.SetVisible(Control::PukCaption, true);
  } else if (Contains(message, bp::kCommReady)) {
    SendToBox(AnsiString(bp::kUnlock), kReplyTimeout);
    ChangeState(kStateReady);
    presenter_.ShowLadderLevel(6);
    presenter_.SetOperatorAreaVisible(false);
  }
}

void SetupSession::ActReady(const AnsiString& message, const TickFlags& flags) {
  if (flags.network_report_seen && sim_status == kSimMissing) {
    StopForMissingSim();
  } else if (flags.network_report_seen) {
    // A report before the unlock answer: wait for "UNLOCKED".
  } else if (Contains(message, bp::kUnlocked)) {
    SendToBox(AnsiString(bp::kPlmnGet), kReplyTimeout);
    ChangeState(kStateUnlocked);
  } else if (flags.timed_out) {
    SendToBox(AnsiString(bp::kUnlock), kReplyTimeout);
  }
}

void SetupSession::ActUnlocked(const TickFlags& flags) {
  if (flags.network_report_seen && sim_status == kSimMissing) {
    StopForMissingSim();
  } else if (flags.network_report_seen) {
    SendToBox(AnsiString(bp::kGprsGet), kReplyTimeout);
    ChangeState(kStateGotPLMN);
  } else if (flags.timed_out) {
    SendToBox(AnsiString(bp::kPlmnGet), kReplyTimeout);
  }
}

void SetupSession::ActGotPlmn(const AnsiString& message, const TickFlags& flags) {
  if (flags.settings_report_seen) {
    SendToBox(AnsiString(bp::kQrGet), kReplyTimeout);
    ChangeState(kStateGotGPRS);
    sim_prompt_armed = true;
  } else if (Contains(message, bp::kOk) || Contains(message, bp::kCommReady)) {
    // The box is talking; give it this tick.
  } else {
    SendToBox(AnsiString(bp::kGprsGet), kReplyTimeout);
  }
}

void SetupSession::ActGotGprs(const TickFlags& flags) {
  if (flags.identity_report_seen) {
    PrepareSettingsAndSubmit();
  } else if (flags.timed_out) {
    SendToBox(AnsiString(bp::kQrGet), kReplyTimeout);
  }
}

void SetupSession::ActWaitUser(const TickFlags& flags) {
  if (!flags.sim_word_seen || !sim_prompt_armed) return;
  // The page must offer the field for the code asked for, or the user could not give it.
  if (sim_status == kSimWrongPin) {
    presenter_.ShowAndLogMessage(kEnterCorrectPin);
  } else if (sim_status == kSimPukRequired) {
    presenter_.ShowAndLogMessage(kEnterPukAndNewPin);
  } else {
    return;
  }
  sim_prompt_armed = false;
  AskForSimCode();
}

void SetupSession::ActGprsSet(const AnsiString& message) {
  if (!Contains(message, bp::kOk)) return;
  SendToBox(AnsiString(bp::kGprsTest), kFirstGprsTestTimeout);
  gprs_test_tries = 1;
  ChangeState(kStateGPRSTesting);
  view_.SetEnabled(Control::Next, false);
}

void SetupSession::ActGprsTesting(const AnsiString& message, const TickFlags& flags) {
  if (Contains(message, bp::kGprsTestOk)) {
    TestPassed();
  } else if (Contains(message, bp::kGprsTestFail)) {
    TestFailed();
  } else if (flags.timed_out) {
    ++gprs_test_tries;
    if (gprs_test_tries >= kGprsTestMaxTries) {
      presenter_.ShowAndLogMessage(N_("Oops - something went wrong. Try reconnecting the box"));
    } else {
      SendToBox(AnsiString(bp::kGprsTest), kGprsTestRetryTimeout);
    }
  }
}

void SetupSession::PauseThenShowLevel(std::int32_t level) {
  paused_level_ = level;
  timers_.Start(WizardTimer::kLadderPause);
}

void SetupSession::FinishLadderPause() {
  timers_.Stop(WizardTimer::kLadderPause);
  if (paused_level_) presenter_.ShowLadderLevel(*paused_level_);
  paused_level_.reset();
  timers_.Start(WizardTimer::kTick);
}

void SetupSession::CancelLadderPause() {
  if (!paused_level_) return;
  timers_.Stop(WizardTimer::kLadderPause);
  paused_level_.reset();
  timers_.Start(WizardTimer::kTick);
}

void SetupSession::RestartTickUnlessPaused() {
  if (!paused_level_) timers_.Start(WizardTimer::kTick);
}

void SetupSession::CountSearchTimeWithoutBox() {
  if (search_notice_shown) return;
  search_time_without_box += kTickInterval;
  if (search_time_without_box < kSearchNoticeDelay) return;
  const char* notice = channel_.UsbLibraryLoaded() ? kNoBoxYet : kNoUsbLibrary;
  presenter_.SetStatusLine(notice);
  log_.Line(notice);
  search_notice_shown = true;
}

void SetupSession::StopForMissingSim() {
  presenter_.ShowAndLogMessage(N_("Sim Card not inserted. Please insert sim card and press start again"));
  ChangeState(kStateInit);
  view_.ShowPage(kPageWelcome);
  view_.RepaintNotebook();
}

void SetupSession::ShowWelcomeAgain() {
  ChangeState(kStateInit);
  presenter_.ShowWelcome();
}

void SetupSession::ResetWizard() {
  ShowWelcomeAgain();
  presenter_.SetStatusLine(UserText());
  search_notice_shown = false;
  // A window left over the welcome page would speak of a run that is gone (and "Testing GPRS
  // settings" has no Close button).
  presenter_.HideInfo();
  view_.SetEnabled(Control::Next, true);
  sim_status = kSimReady;
  sim_last_word = kSimReady;
  presenter_.HidePukEntry();
  presenter_.ShowLadderLevel(-1);
  sim_prompt_armed = true;
}

void SetupSession::ChangeState(std::uint32_t new_state) {
  if (new_state == state) return;
  const AnsiString text = "State " + StateName(state) + "->" + StateName(new_state);
  state = new_state;
  log_.Line("(" + text + ")");
  if (new_state == kStateSearching) search_time_without_box = 0;
}

bool SetupSession::SendToBox(const AnsiString& command, std::uint32_t reply_timeout_ms) {
  const bool queued = channel_.Queue(command);
  // A command dropped because another one waits still sets the countdown.
  reply_timeout = reply_timeout_ms;
  return queued;
}

void SetupSession::Start() {
  CancelLadderPause();
  presenter_.HideInfo();
  log_.Line("==== NEW ====");
  if (sim_status == kSimMissing) {
    SendToBox(AnsiString(bp::kGprsTest), 0);
    sim_status = kSimReady;
    sim_last_word = kSimReady;
  }
  ChangeState(kStateSearching);
  view_.ShowPage(kPageCommunicating);
}

void SetupSession::Restart() {
  CancelLadderPause();
  ShowWelcomeAgain();
  presenter_.HidePukEntry();
}

void SetupSession::RebuildOperatorList() { operators_.Rebuild(report, true, report.mcc == 0); }

// The setup session: one run from the search for the box to the result of its GPRS test, driven
// by the tick, the user's Start, Next and Restart, and what the box reports.
#pragma once

#include <cstdint>
#include <optional>

#include "controller/box_channel.h"
#include "controller/box_protocol.h"
#include "controller/operator_choice.h"
#include "controller/page_presenter.h"
#include "controller/refused_sim_codes.h"
#include "controller/session_log.h"
#include "controller/timers.h"
#include "controller/wizard_view.h"

// The session's states; the log names them (StateName).
enum CommStateValue : std::uint32_t {
  kStateInit = 0,
  kStateSearching = 1,
  kStateFound = 2,
  kStateConnected = 3,
  kStateDisconnected = 4,
  kStateReady = 5,
  kStateUnlocked = 6,
  kStateGotQR = 7,
  kStateGotPLMN = 8,
  kStateGotGPRS = 9,
  kStateWaitUser = 10,
  kStateGPRSSet = 11,
  kStateGPRSTesting = 12,
  kStateGPRSPassed = 13,
  kStateGPRSFailed = 14,
};

// What the SIM said last, as the box's SIM words classify it.
enum SimStatusValue : std::int32_t {
  kSimReady = 0,
  kSimPinRequired = 1,
  kSimPinNotNeeded = 2,
  kSimMissing = 3,
  kSimWrongPin = 4,
  kSimPukRequired = 5,
  kSimResultPending = 6,
};

// The name of a state as the log gives it; "?" for a value that is none.
AnsiString StateName(std::uint32_t state);

class SetupSession {
 public:
  SetupSession(WizardView& view, TimerService& timers, SessionLog& log, BoxChannel& channel,
               PagePresenter& presenter, OperatorChoice& operators);

  // Start: a new run, whatever the state.
  void Start();
  // Restart (the done page's hidden button): the welcome state, leaving the status line, Next,
  // the SIM's status and the ladder as they are.
  void Restart();
  // Next: submits the settings again.
  void Next() { SubmitSettings(); }
  // Submits the GPRS settings in the fields, after the checks that keep values nobody typed
  // and SIM codes that cannot be right from the box.
  void SubmitSettings();
  // The operator list again, as "Show all operators" asks.
  void RebuildOperatorList();

  // One step of the state machine: one message from the box, the countdown, the state's action.
  void Tick();
  // The end of the pause between two rungs of the ladder: the rung, and the ticks go on.
  void FinishLadderPause();

  // The only way the state changes; every change is logged.
  void ChangeState(std::uint32_t new_state);
  // Queues a command for the box (dropped while another waits) and sets the reply countdown.
  bool SendToBox(const AnsiString& command, std::uint32_t reply_timeout);

  std::uint32_t state = kStateInit;
  std::int32_t sim_status = kSimReady;
  // The status of the SIM's last word in this run; unlike sim_status it stays while a
  // submission waits for its verdict.
  std::int32_t sim_last_word = kSimReady;
  std::uint32_t reply_timeout = 100;  // milliseconds; 0 arms no time-out
  bool sim_prompt_armed = false;
  std::int32_t gprs_test_tries = 0;
  BoxReport report;
  // Every PIN and PUK a box's SIM refused, for the program's whole life.
  RefusedSimCodes refused_codes;
  // How long the search has gone without a box, in milliseconds; 0 whenever a search begins.
  std::uint32_t search_time_without_box = 0;
  bool search_notice_shown = false;

 private:
  struct TickFlags;
  TickFlags ReadMessage(const AnsiString& message);
  void CountDown(TickFlags& flags);
  void Act(const AnsiString& message, const TickFlags& flags);
  void ActSearching();
  void ActFound(const TickFlags& flags);
  void ActConnected(const AnsiString& message, const TickFlags& flags);
  void ActReady(const AnsiString& message, const TickFlags& flags);
  void ActUnlocked(const TickFlags& flags);
  void ActGotPlmn(const AnsiString& message, const TickFlags& flags);
  void ActGotGprs(const TickFlags& flags);
  void ActWaitUser(const TickFlags& flags);
  void ActGprsSet(const AnsiString& message);
  void ActGprsTesting(const AnsiString& message, const TickFlags& flags);

  // The ladder's next rung after a pause; the ticks wait meanwhile, so that messages and log
  // lines keep their order.
  void PauseThenShowLevel(std::int32_t level);
  void CancelLadderPause();
  void RestartTickUnlessPaused();

  // State Init, the welcome page and the box lines as at start: shared by reset and Restart.
  void ShowWelcomeAgain();
  void ResetWizard();
  void StopForMissingSim();
  void PrepareSettingsAndSubmit();
  // What the settings page must ask before the first submission, so that no SIM code goes
  // out that cannot be right; nothing when the settings can go at once.
  std::optional<UserText> FirstSubmissionQuestion() const;
  // The settings page waiting for the code the SIM asks for; nothing is sent before Next.
  void AskForSimCode();
  void TestPassed();
  void TestFailed();
  void CountSearchTimeWithoutBox();
  void LogSimVerdict(RefusedSimCodes::Verdict verdict);
  // Whether the PIN and PUK of a submission may go out; shows why not when they may not.
  bool SimCodesCanGo(const AnsiString& pin, const std::optional<AnsiString>& puk);
  // The SIM's last word asked for its PIN (to start, or again after a wrong one).
  bool SimAsksForPin() const;

  WizardView& view_;
  TimerService& timers_;
  SessionLog& log_;
  BoxChannel& channel_;
  PagePresenter& presenter_;
  OperatorChoice& operators_;
  std::optional<std::int32_t> paused_level_;  // the rung the ladder pause will show
};

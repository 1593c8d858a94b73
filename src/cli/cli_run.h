// One box set up from the command's options: the wizard on a headless view, answered from the
// options, its timers run by the command's own loop, and the outcome read from what it shows.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_outcome.h"
#include "cli/cli_report.h"
#include "cli/cli_timers.h"
#include "cli/headless_view.h"
#include "controller/wizard.h"

class CliRun {
 public:
  CliRun(const CliOptions& options, CliReport& report, WizardEnvironment environment);

  // Runs the setup to its outcome, reports it, saves the box's log; the exit status. In a
  // batch, a search that ends without a box is the batch's end and reports nothing.
  int Run();
  // Whether a box was found: only then is there a result and a log.
  bool FoundBox() const { return box_port_ != 0; }
  const BoxResult& result() const { return result_; }
  // Returns once the box is no longer on its port, or when `stop` says so.
  void WaitUntilUnplugged(const std::function<bool()>& stop);

  // Asked while the search waits for a box; true ends it as if no box came.
  std::function<bool()> stop_search;
  // Around each timer the run hands to the wizard: the batch benchmark counts the core's work.
  std::function<void(WizardTimer, Wizard&)> before_timer;
  std::function<void(WizardTimer, Wizard&)> after_timer;

 private:
  using Clock = std::chrono::steady_clock;

  void Observe();
  void OnStateChange(std::uint32_t from, std::uint32_t to);
  void ReportProgress(std::uint32_t state);
  void OnWaitingForUser(std::uint32_t from);
  void PressNext();
  Outcome RefusalOutcome();
  Outcome TestFailureOutcome();
  void CheckTimeLimits();
  void ReportTestCountdown();

  bool FillSettings();
  void FillSimCodes();
  bool ChooseOperator(const std::string& name);
  void Finish(Outcome outcome);
  BoxResult Result();
  UserText Reason(Outcome outcome) const;
  std::string EnglishLineOf(const CatalogueEntry* entry);
  std::string ShownSignal();
  void SaveBoxLog();

  const CliOptions& options_;
  CliReport& report_;
  HeadlessView view_;
  CliTimers timers_;
  Wizard wizard_;
  std::uint32_t last_state_ = kStateInit;
  Clock::time_point state_since_ = Clock::now();
  bool next_pressed_ = false;
  bool puk_sent_ = false;
  std::string sent_apn_;
  std::string sent_operator_;
  std::optional<Outcome> outcome_;
  BoxResult result_;
  std::int32_t box_port_ = 0;
  std::uint32_t seconds_left_shown_ = 0;
  std::string log_path_;
};

// One box set up from the command's options: the wizard on a headless view, answered from the
// options, its timers run by the command's own loop, and the outcome read from what it shows.
#pragma once

#include <chrono>
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

  // Runs the setup to its outcome, reports it, saves the box's log; the exit status.
  int Run();

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

  void FillSettings();
  void FillSimCodes();
  void ChooseOperator(const std::string& name);
  void Finish(Outcome outcome);
  BoxResult Result();
  std::string Reason(Outcome outcome) const;
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
  std::string log_path_;
};

// The command's clock: the wizard's timers kept as deadlines on one thread, which sleeps until
// the next one is due.
#pragma once

#include <array>
#include <chrono>
#include <optional>

#include "controller/timers.h"

class CliTimers : public TimerService {
 public:
  using Clock = std::chrono::steady_clock;

  void Start(WizardTimer timer) override;
  void Stop(WizardTimer timer) override { deadlines_[Index(timer)].reset(); }
  bool Running(WizardTimer timer) const override { return deadlines_[Index(timer)].has_value(); }

  // Waits for the next running timer to be due, counts its next run from this one and returns
  // it; nothing when no timer runs.
  std::optional<WizardTimer> WaitForNext();

 private:
  static std::size_t Index(WizardTimer timer) { return static_cast<std::size_t>(timer); }
  std::array<std::optional<Clock::time_point>, kWizardTimerCount> deadlines_{};
};

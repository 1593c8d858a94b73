#include "cli/cli_timers.h"

#include <thread>

void CliTimers::Start(WizardTimer timer) {
  std::optional<Clock::time_point>& deadline = deadlines_[Index(timer)];
  if (!deadline) deadline = Clock::now() + IntervalOf(timer);
}

std::optional<WizardTimer> CliTimers::WaitForNext() {
  std::optional<std::size_t> next;
  for (std::size_t i = 0; i < kWizardTimerCount; ++i) {
    if (deadlines_[i] && (!next || *deadlines_[i] < *deadlines_[*next])) next = i;
  }
  if (!next) return std::nullopt;
  std::this_thread::sleep_until(*deadlines_[*next]);
  const auto timer = static_cast<WizardTimer>(*next);
  *deadlines_[*next] += IntervalOf(timer);
  return timer;
}

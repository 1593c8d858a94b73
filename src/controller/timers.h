// The wizard's timers: the core decides when each runs and how often; a window (or a test)
// keeps the time and reports each run back to the wizard.
#pragma once

#include <chrono>
#include <cstddef>

enum class WizardTimer : std::size_t {
  kTick,         // one step of the setup state machine
  kSendPump,     // hands the waiting command to the serial port
  kDots,         // the dots after "Testing" on the ladder
  kInfoDots,     // the dots after the message window's text while the box works
  kLadderPause,  // the short pause between two rungs of the ladder
  kLinkCopied,   // how long the done page says that the link was copied
  kCount
};
inline constexpr std::size_t kWizardTimerCount = static_cast<std::size_t>(WizardTimer::kCount);

// How often each timer runs: the one place these intervals are written.
constexpr std::chrono::milliseconds IntervalOf(WizardTimer timer) {
  switch (timer) {
    case WizardTimer::kTick: return std::chrono::milliseconds(100);
    case WizardTimer::kSendPump: return std::chrono::milliseconds(50);
    case WizardTimer::kDots: return std::chrono::milliseconds(330);
    case WizardTimer::kInfoDots: return std::chrono::milliseconds(330);
    case WizardTimer::kLadderPause: return std::chrono::milliseconds(200);
    case WizardTimer::kLinkCopied: return std::chrono::milliseconds(2500);
    case WizardTimer::kCount: break;
  }
  return std::chrono::milliseconds(0);
}

// Each window provides this on its UI thread. A running timer calls Wizard::OnTimer(timer) on
// that thread every IntervalOf(timer) until it is stopped; starting a running one changes
// nothing, so the interval of a timer started again counts from its last start.
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void Start(WizardTimer timer) = 0;
  virtual void Stop(WizardTimer timer) = 0;
  virtual bool Running(WizardTimer timer) const = 0;
};

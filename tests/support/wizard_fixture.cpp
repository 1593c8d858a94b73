// The wizard fixture of the core tests.
#include "support/wizard_fixture.h"

#include <algorithm>
#include <array>
#include <optional>
#include <thread>

LocalTime FixedTestTime() { return LocalTime{9, 5, 3, 7}; }

WizardFixture::WizardFixture(const std::string& catalogue, const std::string& usb_library,
                             const std::string& language) {
  WizardEnvironment environment;
  environment.language = language;
  environment.catalogue_path = folder_.Write("apnlist.csv", catalogue);
  environment.usb_library = usb_library.empty() ? folder_.File("no-such-usblib.so") : usb_library;
  environment.clock = FixedTestTime;
  environment.log_places.folder = [this] { return folder_.Path() + kPathSeparator; };
  environment.log_places.fallback = [this] { return fallback_folder; };
  wizard_ = std::make_unique<Wizard>(view_, view_, std::move(environment));
  wizard_->CreateSerialPort();
}

WizardFixture::~WizardFixture() = default;

std::vector<std::string> WizardFixture::LogTexts() const {
  std::vector<std::string> texts;
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  for (const auto& line : wizard_->Log().lines.Lines()) {
    texts.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
  }
  return texts;
}

bool WizardFixture::Logged(const std::string& text) const {
  const std::vector<std::string> lines = LogTexts();
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::string WizardFixture::Trace() const {
  std::string trace;
  for (const std::string& line : LogTexts()) trace += line + "\n";
  return trace;
}

bool WizardFixture::RunTimersUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  // When each running timer runs out next; a timer started anew counts from its start.
  std::array<std::optional<Clock::time_point>, kWizardTimerCount> due{};
  const auto follow_starts_and_stops = [&](Clock::time_point now) {
    for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) {
      if (!view_.timers[timer]) {
        due[timer].reset();
      } else if (!due[timer]) {
        due[timer] = now + IntervalOf(static_cast<WizardTimer>(timer));
      }
    }
  };
  while (Clock::now() < deadline) {
    const auto now = Clock::now();
    follow_starts_and_stops(now);
    for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) {
      if (!due[timer] || now < *due[timer]) continue;
      due[timer] = now + IntervalOf(static_cast<WizardTimer>(timer));
      wizard_->OnTimer(static_cast<WizardTimer>(timer));
      follow_starts_and_stops(Clock::now());
    }
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

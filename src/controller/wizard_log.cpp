// Wizard log: the line format, serialised appends and the file content.
#include "controller/wizard_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/platform.h"

LocalTime SystemLocalTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const std::tm parts = LocalCalendarTime(seconds);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis)};
}

std::string FormatLogTime(const LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second,
                time.millisecond);
  return text;
}

WizardLog::WizardLog(LocalClock clock, LogLimits limits) : clock_(std::move(clock)), store_(limits) {}

void WizardLog::Append(const AnsiString& text) {
  const std::string stamp = FormatLogTime(clock_());
  std::lock_guard lock(mutex_);
  store_.Add(stamp, text);
}

std::vector<AnsiString> WizardLog::Lines() const {
  std::lock_guard lock(mutex_);
  return store_.Lines();
}

std::size_t WizardLog::Size() const {
  std::lock_guard lock(mutex_);
  return store_.Size();
}

std::uint64_t WizardLog::Appended() const {
  std::lock_guard lock(mutex_);
  return store_.Added();
}

std::size_t WizardLog::HeldBytes() const {
  std::lock_guard lock(mutex_);
  return store_.HeldBytes();
}

std::string WizardLog::FileContent() const {
  std::lock_guard lock(mutex_);
  return store_.FileContent();
}

LogStore::Newest WizardLog::LinesFrom(std::uint64_t first, std::size_t max_lines,
                                      std::size_t max_bytes) const {
  std::lock_guard lock(mutex_);
  return store_.LinesFrom(first, max_lines, max_bytes);
}

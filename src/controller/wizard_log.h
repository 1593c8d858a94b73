// The wizard log: timestamped lines from both threads, kept in memory and saved at close.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"
#include "controller/log_store.h"

struct LocalTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The local wall-clock time with milliseconds; tests inject their own.
using LocalClock = std::function<LocalTime()>;
LocalTime SystemLocalTime();

// "hh:nn:ss.zzz" with colons between the first three fields.
std::string FormatLogTime(const LocalTime& time);

class WizardLog {
 public:
  explicit WizardLog(LocalClock clock = SystemLocalTime, LogLimits limits = {});

  // Appends "[hh:nn:ss.zzz]  " + text; safe from any thread. The time is read by the caller's
  // thread just before the append. Past the limits, lines leave from the middle (LogStore).
  void Append(const AnsiString& text);

  // A consistent copy of every line held, oldest first.
  std::vector<AnsiString> Lines() const;
  std::size_t Size() const;
  // Every line ever appended, those left out included.
  std::uint64_t Appended() const;
  // The memory the lines take.
  std::size_t HeldBytes() const;

  // Every line held followed by CR LF, as written to the file.
  std::string FileContent() const;

  // The newest lines appended as number `first` or later (LogStore::LinesFrom), consistently.
  LogStore::Newest LinesFrom(std::uint64_t first, std::size_t max_lines, std::size_t max_bytes) const;

 private:
  LocalClock clock_;
  mutable std::mutex mutex_;
  LogStore store_;
};

// The log file's name inside the temporary folder.
inline constexpr const char* kLogFileName = "deruruv_ozo.txt";

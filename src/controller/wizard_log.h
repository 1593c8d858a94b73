// The wizard log: timestamped lines from both threads, kept in memory and saved at close.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"

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
  explicit WizardLog(LocalClock clock = SystemLocalTime);

  // Appends "[hh:nn:ss.zzz]  " + text; safe from any thread. The time is read by the caller's
  // thread just before the append.
  void Append(const AnsiString& text);

  // A consistent copy of every line, oldest first.
  std::vector<AnsiString> Lines() const;
  std::size_t Size() const;

  // Every line followed by CR LF, as written to the file.
  std::string FileContent() const;

 private:
  LocalClock clock_;
  mutable std::mutex mutex_;
  std::vector<AnsiString> lines_;
};

// The log file's name inside the temporary folder.
inline constexpr const char* kLogFileName = "deruruv_ozo.txt";

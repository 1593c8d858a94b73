// The saved log and the four before it, so that a failed run is still there after the next.
#pragma once

#include <string>

// The newest log is kLogFileName; the earlier ones "deruruv_ozo.1.txt" (the newest of them) to
// "deruruv_ozo.4.txt"; an older one is dropped.
inline constexpr int kEarlierLogs = 4;
std::string EarlierLogName(int place);

class LogHistory {
 public:
  // Writes `content` as the newest log in `folder` (ending with a separator), through the
  // replacing save. The first save of the program's run moves the earlier logs down one place
  // before it, but only when the newest one recorded a setup run: a start without one must not
  // push a failed run out. A move that fails is skipped; the save goes ahead. Throws
  // FileCreateError when the save fails.
  void Save(const std::string& folder, const std::string& content);

 private:
  void MoveDown(const std::string& folder);

  bool moved_down_ = false;
};

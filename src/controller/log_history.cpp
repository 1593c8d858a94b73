// The saved log and the four before it.
#include "controller/log_history.h"

#include "common/platform.h"
#include "controller/wizard_log.h"

namespace {

// A log that holds this line recorded a setup run.
constexpr const char* kRunMark = "==== NEW ====";

std::string PathOf(const std::string& folder, int place) {
  return folder + (place == 0 ? std::string(kLogFileName) : EarlierLogName(place));
}

bool RecordedARun(const std::string& path) {
  try {
    return ReadWholeFile(path).find(kRunMark) != std::string::npos;
  } catch (const FileOpenError&) {
    return false;  // none yet, or nothing a log could be
  }
}

}  // namespace

std::string EarlierLogName(int place) {
  const std::string name = kLogFileName;
  const std::size_t dot = name.rfind('.');
  return name.substr(0, dot) + "." + std::to_string(place) + name.substr(dot);
}

void LogHistory::Save(const std::string& folder, const std::string& content) {
  if (!moved_down_) {
    moved_down_ = true;
    if (RecordedARun(PathOf(folder, 0))) MoveDown(folder);
  }
  ReplaceFile(PathOf(folder, 0), content);
}

void LogHistory::MoveDown(const std::string& folder) {
  // Oldest first, each over the next: the fourth earlier log is replaced, so dropped.
  for (int place = kEarlierLogs - 1; place >= 0; --place) {
    RenameReplacing(PathOf(folder, place), PathOf(folder, place + 1));
  }
}

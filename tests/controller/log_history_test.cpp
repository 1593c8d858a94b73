// The newest log and the four before it: which save moves them down, and what a failed or
// tampered step leaves.
#include "controller/log_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "controller/wizard_log.h"
#include "support/test_files.h"

namespace {

constexpr const char* kRun = "[10:00:00.000]  ==== NEW ====\r\n";

// The contents of the newest log and the four before it; "-" for a missing file.
std::vector<std::string> History(const ScratchFolder& folder) {
  std::vector<std::string> contents;
  for (int place = 0; place <= kEarlierLogs; ++place) {
    const std::string path = folder.File(place == 0 ? std::string(kLogFileName) : EarlierLogName(place));
    contents.push_back(std::filesystem::exists(path) ? ReadFileForTest(path) : "-");
  }
  return contents;
}

void Plant(const ScratchFolder& folder, const std::vector<std::string>& contents) {
  for (std::size_t place = 0; place < contents.size(); ++place) {
    if (contents[place] == "-") continue;
    folder.Write(place == 0 ? std::string(kLogFileName) : EarlierLogName(static_cast<int>(place)), contents[place]);
  }
}

TEST(LogHistory, TheFirstSaveOfARunMovesTheLogsDownOnlyAfterASetupRun) {
  const std::string idle = "[10:00:00.000]  Program Version\r\n";
  struct Row {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> after_two_saves;
  };
  const Row rows[] = {
      {"no log yet", {}, {"second", "-", "-", "-", "-"}},
      {"an idle start is replaced", {idle, "run 1"}, {"second", "run 1", "-", "-", "-"}},
      {"a run moves down, the oldest is dropped",
       {kRun, "run 1", "run 2", "run 3", "run 4"},
       {"second", kRun, "run 1", "run 2", "run 3"}},
      {"gaps stay gaps", {kRun, "-", "run 2"}, {"second", kRun, "-", "run 2", "-"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    Plant(folder, row.before);
    LogHistory history;
    history.Save(folder.Path() + kPathSeparator, kRun);
    // Later saves of the same run replace the newest only.
    history.Save(folder.Path() + kPathSeparator, "second");
    EXPECT_EQ(History(folder), row.after_two_saves);
  }
}

TEST(LogHistory, AStepThatFailsIsSkippedAndALinkIsMovedNotFollowed) {
  ScratchFolder folder;
  ScratchFolder elsewhere;
  const std::string target = elsewhere.Write("precious", "precious");
  Plant(folder, {kRun, "run 1"});
  ASSERT_EQ(::symlink(target.c_str(), folder.File(EarlierLogName(2)).c_str()), 0);
  // A folder where the fourth earlier log would go: that step fails.
  ASSERT_EQ(::mkdir(folder.File(EarlierLogName(4)).c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((folder.File(EarlierLogName(4)) + "/inside").c_str(), 0700), 0);
  LogHistory history;
  history.Save(folder.Path() + kPathSeparator, "new");
  EXPECT_EQ(ReadFileForTest(folder.File(kLogFileName)), "new");
  EXPECT_EQ(ReadFileForTest(folder.File(EarlierLogName(1))), kRun);
  EXPECT_EQ(ReadFileForTest(folder.File(EarlierLogName(2))), "run 1");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File(EarlierLogName(3))));
  EXPECT_EQ(ReadFileForTest(target), "precious");
}

}  // namespace

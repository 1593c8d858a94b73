// The built program, ended by each of the signals that end a session, saves its log as a close
// does and ends with the close's exit code; when its display goes, it saves its log and ends
// with a status that says it did not end normally.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"
#include "support/box_run.h"
#include "support/test_files.h"

namespace {

using namespace std::chrono_literals;

struct Row {
  const char* name;
  int signal_number;     // 0: none is sent
  int ignored_at_start;  // set to be ignored before the program starts, as nohup does; 0: none
  bool log_folder_missing;
  bool quits_when_shown;  // the program quits of itself, without its window closing
};

// The wizard on the offscreen platform, or as `display` sets it, in `folder`; its state folder a
// file when the log folder is to be unusable.
pid_t StartWizard(const ScratchFolder& folder, const Row& row, const std::vector<std::string>& display = {}) {
  if (row.log_folder_missing) folder.Write("state", "");
  ProgramStart start{display};
  if (row.quits_when_shown) start.environment.push_back("RODIDUZ_EXIT_WHEN_SHOWN=1");
  start.ignored_signal = row.ignored_at_start;
  return StartProgram(folder, start);
}

// A signal mask of /proc/<pid>/status ("SigCgt", "SigIgn"); 0 when it cannot be read.
std::uint64_t SignalMask(pid_t pid, const std::string& field) {
  const std::string status = ReadFileForTest("/proc/" + std::to_string(pid) + "/status");
  const std::size_t at = status.find(field + ":");
  if (at == std::string::npos) return 0;
  return std::stoull(status.substr(at + field.size() + 1), nullptr, 16);
}

constexpr std::uint64_t Bit(int signal_number) { return std::uint64_t{1} << (signal_number - 1); }

// The log saved in the state folder; or, where that cannot be used, in the private runtime
// folder, with standard error saying why and where.
void ExpectLogSaved(const ScratchFolder& folder, bool log_folder_missing, const std::string& output) {
  std::string saved = folder.File("state/rodiduz-setup/deruruv_ozo.txt");
  if (log_folder_missing) {
    saved = folder.File("runtime/deruruv_ozo.txt");
    EXPECT_NE(output.find("Cannot use the log folder \"" + folder.File("state/rodiduz-setup") + "\"."),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("The log was saved as \"" + saved + "\" instead."), std::string::npos) << output;
  }
  const std::string log = ReadFileForTest(saved);
  EXPECT_EQ(log.rfind("[", 0), 0u) << log;
  EXPECT_NE(log.find("]  Program Version: Dididuz 2015 - Version 1.2.8\r\n"), std::string::npos) << log;
}

TEST(SessionEndTest, EachEndingSignalSavesTheLogAndEndsTheProgramAsACloseDoes) {
  ASSERT_TRUE(std::filesystem::exists(kProgram)) << kProgram << " is not built";
  const Row rows[] = {
      {"SIGTERM (shutdown)", SIGTERM, 0, false, false},
      {"SIGHUP (terminal or session gone)", SIGHUP, 0, false, false},
      {"SIGINT (Ctrl+C)", SIGINT, 0, false, false},
      {"SIGTERM, started under nohup", SIGTERM, SIGHUP, false, false},
      // Nobody may be there to answer: the log goes to the runtime folder and the program ends.
      {"SIGTERM, the log folder cannot be used", SIGTERM, 0, true, false},
      // As the desktop's session manager may end it: a quit that bypasses the window's close.
      {"a quit without a close", 0, 0, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    const pid_t wizard = StartWizard(folder, row);
    ASSERT_GT(wizard, 0);
    if (row.signal_number != 0) {
      // Once the program has taken over its signals, a signal waits in its pipe for the loop.
      const std::uint64_t taken = Bit(SIGTERM) | Bit(SIGINT);
      const bool ready = WaitFor([&] { return (SignalMask(wizard, "SigCgt") & taken) == taken; }, 20s);
      EXPECT_TRUE(ready) << "the program never caught the ending signals";
      if (ready && row.ignored_at_start != 0) {
        // What the starter ignored stays ignored.
        EXPECT_EQ(SignalMask(wizard, "SigCgt") & Bit(row.ignored_at_start), 0u);
        EXPECT_NE(SignalMask(wizard, "SigIgn") & Bit(row.ignored_at_start), 0u);
      }
      kill(wizard, row.signal_number);
    }
    int status = 0;
    const bool ended = WaitForEnd(wizard, status);
    const std::string output = ReadFileForTest(folder.File("output.txt"));
    ASSERT_TRUE(ended) << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ExpectLogSaved(folder, row.log_folder_missing, output);
  }
}

enum class DisplayLoss { ServerEnds, ClientKilled };

struct DisplayRow {
  const char* name;
  DisplayLoss loss;
  bool log_folder_missing;
};

TEST(SessionEndTest, LosingTheDisplaySavesTheLogEndsWithAFailureStatusAndAsksNothing) {
  ASSERT_TRUE(std::filesystem::exists(kProgram)) << kProgram << " is not built";
  for (const char* tool : {"Xvfb", "xdotool", "xkill"}) {
    if (!OnPath(tool)) GTEST_SKIP() << tool << " is missing (scripts/install-deps)";
  }
  const DisplayRow rows[] = {
      {"the X server ends", DisplayLoss::ServerEnds, false},
      {"the window's connection is killed (xkill)", DisplayLoss::ClientKilled, false},
      // Nobody can be asked without a display: the log goes to the runtime folder.
      {"the X server ends, the log folder cannot be used", DisplayLoss::ServerEnds, true},
  };
  for (const DisplayRow& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    OwnXServer server(folder.File("xvfb.txt"));
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const pid_t wizard = StartWizard(folder, Row{row.name, 0, 0, row.log_folder_missing, false},
                                     {"DISPLAY=" + server.display(), "QT_QPA_PLATFORM=xcb"});
    ASSERT_GT(wizard, 0);
    const std::string find_window =
        "DISPLAY=" + server.display() +
        " xdotool search --onlyvisible --name '^Rodiduz Box Setup Wizard$' 2>/dev/null";
    std::string window;
    const bool shown = WaitFor([&] { return !(window = OutputOf(find_window)).empty(); }, 20s);
    EXPECT_TRUE(shown) << "the window never showed on " << server.display() << ": "
                       << ReadFileForTest(folder.File("output.txt"))
                       << "\nXvfb: " << ReadFileForTest(folder.File("xvfb.txt"));
    // A write to the broken connection must fail rather than end the program before its save.
    EXPECT_NE(SignalMask(wizard, "SigIgn") & Bit(SIGPIPE), 0u);
    if (row.loss == DisplayLoss::ServerEnds) {
      server.End();
    } else {
      OutputOf("DISPLAY=" + server.display() + " xkill -id " + window.substr(0, window.find('\n')) + " 2>&1");
    }
    int status = 0;
    const bool ended = WaitForEnd(wizard, status);
    const std::string output = ReadFileForTest(folder.File("output.txt"));
    ASSERT_TRUE(ended) << "the program did not end of itself: " << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_NE(WEXITSTATUS(status), 0);
    ExpectLogSaved(folder, row.log_folder_missing, output);
  }
}

}  // namespace

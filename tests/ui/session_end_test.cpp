// The built program, ended by each of the signals that end a session, saves its log as a close
// does and ends with the close's exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/box_run.h"
#include "support/test_files.h"
#include "window_fixture.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

const std::string kProgram = RODIDUZ_BINARY_DIR "/rodiduz-setup";

struct Row {
  const char* name;
  int signal_number;     // 0: none is sent
  int ignored_at_start;  // set to be ignored before the program starts, as nohup does; 0: none
  bool log_folder_missing;
  bool quits_when_shown;  // the program quits of itself, without its window closing
};

// The wizard on the offscreen platform in `folder` (its catalogue beside it), the log's folder
// `folder`/tmp, its output in `folder`/output.txt.
pid_t StartWizard(const ScratchFolder& folder, const Row& row) {
  folder.Write("apnlist.csv", kWindowTestCatalogue);
  const std::string temporary = folder.File("tmp");
  if (!row.log_folder_missing) std::filesystem::create_directory(temporary);
  // Ours first: the first of two equal names is the one a program sees.
  std::vector<std::string> ours = {"QT_QPA_PLATFORM=offscreen", "TMPDIR=" + temporary,
                                   "RODIDUZ_PORT_DIR=" + folder.Path()};
  if (row.quits_when_shown) ours.push_back("RODIDUZ_EXIT_WHEN_SHOWN=1");
  std::vector<char*> envp;
  for (std::string& variable : ours) envp.push_back(variable.data());
  for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
  envp.push_back(nullptr);
  const std::string output = folder.File("output.txt");
  char* argv[] = {const_cast<char*>(kProgram.c_str()), nullptr};

  const pid_t child = fork();
  if (child == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (chdir(folder.Path().c_str()) != 0) _exit(126);
    if (row.ignored_at_start != 0) signal(row.ignored_at_start, SIG_IGN);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  return child;
}

// A signal mask of /proc/<pid>/status ("SigCgt", "SigIgn"); 0 when it cannot be read.
std::uint64_t SignalMask(pid_t pid, const std::string& field) {
  const std::string status = ReadFileForTest("/proc/" + std::to_string(pid) + "/status");
  const std::size_t at = status.find(field + ":");
  if (at == std::string::npos) return 0;
  return std::stoull(status.substr(at + field.size() + 1), nullptr, 16);
}

constexpr std::uint64_t Bit(int signal_number) { return std::uint64_t{1} << (signal_number - 1); }

TEST(SessionEndTest, EachEndingSignalSavesTheLogAndEndsTheProgramAsACloseDoes) {
  ASSERT_TRUE(std::filesystem::exists(kProgram)) << kProgram << " is not built";
  const Row rows[] = {
      {"SIGTERM (shutdown)", SIGTERM, 0, false, false},
      {"SIGHUP (terminal or session gone)", SIGHUP, 0, false, false},
      {"SIGINT (Ctrl+C)", SIGINT, 0, false, false},
      {"SIGTERM, started under nohup", SIGTERM, SIGHUP, false, false},
      // Nobody may be there to answer: the error goes to standard error and the program ends.
      {"SIGTERM, the log cannot be saved", SIGTERM, 0, true, false},
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
    const bool ended = WaitFor([&] { return waitpid(wizard, &status, WNOHANG) == wizard; }, 20s);
    if (!ended) {
      kill(wizard, SIGKILL);
      waitpid(wizard, &status, 0);
    }
    const std::string output = ReadFileForTest(folder.File("output.txt"));
    ASSERT_TRUE(ended) << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    if (row.log_folder_missing) {
      EXPECT_NE(output.find("Cannot create file \"" + folder.File("tmp/deruruv_ozo.txt") + "\""), std::string::npos)
          << output;
      continue;
    }
    const std::string log = ReadFileForTest(folder.File("tmp/deruruv_ozo.txt"));
    EXPECT_EQ(log.rfind("[", 0), 0u) << log;
    EXPECT_NE(log.find("]  Program Version: Dididuz 2015 - Version 1.2.8\r\n"), std::string::npos) << log;
  }
}

}  // namespace

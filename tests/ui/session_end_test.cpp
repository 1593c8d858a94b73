// The built program, ended by each of the signals that end a session, saves its log as a close
// does and ends with the close's exit code; when its display goes, it saves its log and ends
// with a status that says it did not end normally.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
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

// The wizard on the offscreen platform, or as `display` sets it, in `folder` (its catalogue
// beside it), its state folder `folder`/state (a file when the log folder is to be unusable),
// its runtime folder `folder`/runtime, its output in `folder`/output.txt.
pid_t StartWizard(const ScratchFolder& folder, const Row& row, const std::vector<std::string>& display = {}) {
  folder.Write("apnlist.csv", kWindowTestCatalogue);
  if (row.log_folder_missing) folder.Write("state", "");
  mkdir(folder.File("runtime").c_str(), 0700);
  // Ours first: the first of two equal names is the one a program sees.
  std::vector<std::string> ours = display;
  for (const std::string& variable :
       {std::string("QT_QPA_PLATFORM=offscreen"), "XDG_STATE_HOME=" + folder.File("state"),
        "HOME=" + folder.File("home"), "XDG_RUNTIME_DIR=" + folder.File("runtime"),
        "RODIDUZ_PORT_DIR=" + folder.Path()})
    ours.push_back(variable);
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
    const bool ended = WaitFor([&] { return waitpid(wizard, &status, WNOHANG) == wizard; }, 20s);
    if (!ended) {
      kill(wizard, SIGKILL);
      waitpid(wizard, &status, 0);
    }
    const std::string output = ReadFileForTest(folder.File("output.txt"));
    ASSERT_TRUE(ended) << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ExpectLogSaved(folder, row.log_folder_missing, output);
  }
}

bool OnPath(const std::string& program) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(path, folder, ':');) {
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// What a command prints on its standard output, run through the shell.
std::string OutputOf(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

// An X server of the test's own on a free display number. It takes the display's lock file and
// socket in /tmp as every X server does, so that servers started at the same time by other
// tests or programs never pick the same number; it removes both when it ends.
class OwnXServer {
 public:
  explicit OwnXServer(const std::string& output) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      const std::string fd = std::to_string(ready[1]);
      // Without -noreset the server starts over whenever its last client leaves, and a
      // window search that ends just as the wizard connects would take the wizard's connection
      // with it.
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
             "1280x800x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The server writes its display number, then a line feed, once it accepts connections. The
    // pipe stays open for the line feed: a server whose write fails gives up.
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    while (pid_ > 0 && number.find('\n') == std::string::npos && poll(&wait, 1, 20000) == 1 &&
           read(ready[0], &byte, 1) == 1) {
      number += byte;
    }
    if (number.find('\n') != std::string::npos) display_ = ":" + number.substr(0, number.find('\n'));
    close(ready[0]);
  }
  ~OwnXServer() { End(); }

  const std::string& display() const { return display_; }
  void End() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

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
    const std::string find_window = "DISPLAY=" + server.display() +
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
    const bool ended = WaitFor([&] { return waitpid(wizard, &status, WNOHANG) == wizard; }, 20s);
    if (!ended) {
      kill(wizard, SIGKILL);
      waitpid(wizard, &status, 0);
    }
    const std::string output = ReadFileForTest(folder.File("output.txt"));
    ASSERT_TRUE(ended) << "the program did not end of itself: " << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_NE(WEXITSTATUS(status), 0);
    ExpectLogSaved(folder, row.log_folder_missing, output);
  }
}

}  // namespace


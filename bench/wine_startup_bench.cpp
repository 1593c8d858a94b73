// Start-up of the Windows program under Wine: from exec of `wine` to the main window's first
// paint, with the real catalogue, next to the bare Win32 window (rodiduz-bare-window.exe) started
// the same way in the same run. Both print "shown after <ms> ms" once painted (the wizard when
// RODIDUZ_EXIT_WHEN_SHOWN is set) and end. Needs `make windows` (build-win/ beside build/), Wine
// and an X server ($DISPLAY, for example under xvfb-run); without them nothing is registered.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kWindowsBuild = RODIDUZ_BINARY_DIR "/../build-win";
const std::string kWizard = kWindowsBuild + "/rodiduz-setup.exe";
const std::string kBareWindow = kWindowsBuild + "/rodiduz-bare-window.exe";
constexpr int kLineWaitMilliseconds = 60000;

// Starts `program` under Wine in the build folder (where apnlist.csv is) and returns the
// seconds until its end mark arrives, or a negative number when it never does.
double SecondsToShown(const std::string& program, const char* option = nullptr) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return -1;
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
    if (::chdir(RODIDUZ_BINARY_DIR) != 0) ::_exit(126);
    ::setenv("RODIDUZ_EXIT_WHEN_SHOWN", "1", 1);
    ::execlp("wine", "wine", program.c_str(), option, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  std::string output;
  double seconds = -1;
  pollfd fd{pipe_ends[0], POLLIN, 0};
  while (::poll(&fd, 1, kLineWaitMilliseconds) > 0) {
    char buffer[256];
    const ssize_t got = ::read(pipe_ends[0], buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
    if (output.find("shown after") != std::string::npos && output.find('\n') != std::string::npos) {
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
      break;
    }
  }
  ::close(pipe_ends[0]);
  if (seconds < 0) ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  return seconds;
}

// Each iteration starts the bare window, the bare window with a line of text and the wizard,
// so that all three see the same state of a busy machine; the iteration's time is the wizard's.
void BM_WineStartUp(benchmark::State& state) {
  // One server for the whole run, as a desktop session has: no iteration pays for starting it.
  if (std::system("wineserver -p60") != 0) {
    state.SkipWithError("wineserver cannot be started");
    return;
  }
  // Wine's first program after the server starts sets up the session; no figure includes that.
  if (SecondsToShown(kBareWindow) < 0) {
    state.SkipWithError("the bare window gave no end mark");
    return;
  }
  double bare_total = 0;
  double text_total = 0;
  double wizard_total = 0;
  for (auto _ : state) {
    const double bare = SecondsToShown(kBareWindow);
    const double text = SecondsToShown(kBareWindow, "--text");
    const double wizard = SecondsToShown(kWizard);
    if (bare < 0 || text < 0 || wizard < 0) {
      state.SkipWithError("a program gave no end mark");
      return;
    }
    state.SetIterationTime(wizard);
    bare_total += bare;
    text_total += text;
    wizard_total += wizard;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["bare_window_ms"] = bare_total / runs * 1e3;
  state.counters["text_window_ms"] = text_total / runs * 1e3;
  state.counters["wizard_ms"] = wizard_total / runs * 1e3;
  state.counters["x_bare_window"] = wizard_total / bare_total;
  state.counters["x_text_window"] = wizard_total / text_total;
}

bool CanRun() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0' && std::filesystem::exists(kWizard) &&
         std::filesystem::exists(kBareWindow);
}

const bool kRegistered = [] {
  if (!CanRun()) return false;
  benchmark::RegisterBenchmark("BM_WineStartUp", BM_WineStartUp)
      ->Iterations(5)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

// Start-up: from exec to the main window's first paint, with the real catalogue, next to a bare
// Qt window (rodiduz-bare-window) started the same way in the same run. Both end themselves
// once painted and print "shown after <ms> ms" (rodiduz-setup when RODIDUZ_EXIT_WHEN_SHOWN is
// set); the time here runs from just before fork() to that line arriving.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kWizard = RODIDUZ_BINARY_DIR "/rodiduz-setup";
const std::string kBareWindow = RODIDUZ_BINARY_DIR "/bench/rodiduz-bare-window";
constexpr int kLineWaitMilliseconds = 20000;

// Starts `program` in the build folder (where apnlist.csv is) on `platform` and returns the
// seconds until its end mark arrives, or a negative number when it never does.
double SecondsToShown(const std::string& program, const std::string& platform, const char* option = nullptr) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return -1;
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    // Qt's notes about the session (no XDG_RUNTIME_DIR and the like) would fill the report.
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
    if (::chdir(RODIDUZ_BINARY_DIR) != 0) ::_exit(126);
    ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    ::setenv("RODIDUZ_EXIT_WHEN_SHOWN", "1", 1);
    // The wizard saves its log as it ends: into the build's folder, not the user's temporary one.
    ::setenv("TMPDIR", RODIDUZ_BINARY_DIR "/bench", 1);
    ::execl(program.c_str(), program.c_str(), option, static_cast<char*>(nullptr));
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

// The X server for the xcb runs: $DISPLAY when set (for example under xvfb-run), else none.
bool HaveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

// Each iteration starts the bare window, the bare window with a line of text and the wizard,
// so that all three see the same state of a busy machine; the iteration's time is the wizard's.
void BM_StartUp(benchmark::State& state, const char* platform) {
  double bare_total = 0;
  double text_total = 0;
  double wizard_total = 0;
  for (auto _ : state) {
    const double bare = SecondsToShown(kBareWindow, platform);
    const double text = SecondsToShown(kBareWindow, platform, "--text");
    const double wizard = SecondsToShown(kWizard, platform);
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
BENCHMARK_CAPTURE(BM_StartUp, offscreen, "offscreen")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// On an X server only when there is one (xvfb-run provides it).
const bool kXcbRegistered = [] {
  if (!HaveDisplay()) return false;
  benchmark::RegisterBenchmark("BM_StartUp/xcb", BM_StartUp, "xcb")
      ->Iterations(10)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

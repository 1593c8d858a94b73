// The start-up benchmarks' stopwatch.
#include "time_to_shown.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

double SecondsToShown(const std::vector<std::string>& command,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  std::vector<char*> arguments;
  for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  int pipe_ends[2];
  if (command.empty() || ::pipe(pipe_ends) != 0) return -1;
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    // The programs' notes about the session (no XDG_RUNTIME_DIR and the like) would fill the report.
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
    if (::chdir(RODIDUZ_BINARY_DIR) != 0) ::_exit(126);
    ::setenv("RODIDUZ_EXIT_WHEN_SHOWN", "1", 1);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    ::execvp(arguments[0], arguments.data());
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  std::string output;
  double seconds = -1;
  pollfd fd{pipe_ends[0], POLLIN, 0};
  while (::poll(&fd, 1, static_cast<int>(limit.count())) > 0) {
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

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

void CompareStartUps(benchmark::State& state, const std::string& bare_window, const std::string& wizard,
                     const StartProgram& start) {
  std::vector<double> bare_times;
  std::vector<double> text_times;
  std::vector<double> wizard_times;
  std::vector<double> bare_ratios;
  std::vector<double> text_ratios;
  for (auto _ : state) {
    const double bare = start(bare_window, nullptr);
    const double text = start(bare_window, "--text");
    const double shown = start(wizard, nullptr);
    if (bare < 0 || text < 0 || shown < 0) {
      state.SkipWithError("a program gave no end mark");
      return;
    }
    state.SetIterationTime(shown);
    bare_times.push_back(bare * 1e3);
    text_times.push_back(text * 1e3);
    wizard_times.push_back(shown * 1e3);
    bare_ratios.push_back(shown / bare);
    text_ratios.push_back(shown / text);
  }
  if (wizard_times.empty()) return;
  state.counters["bare_window_ms"] = Median(bare_times);
  state.counters["text_window_ms"] = Median(text_times);
  state.counters["wizard_ms"] = Median(wizard_times);
  state.counters["x_bare_window"] = Median(bare_ratios);
  state.counters["x_text_window"] = Median(text_ratios);
}

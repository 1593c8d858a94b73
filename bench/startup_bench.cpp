// Start-up: from exec to the main window's first paint, with the real catalogue, next to a bare
// Qt window (rodiduz-bare-window) started the same way in the same run. Both end themselves
// once painted and print "shown after <ms> ms" (rodiduz-setup when RODIDUZ_EXIT_WHEN_SHOWN is
// set); the time here runs from just before fork() to that line arriving.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "time_to_shown.h"

namespace {

const std::string kWizard = RODIDUZ_BINARY_DIR "/rodiduz-setup";
const std::string kBareWindow = RODIDUZ_BINARY_DIR "/bench/rodiduz-bare-window";
constexpr int kLineWaitMilliseconds = 20000;

// Starts `program` on `platform` and returns the seconds until its end mark arrives, or a
// negative number when it never does. The wizard saves its log as it ends: into the build's
// folder, not the user's temporary one.
double StartUpSeconds(const std::string& program, const std::string& platform, const char* option = nullptr) {
  std::vector<std::string> command = {program};
  if (option != nullptr) command.emplace_back(option);
  return SecondsToShown(command, {{"QT_QPA_PLATFORM", platform}, {"TMPDIR", RODIDUZ_BINARY_DIR "/bench"}},
                        std::chrono::milliseconds(kLineWaitMilliseconds));
}

// The X server for the xcb runs: $DISPLAY when set (for example under xvfb-run), else none.
bool HaveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

void BM_StartUp(benchmark::State& state, const char* platform) {
  CompareStartUps(state, kBareWindow, kWizard, [platform](const std::string& program, const char* option) {
    return StartUpSeconds(program, platform, option);
  });
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

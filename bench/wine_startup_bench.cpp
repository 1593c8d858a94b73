// Start-up of the Windows program under Wine: from exec of `wine` to the main window's first
// paint, with the real catalogue, next to the bare Win32 window (rodiduz-bare-window.exe) started
// the same way in the same run. Both print "shown after <ms> ms" once painted (the wizard when
// RODIDUZ_EXIT_WHEN_SHOWN is set) and end. Needs `make windows` (build-win/ beside build/), Wine
// and an X server ($DISPLAY, for example under xvfb-run); without them nothing is registered.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "time_to_shown.h"

namespace {

const std::string kWindowsBuild = RODIDUZ_BINARY_DIR "/../build-win";
const std::string kWizard = kWindowsBuild + "/rodiduz-setup.exe";
const std::string kBareWindow = kWindowsBuild + "/rodiduz-bare-window.exe";
constexpr int kLineWaitMilliseconds = 60000;

// Starts `program` under Wine and returns the seconds until its end mark arrives, or a negative
// number when it never does.
double StartUpSeconds(const std::string& program, const char* option = nullptr) {
  std::vector<std::string> command = {"wine", program};
  if (option != nullptr) command.emplace_back(option);
  return SecondsToShown(command, {}, std::chrono::milliseconds(kLineWaitMilliseconds));
}

void BM_WineStartUp(benchmark::State& state) {
  // One server for the whole run, as a desktop session has: no iteration pays for starting it.
  if (std::system("wineserver -p60") != 0) {
    state.SkipWithError("wineserver cannot be started");
    return;
  }
  // Wine's first programs after the server starts set up the session: the first start of the
  // wizard also starts the services its COM calls need (the service manager and RPCSS), which a
  // Windows desktop always runs. No figure includes that.
  if (StartUpSeconds(kBareWindow) < 0 || StartUpSeconds(kWizard) < 0) {
    state.SkipWithError("a program gave no end mark");
    return;
  }
  CompareStartUps(state, kBareWindow, kWizard, StartUpSeconds);
}

bool CanRun() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0' && std::filesystem::exists(kWizard) &&
         std::filesystem::exists(kBareWindow);
}

const bool kRegistered = [] {
  if (!CanRun()) return false;
  benchmark::RegisterBenchmark("BM_WineStartUp", BM_WineStartUp)
      ->Iterations(15)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

// A batch of 20 boxes through the command line's runs: each box plugged in on the virtual USB
// bus as a simulator of its own ID, set up by a CliRun with its timers on the command's clock,
// its row appended to the report, then unplugged and waited for as the batch does. The
// reference is the floor the design sets for each box, as for the whole setup: one message per
// tick, the ladder's pauses and the simulator's own delays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/cli_run.h"
#include "cli/csv_report.h"
#include "support/box_run.h"
#include "support/pty_port.h"
#include "support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kBoxes = 20;
// The simulator's delays, as the tests' Simulator starts it.
constexpr double kAnnounceMilliseconds = 200;
constexpr double kTestMilliseconds = 100;
const std::string kCatalogue = RODIDUZ_BINARY_DIR "/apnlist.csv";

// What one box's run took and what its state machine did.
struct BoxRecord {
  double wall_ms = 0;
  unsigned working_ticks = 0;  // took a message, changed the state, or opened the port
  double paused_ms = 0;
  bool connect_tick_took_message = false;
  double connect_pause_ms = 0;
};

// Counts the core's work around each timer, as the whole-setup benchmark does.
class WorkCounter {
 public:
  explicit WorkCounter(BoxRecord& record) : record_(record) {}

  void Before(WizardTimer timer, Wizard& wizard) {
    if (timer == WizardTimer::kLadderPause) {
      const auto pause = static_cast<double>(IntervalOf(WizardTimer::kLadderPause).count());
      record_.paused_ms += pause;
      if (connecting_) record_.connect_pause_ms += pause;
      connecting_ = false;
      return;
    }
    if (timer != WizardTimer::kTick) return;
    state_ = wizard.Session().state;
    took_message_ = wizard.Channel().WaitingMessages() != 0;
    opens_port_ = state_ == kStateFound && !wizard.Channel().port_open.load();
  }

  void After(WizardTimer timer, Wizard& wizard) {
    if (timer != WizardTimer::kTick) return;
    const std::uint32_t state = wizard.Session().state;
    if (took_message_ || opens_port_ || state != state_) ++record_.working_ticks;
    if (state_ == kStateFound && state == kStateConnected) {
      record_.connect_tick_took_message = took_message_;
      connecting_ = true;
    }
  }

 private:
  BoxRecord& record_;
  std::uint32_t state_ = kStateInit;
  bool took_message_ = false;
  bool opens_port_ = false;
  bool connecting_ = false;
};

double FloorMilliseconds(const BoxRecord& box) {
  const auto interval = static_cast<double>(IntervalOf(WizardTimer::kTick).count());
  double floor = interval * box.working_ticks + box.paused_ms + kTestMilliseconds;
  if (box.connect_tick_took_message) {
    floor += std::max(0.0, kAnnounceMilliseconds - (box.connect_pause_ms + interval));
  }
  return floor;
}

std::string BoxId(int index) {
  char id[16];
  std::snprintf(id, sizeof id, "BENCH%03d", index);
  return id;
}

// The batch: the scratch folder holds the ports, the logs and the report.
class BatchRig {
 public:
  BatchRig()
      : port_dir_(folder_.Path()), sink_(std::fopen("/dev/null", "w")), csv_(folder_.File("boxes.csv")) {
    options_.apn = "internet";
    options_.batch = true;
    options_.log_dir = folder_.File("logs");
    options_.report_path = folder_.File("boxes.csv");
  }
  ~BatchRig() {
    if (sink_ != nullptr) std::fclose(sink_);
  }

  // One box from plugging in to unplugged; false when it did not pass.
  bool SetUpBox(int index, BoxRecord& record) {
    auto simulator =
        std::make_unique<Simulator>(folder_.Path(), std::vector<std::string>{"--id", BoxId(index)});
    if (!simulator->plugged_in()) return false;
    CliReport report(false, sink_, sink_);
    WizardEnvironment environment;
    environment.catalogue_path = kCatalogue;
    environment.usb_library = VirtualBusPath();
    CliRun run(options_, report, std::move(environment));
    WorkCounter counter(record);
    run.before_timer = [&](WizardTimer timer, Wizard& wizard) { counter.Before(timer, wizard); };
    run.after_timer = [&](WizardTimer timer, Wizard& wizard) { counter.After(timer, wizard); };
    const auto start = Clock::now();
    const int status = run.Run();
    record.wall_ms = Milliseconds(Clock::now() - start).count();
    csv_.Append("-", run.result());
    simulator.reset();
    run.WaitUntilUnplugged([] { return false; });
    return status == 0;
  }

 private:
  ScratchFolder folder_;
  PortDirOverride port_dir_;
  std::FILE* sink_;
  CsvReport csv_;
  CliOptions options_;
};

void BM_CliBatchOf20Boxes(benchmark::State& state) {
  if (!std::filesystem::exists(SimulatorPath()) || !std::filesystem::exists(VirtualBusPath()) ||
      !std::filesystem::exists(kCatalogue)) {
    state.SkipWithError("rodiduz-boxsim, sim/libusblib.so or apnlist.csv is not built");
    return;
  }
  double wall = 0;
  double floor = 0;
  double working = 0;
  for (auto _ : state) {
    BatchRig rig;
    double batch_wall = 0;
    for (int i = 0; i < kBoxes; ++i) {
      BoxRecord box;
      if (!rig.SetUpBox(i, box)) {
        state.SkipWithError("a box did not pass");
        return;
      }
      batch_wall += box.wall_ms;
      floor += FloorMilliseconds(box);
      working += box.working_ticks;
    }
    wall += batch_wall;
    state.SetIterationTime(batch_wall / 1e3);
  }
  const double boxes = static_cast<double>(state.iterations()) * kBoxes;
  state.counters["ms_per_box"] = wall / boxes;
  state.counters["floor_ms_per_box"] = floor / boxes;
  state.counters["x_floor"] = wall / floor;
  state.counters["working_ticks"] = working / boxes;
}
BENCHMARK(BM_CliBatchOf20Boxes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

// A whole setup against the box simulator, from Start to GPRSPassed: the controller with the
// real catalogue, the real engine, discovery on the virtual bus, and both timers run as the
// window runs them. The reference is the floor the design sets for the same run: one message
// per DeviceTimer tick, the state machine's pauses, and the simulator's own delays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "controller/wizard.h"
#include "support/box_run.h"
#include "support/pty_port.h"
#include "support/recording_view.h"
#include "support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The window's send pump interval; it adds latency to each answer but no tick.
constexpr auto kSendPumpInterval = IntervalOf(WizardTimer::kSendPump);
constexpr auto kTickInterval = IntervalOf(WizardTimer::kTick);
constexpr auto kRunLimit = std::chrono::seconds(30);
// The simulator's delays for this run.
constexpr int kAnnounceMilliseconds = 200;
constexpr int kTestMilliseconds = 100;

const std::string kCatalogue = RODIDUZ_BINARY_DIR "/apnlist.csv";

// What one run took and what its state machine did.
struct RunRecord {
  double wall_ms = 0;
  unsigned ticks = 0;
  unsigned working_ticks = 0;  // took a message, changed the state, or opened the port
  double paused_ms = 0;
  bool connect_tick_took_message = false;  // the first announcement went by before Connected
  unsigned connect_pause_ms = 0;
};

// The controller, its scratch folder and the simulator on COM7 of that folder.
class SetupRig {
 public:
  SetupRig() : port_dir_(folder_.Path()) {
    WizardEnvironment environment;
    environment.catalogue_path =
        std::filesystem::exists(kCatalogue) ? kCatalogue : folder_.Write("apnlist.csv", "");
    environment.usb_library = VirtualBusPath();
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    form_ = std::make_unique<Wizard>(view_, view_, std::move(environment));
    form_->CreateSerialPort();
    simulator_ = std::make_unique<Simulator>(
        folder_.Path(), std::vector<std::string>{"--announce-ms", std::to_string(kAnnounceMilliseconds),
                                                 "--test-ms", std::to_string(kTestMilliseconds)});
  }
  ~SetupRig() {
    form_.reset();  // its engine's worker ends before the simulator goes
    simulator_.reset();
  }

  bool plugged_in() const { return simulator_->plugged_in(); }

  // Start, then the timers as the window runs them: the send pump every 50 ms, and the tick
  // started again when each tick ends (the tick stops it while it runs); the ladder's pause holds
  // the next tick back.
  bool Run(RunRecord& record) {
    Wizard& form = *form_;
    const auto start = Clock::now();
    form.OnControl(Control::Start);
    auto next_tick = start + kTickInterval;
    auto next_pump = start + kSendPumpInterval;
    while (form.Session().state != kStateGPRSPassed) {
      if (Clock::now() - start > kRunLimit) return false;
      std::this_thread::sleep_until(std::min(next_tick, next_pump));
      if (Clock::now() >= next_pump) {
        form.OnTimer(WizardTimer::kSendPump);
        next_pump += kSendPumpInterval;
      }
      if (Clock::now() >= next_tick) {
        const bool connects = Tick(record);
        if (view_.Running(WizardTimer::kLadderPause)) Pause(record, connects);
        next_tick = Clock::now() + kTickInterval;
      }
    }
    record.wall_ms = Milliseconds(Clock::now() - start).count();
    return true;
  }

 private:
  bool MessageWaiting() { return form_->Channel().WaitingMessages() != 0; }

  // One tick; true when it connected.
  bool Tick(RunRecord& record) {
    Wizard& form = *form_;
    const std::uint32_t state = form.Session().state;
    const bool took_message = MessageWaiting();
    const bool opens_port = state == kStateFound && !form.Channel().port_open.load();
    form.OnTimer(WizardTimer::kTick);
    ++record.ticks;
    if (took_message || opens_port || form.Session().state != state) ++record.working_ticks;
    const bool connects = state == kStateFound && form.Session().state == kStateConnected;
    if (connects) record.connect_tick_took_message = took_message;
    return connects;
  }

  // The ladder's pause really happens, as in the window; it is noted for the floor.
  void Pause(RunRecord& record, bool connecting) {
    const auto pause = IntervalOf(WizardTimer::kLadderPause);
    std::this_thread::sleep_for(pause);
    record.paused_ms += static_cast<double>(pause.count());
    if (connecting) record.connect_pause_ms += static_cast<unsigned>(pause.count());
    form_->OnTimer(WizardTimer::kLadderPause);
  }

  ScratchFolder folder_;
  PortDirOverride port_dir_;
  RecordingView view_;
  std::unique_ptr<Wizard> form_;
  std::unique_ptr<Simulator> simulator_;
};

// The least time the run can take: each working tick comes a DeviceTimer interval after the
// one before (the first one after Start), the pauses hold the UI thread, and the box's test
// takes its time. When the first announcement was taken before the Connected state, the next
// one comes an announcement interval later; it costs time only beyond the Connected tick's
// pause and the following interval.
double FloorMilliseconds(const RunRecord& run) {
  const double interval = static_cast<std::uint32_t>(IntervalOf(WizardTimer::kTick).count());
  double floor = interval * run.working_ticks + run.paused_ms + kTestMilliseconds;
  if (run.connect_tick_took_message) {
    floor += std::max(0.0, kAnnounceMilliseconds - (run.connect_pause_ms + interval));
  }
  return floor;
}

void BM_CleanSetupRun(benchmark::State& state) {
  if (!std::filesystem::exists(SimulatorPath()) || !std::filesystem::exists(VirtualBusPath())) {
    state.SkipWithError("rodiduz-boxsim or sim/libusblib.so is not built");
    return;
  }
  double wall = 0;
  double floor = 0;
  double ticks = 0;
  double working = 0;
  for (auto _ : state) {
    SetupRig rig;  // manual time: setting up and tearing down are not counted
    RunRecord run;
    if (!rig.plugged_in() || !rig.Run(run)) {
      state.SkipWithError("the run did not reach GPRSPassed");
      return;
    }
    state.SetIterationTime(run.wall_ms / 1e3);
    wall += run.wall_ms;
    floor += FloorMilliseconds(run);
    ticks += run.ticks;
    working += run.working_ticks;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["wall_ms"] = wall / runs;
  state.counters["floor_ms"] = floor / runs;
  state.counters["x_floor"] = wall / floor;
  state.counters["ticks"] = ticks / runs;
  state.counters["working_ticks"] = working / runs;
}
BENCHMARK(BM_CleanSetupRun)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

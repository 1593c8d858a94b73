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

#include "controller/main_form.h"
#include "support/box_run.h"
#include "support/pty_port.h"
#include "support/recording_view.h"
#include "support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The window's send pump interval; it adds latency to each answer but no tick.
constexpr auto kSendPumpInterval = std::chrono::milliseconds(50);
constexpr auto kDeviceTimer = std::chrono::milliseconds(kDeviceTimerInterval);
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
    TForm1Environment environment;
    environment.catalogue_path =
        std::filesystem::exists(kCatalogue) ? kCatalogue : folder_.Write("apnlist.csv", "");
    environment.usb_library = VirtualBusPath();
    environment.log_folder = [this] { return folder_.Path() + "/"; };
    // The pauses really happen, as in the window; they are noted for the floor.
    environment.pause = [this](unsigned milliseconds) {
      pauses_.push_back(milliseconds);
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    form_ = std::make_unique<TForm1>(view_, std::move(environment));
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

  // Start, then the two timers as the window runs them: the send pump every 50 ms, and
  // DeviceTimer restarted when each tick ends (the tick switches it off while it runs).
  bool Run(RunRecord& record) {
    TForm1& form = *form_;
    const auto start = Clock::now();
    form.OnStart();
    auto next_tick = start + kDeviceTimer;
    auto next_pump = start + kSendPumpInterval;
    while (form.CommState != kStateGPRSPassed) {
      if (Clock::now() - start > kRunLimit) return false;
      std::this_thread::sleep_until(std::min(next_tick, next_pump));
      if (Clock::now() >= next_pump) {
        form.OnSendPumpTimer();
        next_pump += kSendPumpInterval;
      }
      if (Clock::now() >= next_tick) {
        Tick(record);
        next_tick = Clock::now() + kDeviceTimer;
      }
    }
    record.wall_ms = Milliseconds(Clock::now() - start).count();
    for (unsigned pause : pauses_) record.paused_ms += pause;
    return true;
  }

 private:
  bool MessageWaiting() {
    std::lock_guard<std::mutex> lock(form_->DutRecvLock);
    return !form_->DutRecvList.empty();
  }

  void Tick(RunRecord& record) {
    TForm1& form = *form_;
    const std::uint32_t state = form.CommState;
    const bool took_message = MessageWaiting();
    const bool opens_port = state == kStateFound && !form.PortOpen.load();
    const std::size_t pauses_before = pauses_.size();
    form.OnTick();
    ++record.ticks;
    if (took_message || opens_port || form.CommState != state) ++record.working_ticks;
    if (state == kStateFound && form.CommState == kStateConnected) {
      record.connect_tick_took_message = took_message;
      for (std::size_t i = pauses_before; i < pauses_.size(); ++i) record.connect_pause_ms += pauses_[i];
    }
  }

  ScratchFolder folder_;
  PortDirOverride port_dir_;
  RecordingView view_;
  std::vector<unsigned> pauses_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<Simulator> simulator_;
};

// The least time the run can take: each working tick comes a DeviceTimer interval after the
// one before (the first one after Start), the pauses hold the UI thread, and the box's test
// takes its time. When the first announcement was taken before the Connected state, the next
// one comes an announcement interval later; it costs time only beyond the Connected tick's
// pause and the following interval.
double FloorMilliseconds(const RunRecord& run) {
  const double interval = kDeviceTimerInterval;
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

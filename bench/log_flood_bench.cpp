// A box that sends nothing but bare line feeds as fast as its port allows, for ten minutes'
// worth of traffic (38400 baud: 3840 lines a second, 2.3 million lines), through the window
// program's real receive path: a pty, the engine's worker, line assembly, the log and, shown in
// the real main window (offscreen), either the debug mirror or the "Wizard log" window. The
// log's clock is injected, so ten minutes of stamps pass however fast the lines go. The figure
// is how much the process grew; the reference, from the same run, is what the same lines take
// kept one string each, as the log kept them before it was bounded.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_port.h"
#include "support/test_files.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLinesPerSecond = 38400.0 / 10.0;
constexpr std::uint64_t kFloodLines = 600 * 3840;  // ten minutes at the line rate
constexpr double kGoalBytes = 40.0 * 1024 * 1024;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr auto kSilenceLimit = std::chrono::seconds(30);

// Bytes the allocator has handed out and not had back, in every arena and in mapped blocks.
double HeapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0;
  std::size_t resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// The most the process has held resident since it started (the kernel's high-water mark).
double PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string field; status >> field;) {
    if (field == "VmHWM:") {
      double kib = 0;
      status >> kib;
      return kib * 1024.0;
    }
  }
  return 0;
}

// The log's time: each reading is one line later at the line rate, from eight in the morning.
class LineRateClock {
 public:
  LocalTime operator()() {
    const auto ms = static_cast<std::uint64_t>(static_cast<double>(readings_++) * 1000.0 / kLinesPerSecond) +
                    std::uint64_t{8} * 3600 * 1000;
    return LocalTime{static_cast<int>(ms / 3600000 % 24), static_cast<int>(ms / 60000 % 60),
                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
  }

 private:
  std::atomic<std::uint64_t> readings_{0};
};

// What follows the log in the window during the flood.
enum class LogShown { kDebugMirror, kLogWindow };

// The main window with its debug mirror or its log window shown and its engine open on a pty
// reachable as COM1.
class FloodRig {
 public:
  explicit FloodRig(LogShown shown) : port_dir_(folder_.Path()), shown_(shown) {
    pty_.Link(folder_.Path(), 1);
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "");
    environment.usb_library = folder_.File("no-such-usblib.so");
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    environment.clock = [this] { return clock_(); };
    environment.show_log_mirror = shown == LogShown::kDebugMirror;
    window_ = std::make_unique<MainWindow>(std::move(environment));
    window_->show();
    exposed_ = QTest::qWaitForWindowExposed(window_.get());
    Wizard& form = window_->Core();
    if (shown == LogShown::kLogWindow) form.OpenLogWindow();
    form.Channel().port_number = 1;
    form.Channel().OpenPort();
    const auto deadline = Clock::now() + kSilenceLimit;
    while (!form.Channel().port_open.load() && Clock::now() < deadline) QApplication::processEvents(QEventLoop::AllEvents, 10);
  }

  bool ready() {
    const bool shown =
        shown_ == LogShown::kDebugMirror ? window_->Get<QListWidget>(Control::LogMirror)->isVisible() : window_->LogForm().isVisible();
    return exposed_ && window_->Core().Channel().port_open.load() && shown;
  }
  MainWindow& window() { return *window_; }
  // The lines the mirror or the log window holds.
  int LinesShown() {
    return shown_ == LogShown::kDebugMirror ? window_->Get<QListWidget>(Control::LogMirror)->count()
                                            : window_->LogForm().Text->document()->blockCount();
  }
  const PtyPort& pty() const { return pty_; }

 private:
  ScratchFolder folder_;
  PtyPort pty_;
  PortDirOverride port_dir_;
  LogShown shown_;
  LineRateClock clock_;
  std::unique_ptr<MainWindow> window_;  // goes first: its engine's worker ends before the pty closes
  bool exposed_ = false;
};

// Runs the window's event loop until the log holds `lines` more lines than at `start`; false
// when nothing arrives for a while.
bool PumpUntilLogged(Wizard& form, std::uint64_t start, std::uint64_t lines) {
  std::uint64_t seen = form.Log().lines.Appended();
  auto deadline = Clock::now() + kSilenceLimit;
  while (seen < start + lines) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    const std::uint64_t now = form.Log().lines.Appended();
    if (now != seen) {
      seen = now;
      deadline = Clock::now() + kSilenceLimit;
    } else if (Clock::now() > deadline) {
      return false;
    }
  }
  QApplication::processEvents();  // the last batch of the mirror
  return true;
}

void BM_LineFeedFlood(benchmark::State& state, LogShown shown) {
  for (auto _ : state) {
    FloodRig rig(shown);
    if (!rig.ready()) {
      state.SkipWithError("the window was not shown or the engine could not open the pty");
      return;
    }
    Wizard& form = rig.window().Core();
    QApplication::processEvents();
    const double heap_start = HeapInUse();
    const double resident_start = ResidentBytes();
    const std::uint64_t start = form.Log().lines.Appended();
    std::thread box([&rig] { rig.pty().WriteToPort(std::string(kFloodLines, '\n')); });
    const auto began = Clock::now();
    // Half-way, then the rest: whatever the first half grew, the second must not add to.
    const bool half = PumpUntilLogged(form, start, kFloodLines / 2);
    const double heap_half = HeapInUse();
    const bool all = half && PumpUntilLogged(form, start, kFloodLines);
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    box.join();
    if (!all) {
      state.SkipWithError("lines went missing");
      return;
    }
    const double heap_growth = HeapInUse() - heap_start;
    state.counters["heap_growth_MiB"] = heap_growth / kMiB;
    state.counters["heap_growth_2nd_half_MiB"] = (HeapInUse() - heap_half) / kMiB;
    state.counters["rss_growth_MiB"] = (ResidentBytes() - resident_start) / kMiB;
    state.counters["rss_peak_growth_MiB"] = (PeakResidentBytes() - resident_start) / kMiB;
    state.counters["x_40MiB_goal"] = std::max(heap_growth, PeakResidentBytes() - resident_start) / kGoalBytes;
    state.counters["log_file_MiB"] = static_cast<double>(form.Log().lines.FileContent().size()) / kMiB;
    state.counters["log_held_MiB"] = static_cast<double>(form.Log().lines.HeldBytes()) / kMiB;
    state.counters["lines_shown"] = rig.LinesShown();
    state.counters["x_line_rate"] = static_cast<double>(kFloodLines) / seconds / kLinesPerSecond;
  }
}
BENCHMARK_CAPTURE(BM_LineFeedFlood, debug_mirror, LogShown::kDebugMirror)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_LineFeedFlood, log_window, LogShown::kLogWindow)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The reference: the same 2.3 million lines, each a string in one list, as the log kept them.
void BM_UnboundedListReference(benchmark::State& state) {
  for (auto _ : state) {
    const double heap_start = HeapInUse();
    LineRateClock clock;
    std::vector<std::string> lines;
    for (std::uint64_t i = 0; i < kFloodLines; ++i) lines.push_back("[" + FormatLogTime(clock()) + "]  [Rx]  ");
    state.counters["heap_growth_MiB"] = (HeapInUse() - heap_start) / kMiB;
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_UnboundedListReference)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

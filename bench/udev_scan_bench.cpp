// The cost of searching for the box with the udev scanner: the state machine scans ten times a
// second, and a scan that keeps its list (asking the udev monitor without waiting) must cost
// next to nothing beside one full enumeration of the machine's ttys.
#include <benchmark/benchmark.h>
#include <time.h>

#include <vector>

#include "udev_tty_scanner.h"

namespace {

constexpr long kScanIntervalNs = 100'000'000;  // DeviceTimer: ten scans a second
constexpr int kPacedScans = 30;

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void SleepUntil(timespec& deadline) {
  deadline.tv_nsec += kScanIntervalNs;
  if (deadline.tv_nsec >= 1'000'000'000) {
    deadline.tv_nsec -= 1'000'000'000;
    ++deadline.tv_sec;
  }
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0) {
  }
}

// One enumeration of every tty: what each scan cost before the list was kept.
void BM_FullEnumeration(benchmark::State& state) {
  UdevTtyScanner scanner;
  for (auto _ : state) {
    if (!scanner.Enumerate()) state.SkipWithError("udev cannot be asked");
  }
  state.counters["usb_ttys"] = static_cast<double>(scanner.Devices().size());
}
BENCHMARK(BM_FullEnumeration)->Unit(benchmark::kMicrosecond);

// A scan with the list kept and no tty coming or going, back to back (warm caches).
void BM_KeptListScan(benchmark::State& state) {
  UdevTtyScanner scanner;
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scanner.Scan(records.data(), kBoxDeviceCapacity, &count));
  }
}
BENCHMARK(BM_KeptListScan)->Unit(benchmark::kMicrosecond);

// Searching as the wizard does: a scan every 100 ms, each woken from sleep with cold caches.
// The kept-list scan and a full enumeration take turns at each tick; the share of a core is
// the CPU time of each (this thread's, around the call) per second of searching.
void BM_SearchingTenScansASecond(benchmark::State& state) {
  UdevTtyScanner kept;
  UdevTtyScanner enumerating;
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0;
  double kept_cpu = 0;
  double enumerating_cpu = 0;
  for (auto _ : state) {
    kept.Scan(records.data(), kBoxDeviceCapacity, &count);  // the first scan enumerates
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    for (int tick = 0; tick < kPacedScans; ++tick) {
      SleepUntil(deadline);
      const double start = ThreadCpuSeconds();
      kept.Scan(records.data(), kBoxDeviceCapacity, &count);
      const double between = ThreadCpuSeconds();
      enumerating.Enumerate();
      enumerating_cpu += ThreadCpuSeconds() - between;
      kept_cpu += between - start;
    }
  }
  const double searched_seconds =
      static_cast<double>(state.iterations()) * kPacedScans * kScanIntervalNs * 1e-9;
  state.counters["kept_core_percent"] = 100.0 * kept_cpu / searched_seconds;
  state.counters["enumerating_core_percent"] = 100.0 * enumerating_cpu / searched_seconds;
  state.counters["kept_us_per_scan"] =
      1e6 * kept_cpu / (static_cast<double>(state.iterations()) * kPacedScans);
  state.counters["enumeration_us"] =
      1e6 * enumerating_cpu / (static_cast<double>(state.iterations()) * kPacedScans);
}
BENCHMARK(BM_SearchingTenScansASecond)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

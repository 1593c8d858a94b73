// Serial engine throughput on a pseudo-terminal: one wake-up and one callback per received
// byte must keep well ahead of the box's 3840 bytes per second.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <string>

#include "link/serial_port.h"
#include "support/pty_port.h"
#include "support/test_files.h"

namespace {

struct Counter {
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t bytes = 0;
  std::size_t writes = 0;
};
Counter g_counter;

void Count(void* /*context*/, SerialPort* engine, unsigned code) {
  {
    std::lock_guard lock(g_counter.mutex);
    if (code == kSerialData) g_counter.bytes += static_cast<std::size_t>(engine->ReceivedCount());
    if (code == kSerialWriteDone) ++g_counter.writes;
  }
  g_counter.changed.notify_all();
  if (code == kSerialData) engine->RequestRead();
}

// A pty reachable as COM1 in a private folder, with an engine open on it.
class OpenPty {
 public:
  OpenPty() : port_dir_(folder_.Path()) {
    pty_.Link(folder_.Path(), 1);
    engine_.SetCallback(Count);
    ok_ = engine_.Open(1, 38400, 0, 8, false) == kOpenOk;
  }
  ~OpenPty() { engine_.Stop(); }
  bool ok() const { return ok_; }
  const PtyPort& pty() const { return pty_; }
  SerialPort& engine() { return engine_; }

 private:
  ScratchFolder folder_;
  PtyPort pty_;
  PortDirOverride port_dir_;
  bool ok_ = false;
  SerialPort engine_;  // goes first: its worker ends before the pty closes
};

void BM_ReceiveBurst(benchmark::State& state) {
  OpenPty pty;
  if (!pty.ok()) {
    state.SkipWithError("the pty could not be opened");
    return;
  }
  const std::string burst(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    std::size_t target = 0;
    {
      std::lock_guard lock(g_counter.mutex);
      target = g_counter.bytes + burst.size();
    }
    pty.pty().WriteToPort(burst);
    std::unique_lock lock(g_counter.mutex);
    g_counter.changed.wait(lock, [&] { return g_counter.bytes >= target; });
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
// Wall time: the work happens on the worker thread, not on the one that waits for it.
BENCHMARK(BM_ReceiveBurst)->Arg(64)->Arg(1000)->UseRealTime();

void BM_SendAndCollect(benchmark::State& state) {
  OpenPty pty;
  if (!pty.ok()) {
    state.SkipWithError("the pty could not be opened");
    return;
  }
  const std::string command(97, 'c');
  for (auto _ : state) {
    std::size_t target = 0;
    {
      std::lock_guard lock(g_counter.mutex);
      target = g_counter.writes + 1;
    }
    pty.engine().Send(command.data(), static_cast<std::int16_t>(command.size()));
    {
      std::unique_lock lock(g_counter.mutex);
      g_counter.changed.wait(lock, [&] { return g_counter.writes >= target; });
    }
    if (pty.pty().ReadFromPort(command.size()).size() != command.size()) {
      state.SkipWithError("the command did not arrive whole");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 97);
}
BENCHMARK(BM_SendAndCollect)->UseRealTime();

}  // namespace

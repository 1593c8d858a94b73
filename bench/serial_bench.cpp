// Serial engine throughput on a pseudo-terminal: one wake-up and one callback per received
// byte must keep well ahead of the box's 3840 bytes per second.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "link/win_serial.h"

namespace {

struct Counter {
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t bytes = 0;
  std::size_t writes = 0;
};
Counter g_counter;

void Count(WinSerial* engine, unsigned code) {
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
  OpenPty() {
    char folder[] = "/tmp/rodiduz-bench-XXXXXX";
    folder_ = ::mkdtemp(folder);
    ::openpty(&master_, &slave_, nullptr, nullptr, nullptr);
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    char name[256] = {};
    ::ttyname_r(slave_, name, sizeof name);
    std::filesystem::create_symlink(name, folder_ + "/COM1");
    ::setenv("RODIDUZ_PORT_DIR", folder_.c_str(), 1);
    engine_.SetCallback(Count);
    ok_ = engine_.Open(1, 38400, 0, 8, false) == kOpenOk;
  }
  ~OpenPty() {
    engine_.Stop();
    ::close(master_);
    ::close(slave_);
    std::filesystem::remove_all(folder_);
  }
  bool ok() const { return ok_; }
  int master() const { return master_; }
  WinSerial& engine() { return engine_; }

 private:
  std::string folder_;
  int master_ = -1;
  int slave_ = -1;
  bool ok_ = false;
  WinSerial engine_;
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
    if (::write(pty.master(), burst.data(), burst.size()) != static_cast<ssize_t>(burst.size())) {
      state.SkipWithError("write to the pty failed");
      return;
    }
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
  char sink[256];
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
    std::size_t got = 0;
    while (got < command.size()) {
      const ssize_t n = ::read(pty.master(), sink, sizeof sink);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 97);
}
BENCHMARK(BM_SendAndCollect)->UseRealTime();

}  // namespace

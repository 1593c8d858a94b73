// The whole receive path of the box channel: bytes written to the pty master travel through
// the engine's one-byte reads, line assembly, framing and the log into the message queue. Each figure
// has its reference beside it from the same run: the line rate of 38400 baud, and a bare
// thread doing nothing but one-byte reads of the same kind of pty.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "controller/wizard.h"
#include "support/pty_port.h"
#include "support/recording_view.h"
#include "support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

// 38400 baud with a start and a stop bit: ten bits a byte.
constexpr double kLineRateBytesPerSecond = 38400.0 / 10.0;
constexpr double kTargetBytesPerSecond = 1e6;
constexpr double kTargetCoreShareAtLineRate = 0.01;
constexpr auto kSilenceLimit = std::chrono::seconds(10);

// What the box says during a setup, one line each; every one is a bracketed message.
const std::string& BoxTraffic() {
  static const std::string traffic =
      "[COMM READY]\r\n"
      "[UNLOCKED]\r\n"
      "[MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:1]\r\n"
      "[APN:internet USER: PW: PIN:1234 IMEI:356938035643809]\r\n"
      "[QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]\r\n"
      "[OK]\r\n"
      "[SIM READY]\r\n"
      "[GPRSTEST OK]\r\n";
  return traffic;
}
constexpr std::size_t kLinesPerTraffic = 8;

std::string Traffic(std::size_t copies) {
  std::string text;
  for (std::size_t i = 0; i < copies; ++i) text += BoxTraffic();
  return text;
}

double ProcessCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits until `take` has returned true `count` times; false when nothing comes for a while.
// Between looks the core is left to the reader.
template <typename Take>
bool TakeAll(std::size_t count, Take take) {
  auto deadline = Clock::now() + kSilenceLimit;
  while (count > 0) {
    if (take()) {
      --count;
      deadline = Clock::now() + kSilenceLimit;
    } else if (Clock::now() > deadline) {
      return false;
    } else {
      ::poll(nullptr, 0, 1);
    }
  }
  return true;
}

// A controller with its engine open on a pty reachable as COM1.
class ChannelRig {
 public:
  ChannelRig() : port_dir_(folder_.Path()) {
    pty_.Link(folder_.Path(), 1);
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "");
    environment.usb_library = folder_.File("no-such-usblib.so");
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    form_ = std::make_unique<Wizard>(view_, view_, std::move(environment));
    form_->CreateSerialPort();
    form_->Channel().port_number = 1;
    form_->Channel().OpenPort();
    const auto deadline = Clock::now() + kSilenceLimit;
    while (!form_->Channel().port_open.load() && Clock::now() < deadline) ::poll(nullptr, 0, 1);
  }

  bool ready() const { return form_->Channel().port_open.load(); }
  int master() const { return pty_.master(); }
  // Takes messages off the message queue as the state machine does (the list holds 1000 meanwhile).
  bool Collect(std::size_t messages) {
    return TakeAll(messages, [this] { return !form_->Channel().TakeMessage().empty(); });
  }

 private:
  ScratchFolder folder_;
  PtyPort pty_;
  PortDirOverride port_dir_;
  RecordingView view_;
  std::unique_ptr<Wizard> form_;  // goes first: its engine's worker ends before the pty closes
};

// The reference: a thread that waits in poll() and reads one byte at a time from a
// non-blocking pty, as the engine does, and only counts line feeds.
class BareReader {
 public:
  BareReader() {
    ::fcntl(pty_.slave(), F_SETFL, ::fcntl(pty_.slave(), F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
  }
  ~BareReader() {
    stop_ = true;
    thread_.join();
  }

  bool ready() const { return true; }
  int master() const { return pty_.master(); }
  bool Collect(std::size_t lines) {
    return TakeAll(lines, [this] {
      if (lines_.load(std::memory_order_acquire) == taken_) return false;
      ++taken_;
      return true;
    });
  }

 private:
  void Run() {
    pollfd fd{pty_.slave(), POLLIN, 0};
    unsigned char byte = 0;
    while (!stop_.load(std::memory_order_relaxed)) {
      if (::poll(&fd, 1, 50) <= 0) continue;
      while (::read(pty_.slave(), &byte, 1) == 1) {
        if (byte == '\n') lines_.fetch_add(1, std::memory_order_release);
      }
    }
  }

  PtyPort pty_;
  std::atomic<std::size_t> lines_{0};
  std::size_t taken_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

bool WriteAll(int fd, const char* data, std::size_t length) {
  for (std::size_t done = 0; done < length;) {
    const ssize_t put = ::write(fd, data + done, length - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Seconds of wall and process CPU time that one pass of `work` took.
struct Spent {
  double wall = 0;
  double cpu = 0;
};
template <typename Work>
bool Measure(Spent& spent, Work work) {
  const auto start = Clock::now();
  const double cpu_start = ProcessCpuSeconds();
  if (!work()) return false;
  spent.wall += SecondsSince(start);
  spent.cpu += ProcessCpuSeconds() - cpu_start;
  return true;
}

// As fast as the pty takes it: `copies` of the traffic in one write, through the receive path
// and through the bare reader in turns, so both see the same state of a busy machine. 15
// copies (3.9 kB) fit the tty's 4 kB input buffer; 100 (26 kB) keep it full, so the tty
// throttles and every read has to refill it. Both stay under the message queue's 1000 messages.
void BM_Burst(benchmark::State& state) {
  ChannelRig path;
  BareReader bare;
  if (!path.ready()) {
    state.SkipWithError("the engine could not open the pty");
    return;
  }
  const auto copies = static_cast<std::size_t>(state.range(0));
  const std::string burst = Traffic(copies);
  const auto through = [&](auto& receiver) {
    return [&] {
      return WriteAll(receiver.master(), burst.data(), burst.size()) &&
             receiver.Collect(copies * kLinesPerTraffic);
    };
  };
  Spent path_spent;
  Spent bare_spent;
  for (auto _ : state) {
    if (!Measure(path_spent, through(path)) || !Measure(bare_spent, through(bare))) {
      state.SkipWithError("lines went missing");
      return;
    }
  }
  const double bytes = static_cast<double>(burst.size()) * static_cast<double>(state.iterations());
  const double rate = bytes / path_spent.wall;
  state.counters["path_bytes_per_s"] = rate;
  state.counters["path_cpu_ns_per_byte"] = path_spent.cpu * 1e9 / bytes;
  state.counters["bare_bytes_per_s"] = bytes / bare_spent.wall;
  state.counters["x_bare"] = bare_spent.wall / path_spent.wall;
  state.counters["x_line_rate"] = rate / kLineRateBytesPerSecond;
  state.counters["x_1MBps_target"] = rate / kTargetBytesPerSecond;
}
BENCHMARK(BM_Burst)->Arg(15)->Arg(100)->MinTime(1.0)->Unit(benchmark::kMillisecond);

// Writes `text` to `fd` in `chunk`-byte pieces at `bytes_per_second`, from a child process so
// that its wake-ups are not counted in this process's CPU time. Returns once it is all written.
bool FeedPaced(int fd, const std::string& text, std::size_t chunk, double bytes_per_second) {
  const std::chrono::duration<double> period(static_cast<double>(chunk) / bytes_per_second);
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // Only system calls from here on: the parent's other threads may hold library locks.
    const auto start = Clock::now();
    std::size_t sent = 0;
    for (std::size_t chunks = 1; sent < text.size(); ++chunks) {
      const std::size_t length = std::min(chunk, text.size() - sent);
      if (!WriteAll(fd, text.data() + sent, length)) ::_exit(1);
      sent += length;
      std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(period * chunks));
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The box's own pace: 3840 bytes a second for a second at a time, in the pieces the adapter hands
// over: 64 bytes is a full-speed USB packet, 1 the worst case of one wake-up per byte. The
// figure is this process's CPU time (the reader and whatever it feeds) as a share of one core,
// for the receive path and then for the bare reader, four times over.
void BM_AtLineRate(benchmark::State& state) {
  ChannelRig path;
  BareReader bare;
  if (!path.ready()) {
    state.SkipWithError("the engine could not open the pty");
    return;
  }
  const auto chunk = static_cast<std::size_t>(state.range(0));
  constexpr double kSeconds = 1.0;
  const std::size_t copies =
      static_cast<std::size_t>(kLineRateBytesPerSecond * kSeconds) / BoxTraffic().size() + 1;
  const std::string text = Traffic(copies);
  // Every line must arrive, or the share would flatter a reader that lost some.
  const auto paced = [&](auto& receiver) {
    return [&] {
      return FeedPaced(receiver.master(), text, chunk, kLineRateBytesPerSecond) &&
             receiver.Collect(copies * kLinesPerTraffic);
    };
  };
  // The least share of the feeds: the machine's other load (another guest taking the core
  // included) only ever adds to a feed's CPU time.
  double path_share = 1;
  double bare_share = 1;
  for (auto _ : state) {
    Spent path_spent;
    Spent bare_spent;
    if (!Measure(path_spent, paced(path)) || !Measure(bare_spent, paced(bare))) {
      state.SkipWithError("feeding failed or lines went missing");
      return;
    }
    path_share = std::min(path_share, path_spent.cpu / path_spent.wall);
    bare_share = std::min(bare_share, bare_spent.cpu / bare_spent.wall);
  }
  state.counters["path_core_pct"] = path_share * 100.0;
  state.counters["path_cpu_us_per_byte"] = path_share / kLineRateBytesPerSecond * 1e6;
  state.counters["bare_core_pct"] = bare_share * 100.0;
  state.counters["x_bare"] = path_share / bare_share;
  state.counters["x_1pct_target"] = path_share / kTargetCoreShareAtLineRate;
}
BENCHMARK(BM_AtLineRate)->Arg(64)->Arg(1)->Iterations(4)->Unit(benchmark::kSecond);

}  // namespace

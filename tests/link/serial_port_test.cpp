// The serial engine on real pseudo-terminals: event order, the send hand-over, hang-ups,
// refused opens, line settings, modem events and clean-up.
#include "link/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common/platform.h"
#include "link/serial_port_posix.h"
#include "support/pty_port.h"
#include "support/test_files.h"

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// Records what an engine reports. Declare it before the engine so it outlives the worker.
class Recorder {
 public:
  explicit Recorder(bool read_again = true) : read_again_(read_again) {}
  ~Recorder() {
    std::lock_guard lock(RegistryMutex());
    for (auto it = Registry().begin(); it != Registry().end();) {
      it = it->second == this ? Registry().erase(it) : std::next(it);
    }
  }

  // Runs on the worker before the event is recorded; set it before Open.
  std::function<void(SerialPort*, unsigned)> hook;

  void Attach(SerialPort& engine) {
    {
      std::lock_guard lock(RegistryMutex());
      Registry()[&engine] = this;
    }
    engine.SetCallback(&Recorder::Callback);
  }

  bool WaitFor(const std::function<bool(const std::vector<unsigned>&, const std::string&)>& done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return done(codes_, bytes_); });
  }
  bool WaitForCount(unsigned code, std::size_t count) {
    return WaitFor([&](const std::vector<unsigned>& codes, const std::string&) {
      return static_cast<std::size_t>(std::count(codes.begin(), codes.end(), code)) >= count;
    });
  }
  bool WaitForBytes(const std::string& expected) {
    return WaitFor([&](const std::vector<unsigned>&, const std::string& bytes) { return bytes == expected; });
  }
  std::vector<unsigned> Codes() {
    std::lock_guard lock(mutex_);
    return codes_;
  }
  std::string Bytes() {
    std::lock_guard lock(mutex_);
    return bytes_;
  }
  std::size_t Count(unsigned code) {
    const auto codes = Codes();
    return static_cast<std::size_t>(std::count(codes.begin(), codes.end(), code));
  }

 private:
  static std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::map<SerialPort*, Recorder*>& Registry() {
    static std::map<SerialPort*, Recorder*> registry;
    return registry;
  }
  static void Callback(void* /*context*/, SerialPort* engine, unsigned code) {
    Recorder* recorder = nullptr;
    {
      std::lock_guard lock(RegistryMutex());
      const auto it = Registry().find(engine);
      if (it != Registry().end()) recorder = it->second;
    }
    if (recorder != nullptr) recorder->OnEvent(engine, code);
  }
  void OnEvent(SerialPort* engine, unsigned code) {
    if (hook) hook(engine, code);
    {
      std::lock_guard lock(mutex_);
      codes_.push_back(code);
      if (code == kSerialData) {
        bytes_.append(reinterpret_cast<const char*>(engine->ReceivedData()),
                      static_cast<std::size_t>(engine->ReceivedCount()));
      }
    }
    changed_.notify_all();
    if (code == kSerialData && read_again_) engine->RequestRead();
  }

  const bool read_again_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<unsigned> codes_;
  std::string bytes_;
};

std::uint8_t OpenBoxLine(SerialPort& engine, unsigned port = 1, bool modem_events = false) {
  return engine.Open(port, 38400, 0, 8, modem_events);
}

// Reads `count` bytes that arrived on the test's own slave descriptor.
std::string ReadFromSlave(int slave, std::size_t count) {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd fd{slave, POLLIN, 0};
    if (::poll(&fd, 1, 100) <= 0) continue;
    char c = 0;
    if (::read(slave, &c, 1) == 1) bytes.push_back(c);
  }
  return bytes;
}

class WinSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty.Link(folder.Path(), 1);
    // Sanitizer runtimes start a helper thread with the process's first thread; start one
    // here so thread counts taken by the tests compare like with like.
    std::thread([] {}).join();
  }

  // Sends one byte and waits until it has crossed the line: everything the worker had to do
  // before serving that write is done by then.
  void RoundTrip(SerialPort& engine, Recorder& recorder) {
    const std::size_t writes = recorder.Count(kSerialWriteDone);
    engine.Send("!", 1);
    ASSERT_TRUE(recorder.WaitForCount(kSerialWriteDone, writes + 1));
    ASSERT_EQ(pty.ReadFromPort(1), "!");
  }

  ScratchFolder folder;
  PortDirOverride port_dir{folder.Path()};
  PtyPort pty;
};

TEST_F(WinSerialTest, OpenedComesFirstAndOnlyRequestedReadsDeliver) {
  Recorder recorder(/*read_again=*/false);
  SerialPort engine;
  recorder.Attach(engine);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  pty.WriteToPort("X");  // at once: the first read may complete before the worker waits

  ASSERT_TRUE(recorder.WaitForBytes("X"));
  const auto codes = recorder.Codes();
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[0], kSerialOpened);
  EXPECT_EQ(codes[1], kSerialData);

  // Nothing more is read until asked.
  pty.WriteToPort("A");
  RoundTrip(engine, recorder);
  EXPECT_EQ(recorder.Bytes(), "X");
  engine.RequestRead();
  ASSERT_TRUE(recorder.WaitForBytes("XA"));

  // A request made while a read is pending changes nothing. Each round trip makes sure the
  // request before it has been served (it comes before the write) while no byte was there.
  engine.RequestRead();
  RoundTrip(engine, recorder);
  engine.RequestRead();
  RoundTrip(engine, recorder);
  pty.WriteToPort("BC");
  ASSERT_TRUE(recorder.WaitForBytes("XAB")) << recorder.Bytes();
  RoundTrip(engine, recorder);
  EXPECT_EQ(recorder.Bytes(), "XAB");
  EXPECT_EQ(recorder.Count(kSerialData), 3u);
}

TEST_F(WinSerialTest, ReadsEveryByteInOrderWhenTheCallbackAsksAgain) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  std::string burst;
  for (int i = 0; i < 3000; ++i) burst.push_back(static_cast<char>(i % 251));
  pty.WriteToPort(burst);
  ASSERT_TRUE(recorder.WaitForBytes(burst));
  EXPECT_EQ(recorder.Count(kSerialData), burst.size());  // one byte per read
}

TEST_F(WinSerialTest, RefusedSendsLeaveTheLineUntouched) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  const std::string big(1024, 'b');
  std::string longest(1023, ' ');
  for (std::size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<char>('a' + i % 26);

  struct Row {
    const char* name;
    const void* data;
    std::int16_t length;
  };
  const Row rows[] = {
      {"1024 bytes", big.data(), 1024},
      {"negative length", big.data(), -1},
      {"zero length", big.data(), 0},
      {"no data", nullptr, 5},
  };
  std::size_t writes = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    engine.Send(row.data, row.length);
    // Had the refused send been taken, these 1023 bytes would be refused as busy or arrive
    // behind other bytes.
    engine.Send(longest.data(), static_cast<std::int16_t>(longest.size()));
    ASSERT_TRUE(recorder.WaitForCount(kSerialWriteDone, ++writes));
    EXPECT_EQ(pty.ReadFromPort(longest.size()), longest);
  }
  RoundTrip(engine, recorder);
}

TEST_F(WinSerialTest, SendWhileAWriteIsBusyIsDroppedAndTheNextOneTaken) {
  // The worker is held back, so the first write stays busy for certain.
  std::promise<void> go;
  std::shared_future<void> released = go.get_future().share();
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  SetWorkerStarter(engine, [released](std::function<void()> body) {
    return std::thread([released, body = std::move(body)] {
      released.wait();
      body();
    });
  });
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  engine.Send("first", 5);
  engine.Send("second", 6);
  go.set_value();
  ASSERT_TRUE(recorder.WaitForCount(kSerialWriteDone, 1));
  EXPECT_EQ(pty.ReadFromPort(5), "first");
  engine.Send("third", 5);
  ASSERT_TRUE(recorder.WaitForCount(kSerialWriteDone, 2));
  EXPECT_EQ(pty.ReadFromPort(5), "third");
  const auto codes = recorder.Codes();
  EXPECT_EQ(codes.front(), kSerialOpened);
}

TEST_F(WinSerialTest, HangUpClosesThePortBeforeReportingClosed) {
  std::atomic<int> open_at_close{-1};
  Recorder recorder;
  recorder.hook = [&](SerialPort*, unsigned code) {
    if (code == kSerialClosed) open_at_close = static_cast<int>(CountDescriptorsOnDevice(pty.slave()));
  };
  SerialPort engine;
  recorder.Attach(engine);
  const std::size_t threads = CountThreads();
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, 1));
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 2u);  // the test's and the engine's

  pty.CloseMaster();
  ASSERT_TRUE(recorder.WaitForCount(kSerialClosed, 1));
  EXPECT_EQ(open_at_close.load(), 1);  // only the test's own descriptor is left
  EXPECT_EQ(recorder.Codes().back(), kSerialClosed);
  engine.Stop();
  EXPECT_EQ(CountThreads(), threads);
  EXPECT_EQ(recorder.Count(kSerialClosed), 1u);
}

TEST_F(WinSerialTest, StopIsServedBeforeAPendingReadRequest) {
  Recorder recorder;
  recorder.hook = [](SerialPort* engine, unsigned code) {
    if (code != kSerialData) return;
    engine->Stop();  // on the worker itself: must not wait for itself
    engine->RequestRead();
  };
  SerialPort engine;
  recorder.Attach(engine);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  pty.WriteToPort("ABCDEF");
  ASSERT_TRUE(recorder.WaitForCount(kSerialClosed, 1));
  EXPECT_EQ(recorder.Codes(), (std::vector<unsigned>{kSerialOpened, kSerialData, kSerialClosed}));
  EXPECT_EQ(recorder.Bytes(), "A");
  // Serving the read request first would have taken "B" off the line.
  EXPECT_EQ(ReadFromSlave(pty.slave(), 5), "BCDEF");
}

TEST_F(WinSerialTest, PortZeroGives16AndClosesTheOpenPort) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  const std::size_t threads = CountThreads();
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, 1));
  EXPECT_EQ(engine.Open(0, 38400, 0, 8, false), kOpenPortZero);
  EXPECT_EQ(recorder.Count(kSerialClosed), 1u);
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);
  EXPECT_EQ(CountThreads(), threads);
}

TEST_F(WinSerialTest, RefusedOpensStartNoWorkerAndKeepNoDescriptor) {
  pty.Link(folder.Path(), 256);
  pty.Link(folder.Path(), 257);
  folder.Write("COM9", "not a port");
  struct Row {
    const char* name;
    unsigned port;
    std::uint8_t expected;
  };
  const Row rows[] = {
      {"no device", 7, kOpenDeviceFailed},
      {"256 is not wrapped to 0", 256, kOpenDeviceFailed},
      {"257 is not wrapped onto COM1", 257, kOpenDeviceFailed},
      {"a plain file", 9, kOpenDeviceFailed},
      {"port zero", 0, kOpenPortZero},
  };
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  const std::size_t threads = CountThreads();
  const std::size_t descriptors = CountOpenDescriptors();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(OpenBoxLine(engine, row.port), row.expected);
    EXPECT_EQ(CountThreads(), threads);
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
  }
  EXPECT_TRUE(recorder.Codes().empty());
}

TEST_F(WinSerialTest, PortHeldByAnotherEngineIsRefusedUntilReleased) {
  Recorder first_events;
  Recorder second_events;
  SerialPort first;
  SerialPort second;
  first_events.Attach(first);
  second_events.Attach(second);
  ASSERT_EQ(OpenBoxLine(first), kOpenOk);
  EXPECT_EQ(OpenBoxLine(second), kOpenDeviceFailed);  // holds against root too: the lock
  EXPECT_EQ(second.LastOpenFailure().reason, SystemErrorText(EBUSY));
  first.Stop();
  EXPECT_EQ(OpenBoxLine(second), kOpenOk);
  EXPECT_EQ(second.LastOpenFailure(), SerialOpenFailure{});
  EXPECT_TRUE(second_events.WaitForCount(kSerialOpened, 1));
}

TEST_F(WinSerialTest, OpenWhileAWorkerRunsEndsItFirst) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  const std::size_t threads = CountThreads();
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, 1));
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, 2));
  EXPECT_EQ(recorder.Codes(), (std::vector<unsigned>{kSerialOpened, kSerialClosed, kSerialOpened}));
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 2u);
  EXPECT_EQ(CountThreads(), threads + 1);
  pty.WriteToPort("Q");
  EXPECT_TRUE(recorder.WaitForBytes("Q"));
}

TEST_F(WinSerialTest, OpenCloseCyclesLeaveNoDescriptorOrThreadBehind) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  const std::size_t threads = CountThreads();
  const std::size_t descriptors = CountOpenDescriptors();
  constexpr std::size_t kCycles = 200;
  for (std::size_t i = 1; i <= kCycles; ++i) {
    ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
    ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, i));
    engine.Stop();
    ASSERT_EQ(recorder.Count(kSerialClosed), i);
  }
  EXPECT_EQ(CountThreads(), threads);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST_F(WinSerialTest, WorkerThatCannotStartFailsTheOpen) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  SetWorkerStarter(engine, [](std::function<void()>) -> std::thread {
    throw std::system_error(EAGAIN, std::generic_category(), "no thread");
  });
  EXPECT_EQ(OpenBoxLine(engine), kOpenSignalsMissing);
  EXPECT_EQ(engine.LastOpenFailure().reason, SystemErrorText(EAGAIN));
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);
  EXPECT_TRUE(recorder.Codes().empty());

  SetWorkerStarter(engine, [](std::function<void()> body) { return std::thread(std::move(body)); });
  EXPECT_EQ(OpenBoxLine(engine), kOpenOk);
  EXPECT_TRUE(recorder.WaitForCount(kSerialOpened, 1));
}

TEST(PrepareLineSettingsTest, RawLineForEachParityAndSize) {
  struct Row {
    const char* name;
    std::int32_t baud;
    std::int32_t parity;
    std::uint8_t bits;
    bool accepted;
    speed_t speed;
    tcflag_t size;
    tcflag_t parity_flags;
  };
  const Row rows[] = {
      {"the box's line", 38400, 0, 8, true, B38400, CS8, 0},
      {"odd parity, 7 bits", 9600, 1, 7, true, B9600, CS7, PARENB | PARODD},
      {"even parity, 5 bits", 115200, 2, 5, true, B115200, CS5, PARENB},
      {"unknown parity is none", 38400, 5, 6, true, B38400, CS6, 0},
      {"unsupported speed", 12345, 0, 8, false, 0, 0, 0},
      {"nine data bits", 38400, 0, 9, false, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Start from a cooked line with flow control, as a fresh tty may be.
    termios settings{};
    settings.c_iflag = ICRNL | IXON | IXOFF;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS;
    settings.c_lflag = ICANON | ECHO | ISIG;
    ASSERT_EQ(PrepareLineSettings(settings, row.baud, row.parity, row.bits), row.accepted);
    if (!row.accepted) continue;
    EXPECT_EQ(::cfgetospeed(&settings), row.speed);
    EXPECT_EQ(::cfgetispeed(&settings), row.speed);
    EXPECT_EQ(settings.c_cflag & CSIZE, row.size);
    EXPECT_EQ(settings.c_cflag & (PARENB | PARODD), row.parity_flags);
    EXPECT_EQ((settings.c_iflag & INPCK) != 0, row.parity_flags != 0);
    EXPECT_EQ(settings.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 1);
    EXPECT_EQ(settings.c_cc[VTIME], 0);
  }
}

TEST_F(WinSerialTest, OpenAppliesTheLineOrFailsWithCode4) {
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  // The pty keeps its own character size and parity, so only the rest is visible here.
  termios cooked{};
  ASSERT_EQ(::tcgetattr(pty.slave(), &cooked), 0);
  cooked.c_lflag |= ICANON | ECHO;
  cooked.c_cc[VMIN] = 0;
  ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &cooked), 0);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  termios settings{};
  ASSERT_EQ(::tcgetattr(pty.slave(), &settings), 0);
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B38400));
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(settings.c_cc[VMIN], 1);
  EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
  engine.Stop();

  const std::size_t threads = CountThreads();
  EXPECT_EQ(engine.Open(1, 12345, 0, 8, false), kOpenLineSettingsFailed);
  EXPECT_EQ(engine.Open(1, 38400, 0, 9, false), kOpenLineSettingsFailed);
  EXPECT_EQ(CountThreads(), threads);
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);
}

// Modem lines the test sets; a pty has none of its own.
class FakeLines final : public ModemLineSource {
 public:
  FakeLines() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~FakeLines() override { ::close(wake_); }
  void Set(std::uint32_t status, int error = 0) {
    {
      std::lock_guard lock(mutex_);
      status_ = status;
      error_ = error;
      watching_ = false;
    }
    const std::uint64_t one = 1;
    ASSERT_EQ(::write(wake_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  }
  // Until a modem-event wait is about to block having seen the current lines, a change could
  // be taken for the wait's starting state and go unnoticed.
  bool WaitUntilWatching() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [this] { return watching_; });
  }
  int ChangeDescriptor() override {
    {
      std::lock_guard lock(mutex_);
      if (read_any_ && last_read_ == status_) watching_ = true;
    }
    changed_.notify_all();
    return wake_;
  }
  int Read(int, std::uint32_t& status) override {
    std::lock_guard lock(mutex_);
    status = status_;
    last_read_ = status_;
    read_any_ = true;
    return error_;
  }

 private:
  int wake_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint32_t status_ = 0;
  int error_ = 0;
  std::uint32_t last_read_ = 0;
  bool read_any_ = false;
  bool watching_ = false;
};

TEST_F(WinSerialTest, ModemEventsReportRingThenCarrier) {
  auto lines = std::make_shared<FakeLines>();
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  SetModemLineSource(engine, lines);
  ASSERT_EQ(OpenBoxLine(engine, 1, /*modem_events=*/true), kOpenOk);
  ASSERT_TRUE(recorder.WaitForCount(kSerialOpened, 1));
  ASSERT_TRUE(lines->WaitUntilWatching());
  lines->Set(kModemRingOn | kModemCarrierOn);
  ASSERT_TRUE(recorder.WaitForCount(kSerialCarrierOn, 1));
  ASSERT_TRUE(lines->WaitUntilWatching());
  lines->Set(0);  // the ring ending is no event; the carrier dropping is
  ASSERT_TRUE(recorder.WaitForCount(kSerialCarrierOff, 1));
  std::vector<unsigned> modem;
  for (unsigned code : recorder.Codes()) {
    if (code >= kSerialRing) modem.push_back(code);
  }
  EXPECT_EQ(modem, (std::vector<unsigned>{kSerialRing, kSerialCarrierOn, kSerialCarrierOff}));

  ASSERT_TRUE(lines->WaitUntilWatching());
  lines->Set(0, EIO);  // the lines cannot be read any more: the port is gone
  EXPECT_TRUE(recorder.WaitForCount(kSerialClosed, 1));
}

TEST_F(WinSerialTest, ModemEventsStayQuietWhenSwitchedOff) {
  auto lines = std::make_shared<FakeLines>();
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  SetModemLineSource(engine, lines);
  ASSERT_EQ(OpenBoxLine(engine), kOpenOk);
  lines->Set(kModemRingOn | kModemCarrierOn);
  RoundTrip(engine, recorder);
  lines->Set(0);
  RoundTrip(engine, recorder);
  for (unsigned code : recorder.Codes()) EXPECT_LT(code, kSerialRing);
}

TEST_F(WinSerialTest, UnreadableModemLinesFailTheOpenWithCode1) {
  auto lines = std::make_shared<FakeLines>();
  lines->Set(0, EIO);
  Recorder recorder;
  SerialPort engine;
  recorder.Attach(engine);
  SetModemLineSource(engine, lines);
  EXPECT_EQ(OpenBoxLine(engine, 1, /*modem_events=*/true), kOpenMaskFailed);
  EXPECT_EQ(OpenBoxLine(engine, 1, /*modem_events=*/false), kOpenOk);  // not asked for: no check
  lines->Set(0, ENOTTY);
  EXPECT_EQ(OpenBoxLine(engine, 1, /*modem_events=*/true), kOpenOk);  // no lines at all is fine
}

TEST(ModemStatusCheckTest, CodesForMaskAndLines) {
  struct Row {
    const char* name;
    std::uint32_t mask;
    std::uint32_t status;
    std::vector<unsigned> codes;
  };
  const Row rows[] = {
      {"ring and carrier on",
       kModemEventRing | kModemEventCarrierChange,
       kModemRingOn | kModemCarrierOn,
       {kSerialRing, kSerialCarrierOn}},
      {"ring, carrier off",
       kModemEventRing | kModemEventCarrierChange,
       kModemRingOn,
       {kSerialRing, kSerialCarrierOff}},
      {"ring reported but indicator off", kModemEventRing, 0, {}},
      {"ring indicator on but not reported",
       kModemEventCarrierChange,
       kModemRingOn | kModemCarrierOn,
       {kSerialCarrierOn}},
      {"nothing reported", 0, kModemRingOn | kModemCarrierOn, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ModemEventCodes report = ModemStatusCheck(row.mask, row.status);
    EXPECT_EQ(std::vector<unsigned>(report.codes, report.codes + report.count), row.codes);
  }
}

// A callback that blocks until released and never touches the engine afterwards.
std::promise<void>* g_entered = nullptr;
std::shared_future<void>* g_release = nullptr;
std::atomic<bool> g_callback_left{false};  // set after the callback's last use of the above
void BlockingCallback(void*, SerialPort*, unsigned code) {
  if (code != kSerialData) return;
  g_entered->set_value();
  g_release->wait_for(kPatience);
  g_callback_left = true;
}

TEST_F(WinSerialTest, StuckCallbackNeitherBlocksNorOutlivesTheEngineSafely) {
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  g_entered = &entered;
  g_release = &released;
  g_callback_left = false;
  const std::size_t threads = CountThreads();

  auto engine = std::make_unique<SerialPort>();
  engine->SetCallback(BlockingCallback);
  ASSERT_EQ(OpenBoxLine(*engine), kOpenOk);
  pty.WriteToPort("A");
  ASSERT_EQ(entered.get_future().wait_for(kPatience), std::future_status::ready);

  // The worker cannot be ended within the wait: the port stays in use.
  EXPECT_EQ(OpenBoxLine(*engine), kOpenDeviceFailed);
  engine.reset();  // gives up after the wait and closes the port itself
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);

  release.set_value();
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!g_callback_left && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(g_callback_left.load());
  while (CountThreads() != threads && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(CountThreads(), threads);
}

}  // namespace

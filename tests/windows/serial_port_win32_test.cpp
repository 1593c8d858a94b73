// SerialPort's Win32 backend: the open codes, the line settings and, on a loopback port, the
// worker's event order. RODIDUZ_TEST_LOOPBACK_COM names a COM number whose peer echoes every
// byte, RODIDUZ_TEST_SILENT_COM one whose peer takes every byte and never answers (make
// test-windows links each to a pty); without them those cases are skipped.
#include "link/serial_port_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace {

TEST(Win32SerialPath, IsTheDeviceNamespacePathInDecimal) {
  EXPECT_EQ(SerialPortPath(1), L"\\\\.\\COM1");
  EXPECT_EQ(SerialPortPath(7), L"\\\\.\\COM7");
  EXPECT_EQ(SerialPortPath(255), L"\\\\.\\COM255");
}

TEST(Win32LineSettings, FixedFieldsOfTheLine) {
  const DCB dcb = PrepareLineSettings(38400, 0, 8);
  EXPECT_EQ(dcb.DCBlength, 28u);
  EXPECT_EQ(dcb.BaudRate, 38400u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.fBinary, 1u);
  EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
  EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fOutX, 0u);
  EXPECT_EQ(dcb.fInX, 0u);
  EXPECT_EQ(dcb.fNull, 0u);
  EXPECT_EQ(dcb.fAbortOnError, 0u);
  EXPECT_EQ(dcb.XonLim, 2);
  EXPECT_EQ(dcb.XoffLim, 4);
  EXPECT_EQ(dcb.XonChar, 0x13);
  EXPECT_EQ(dcb.XoffChar, 0x19);
  EXPECT_EQ(dcb.EofChar, 0);
}

TEST(Win32LineSettings, ParityTable) {
  const struct {
    std::int32_t parity;
    BYTE expected;
    DWORD checked;
  } kRows[] = {{0, NOPARITY, 0}, {1, ODDPARITY, 1}, {2, EVENPARITY, 1}, {3, NOPARITY, 0}, {-1, NOPARITY, 0}};
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.parity);
    const DCB dcb = PrepareLineSettings(9600, row.parity, 7);
    EXPECT_EQ(dcb.Parity, row.expected);
    EXPECT_EQ(dcb.fParity, row.checked);
  }
}

// Collects the codes the worker raises; the callback is a plain function, so one at a time.
struct Recorder {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<unsigned> codes;
  std::string received;
  // While closed, the worker stays in the callback of its opened event and serves nothing.
  bool hold_after_open = false;
  // Calls made from inside the callback, on the worker thread.
  bool reopen_on_open = false;
  unsigned reopen_port = 0;
  int reopen_result = -1;
  bool stop_on_data = false;

  void Release() {
    {
      std::lock_guard hold(lock);
      hold_after_open = false;
    }
    changed.notify_all();
  }

  bool WaitFor(unsigned code, std::size_t occurrences = 1,
               std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock hold(lock);
    return changed.wait_for(hold, limit, [&] {
      std::size_t seen = 0;
      for (unsigned c : codes) seen += c == code ? 1 : 0;
      return seen >= occurrences;
    });
  }
  // Bytes an earlier case left in the loopback may come first, so only the end is awaited.
  bool WaitForEnding(const std::string& tail) {
    std::unique_lock hold(lock);
    return changed.wait_for(hold, std::chrono::seconds(5), [&] { return received.ends_with(tail); });
  }
  std::string ReceivedSinceOpen() {
    std::lock_guard hold(lock);
    return received;
  }
};
Recorder* recorder = nullptr;

void Record(void* /*context*/, SerialPort* engine, unsigned code) {
  {
    std::lock_guard hold(recorder->lock);
    recorder->codes.push_back(code);
    if (code == kSerialData) {
      recorder->received.append(reinterpret_cast<const char*>(engine->ReceivedData()),
                                static_cast<std::size_t>(engine->ReceivedCount()));
    }
  }
  recorder->changed.notify_all();
  if (code == kSerialOpened) {
    std::unique_lock hold(recorder->lock);
    recorder->changed.wait_for(hold, std::chrono::seconds(5), [] { return !recorder->hold_after_open; });
    if (recorder->reopen_on_open) {
      recorder->reopen_on_open = false;
      const unsigned port = recorder->reopen_port;
      hold.unlock();
      const int result = engine->Open(port, 38400, 0, 8, false);
      hold.lock();
      recorder->reopen_result = result;
    }
  }
  if (code == kSerialData) {
    bool stop = false;
    {
      std::lock_guard hold(recorder->lock);
      stop = recorder->stop_on_data;
    }
    if (stop) {
      engine->Stop();
      return;
    }
    engine->RequestRead();
  }
}

// Wine does not refuse a second open of a serial device opened without sharing.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32Serial : public ::testing::Test {
 protected:
  void SetUp() override {
    recorder = &record_;
    engine_.SetCallback(&Record);
  }
  void TearDown() override {
    engine_.Stop();
    recorder = nullptr;
  }
  static unsigned PortFrom(const char* variable) {
    const char* port = std::getenv(variable);
    return port == nullptr ? 0 : static_cast<unsigned>(std::atoi(port));
  }
  static unsigned LoopbackPort() { return PortFrom("RODIDUZ_TEST_LOOPBACK_COM"); }
  static unsigned SilentPort() { return PortFrom("RODIDUZ_TEST_SILENT_COM"); }
  std::size_t Count(unsigned code) {
    std::lock_guard hold(record_.lock);
    return static_cast<std::size_t>(std::count(record_.codes.begin(), record_.codes.end(), code));
  }
  Recorder record_;
  SerialPort engine_;
};

TEST_F(Win32Serial, OpenCodesWithoutADevice) {
  EXPECT_EQ(engine_.Open(0, 38400, 0, 8, false), kOpenPortZero);
  // 256 must not wrap onto COM0 or COM1.
  EXPECT_EQ(engine_.Open(256, 38400, 0, 8, false), kOpenDeviceFailed);
  EXPECT_EQ(engine_.Open(1000, 38400, 0, 8, false), kOpenDeviceFailed);
  EXPECT_EQ(engine_.Open(249, 38400, 0, 8, false), kOpenDeviceFailed);
  // The reason is the system's own text for the device it tried.
  EXPECT_EQ(engine_.LastOpenFailure().device, "\\\\.\\COM249");
  EXPECT_FALSE(engine_.LastOpenFailure().reason.empty());
  engine_.Stop();
  std::lock_guard hold(record_.lock);
  EXPECT_TRUE(record_.codes.empty()) << "a failed Open started a worker";
}

TEST_F(Win32Serial, LoopbackDeliversOpenedThenEveryByteThenWriteDoneThenClosed) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  engine_.Send("[PING]\n\r", 8);
  ASSERT_TRUE(record_.WaitFor(kSerialWriteDone));
  ASSERT_TRUE(record_.WaitForEnding("[PING]\n\r"));
  engine_.Stop();
  ASSERT_TRUE(record_.WaitFor(kSerialClosed));
  std::lock_guard hold(record_.lock);
  ASSERT_FALSE(record_.codes.empty());
  EXPECT_EQ(record_.codes.front(), kSerialOpened);
  EXPECT_EQ(record_.codes.back(), kSerialClosed);
}

TEST_F(Win32Serial, SecondEngineCannotOpenAPortInUseAndAReopenWorks) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  if (!UnderWine()) {
    SerialPort other;
    EXPECT_EQ(other.Open(port, 38400, 0, 8, false), kOpenDeviceFailed);
  }
  // Open while the worker runs ends it first: closed, then opened again on the same engine.
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened, 2));
  ASSERT_TRUE(record_.WaitFor(kSerialClosed));
  engine_.Send("x", 1);
  EXPECT_TRUE(record_.WaitForEnding("x"));
}

TEST_F(Win32Serial, SendRefusesTooLongAndWhileBusy) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  record_.hold_after_open = true;
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  const std::string block(1024, 'a');
  engine_.Send(block.data(), 1024);
  engine_.Send(block.data(), 0);
  engine_.Send(block.data(), -1);
  engine_.Send(nullptr, 5);
  engine_.Send("12", 2);
  engine_.Send("34", 2);  // dropped: the worker has not even started the first write
  record_.Release();
  ASSERT_TRUE(record_.WaitFor(kSerialWriteDone));
  ASSERT_TRUE(record_.WaitForEnding("12"));
  engine_.Send("5", 1);
  ASSERT_TRUE(record_.WaitFor(kSerialWriteDone, 2));
  ASSERT_TRUE(record_.WaitForEnding("125"));
  const std::string received = record_.ReceivedSinceOpen();
  EXPECT_EQ(received.find('3'), std::string::npos) << received;
  EXPECT_EQ(received.find('a'), std::string::npos) << received;
}

// The engine's own worker cannot be ended from inside itself: the port counts as in use, and
// the worker ends once its callback returns, as it was asked to.
TEST_F(Win32Serial, OpenFromTheCallbackIsRefusedAndTheWorkerEnds) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  record_.reopen_on_open = true;
  record_.reopen_port = port;
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialClosed));
  {
    std::lock_guard hold(record_.lock);
    EXPECT_EQ(record_.reopen_result, kOpenDeviceFailed);
  }
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened, 2));
  engine_.Send("ok", 2);
  EXPECT_TRUE(record_.WaitForEnding("ok"));
}

TEST_F(Win32Serial, StopFromTheCallbackEndsTheWorkerOnceTheCallbackReturns) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  record_.stop_on_data = true;
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  engine_.Send("zz", 2);
  ASSERT_TRUE(record_.WaitFor(kSerialClosed));
  std::lock_guard hold(record_.lock);
  EXPECT_EQ(record_.codes.back(), kSerialClosed);
  // Stop is served before the next read is even asked for: one byte of the two only.
  EXPECT_EQ(record_.received.back(), 'z');
  EXPECT_FALSE(record_.received.ends_with("zz")) << record_.received;
}

TEST_F(Win32Serial, ReopenAfterTheWorkerEndedStartsAFreshSession) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  engine_.Stop();
  ASSERT_TRUE(record_.WaitFor(kSerialClosed));
  engine_.Send("lost", 4);  // while closed: void, not carried into the next session
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened, 2));
  engine_.Send("kept", 4);
  ASSERT_TRUE(record_.WaitForEnding("kept"));
  const std::string received = record_.ReceivedSinceOpen();
  EXPECT_EQ(received.find("lost"), std::string::npos) << received;
}

TEST_F(Win32Serial, DestroyingTheEngineWhileTheCallbackHoldsTheWorkerLeavesItBehindSafely) {
  const unsigned port = LoopbackPort();
  if (port == 0) GTEST_SKIP() << "no loopback port";
  auto engine = std::make_unique<SerialPort>();
  engine->SetCallback(&Record);
  record_.hold_after_open = true;
  ASSERT_EQ(engine->Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened));
  engine.reset();  // waits its 2000 ms, then leaves the worker in the callback
  record_.Release();
  // The abandoned worker must end without touching the engine: no closed event follows.
  EXPECT_FALSE(record_.WaitFor(kSerialClosed, 1, std::chrono::milliseconds(500)));
  // The port was closed by the destructor: it opens again.
  ASSERT_EQ(engine_.Open(port, 38400, 0, 8, false), kOpenOk);
  ASSERT_TRUE(record_.WaitFor(kSerialOpened, 2));
}

// A driver that never completes a cancelled request: the close's whole wait passes in vain.
struct NeverCompleting {
  HANDLE never = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<unsigned> calls{0};
  std::atomic<DWORD> offered{0};
  ~NeverCompleting() { ::CloseHandle(never); }
};
NeverCompleting* stuck = nullptr;

bool NeverCompletingWait(HANDLE, SerialRequest&, DWORD milliseconds) {
  ++stuck->calls;
  stuck->offered += milliseconds;
  ::WaitForSingleObject(stuck->never, milliseconds);
  return false;
}

TEST(Win32SerialRequestKeeper, HoldsARequestUntilTheSystemHasWrittenItsLast) {
  SerialRequestKeeper keeper;
  auto request = std::make_unique<SerialRequest>();
  ASSERT_NE(request->done, nullptr);
  SerialRequest* const started = request.get();
  // The test plays the system: the record is marked as taken, then the outcome is written,
  // then the event is set. Only after the last step may the record go.
  started->record.Internal = STATUS_PENDING;
  keeper.Keep(std::move(request));
  EXPECT_EQ(keeper.Held(), 1u);
  started->record.Internal = 0;
  EXPECT_EQ(keeper.Held(), 1u) << "freed before the system set the event";
  ::SetEvent(started->done);
  EXPECT_EQ(keeper.Held(), 0u);
  EXPECT_EQ(keeper.Kept(), 1u);
}

// The first read waits on the silent port for ever; a close whose driver never completes the
// cancelled read still ends within its bound, raises the close and leaves the record to the
// keeper, whether Stop or the destructor closes. The same engine then opens with fresh records.
TEST_F(Win32Serial, ACancelledReadThatNeverCompletesIsLeftBehindWithinTheBound) {
  const unsigned silent = SilentPort();
  const unsigned loopback = LoopbackPort();
  if (silent == 0 || loopback == 0) GTEST_SKIP() << "no silent or loopback port";
  for (const bool by_destructor : {false, true}) {
    SCOPED_TRACE(by_destructor ? "destructor" : "Stop");
    NeverCompleting never;
    stuck = &never;
    auto engine = std::make_unique<SerialPort>();
    engine->SetCallback(&Record);
    SetCancelledRequestWait(*engine, &NeverCompletingWait);
    const std::size_t opened = Count(kSerialOpened), closed = Count(kSerialClosed),
                      written = Count(kSerialWriteDone);
    const std::size_t kept = AbandonedSerialRequests().Kept();
    ASSERT_EQ(engine->Open(silent, 38400, 0, 8, false), kOpenOk);
    ASSERT_TRUE(record_.WaitFor(kSerialOpened, opened + 1));
    // Served after the read (a lower signal), so once it is done the read is under way.
    engine->Send("x", 1);
    ASSERT_TRUE(record_.WaitFor(kSerialWriteDone, written + 1));

    const auto start = std::chrono::steady_clock::now();
    if (by_destructor) {
      engine.reset();
    } else {
      engine->Stop();
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(SerialPort::kStopWaitMilliseconds));
    // The worker ended on its own: it closed the port and said so before the wait was over.
    EXPECT_EQ(Count(kSerialClosed), closed + 1);
    EXPECT_EQ(never.calls.load(), 1u);
    EXPECT_LE(never.offered.load(), kCancelWaitMilliseconds);
    EXPECT_EQ(AbandonedSerialRequests().Kept(), kept + 1);

    if (!by_destructor) {
      SetCancelledRequestWait(*engine, nullptr);
      ASSERT_EQ(engine->Open(loopback, 38400, 0, 8, false), kOpenOk);
      ASSERT_TRUE(record_.WaitFor(kSerialOpened, opened + 2));
      engine->Send("again", 5);
      EXPECT_TRUE(record_.WaitForEnding("again"));
      engine->Stop();
      EXPECT_EQ(AbandonedSerialRequests().Kept(), kept + 1) << "a close with a working driver gave up";
    }
    stuck = nullptr;
  }
}

}  // namespace

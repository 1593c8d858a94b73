// SerialPort on Windows: the seven signals are event objects, the worker is a _beginthreadex
// thread waiting on all of them, and every read, write and modem-event wait is overlapped I/O
// whose completion sets the done signal, the event of the request's own record.
#include "link/serial_port_win32.h"

#include <process.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "common/platform.h"
#include "common/text.h"
#include "link/serial_port.h"
#include "link/serial_port_worker.h"

namespace {

constexpr DWORD kQueueSize = 8192;

bool DoneSignal(unsigned index) { return index == kReadDone || index == kWriteDone || index == kEventDone; }

// GetOverlappedResult without waiting says ERROR_IO_INCOMPLETE, the starting calls say
// ERROR_IO_PENDING: both mean the operation is still under way.
bool StillInProgress(DWORD error) { return error == ERROR_IO_PENDING || error == ERROR_IO_INCOMPLETE; }

}  // namespace

SerialRequest::SerialRequest() : done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) { Reset(); }

SerialRequest::~SerialRequest() {
  if (done != nullptr) ::CloseHandle(done);
}

void SerialRequest::Reset() {
  record = {};
  record.hEvent = done;
  in_flight = false;
}

// The system writes the outcome before it sets the event: both together mean it is finished
// with the record. Starting a request clears the event, so a set one is never stale.
bool SerialRequest::Completed() const {
  return HasOverlappedIoCompleted(&record) && done != nullptr &&
         ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
}

void SerialRequestKeeper::Keep(std::unique_ptr<SerialRequest> request) {
  std::lock_guard lock(mutex_);
  FreeCompleted();
  held_.push_back(std::move(request));
  ++kept_;
}

std::size_t SerialRequestKeeper::Held() {
  std::lock_guard lock(mutex_);
  FreeCompleted();
  return held_.size();
}

std::size_t SerialRequestKeeper::Kept() {
  std::lock_guard lock(mutex_);
  return kept_;
}

void SerialRequestKeeper::FreeCompleted() {
  std::erase_if(held_, [](const std::unique_ptr<SerialRequest>& request) { return request->Completed(); });
}

SerialRequestKeeper& AbandonedSerialRequests() {
  // Never destroyed: a request may still complete while the process ends.
  static auto* keeper = new SerialRequestKeeper;
  return *keeper;
}

bool WaitForCancelledRequest(HANDLE port, SerialRequest& request, DWORD milliseconds) {
  if (request.done == nullptr) return false;
  if (::WaitForSingleObject(request.done, milliseconds) != WAIT_OBJECT_0) return false;
  DWORD ignored = 0;
  return ::GetOverlappedResult(port, &request.record, &ignored, FALSE) || !StillInProgress(::GetLastError());
}

std::wstring SerialPortPath(unsigned port) {
  wchar_t path[32] = {};
  std::swprintf(path, 32, L"\\\\.\\COM%u", port);
  return path;
}

DCB PrepareLineSettings(std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(baud_rate);
  dcb.ByteSize = data_bits;
  if (parity == 1 || parity == 2) {
    dcb.Parity = static_cast<BYTE>(parity == 1 ? ODDPARITY : EVENPARITY);
    dcb.fParity = TRUE;
  }
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonLim = 2;
  dcb.XoffLim = 4;
  dcb.XonChar = 0x13;
  dcb.XoffChar = 0x19;
  return dcb;
}

struct SerialPort::Backend : SerialPort::WorkerLoop<SerialPort::Backend> {
  // The engine knows the worker has ended from its thread handle.
  using Control = WorkerControl;
  struct WorkerStart {
    Backend* backend;
    std::shared_ptr<Control> control;
  };

  enum Collected { kDone, kPending, kFailed };

  explicit Backend(SerialPort& owner) : engine(owner) {
    for (unsigned i = 0; i < kSignalCount; ++i) {
      if (!DoneSignal(i)) signals[i] = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    for (unsigned index : {kReadDone, kWriteDone, kEventDone}) Renew(index);
  }
  ~Backend() {
    // The done signals go with their records.
    for (unsigned i = 0; i < kSignalCount; ++i) {
      if (!DoneSignal(i) && signals[i] != nullptr) ::CloseHandle(signals[i]);
    }
  }

  std::unique_ptr<SerialRequest>& RequestOf(unsigned done_signal) {
    return done_signal == kReadDone ? read : done_signal == kWriteDone ? write : event;
  }
  // A fresh record for the request whose completion sets `done_signal`.
  void Renew(unsigned done_signal) {
    std::unique_ptr<SerialRequest>& request = RequestOf(done_signal);
    request = std::make_unique<SerialRequest>();
    signals[done_signal] = request->done;
  }

  bool SignalsAvailable() const {
    for (HANDLE signal : signals) {
      if (signal == nullptr) return false;
    }
    return true;
  }
  void Set(unsigned index) {
    if (signals[index] != nullptr) ::SetEvent(signals[index]);
  }
  void Clear(unsigned index) {
    if (signals[index] != nullptr) ::ResetEvent(signals[index]);
  }

  // Waits for the worker of an earlier Open to end (the stop signal must be set already).
  // False when it still runs: it is the calling thread, or it did not end within the wait.
  bool EndWorker() {
    if (worker == nullptr) return true;
    if (worker_id == ::GetCurrentThreadId()) return false;
    if (::WaitForSingleObject(worker, kStopWaitMilliseconds) != WAIT_OBJECT_0) return false;
    ::CloseHandle(worker);
    worker = nullptr;
    worker_id = 0;
    control.reset();
    return true;
  }

  static unsigned __stdcall WorkerMain(void* argument);
  int WaitForSignal(Control& own, std::unique_lock<std::mutex>& hold);
  Outcome Serve(unsigned index, Control& own, std::unique_lock<std::mutex>& hold);
  Collected Collect(SerialRequest& request, unsigned done_signal, DWORD& count);
  void ClosePort();

  SerialPort& engine;
  HANDLE signals[kSignalCount] = {};
  HANDLE port = INVALID_HANDLE_VALUE;
  HANDLE worker = nullptr;
  DWORD worker_id = 0;
  std::shared_ptr<Control> control;
  std::unique_ptr<SerialRequest> read;
  std::unique_ptr<SerialRequest> write;
  std::unique_ptr<SerialRequest> event;
  CancelledRequestWait cancelled_wait = &WaitForCancelledRequest;
};

unsigned __stdcall SerialPort::Backend::WorkerMain(void* argument) {
  const std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(argument));
  const std::shared_ptr<Control> own = start->control;
  std::unique_lock hold(own->mutex);
  start->backend->Run(*own, hold);
  return 0;
}

void SerialPort::Backend::ClosePort() {
  if (port == INVALID_HANDLE_VALUE) return;
  // Cancelled requests still finish in the driver, which writes their records and buffers.
  // One that does not finish within the wait is handed to the keeper with its event and the
  // next Open gets a fresh record: a driver that never completes it costs a little memory,
  // not a worker (and, through its lock, a window) that hangs for good.
  if (read->in_flight || write->in_flight || event->in_flight) ::CancelIoEx(port, nullptr);
  const ULONGLONG deadline = ::GetTickCount64() + kCancelWaitMilliseconds;
  for (unsigned index : {kReadDone, kWriteDone, kEventDone}) {
    SerialRequest& request = *RequestOf(index);
    if (!request.in_flight) continue;
    const ULONGLONG now = ::GetTickCount64();
    if (cancelled_wait(port, request, now < deadline ? static_cast<DWORD>(deadline - now) : 0)) {
      request.in_flight = false;
      continue;
    }
    ::OutputDebugStringW(L"serial port: a cancelled request did not complete; it is kept until it does\n");
    AbandonedSerialRequests().Keep(std::move(RequestOf(index)));
    Renew(index);
  }
  ::CloseHandle(port);
  port = INVALID_HANDLE_VALUE;
}

int SerialPort::Backend::WaitForSignal(Control& own, std::unique_lock<std::mutex>& hold) {
  hold.unlock();
  // Reports the lowest index among the set signals; only that one, if auto-reset, is taken.
  const DWORD result = ::WaitForMultipleObjects(kSignalCount, signals, FALSE, INFINITE);
  hold.lock();
  if (own.abandoned) return kWaitAbandoned;
  if (result >= WAIT_OBJECT_0 + kSignalCount) return kWaitFailed;
  return static_cast<int>(result - WAIT_OBJECT_0);
}

SerialPort::Backend::Collected SerialPort::Backend::Collect(SerialRequest& request, unsigned done_signal,
                                                          DWORD& count) {
  OVERLAPPED& operation = request.record;
  if (::GetOverlappedResult(port, &operation, &count, FALSE)) {
    Clear(done_signal);
    return kDone;
  }
  if (!StillInProgress(::GetLastError())) return kFailed;
  // Set yet unfinished would wake the worker forever; clear it and look once more, since the
  // completion may have set it again in between.
  Clear(done_signal);
  if (::GetOverlappedResult(port, &operation, &count, FALSE)) return kDone;
  return StillInProgress(::GetLastError()) ? kPending : kFailed;
}

SerialPort::Backend::Outcome SerialPort::Backend::Serve(unsigned index, Control& own,
                                                      std::unique_lock<std::mutex>& hold) {
  const auto raise = [&](unsigned code) { return Raise(code, own, hold) ? kContinue : kAbandoned; };
  DWORD count = 0;
  switch (index) {
    case kStop:
      return kEnd;
    case kReadDone: {
      const Collected collected = Collect(*read, kReadDone, count);
      if (collected == kPending) return kContinue;
      if (collected == kFailed) return kEnd;
      read->in_flight = false;
      if (count > static_cast<DWORD>(engine.read_size_)) count = static_cast<DWORD>(engine.read_size_);
      std::memcpy(engine.receive_buffer_, read->data, count);
      engine.received_count_ = static_cast<std::int16_t>(count);
      engine.read_pending_ = false;
      if (count != 0) return raise(kSerialData);
      // A read that brought nothing would otherwise leave the port unread for good.
      Set(kReadRequest);
      return kContinue;
    }
    case kReadRequest:
      if (engine.read_pending_) return kContinue;
      engine.read_pending_ = true;
      read->in_flight = true;
      // A read that completes at once sets signal 1 too and is collected like any other.
      if (!::ReadFile(port, read->data, static_cast<DWORD>(engine.read_size_), nullptr, &read->record) &&
          !StillInProgress(::GetLastError())) {
        read->in_flight = false;
        return kEnd;
      }
      return kContinue;
    case kWriteDone: {
      const Collected collected = Collect(*write, kWriteDone, count);
      if (collected == kPending) return kContinue;
      if (collected == kFailed) return kEnd;
      write->in_flight = false;
      engine.write_busy_ = false;
      return raise(kSerialWriteDone);
    }
    case kWriteRequest:
      if (write->in_flight) return kContinue;
      write->in_flight = true;
      // The record's own copy: the system may read it until the write completes, even after a
      // close that gave up on it.
      std::memcpy(write->data, engine.write_buffer_, static_cast<std::size_t>(engine.write_length_));
      if (!::WriteFile(port, write->data, static_cast<DWORD>(engine.write_length_), nullptr,
                       &write->record) &&
          !StillInProgress(::GetLastError())) {
        write->in_flight = false;
        return kEnd;
      }
      return kContinue;
    case kEventDone: {
      const Collected collected = Collect(*event, kEventDone, count);
      if (collected == kPending) return kContinue;
      if (collected == kFailed) return kEnd;
      event->in_flight = false;
      engine.event_wait_pending_ = false;
      engine.event_mask_ = static_cast<std::uint32_t>(event->comm_event);
      DWORD status = 0;
      if (!::GetCommModemStatus(port, &status)) return kEnd;
      const ModemEventCodes report = ModemStatusCheck(engine.event_mask_, static_cast<std::uint32_t>(status));
      for (unsigned i = 0; i < report.count; ++i) {
        if (raise(report.codes[i]) == kAbandoned) return kAbandoned;
      }
      Set(kEventRequest);
      return kContinue;
    }
    case kEventRequest:
      if (engine.event_wait_pending_ || !engine.modem_events_) return kContinue;
      engine.event_wait_pending_ = true;
      event->in_flight = true;
      event->comm_event = 0;
      if (!::WaitCommEvent(port, &event->comm_event, &event->record) && !StillInProgress(::GetLastError())) {
        event->in_flight = false;
        return kEnd;
      }
      return kContinue;
    default:
      return kEnd;
  }
}

SerialPort::SerialPort() : backend_(std::make_unique<Backend>(*this)) {}

SerialPort::~SerialPort() {
  Backend& b = *backend_;
  if (b.worker != nullptr) {
    b.Set(kStop);
    const bool on_worker = b.worker_id == ::GetCurrentThreadId();
    const bool ended = !on_worker && ::WaitForSingleObject(b.worker, kStopWaitMilliseconds) == WAIT_OBJECT_0;
    if (!ended) {
      // The worker is in the callback (it holds the mutex otherwise): once the callback
      // returns it sees this and ends without touching the engine, so the port is ours to close.
      std::lock_guard lock(b.control->mutex);
      b.control->abandoned = true;
    }
    ::CloseHandle(b.worker);
    b.worker = nullptr;
  }
  // Every request is collected or with the keeper now: the records and signals can go.
  b.ClosePort();
}

void SerialPort::SetSignal(unsigned index) { backend_->Set(index); }

std::uint8_t SerialPort::Open(unsigned port, std::int32_t baud_rate, std::int32_t parity,
                             std::uint8_t data_bits, bool modem_events) {
  Backend& b = *backend_;
  const std::wstring path = SerialPortPath(port);
  const auto fail_with = [&](DWORD error) {
    last_open_failure_ = {
        NativeToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(path.data()), path.size())),
        SystemErrorText(static_cast<int>(error))};
  };
  if (b.worker != nullptr) {
    b.Set(kStop);
    // The earlier worker still owns the port; a second one must not share it.
    if (!b.EndWorker()) {
      fail_with(ERROR_BUSY);
      return kOpenDeviceFailed;
    }
  }
  b.ClosePort();

  std::uint8_t code = TakePortSettings(port, baud_rate, parity, modem_events);
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  if (code == kOpenOk) {
    for (unsigned index : {kReadDone, kWriteDone, kEventDone}) {
      // A record whose event could not be made earlier gets another chance.
      if (b.RequestOf(index)->done == nullptr) b.Renew(index);
      b.RequestOf(index)->Reset();
    }
    // No sharing: a port another program (or engine) holds fails to open.
    handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) error = ::GetLastError();
    DCB line = PrepareLineSettings(baud_rate, parity, data_bits);
    if (handle == INVALID_HANDLE_VALUE) {
      code = kOpenDeviceFailed;
    } else {
      // Each step runs; the last one that fails names the code and the reason.
      const auto step = [&](BOOL done, std::uint8_t step_code) {
        if (done) return;
        error = ::GetLastError();
        code = step_code;
      };
      step(::SetCommMask(handle, modem_events ? (kModemEventRing | kModemEventCarrierChange) : 0),
           kOpenMaskFailed);
      COMMTIMEOUTS timeouts{};  // all zero: a read completes only with the bytes asked for
      step(::SetCommTimeouts(handle, &timeouts), kOpenTimeoutsFailed);
      step(::SetCommState(handle, &line), kOpenLineSettingsFailed);
    }
  }
  if (!b.SignalsAvailable()) {
    code = kOpenSignalsMissing;
    error = ERROR_INVALID_HANDLE;
  }
  if (code != kOpenOk) {
    if (error != ERROR_SUCCESS) fail_with(error);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return code;
  }

  ::SetupComm(handle, kQueueSize, kQueueSize);
  // Nothing of an earlier session carries over: a Stop or Send made while closed is void, and
  // the flags are cleared here rather than by the worker so a Send right after Open is kept.
  for (unsigned i = 0; i < kSignalCount; ++i) b.Clear(i);
  write_busy_ = false;
  read_pending_ = false;
  event_wait_pending_ = false;
  b.port = handle;
  auto control = std::make_shared<Backend::Control>();
  auto* start = new Backend::WorkerStart{&b, control};
  unsigned thread_id = 0;
  // Started suspended and resumed once its handle and id are stored, so a callback that calls
  // Stop or Open already sees them.
  const std::uintptr_t thread =
      ::_beginthreadex(nullptr, 0, &Backend::WorkerMain, start, CREATE_SUSPENDED, &thread_id);
  if (thread == 0) {
    // The C runtime keeps the system's own error code of the failed thread creation here.
    const DWORD start_error = static_cast<DWORD>(_doserrno);
    delete start;
    b.ClosePort();
    fail_with(start_error);
    return kOpenSignalsMissing;
  }
  b.worker = reinterpret_cast<HANDLE>(thread);
  b.worker_id = thread_id;
  b.control = std::move(control);
  ::ResumeThread(b.worker);
  return kOpenOk;
}

void SerialPort::Stop() {
  backend_->Set(kStop);
  backend_->EndWorker();
}

void SetCancelledRequestWait(SerialPort& engine, CancelledRequestWait wait) {
  engine.OsBackend().cancelled_wait = wait != nullptr ? wait : &WaitForCancelledRequest;
}

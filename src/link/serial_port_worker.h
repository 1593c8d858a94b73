// The part of SerialPort's worker that every backend shares: the hand-over to the callback and
// the loop that serves the signals. Only the backend files include it; each backend supplies
// the waiting, the starting and collecting of I/O and the closing of the port.
#pragma once

#include <mutex>

#include "link/serial_port.h"

// The worker's seven signals by index. A wait reports the lowest one that is set; the done
// signals stay set until the worker has collected the operation's outcome.
inline constexpr unsigned kStop = 0;
inline constexpr unsigned kReadDone = 1;
inline constexpr unsigned kReadRequest = 2;
inline constexpr unsigned kWriteDone = 3;
inline constexpr unsigned kWriteRequest = 4;
inline constexpr unsigned kEventDone = 5;
inline constexpr unsigned kEventRequest = 6;
inline constexpr unsigned kSignalCount = 7;

// Shared by the engine and its worker; outlives the engine when the destructor has to leave a
// worker behind that is stuck in the callback.
struct WorkerControl {
  // Held by the worker at all times except while it waits for a signal or runs the callback,
  // so the engine can only be abandoned while the worker touches none of it.
  std::mutex mutex;
  bool abandoned = false;  // the engine is gone: the worker must not touch it again
};

// The base of a backend `Os`, which provides:
//   SerialPort& engine;
//   int WaitForSignal(WorkerControl&, std::unique_lock<std::mutex>&): the index of a set
//     signal, kWaitFailed or kWaitAbandoned; the mutex is held again when it returns;
//   Outcome Serve(unsigned index, WorkerControl&, std::unique_lock<std::mutex>&);
//   void Set(unsigned index): sets a signal, also from the worker itself;
//   void ClosePort().
template <class Os>
class SerialPort::WorkerLoop {
 public:
  enum Outcome { kContinue, kEnd, kAbandoned };
  static constexpr int kWaitFailed = -1;
  static constexpr int kWaitAbandoned = -2;

  // Hands `code` to the callback with the mutex unlocked. False when the engine was abandoned
  // meanwhile: from then on the worker must not touch it (nor this backend, which went with it).
  bool Raise(unsigned code, WorkerControl& own, std::unique_lock<std::mutex>& hold) {
    SerialPort& engine = Self().engine;
    const SerialCallbackFunction callback = engine.callback_.load();
    if (callback == nullptr) return true;
    hold.unlock();
    callback(engine.callback_context_.load(), &engine, code);
    hold.lock();
    return !own.abandoned;
  }

  // The worker's whole life on an open port, with `hold` locking own.mutex on entry.
  void Run(WorkerControl& own, std::unique_lock<std::mutex>& hold) {
    if (!Raise(kSerialOpened, own, hold)) return;
    Os& os = Self();
    os.Set(kReadRequest);  // the first read starts without anyone asking
    if (os.engine.modem_events_) os.Set(kEventRequest);
    for (;;) {
      const int index = os.WaitForSignal(own, hold);
      if (index == kWaitAbandoned) return;
      if (index < 0) break;
      const Outcome outcome = os.Serve(static_cast<unsigned>(index), own, hold);
      if (outcome == kAbandoned) return;
      if (outcome == kEnd) break;
    }
    os.ClosePort();
    Raise(kSerialClosed, own, hold);
  }

 private:
  Os& Self() { return static_cast<Os&>(*this); }
};

// The Windows backend's pieces of SerialPort: the device path, the line settings, the records of
// its overlapped requests and the seam of the close's wait for cancelled ones.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/serial_port.h"

// "\\.\COM<n>", the number in decimal without leading zeros.
std::wstring SerialPortPath(unsigned port);

// The DCB that Open applies: the given speed, data bits and parity (0 none, 1 odd, 2 even,
// any other none), one stop bit, binary, no flow control, DTR and RTS on; the rest zero.
DCB PrepareLineSettings(std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits);

// One overlapped request of the worker: the record the system writes the outcome into, the
// buffer it reads into or writes from, where a modem-event wait stores its event, and the
// manual-reset event the completion sets. Once started the system owns all of them until the
// request completes, so a record is never freed or reused before then.
struct SerialRequest {
  SerialRequest();
  ~SerialRequest();
  SerialRequest(const SerialRequest&) = delete;
  SerialRequest& operator=(const SerialRequest&) = delete;

  // A fresh record for the next request, bound to `done`.
  void Reset();
  // The system has written its last: the outcome is in and the event is set.
  bool Completed() const;

  OVERLAPPED record{};
  HANDLE done = nullptr;  // null when the system had no event to give
  unsigned char data[SerialPort::kBufferSize] = {};
  DWORD comm_event = 0;
  bool in_flight = false;
};

// Holds requests a close gave up on until the system completes them, then frees them.
class SerialRequestKeeper {
 public:
  void Keep(std::unique_ptr<SerialRequest> request);
  // Frees the completed ones; the number still held.
  std::size_t Held();
  // Every request ever handed over.
  std::size_t Kept();

 private:
  void FreeCompleted();
  std::mutex mutex_;
  std::vector<std::unique_ptr<SerialRequest>> held_;
  std::size_t kept_ = 0;
};

// The keeper of every engine of the process: an abandoned request outlives its engine.
SerialRequestKeeper& AbandonedSerialRequests();

// Longest a close waits in all for its cancelled requests, well inside the wait of Stop so the
// worker still ends in time and its lock is never held longer than that.
inline constexpr DWORD kCancelWaitMilliseconds = 500;
static_assert(kCancelWaitMilliseconds < SerialPort::kStopWaitMilliseconds);

// Waits up to `milliseconds` for the cancelled `request` on `port` to complete; true when it did.
using CancelledRequestWait = bool (*)(HANDLE port, SerialRequest& request, DWORD milliseconds);
bool WaitForCancelledRequest(HANDLE port, SerialRequest& request, DWORD milliseconds);
// Replaces the wait of `engine`'s closes (null restores the default); set it before Open.
void SetCancelledRequestWait(SerialPort& engine, CancelledRequestWait wait);

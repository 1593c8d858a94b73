// SerialPort: the serial port engine. One worker thread per open port performs every read,
// write and modem-line wait and reports through one callback. The backend is per OS.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class SerialPort;

// SerialEvent codes passed to the callback.
enum SerialEvent : unsigned {
  kSerialOpened = 0,
  kSerialClosed = 1,
  kSerialWriteDone = 2,
  kSerialData = 3,
  kSerialRing = 4,
  kSerialCarrierOn = 5,
  kSerialCarrierOff = 6,
};

// Result codes of Open.
enum SerialOpenResult : std::uint8_t {
  kOpenOk = 0,
  kOpenMaskFailed = 1,
  kOpenTimeoutsFailed = 2,
  kOpenLineSettingsFailed = 4,
  kOpenDeviceFailed = 8,
  kOpenPortZero = 16,
  kOpenSignalsMissing = 32,
};

// What a modem-event wait reports (event mask bits).
inline constexpr std::uint32_t kModemEventCarrierChange = 0x20;
inline constexpr std::uint32_t kModemEventRing = 0x100;
// Modem line states as the worker reads them.
inline constexpr std::uint32_t kModemRingOn = 0x40;
inline constexpr std::uint32_t kModemCarrierOn = 0x80;

// The codes one completed modem-event wait raises, in order: a ring, then the carrier's state.
struct ModemEventCodes {
  unsigned count = 0;
  unsigned codes[2] = {};
};
ModemEventCodes ModemStatusCheck(std::uint32_t event_mask, std::uint32_t modem_status);

// The worker's events go to this function with the context its owner gave along with it.
using SerialCallbackFunction = void (*)(void* context, SerialPort* engine, unsigned code);

// Why the last Open failed, in the system's words: the device it tried and the reason.
struct SerialOpenFailure {
  std::string device;
  std::string reason;
  bool operator==(const SerialOpenFailure&) const = default;
};

class SerialPort {
 public:
  static constexpr std::int16_t kBufferSize = 1024;
  // Longest a Stop, a re-Open or the destructor waits for the worker to end.
  static constexpr unsigned kStopWaitMilliseconds = 2000;

  SerialPort();
  // Ends the worker like Stop. A worker still stuck in the callback after the wait is left to
  // finish on its own and no longer touches the engine once the callback returns.
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Set while no port is open: the worker reads both when it raises an event.
  void SetCallback(SerialCallbackFunction callback, void* context = nullptr);
  // Opens port `port` (1..255) and starts the worker; returns a SerialOpenResult. A worker of
  // an earlier Open is ended first; if it cannot be ended (it is the calling thread, or it
  // stays in the callback beyond the wait) the port counts as in use: code 8. A port number
  // above 255 is refused with code 8 rather than wrapped onto another port; a worker thread
  // that cannot be started gives code 32.
  std::uint8_t Open(unsigned port, std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits,
                    bool modem_events);
  // Hands bytes to the worker; dropped silently while a write is busy, for a length of 1024
  // or more, a negative or zero length or no data.
  void Send(const void* data, std::int16_t length);
  void RequestRead();
  // Empty after a successful Open; for the UI thread that calls Open.
  const SerialOpenFailure& LastOpenFailure() const { return last_open_failure_; }
  std::int16_t ReceivedCount() const;
  const unsigned char* ReceivedData() const;
  // Ends the worker (which closes the port and raises code 1); waits at most 2000 ms. Called
  // from the callback it only asks the worker to end, which it does once the callback returns.
  void Stop();

  struct Backend;  // the operating system's side, defined by the backend file
  // For the backend's own seams (see the backend's header); not for the engine's users.
  Backend& OsBackend() { return *backend_; }

 private:
  // The worker's loop, which the backends share (link/serial_port_worker.h).
  template <class Os>
  class WorkerLoop;

  // Sets signal `index` (0..6); the backend keeps the signals.
  void SetSignal(unsigned index);
  // The checks of Open before any device is touched: code 16 for port 0, code 8 for a port
  // above 255 (both recorded as the failure); otherwise it records the settings, clears the
  // failure and gives kOpenOk.
  std::uint8_t TakePortSettings(unsigned port, std::int32_t baud_rate, std::int32_t parity,
                                bool modem_events);

  // Fields, in the order of the design; the signals, the port and worker handles and the
  // operation records belong to the backend.
  bool modem_events_ = false;
  std::uint8_t port_number_ = 0;
  std::int32_t baud_rate_ = 0;
  std::int32_t parity_ = 0;
  // Set by Send on the caller's thread, cleared by the worker once the write completed.
  std::atomic<bool> write_busy_{false};
  std::atomic<bool> read_pending_{false};
  std::atomic<bool> event_wait_pending_{false};
  unsigned char receive_buffer_[kBufferSize] = {};
  std::int16_t read_size_ = 1;
  std::int16_t received_count_ = 0;
  unsigned char write_buffer_[kBufferSize] = {};
  std::int16_t write_length_ = 0;
  std::uint32_t event_mask_ = 0;
  std::atomic<SerialCallbackFunction> callback_{nullptr};
  std::atomic<void*> callback_context_{nullptr};
  SerialOpenFailure last_open_failure_;

  std::unique_ptr<Backend> backend_;
};

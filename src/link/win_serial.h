// WinSerial: the serial port engine. One worker thread per open port performs every read,
// write and modem-line wait and reports through one callback. The backend is per OS.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class WinSerial;

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

using SerialCallbackFunction = void (*)(WinSerial* engine, unsigned code);

class WinSerial {
 public:
  WinSerial();
  ~WinSerial();
  WinSerial(const WinSerial&) = delete;
  WinSerial& operator=(const WinSerial&) = delete;

  void SetCallback(SerialCallbackFunction callback);
  // Opens port `port` (1..255) and starts the worker; returns a SerialOpenResult.
  std::uint8_t Open(unsigned port, std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits,
                    bool modem_events);
  // Hands bytes to the worker; dropped silently while a write is busy, for a length of 1024
  // or more, a negative length or no data.
  void Send(const void* data, std::int16_t length);
  void RequestRead();
  std::int16_t ReceivedCount() const;
  const unsigned char* ReceivedData() const;
  // Ends the worker (which closes the port and raises code 1); waits at most 2000 ms.
  void Stop();

  struct Backend;  // the operating system's side, defined by the backend file

 private:
  std::unique_ptr<Backend> backend_;
};

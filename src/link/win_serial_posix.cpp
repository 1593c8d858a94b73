// WinSerial on POSIX. Not built yet: the box link work fills in the engine; until then no port
// ever opens.
#include "link/win_serial.h"

struct WinSerial::Backend {};

WinSerial::WinSerial() : backend_(std::make_unique<Backend>()) {}
WinSerial::~WinSerial() = default;
void WinSerial::SetCallback(SerialCallbackFunction /*callback*/) {}
std::uint8_t WinSerial::Open(unsigned port, std::int32_t, std::int32_t, std::uint8_t, bool) {
  return port == 0 ? kOpenPortZero : kOpenDeviceFailed;
}
void WinSerial::Send(const void*, std::int16_t) {}
void WinSerial::RequestRead() {}
std::int16_t WinSerial::ReceivedCount() const { return 0; }
const unsigned char* WinSerial::ReceivedData() const { return nullptr; }
void WinSerial::Stop() {}

// SerialPort: the parts every backend shares (the hand-over of writes and reads, the modem
// status check).
#include "link/serial_port.h"

#include <cstring>
#include <string>

ModemEventCodes ModemStatusCheck(std::uint32_t event_mask, std::uint32_t modem_status) {
  ModemEventCodes report;
  if ((event_mask & kModemEventRing) != 0 && (modem_status & kModemRingOn) != 0) {
    report.codes[report.count++] = kSerialRing;
  }
  if ((event_mask & kModemEventCarrierChange) != 0) {
    report.codes[report.count++] =
        (modem_status & kModemCarrierOn) != 0 ? kSerialCarrierOn : kSerialCarrierOff;
  }
  return report;
}

std::uint8_t SerialPort::TakePortSettings(unsigned port, std::int32_t baud_rate, std::int32_t parity,
                                         bool modem_events) {
  if (port == 0) {
    last_open_failure_ = {"COM0", "no such port number"};
    return kOpenPortZero;
  }
  if (port > 255) {
    // The port number is 8 bits: never wrap onto another port.
    last_open_failure_ = {"COM" + std::to_string(port), "port numbers end at 255"};
    return kOpenDeviceFailed;
  }
  last_open_failure_ = {};
  modem_events_ = modem_events;
  port_number_ = static_cast<std::uint8_t>(port);
  baud_rate_ = baud_rate;
  parity_ = parity;
  return kOpenOk;
}

void SerialPort::SetCallback(SerialCallbackFunction callback, void* context) {
  callback_context_.store(context);
  callback_.store(callback);
}

void SerialPort::Send(const void* data, std::int16_t length) {
  if (write_busy_.load() || length >= kBufferSize || length <= 0 || data == nullptr) return;
  // The worker reads the buffer only after taking the write request and clears write busy
  // only after the write completed, so the buffer is never shared.
  write_busy_.store(true);
  std::memcpy(write_buffer_, data, static_cast<std::size_t>(length));
  write_length_ = length;
  SetSignal(4);
}

void SerialPort::RequestRead() { SetSignal(2); }

std::int16_t SerialPort::ReceivedCount() const { return received_count_; }

const unsigned char* SerialPort::ReceivedData() const { return receive_buffer_; }

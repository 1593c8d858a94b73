// The Linux backend's seams of SerialPort: where the modem line states come from and how the
// worker thread is started. Set them before Open.
#pragma once

#include <termios.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/serial_port.h"

// Reads the ring-indicator and carrier-detect lines of an open port.
class ModemLineSource {
 public:
  virtual ~ModemLineSource() = default;
  // A non-blocking descriptor that turns readable when the lines may have changed, or -1.
  // The worker polls it and reads it empty. Without one, the lines are checked whenever the
  // worker wakes for any other reason.
  virtual int ChangeDescriptor() = 0;
  // Stores the lines as kModemRingOn / kModemCarrierOn bits; returns 0 or an errno value.
  // ENOTTY and EINVAL mean the port has no modem lines (pseudo-terminals).
  virtual int Read(int port_fd, std::uint32_t& status) = 0;
};

// The default source: TIOCMGET on the port.
std::shared_ptr<ModemLineSource> PortModemLines();

void SetModemLineSource(SerialPort& engine, std::shared_ptr<ModemLineSource> source);

// Starts a worker thread running `body`; throws std::system_error when it cannot.
using WorkerStarter = std::function<std::thread(std::function<void()> body)>;
void SetWorkerStarter(SerialPort& engine, WorkerStarter starter);

// The device of port `port`: $RODIDUZ_PORT_DIR/COM<n> when set and not empty, else
// /dev/ttyUSB<n-1>.
std::string SerialPortPath(unsigned port);

// Turns `settings` into a raw line at the given speed, parity (0 none, 1 odd, 2 even, any
// other none) and data bits, one stop bit, no flow control, reads of at least one byte without
// time-out. False for a speed or character size the system lacks.
bool PrepareLineSettings(termios& settings, std::int32_t baud_rate, std::int32_t parity,
                         std::uint8_t data_bits);

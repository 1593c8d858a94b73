// SerialPort on Linux. The seven signals are bits of one word plus an eventfd that wakes the
// worker; the worker blocks in poll() on that eventfd and the port and carries out the
// asynchronous read, write and modem-event wait with non-blocking I/O.
#include "link/serial_port_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>

#include "common/platform.h"
#include "link/serial_port.h"
#include "link/serial_port_worker.h"

namespace {

constexpr std::uint32_t Bit(unsigned index) { return 1u << index; }
// Done signals stay set until the worker has collected the operation's outcome.
constexpr std::uint32_t kManualReset = Bit(kReadDone) | Bit(kWriteDone) | Bit(kEventDone);

bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

class PortLines final : public ModemLineSource {
 public:
  // Without TIOCMIWAIT (which blocks and cannot share the worker's poll) line changes are seen
  // when the worker next wakes.
  int ChangeDescriptor() override { return -1; }
  int Read(int port_fd, std::uint32_t& status) override {
    int lines = 0;
    if (::ioctl(port_fd, TIOCMGET, &lines) != 0) return errno;
    status = ((lines & TIOCM_RNG) != 0 ? kModemRingOn : 0) | ((lines & TIOCM_CD) != 0 ? kModemCarrierOn : 0);
    return 0;
  }
};

void Drain(int fd) {
  unsigned char sink[64];
  while (::read(fd, sink, sizeof sink) > 0) {
  }
}

bool BaudConstant(std::int32_t baud, speed_t& speed) {
  struct Entry {
    std::int32_t baud;
    speed_t speed;
  };
  static constexpr Entry kTable[] = {
      {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
      {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
      {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
      {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
      {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
  };
  for (const Entry& entry : kTable) {
    if (entry.baud == baud) {
      speed = entry.speed;
      return true;
    }
  }
  return false;
}

bool CharacterSize(std::uint8_t data_bits, tcflag_t& size) {
  switch (data_bits) {
    case 5:
      size = CS5;
      return true;
    case 6:
      size = CS6;
      return true;
    case 7:
      size = CS7;
      return true;
    case 8:
      size = CS8;
      return true;
    default:
      return false;
  }
}

// Root's open passes another program's TIOCEXCL, but the port is in use all the same; taking it
// would also end that program's hold, since our close clears the mode. Kernels before 3.8 cannot
// tell (the query fails) and only the lock guards there.
bool ExclusiveToAnother(int fd) {
  int exclusive = 0;
  return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// Opens the device for exclusive use, or gives -1 with the reason in `error`. TIOCEXCL keeps
// other programs out but root passes it; the lock holds for everyone who takes it, root and
// our own engines included. Either hold is reported as a busy device, which is what it means.
int OpenPortDevice(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  error = 0;
  if (::isatty(fd) == 0) {
    error = ENOTTY;
  } else if (ExclusiveToAnother(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = EBUSY;
  }
  if (error != 0) {
    ::close(fd);
    return -1;
  }
  ::ioctl(fd, TIOCEXCL);
  return fd;
}

void ClosePortDevice(int& fd) {
  if (fd < 0) return;
  // Unsent output would make close() wait for the driver's closing time (up to 30 s).
  ::tcflush(fd, TCOFLUSH);
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
  fd = -1;
}

// With VMIN=0 a read of 0 bytes could not be told from a hang-up; VMIN=1 makes 0 mean one.
// Both steps give 0 or the errno value of the call that failed.
int SetNoTimeouts(int fd) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return errno;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &settings) == 0 ? 0 : errno;
}

int ApplyLineSettings(int fd, std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return errno;
  if (!PrepareLineSettings(settings, baud_rate, parity, data_bits)) return EINVAL;
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) return errno;
  // Pseudo-terminals have no modem lines (ENOTTY, some drivers EINVAL): that is no failure.
  int lines = TIOCM_DTR | TIOCM_RTS;
  return ::ioctl(fd, TIOCMBIS, &lines) == 0 || NoModemLines(errno) ? 0 : errno;
}

}  // namespace

bool PrepareLineSettings(termios& settings, std::int32_t baud_rate, std::int32_t parity,
                         std::uint8_t data_bits) {
  speed_t speed = B0;
  tcflag_t size = CS8;
  if (!BaudConstant(baud_rate, speed) || !CharacterSize(data_bits, size)) return false;
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  // HUPCL drops DTR when the port closes, so DTR is on exactly while the port is open.
  settings.c_cflag |= size | CLOCAL | CREAD | HUPCL;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  if (parity == 1) {
    settings.c_cflag |= PARENB | PARODD;
    settings.c_iflag |= INPCK;
  } else if (parity == 2) {
    settings.c_cflag |= PARENB;
    settings.c_iflag |= INPCK;
  }
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  return ::cfsetispeed(&settings, speed) == 0 && ::cfsetospeed(&settings, speed) == 0;
}

std::shared_ptr<ModemLineSource> PortModemLines() { return std::make_shared<PortLines>(); }

std::string SerialPortPath(unsigned port) {
  const char* folder = std::getenv("RODIDUZ_PORT_DIR");
  if (folder != nullptr && *folder != '\0') return std::string(folder) + "/COM" + std::to_string(port);
  return "/dev/ttyUSB" + std::to_string(port - 1);
}

// The backend whose worker runs on this thread, if any.
static thread_local const SerialPort::Backend* t_serving = nullptr;

struct SerialPort::Backend : SerialPort::WorkerLoop<SerialPort::Backend> {
  // The worker waits for signals in poll(). Stop, a re-Open and the destructor wait for `ended`.
  struct Control : WorkerControl {
    std::condition_variable ended_changed;
    bool ended = false;
  };

  explicit Backend(SerialPort& owner)
      : engine(owner),
        wake_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
        wake_error(wake_fd < 0 ? errno : 0) {}

  void Set(unsigned index) {
    signals.fetch_or(Bit(index));
    // Set on the worker's own thread, by the worker or from its callback (a RequestRead per
    // received byte): it looks at the signals before it waits again, so a wake-up would only
    // cost a system call.
    if (t_serving == this) return;
    const std::uint64_t one = 1;
    // A full counter is still readable, so a failed write loses no wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wake_fd, &one, sizeof one);
  }
  void Clear(unsigned index) { signals.fetch_and(~Bit(index)); }
  void ClosePort() { ClosePortDevice(port_fd); }

  // Waits for the worker of an earlier Open to end (the stop signal must be set already).
  // False when it still runs: it is the calling thread, or it did not end within the wait.
  bool EndWorker() {
    if (!worker.joinable()) return true;
    if (worker.get_id() == std::this_thread::get_id()) return false;
    std::unique_lock lock(control->mutex);
    if (!control->ended_changed.wait_for(lock, std::chrono::milliseconds(kStopWaitMilliseconds),
                                         [this] { return control->ended; })) {
      return false;
    }
    lock.unlock();
    worker.join();
    control.reset();
    return true;
  }

  int WaitForSignal(WorkerControl& own, std::unique_lock<std::mutex>& hold);
  Outcome Serve(unsigned index, WorkerControl& own, std::unique_lock<std::mutex>& hold);
  void ContinueRead();
  void ContinueWrite();
  void CheckModemLines();

  SerialPort& engine;
  int wake_fd;
  int wake_error;  // why the wake-up descriptor is missing
  std::atomic<std::uint32_t> signals{0};
  int port_fd = -1;
  std::thread worker;
  std::shared_ptr<Control> control;
  std::shared_ptr<ModemLineSource> modem_lines = PortModemLines();
  WorkerStarter start_worker = [](std::function<void()> body) { return std::thread(std::move(body)); };
  std::uint32_t comm_mask = 0;  // which line changes a modem-event wait reports

  // Operation records; only the worker touches them while it runs.
  struct {
    bool in_progress = false;
    bool failed = false;
    std::int16_t count = 0;
  } read;
  struct {
    bool in_progress = false;
    bool failed = false;
    std::int16_t done = 0;
  } write;
  struct {
    bool in_progress = false;
    bool failed = false;
    std::uint32_t last_status = 0;
    std::uint32_t result = 0;
  } event;
};

int SerialPort::Backend::WaitForSignal(WorkerControl& own, std::unique_lock<std::mutex>& hold) {
  for (;;) {
    std::uint32_t set = signals.load();
    while (set != 0) {
      const unsigned index = static_cast<unsigned>(std::countr_zero(set));
      if ((Bit(index) & kManualReset) != 0) return static_cast<int>(index);
      if (signals.compare_exchange_weak(set, set & ~Bit(index))) return static_cast<int>(index);
    }

    pollfd fds[3] = {};
    nfds_t count = 0;
    fds[count++] = {wake_fd, POLLIN, 0};
    const short port_events =
        static_cast<short>((read.in_progress ? POLLIN : 0) | (write.in_progress ? POLLOUT : 0));
    // Hang-up and errors are reported even with no event asked for.
    fds[count++] = {port_fd, port_events, 0};
    const int change_fd = event.in_progress ? modem_lines->ChangeDescriptor() : -1;
    if (change_fd >= 0) fds[count++] = {change_fd, POLLIN, 0};

    hold.unlock();
    const int ready = ::poll(fds, count, -1);
    const int error = errno;
    hold.lock();
    if (own.abandoned) return kWaitAbandoned;
    if (ready < 0) {
      if (error == EINTR) continue;
      return kWaitFailed;
    }
    if ((fds[0].revents & POLLIN) != 0) Drain(wake_fd);
    // An unplugged adapter (or a closed pty master) hangs the tty up: the port is lost.
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return kWaitFailed;
    if ((fds[1].revents & POLLIN) != 0 && read.in_progress) ContinueRead();
    if ((fds[1].revents & POLLOUT) != 0 && write.in_progress) ContinueWrite();
    if (change_fd >= 0 && (fds[2].revents & POLLIN) != 0) Drain(change_fd);
    if (event.in_progress) CheckModemLines();
  }
}

void SerialPort::Backend::ContinueRead() {
  for (;;) {
    const ssize_t got = ::read(port_fd, engine.receive_buffer_, static_cast<std::size_t>(engine.read_size_));
    if (got < 0 && errno == EINTR) continue;
    // Readable but empty after all: the read simply stays in progress.
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    read.in_progress = false;
    if (got > 0) {
      read.count = static_cast<std::int16_t>(got);
    } else {
      // 0 is a hang-up (VMIN=1 rules out anything else); EIO, EPROTO and the like a lost port.
      read.failed = true;
    }
    Set(kReadDone);
    return;
  }
}

void SerialPort::Backend::ContinueWrite() {
  while (write.done < engine.write_length_) {
    const ssize_t put = ::write(port_fd, engine.write_buffer_ + write.done,
                                static_cast<std::size_t>(engine.write_length_ - write.done));
    if (put > 0) {
      write.done = static_cast<std::int16_t>(write.done + put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    write.failed = true;
    break;
  }
  write.in_progress = false;
  Set(kWriteDone);
}

void SerialPort::Backend::CheckModemLines() {
  std::uint32_t status = 0;
  const int error = modem_lines->Read(port_fd, status);
  if (error != 0) {
    if (NoModemLines(error)) return;
    event.in_progress = false;
    event.failed = true;
    Set(kEventDone);
    return;
  }
  std::uint32_t happened = 0;
  if ((status & kModemRingOn) != 0 && (event.last_status & kModemRingOn) == 0) happened |= kModemEventRing;
  if (((status ^ event.last_status) & kModemCarrierOn) != 0) happened |= kModemEventCarrierChange;
  event.last_status = status;
  happened &= comm_mask;
  if (happened == 0) return;
  event.in_progress = false;
  event.result = happened;
  Set(kEventDone);
}

SerialPort::Backend::Outcome SerialPort::Backend::Serve(unsigned index, WorkerControl& own,
                                                      std::unique_lock<std::mutex>& hold) {
  const auto raise = [&](unsigned code) { return Raise(code, own, hold) ? kContinue : kAbandoned; };
  switch (index) {
    case kStop:
      return kEnd;
    case kReadDone:
      if (read.failed) return kEnd;
      Clear(kReadDone);
      engine.received_count_ = read.count;
      engine.read_pending_ = false;
      if (read.count != 0) return raise(kSerialData);
      // A read that brought nothing would otherwise leave the port unread for good.
      Set(kReadRequest);
      return kContinue;
    case kReadRequest:
      if (engine.read_pending_) return kContinue;
      engine.read_pending_ = true;
      read.in_progress = true;
      read.failed = false;
      read.count = 0;
      ContinueRead();
      if (read.failed) return kEnd;
      return kContinue;
    case kWriteDone:
      if (write.failed) return kEnd;
      Clear(kWriteDone);
      engine.write_busy_ = false;
      return raise(kSerialWriteDone);
    case kWriteRequest:
      if (write.in_progress) return kContinue;
      write.in_progress = true;
      write.failed = false;
      write.done = 0;
      ContinueWrite();
      if (write.failed) return kEnd;
      return kContinue;
    case kEventDone: {
      if (event.failed) return kEnd;
      Clear(kEventDone);
      engine.event_wait_pending_ = false;
      engine.event_mask_ = event.result;
      std::uint32_t status = 0;
      const int error = modem_lines->Read(port_fd, status);
      if (error != 0 && !NoModemLines(error)) return kEnd;
      const ModemEventCodes report = ModemStatusCheck(engine.event_mask_, status);
      for (unsigned i = 0; i < report.count; ++i) {
        if (raise(report.codes[i]) == kAbandoned) return kAbandoned;
      }
      Set(kEventRequest);
      return kContinue;
    }
    case kEventRequest: {
      if (engine.event_wait_pending_ || !engine.modem_events_) return kContinue;
      engine.event_wait_pending_ = true;
      event.failed = false;
      event.result = 0;
      event.last_status = 0;
      const int error = modem_lines->Read(port_fd, event.last_status);
      // Without modem lines the wait stays pending, as on a port whose lines never change.
      if (error != 0 && !NoModemLines(error)) return kEnd;
      event.in_progress = true;
      return kContinue;
    }
    default:
      return kEnd;
  }
}

SerialPort::SerialPort() : backend_(std::make_unique<Backend>(*this)) {}

SerialPort::~SerialPort() {
  Backend& b = *backend_;
  if (b.worker.joinable()) {
    b.Set(kStop);
    const bool on_worker = b.worker.get_id() == std::this_thread::get_id();
    std::unique_lock lock(b.control->mutex);
    const bool ended = !on_worker && b.control->ended_changed.wait_for(
                                         lock, std::chrono::milliseconds(kStopWaitMilliseconds),
                                         [&b] { return b.control->ended; });
    if (ended) {
      lock.unlock();
      b.worker.join();
    } else {
      // The worker is in the callback (it holds the mutex otherwise): once the callback
      // returns it sees this and ends without touching the engine, so the port is ours to close.
      b.control->abandoned = true;
      lock.unlock();
      b.worker.detach();
    }
  }
  b.ClosePort();
  if (b.wake_fd >= 0) ::close(b.wake_fd);
}

void SerialPort::SetSignal(unsigned index) { backend_->Set(index); }

std::uint8_t SerialPort::Open(unsigned port, std::int32_t baud_rate, std::int32_t parity,
                             std::uint8_t data_bits, bool modem_events) {
  Backend& b = *backend_;
  const std::string path = SerialPortPath(port);
  if (b.worker.joinable()) {
    b.Set(kStop);
    // The earlier worker still owns the port; a second one must not share it.
    if (!b.EndWorker()) {
      last_open_failure_ = {path, SystemErrorText(EBUSY)};
      return kOpenDeviceFailed;
    }
  }
  b.ClosePort();

  std::uint8_t code = TakePortSettings(port, baud_rate, parity, modem_events);
  int fd = -1;
  int error = 0;
  if (code == kOpenOk) {
    fd = OpenPortDevice(path, error);
    if (fd < 0) {
      code = kOpenDeviceFailed;
    } else {
      // Each step runs; the last one that fails names the code and the reason.
      const auto step = [&](int step_error, std::uint8_t step_code) {
        if (step_error == 0) return;
        code = step_code;
        error = step_error;
      };
      b.comm_mask = modem_events ? (kModemEventRing | kModemEventCarrierChange) : 0;
      std::uint32_t status = 0;
      const int lines_error = modem_events ? b.modem_lines->Read(fd, status) : 0;
      step(NoModemLines(lines_error) ? 0 : lines_error, kOpenMaskFailed);
      step(SetNoTimeouts(fd), kOpenTimeoutsFailed);
      step(ApplyLineSettings(fd, baud_rate, parity, data_bits), kOpenLineSettingsFailed);
    }
  }
  if (b.wake_fd < 0) {
    code = kOpenSignalsMissing;
    error = b.wake_error;
  }
  if (code != kOpenOk) {
    if (error != 0) last_open_failure_ = {path, SystemErrorText(error)};
    ClosePortDevice(fd);
    return code;
  }

  // The driver's queues cannot be sized on Linux; the tty layer buffers on its own.
  // Nothing of an earlier session carries over: a Stop or Send made while closed is void, and
  // the flags are cleared here rather than by the worker so a Send right after Open is kept.
  b.signals.store(0);
  Drain(b.wake_fd);
  write_busy_ = false;
  read_pending_ = false;
  event_wait_pending_ = false;
  b.read = {};
  b.write = {};
  b.event = {};
  b.port_fd = fd;
  auto control = std::make_shared<Backend::Control>();
  b.control = control;
  Backend* backend = &b;
  // Held until the thread handle is stored, so a callback calling Stop sees it complete.
  std::unique_lock start_lock(control->mutex);
  try {
    b.worker = b.start_worker([backend, control] {
      t_serving = backend;
      std::unique_lock hold(control->mutex);
      backend->Run(*control, hold);
      t_serving = nullptr;
      control->ended = true;
      hold.unlock();
      control->ended_changed.notify_all();
    });
  } catch (const std::system_error& failure) {
    start_lock.unlock();
    b.control.reset();
    b.ClosePort();
    last_open_failure_ = {path, SystemErrorText(failure.code().value())};
    return kOpenSignalsMissing;
  }
  return kOpenOk;
}

void SerialPort::Stop() {
  backend_->Set(kStop);
  backend_->EndWorker();
}

void SetModemLineSource(SerialPort& engine, std::shared_ptr<ModemLineSource> source) {
  engine.OsBackend().modem_lines = source ? std::move(source) : PortModemLines();
}

void SetWorkerStarter(SerialPort& engine, WorkerStarter starter) {
  engine.OsBackend().start_worker = std::move(starter);
}

// The link to the box: serial events, line reception, the message queue, the send slot and pump.
#include "controller/box_channel.h"

#include "link/usb_library.h"

namespace {

constexpr std::size_t kMessageCapacity = 1000;
constexpr std::int32_t kBaudRate = 38400;

// Every completed line is logged; a bracketed one also becomes a message.
class ChannelSink final : public LineSink {
 public:
  ChannelSink(BoxChannel& channel, SessionLog& log) : channel_(channel), log_(log) {}

  void OnLine(std::string_view line) override {
    log_.Line("[Rx]  " + AnsiString(line));
    if (const auto message = FrameMessage(line)) channel_.AddMessage(AnsiString(*message));
  }

  void OnLineDropped() override {
    log_.Line("[Rx]  line dropped: " + std::to_string(LineAssembler::kMaxLineLength) +
              " characters or more without a line feed; waiting for the next line feed");
  }

 private:
  BoxChannel& channel_;
  SessionLog& log_;
};

}  // namespace

BoxChannel::BoxChannel(SessionLog& log, const std::string& usb_library, SendBytes send)
    : log_(log), send_(std::move(send)) {
  const std::string name = usb_library.empty() ? DefaultUsbLibraryName() : usb_library;
  usb_library_ = LoadUsbLibrary(name.c_str(), &usb_library_failure_);
}

BoxChannel::~BoxChannel() {
  // Stopped while port_ still points at it, so its last events are served normally.
  if (port_) port_->Stop();
}

void BoxChannel::CreatePort() {
  port_ = std::make_unique<SerialPort>();
  port_->SetCallback(&BoxChannel::OnEvent, this);
}

void BoxChannel::OnEvent(void* context, SerialPort* port, unsigned code) {
  static_cast<BoxChannel*>(context)->OnSerialEvent(port, code);
}

void BoxChannel::OnSerialEvent(SerialPort* port, unsigned code) {
  if (port == nullptr || port != port_.get()) return;
  switch (code) {
    // The event is logged before port_open changes: the UI thread acts on port_open (a reset
    // after a close), and its own log lines must come after the event that caused them.
    case kSerialOpened:
      log_.Line("Dut com port opened EV (COM" + std::to_string(port_number.load()) + ")");
      port_open = true;
      break;
    case kSerialClosed:
      log_.Line("Dut com port closed EV");
      port_open = false;
      port_number = 0;
      break;
    case kSerialData:
      // The receive buffer belongs to this read until RequestRead starts the next one.
      ReceiveBytes(port->ReceivedData(), port->ReceivedCount());
      port->RequestRead();
      break;
    default:
      break;
  }
}

void BoxChannel::ReceiveBytes(const unsigned char* data, int count) {
  ChannelSink sink(*this, log_);
  line_buffer_.Feed(data, count, sink);
}

void BoxChannel::AddMessage(const AnsiString& message) {
  std::lock_guard<std::mutex> lock(messages_lock_);
  if (messages_.size() < kMessageCapacity) messages_.push_back(message);
}

AnsiString BoxChannel::TakeMessage() {
  AnsiString message;
  std::lock_guard<std::mutex> lock(messages_lock_);
  if (!messages_.empty()) {
    message = std::move(messages_.front());
    messages_.pop_front();
  }
  return message;
}

void BoxChannel::ClearMessages() {
  std::lock_guard<std::mutex> lock(messages_lock_);
  messages_.clear();
}

std::size_t BoxChannel::WaitingMessages() {
  std::lock_guard<std::mutex> lock(messages_lock_);
  return messages_.size();
}

std::vector<AnsiString> BoxChannel::PeekMessages() {
  std::lock_guard<std::mutex> lock(messages_lock_);
  return {messages_.begin(), messages_.end()};
}

bool BoxChannel::CommandWaiting() {
  std::lock_guard<std::mutex> lock(send_lock_);
  return !send_slot_.empty();
}

bool BoxChannel::Queue(const AnsiString& command) {
  std::lock_guard<std::mutex> lock(send_lock_);
  if (!send_slot_.empty()) return false;
  send_slot_.push_back(command);
  return true;
}

std::vector<AnsiString> BoxChannel::TakeQueued() {
  std::lock_guard<std::mutex> lock(send_lock_);
  std::vector<AnsiString> queued(send_slot_.begin(), send_slot_.end());
  send_slot_.clear();
  return queued;
}

void BoxChannel::PumpSend() {
  AnsiString command;
  {
    std::lock_guard<std::mutex> lock(send_lock_);
    if (send_slot_.empty()) return;
    command = std::move(send_slot_.front());
    send_slot_.pop_front();
  }
  if (command.empty()) return;
  CommandBuffer buffer;
  const std::size_t length = FrameCommand(command, buffer);
  if (length == 0) {
    // Cutting the command would send the box settings it was never meant to take.
    log_.Line("[Tx]  refused, command longer than " + std::to_string(kMaxCommandLength) +
              " characters: " + command.substr(0, kMaxCommandLength) + "...");
    return;
  }
  if (send_) {
    send_(buffer, static_cast<std::int16_t>(length));
  } else if (port_) {
    port_->Send(buffer, static_cast<std::int16_t>(length));
  }
  log_.Line("[Tx]  " + command);
}

void BoxChannel::OpenPort() {
  // A number above 255 is passed on as it is: the engine refuses it instead of wrapping it onto
  // another port.
  const std::int32_t number = port_number.load();
  const unsigned port = number < 0 ? 0u : static_cast<unsigned>(number);
  if (port_ != nullptr && port_->Open(port, kBaudRate, 0, 8, false) == kOpenOk) {
    // On success the worker's open event sets port_open and logs.
    logged_open_failure_ = {};
    return;
  }
  port_open = false;
  log_.Line("Dut com port could not be opened");
  LogOpenFailureReason();
}

// The refusal repeats every tick; its reason is logged once each time it changes.
void BoxChannel::LogOpenFailureReason() {
  if (port_ == nullptr) return;
  const SerialOpenFailure& failure = port_->LastOpenFailure();
  if (failure == logged_open_failure_ || failure.reason.empty()) return;
  logged_open_failure_ = failure;
  log_.Line("Dut com port " + failure.device + ": " + failure.reason);
}

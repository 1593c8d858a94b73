// The box message channel: the serial callback, line reception, the receive queue, the
// one-command send slot and the send pump.
#include <string>

#include "controller/main_form.h"

namespace {

constexpr std::size_t kDutRecvListCapacity = 1000;

// Every completed line is logged; a bracketed one also becomes a message.
class ChannelSink final : public LineSink {
 public:
  explicit ChannelSink(TForm1& form) : form_(form) {}

  void OnLine(std::string_view line) override {
    form_.LogLine("[Rx]  " + AnsiString(line));
    if (const auto message = FrameMessage(line)) form_.AddToDutRecvList(AnsiString(*message));
  }

  void OnLineDropped() override {
    form_.LogLine("[Rx]  line dropped: " + std::to_string(LineAssembler::kMaxLineLength) +
                  " characters or more without a line feed; waiting for the next line feed");
  }

 private:
  TForm1& form_;
};

}  // namespace

void SerialCallback(SerialPort* engine, unsigned code) {
  TForm1* const form = Form1;
  if (form == nullptr || engine == nullptr || form->Serial.get() != engine) return;
  switch (code) {
    // The event is logged before PortOpen changes: the UI thread acts on PortOpen (a reset
    // after a close), and its own log lines must come after the event that caused them.
    case kSerialOpened:
      form->LogLine("Dut com port opened EV (COM" + std::to_string(form->CommNumber.load()) + ")");
      form->PortOpen = true;
      break;
    case kSerialClosed:
      form->LogLine("Dut com port closed EV");
      form->PortOpen = false;
      form->CommNumber = 0;
      break;
    case kSerialData:
      // The receive buffer belongs to this read until RequestRead starts the next one.
      form->ReceiveBytes(engine->ReceivedData(), engine->ReceivedCount());
      engine->RequestRead();
      break;
    default:
      break;
  }
}

void TForm1::ReceiveBytes(const unsigned char* data, int count) {
  ChannelSink sink(*this);
  LineBuffer.Feed(data, count, sink);
}

void TForm1::AddToDutRecvList(const AnsiString& message) {
  std::lock_guard<std::mutex> lock(DutRecvLock);
  if (DutRecvList.size() < kDutRecvListCapacity) DutRecvList.push_back(message);
}

AnsiString TForm1::GetFromDutRecvList() {
  AnsiString message;
  std::lock_guard<std::mutex> lock(DutRecvLock);
  if (!DutRecvList.empty()) {
    message = std::move(DutRecvList.front());
    DutRecvList.pop_front();
  }
  return message;
}

void TForm1::ClearDutRecvList() {
  std::lock_guard<std::mutex> lock(DutRecvLock);
  DutRecvList.clear();
}

bool TForm1::SendDut(const AnsiString& command, std::uint32_t reply_timeout) {
  bool queued = false;
  {
    std::lock_guard<std::mutex> lock(DutSendLock);
    if (DutSendQueue.empty()) {
      DutSendQueue.push_back(command);
      queued = true;
    }
  }
  // A command dropped because another one waits still sets the countdown.
  ReplyTimeout = reply_timeout;
  return queued;
}

void TForm1::CheckForDutSend() {
  AnsiString command;
  {
    std::lock_guard<std::mutex> lock(DutSendLock);
    if (DutSendQueue.empty()) return;
    command = std::move(DutSendQueue.front());
    DutSendQueue.pop_front();
  }
  if (command.empty()) return;
  CommandBuffer buffer;
  const std::size_t length = FrameCommand(command, buffer);
  if (length == 0) {
    // Cutting the command would send the box settings it was never meant to take.
    LogLine("[Tx]  refused, command longer than " + std::to_string(kMaxCommandLength) +
            " characters: " + command.substr(0, kMaxCommandLength) + "...");
    return;
  }
  if (environment_.send) {
    environment_.send(buffer, static_cast<std::int16_t>(length));
  } else if (Serial) {
    Serial->Send(buffer, static_cast<std::int16_t>(length));
  }
  LogLine("[Tx]  " + command);
}

void TForm1::OnSendPumpTimer() { CheckForDutSend(); }

// The link to the box: its serial port, the lines it sends and the messages among them, the one
// command waiting to go, and the search for the box among the USB serial devices.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "controller/session_log.h"
#include "link/line_assembler.h"
#include "link/serial_port.h"

// Where the send pump hands a command's bytes; tests catch them here.
using SendBytes = std::function<void(const void* data, std::int16_t length)>;

// What a search of the USB serial devices found: the box's COM number (0: none) and the name of
// the last box bridge seen, which the window shows.
struct FoundBox {
  std::int32_t number = 0;
  std::optional<AnsiString> name;
};

class BoxChannel {
 public:
  // Loads the USB library (`usb_library` empty: the platform's default name).
  BoxChannel(SessionLog& log, const std::string& usb_library, SendBytes send = {});
  // Stops the serial worker before anything it reaches goes.
  ~BoxChannel();
  BoxChannel(const BoxChannel&) = delete;
  BoxChannel& operator=(const BoxChannel&) = delete;

  // Makes the serial port, whose events come back to this channel.
  void CreatePort();
  SerialPort* Port() const { return port_.get(); }

  bool UsbLibraryLoaded() const { return usb_library_ != nullptr; }
  // The system's reason when the USB library did not load.
  const std::string& UsbLibraryFailure() const { return usb_library_failure_; }
  // Asks the USB library for the serial devices and picks the box; every device seen is logged.
  FoundBox FindBox();

  // Starts opening port `port_number`; port_open turns true when the worker reports it open.
  // A refusal is logged, its reason once each time it changes.
  void OpenPort();

  // The serial worker's events for this channel's own port; any other port's are ignored.
  void OnSerialEvent(SerialPort* port, unsigned code);
  // The bytes of one data event: assembled into lines, each logged, a bracketed one a message.
  void ReceiveBytes(const unsigned char* data, int count);

  // The messages from the box, oldest first; at most 1000 wait, later ones are dropped.
  void AddMessage(const AnsiString& message);
  // One message, or an empty text when none waits.
  AnsiString TakeMessage();
  void ClearMessages();
  std::size_t WaitingMessages();
  // A copy of the waiting messages, oldest first, leaving them where they are.
  std::vector<AnsiString> PeekMessages();

  // The send slot: a command is queued only when no other one waits (false: dropped).
  bool Queue(const AnsiString& command);
  // The send pump: the waiting command framed, handed to the port and logged.
  void PumpSend();
  // Takes what waits in the send slot without sending it (for tests and tools).
  std::vector<AnsiString> TakeQueued();
  bool CommandWaiting();

  // Written by the serial worker on its open and close events, read by the UI thread.
  std::atomic<bool> port_open{false};
  std::atomic<std::int32_t> port_number{0};

 private:
  static void OnEvent(void* context, SerialPort* port, unsigned code);
  void LogOpenFailureReason();

  SessionLog& log_;
  SendBytes send_;
  void* usb_library_ = nullptr;
  std::string usb_library_failure_;
  std::unique_ptr<SerialPort> port_;
  SerialOpenFailure logged_open_failure_;  // the reason last logged for a port that did not open
  LineAssembler line_buffer_;              // the serial worker's
  std::deque<AnsiString> messages_;
  std::mutex messages_lock_;
  std::deque<AnsiString> send_slot_;
  std::mutex send_lock_;
};

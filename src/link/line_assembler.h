// Assembly of received bytes into lines (the program-wide LineBuffer) and the framing of
// bracketed box messages. Pure: no port, no log, no queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Receives what the assembler makes of the bytes, in order.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // A completed line, without its line feed; valid only during the call.
  virtual void OnLine(std::string_view line) = 0;
  // A line grew to kMaxLineLength characters without a line feed, or bytes were discarded in
  // its middle; its characters are gone and assembly restarts after the next line feed.
  virtual void OnLineDropped() = 0;
};

class LineAssembler {
 public:
  static constexpr std::size_t kCapacity = 15000;
  // One byte of the buffer stays free for the zero byte that ends a completed line.
  static constexpr std::uint32_t kMaxLineLength = kCapacity - 1;

  // The bytes of one read event. When the event would bring the line to kCapacity characters
  // or more, all of its bytes are discarded. Printable bytes 0x20..0x7E are kept, a line feed
  // completes the line, every other byte is dropped. An incomplete line waits for the next
  // event. A count of zero or less (or no data) does nothing.
  void Feed(const unsigned char* data, std::int32_t count, LineSink& sink);

  std::uint32_t Length() const { return length_; }
  // True while the bytes up to the next line feed are being skipped after a dropped line.
  bool Resyncing() const { return resyncing_; }

 private:
  void DropLine(LineSink& sink);

  char buffer_[kCapacity] = {};
  std::uint32_t length_ = 0;
  bool resyncing_ = false;
};

// The message a line carries: when the line starts with "[" and contains a "]", the text
// between the first character and the first "]"; otherwise none. The result views `line`.
std::optional<std::string_view> FrameMessage(std::string_view line);

// A command goes out as its text, a line feed and a carriage return, formatted into a
// 100-byte buffer that also keeps a closing zero byte.
inline constexpr std::size_t kCommandBufferSize = 100;
inline constexpr std::size_t kMaxCommandLength = kCommandBufferSize - 3;
using CommandBuffer = char[kCommandBufferSize];

// Writes `command` + "\n\r" + a zero byte into `buffer` and returns the number of bytes to
// send (the command's length + 2); returns 0 for a command longer than kMaxCommandLength,
// leaving `buffer` untouched. The command's bytes are copied as they are, zero bytes included.
std::size_t FrameCommand(std::string_view command, CommandBuffer& buffer);

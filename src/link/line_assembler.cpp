// Line assembly and message framing for the box channel.
#include "link/line_assembler.h"

void LineAssembler::Feed(const unsigned char* data, std::int32_t count, LineSink& sink) {
  if (data == nullptr || count <= 0) return;
  if (static_cast<std::uint64_t>(count) + length_ >= kCapacity) {
    // Bytes lost in the middle of a line would join its two ends into a text the box never
    // sent, so the partial line goes too and assembly waits for the next line feed.
    if (!resyncing_) DropLine(sink);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const unsigned char byte = data[i];
    if (byte == '\n') {
      if (resyncing_) {
        resyncing_ = false;
        continue;
      }
      buffer_[length_] = '\0';
      sink.OnLine(std::string_view(buffer_, length_));
      length_ = 0;
    } else if (byte >= 0x20 && byte <= 0x7E && !resyncing_) {
      buffer_[length_++] = static_cast<char>(byte);
      // A full buffer could never take its line feed: give the line up instead of going deaf.
      if (length_ >= kMaxLineLength) DropLine(sink);
    }
  }
}

void LineAssembler::DropLine(LineSink& sink) {
  length_ = 0;
  resyncing_ = true;
  sink.OnLineDropped();
}

std::optional<std::string_view> FrameMessage(std::string_view line) {
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

std::size_t FrameCommand(std::string_view command, CommandBuffer& buffer) {
  if (command.size() > kMaxCommandLength) return 0;
  // Copied rather than printed with "%s", so a zero byte in the text cannot make the sent
  // length cover bytes that were never written.
  command.copy(buffer, command.size());
  buffer[command.size()] = '\n';
  buffer[command.size() + 1] = '\r';
  buffer[command.size() + 2] = '\0';
  return command.size() + 2;
}

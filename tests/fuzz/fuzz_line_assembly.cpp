// Line assembly fed arbitrary read events, the framing of each completed line, and the
// framing of an arbitrary command.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "link/line_assembler.h"

namespace {

struct Recorder : LineSink {
  std::vector<std::string> lines;
  std::size_t dropped = 0;
  void OnLine(std::string_view line) override {
    FUZZ_CHECK(line.size() < LineAssembler::kMaxLineLength);
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      FUZZ_CHECK(byte >= 0x20 && byte <= 0x7E);
    }
    lines.emplace_back(line);
  }
  void OnLineDropped() override { ++dropped; }
};

void CheckFraming(std::string_view line) {
  const auto message = FrameMessage(line);
  if (!message) {
    FUZZ_CHECK(line.empty() || line.front() != '[' || line.find(']') == std::string_view::npos);
    return;
  }
  // The message lies between the opening "[" and the first "]", inside the line.
  FUZZ_CHECK(message->data() == line.data() + 1);
  FUZZ_CHECK(message->size() + 2 <= line.size());
  FUZZ_CHECK(message->find(']') == std::string_view::npos);
  FUZZ_CHECK(line[message->size() + 1] == ']');
}

void CheckCommandFraming(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size < 120 ? size : 120);
  CommandBuffer buffer;
  std::memset(buffer, 0x5A, sizeof buffer);
  const std::size_t length = FrameCommand(command, buffer);
  if (command.size() > kMaxCommandLength) {
    FUZZ_CHECK(length == 0);
    for (const char c : buffer) FUZZ_CHECK(c == 0x5A);
    return;
  }
  FUZZ_CHECK(length == command.size() + 2);
  FUZZ_CHECK(std::memcmp(buffer, command.data(), command.size()) == 0);
  FUZZ_CHECK(buffer[command.size()] == '\n' && buffer[command.size() + 1] == '\r');
  FUZZ_CHECK(buffer[command.size() + 2] == '\0');
}

// The assembler's contract stated per line rather than per byte: the bytes of the accepted
// events, cut at their line feeds, give one line each (their printable bytes), except a line
// that an event was discarded in or that reached kMaxLineLength: that one is reported dropped
// once, and its line feed only ends the skipping.
class SegmentModel {
 public:
  // Returns false when the whole event is to be discarded.
  bool Event(std::string_view event) {
    const std::size_t held = broken_ ? 0 : current_.size();
    if (event.size() + held >= LineAssembler::kCapacity) {
      Break();
      return false;
    }
    for (const char c : event) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '\n') {
        if (!broken_) lines.push_back(current_);
        current_.clear();
        broken_ = false;
      } else if (byte >= 0x20 && byte <= 0x7E && !broken_) {
        current_.push_back(c);
        if (current_.size() >= LineAssembler::kMaxLineLength) Break();
      }
    }
    return true;
  }
  std::size_t Held() const { return broken_ ? 0 : current_.size(); }
  bool Broken() const { return broken_; }

  std::vector<std::string> lines;
  std::size_t dropped = 0;

 private:
  void Break() {
    if (!broken_) ++dropped;
    broken_ = true;
    current_.clear();
  }
  std::string current_;
  bool broken_ = false;
};

}  // namespace

// The input is a series of events: a control byte, then up to 127 bytes. A control byte with
// its high bit set repeats its bytes 128 times in one event, so events can reach the
// assembler's capacity.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  CheckCommandFraming(data, size);

  LineAssembler assembler;
  Recorder chunked;
  SegmentModel model;
  std::string all_bytes;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t control = data[at++];
    std::size_t length = control & 0x7F;
    if (length > size - at) length = size - at;
    const std::size_t repeats = (control & 0x80) != 0 ? 128 : 1;
    std::string event;
    event.reserve(length * repeats);
    for (std::size_t r = 0; r < repeats; ++r) event.append(reinterpret_cast<const char*>(data + at), length);
    at += length;

    assembler.Feed(reinterpret_cast<const unsigned char*>(event.data()), static_cast<std::int32_t>(event.size()),
                   chunked);
    FUZZ_CHECK(assembler.Length() < LineAssembler::kMaxLineLength);
    model.Event(event);
    FUZZ_CHECK(chunked.lines.size() == model.lines.size() && chunked.dropped == model.dropped);
    FUZZ_CHECK(assembler.Length() == model.Held() && assembler.Resyncing() == model.Broken());
    all_bytes += event;
  }
  FUZZ_CHECK(chunked.lines == model.lines);
  for (const auto& line : chunked.lines) CheckFraming(line);

  // Without a dropped line, the way the bytes were cut into events must not matter: one byte
  // per event gives the same lines and the same partial line.
  if (chunked.dropped == 0) {
    LineAssembler single;
    Recorder bytewise;
    for (const char c : all_bytes) {
      const auto byte = static_cast<unsigned char>(c);
      single.Feed(&byte, 1, bytewise);
    }
    FUZZ_CHECK(bytewise.dropped == 0);
    FUZZ_CHECK(bytewise.lines == chunked.lines);
    FUZZ_CHECK(single.Length() == assembler.Length());
  }
  return 0;
}

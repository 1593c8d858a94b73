// The wizard log's lines as memory keeps them: bounded, so that a box that never stops talking
// costs a fixed amount of memory and of file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct LogLimits {
  // The saved file at most, every line's CR LF included.
  std::size_t file_bytes = std::size_t{8} << 20;
  // The first lines of the run (the version line among them) are kept up to this size.
  std::size_t head_bytes = std::size_t{1} << 20;
  // The unit of storage: the oldest lines leave in blocks of this size, and one line takes at
  // most one block (a longer text is cut).
  std::size_t block_bytes = std::size_t{64} << 10;
};

// Lines "[stamp]  text", kept whole until the next one would take the file past its cap. From
// then on the first lines (up to the head's size) and the newest ones stay, and those between
// them are replaced by one line, in their place, that says how many were left out. Not
// thread-safe: WizardLog serialises the calls.
class LogStore {
 public:
  // Throws std::invalid_argument for limits that leave no room for the newest lines.
  explicit LogStore(LogLimits limits = {});

  // The one place where a line enters the log. Amortised constant time.
  void Add(std::string_view stamp, std::string_view text);

  // Lines held, the line of the cut included.
  std::size_t Size() const;
  std::uint64_t Added() const { return added_; }
  std::uint64_t LeftOut() const { return left_out_; }
  // The size of FileContent().
  std::size_t FileBytes() const;
  // Memory taken by the lines: blocks with their unused room, line indexes, block records.
  std::size_t HeldBytes() const;

  // Every line held, oldest first, without its CR LF.
  std::vector<std::string> Lines() const;
  // Every line held followed by CR LF, as the file is written.
  std::string FileContent() const;

  // Lines count from 0 in the order they were added.
  struct Newest {
    std::vector<std::string> lines;  // oldest first
    std::uint64_t skipped = 0;       // lines held from `first` on that did not fit the limits
    std::uint64_t next = 0;          // the number the next line added will have
  };
  // The newest lines held that were added as number `first` or later, at most `max_lines` of
  // them and `max_bytes` (the newest one always), without their CR LF; the line of the cut among
  // them where lines from `first` on were left out. Time in proportion to the lines returned.
  Newest LinesFrom(std::uint64_t first, std::size_t max_lines, std::size_t max_bytes) const;

 private:
  struct Block {
    std::string text;                 // lines, each followed by CR LF as in the file
    std::vector<std::uint32_t> ends;  // where each line's CR LF ends in `text`
  };
  template <typename Blocks>
  void AppendLine(Blocks& blocks, std::string_view stamp, std::string_view text);
  template <typename Visit>
  void ForEachLine(Visit visit) const;
  // Visits the newest `count` lines of `blocks`, newest first, until `visit` returns false;
  // false then.
  template <typename Blocks, typename Visit>
  static bool VisitNewestFirst(const Blocks& blocks, std::size_t count, Visit visit);
  void CloseHead();
  void DropOldestTailBlock();
  std::string CutLine() const;
  std::size_t LineBytes(std::string_view stamp, std::string_view text) const;

  LogLimits limits_;
  std::vector<Block> head_;
  std::deque<Block> tail_;
  bool head_open_ = true;
  std::size_t head_bytes_ = 0;
  std::size_t tail_bytes_ = 0;
  std::size_t head_lines_ = 0;
  std::size_t tail_lines_ = 0;
  std::uint64_t added_ = 0;
  std::uint64_t left_out_ = 0;
  std::string cut_stamp_;  // "[stamp]  " of the first line left out
};

// Bounded storage of the wizard log: the head kept whole, the newest lines in blocks that leave
// oldest first, and the count of the lines cut out between them.
#include "controller/log_store.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::string_view kStampOpen = "[";
constexpr std::string_view kStampClose = "]  ";
constexpr std::string_view kLineEnd = "\r\n";
// Room kept free for the line of the cut: a stamp, a 20-digit count, its words and CR LF.
constexpr std::size_t kCutLineRoom = 96;

std::string CutText(std::uint64_t left_out) {
  return "... " + std::to_string(left_out) + " lines left out ...";
}

std::string LongTextSuffix(std::size_t left_out) {
  return " ... (" + std::to_string(left_out) + " characters left out)";
}

}  // namespace

LogStore::LogStore(LogLimits limits) : limits_(limits) {
  if (limits_.block_bytes < kCutLineRoom ||
      limits_.head_bytes + limits_.block_bytes + kCutLineRoom > limits_.file_bytes) {
    throw std::invalid_argument("the log's limits leave no room for its newest lines");
  }
}

std::size_t LogStore::LineBytes(std::string_view stamp, std::string_view text) const {
  return kStampOpen.size() + stamp.size() + kStampClose.size() + text.size() + kLineEnd.size();
}

void LogStore::Add(std::string_view stamp, std::string_view text) {
  // A line longer than a block keeps its start and says how much of it is missing, so that no
  // single text can take the room of the newest lines.
  std::string shortened;
  const std::size_t room = limits_.block_bytes - std::min(limits_.block_bytes, LineBytes(stamp, ""));
  if (text.size() > room) {
    const std::size_t suffix_room = LongTextSuffix(text.size()).size();
    const std::size_t kept = room > suffix_room ? room - suffix_room : 0;
    shortened.reserve(room);
    shortened.append(text.substr(0, kept)).append(LongTextSuffix(text.size() - kept));
    text = shortened;
  }
  ++added_;
  const std::size_t bytes = LineBytes(stamp, text);
  if (head_open_) {
    if (head_bytes_ + bytes <= limits_.head_bytes) {
      AppendLine(head_, stamp, text);
      head_bytes_ += bytes;
      ++head_lines_;
      return;
    }
    CloseHead();
  }
  while (!tail_.empty() && head_bytes_ + tail_bytes_ + bytes + kCutLineRoom > limits_.file_bytes) {
    DropOldestTailBlock();
  }
  AppendLine(tail_, stamp, text);
  tail_bytes_ += bytes;
  ++tail_lines_;
}

template <typename Blocks>
void LogStore::AppendLine(Blocks& blocks, std::string_view stamp, std::string_view text) {
  const std::size_t bytes = LineBytes(stamp, text);
  if (blocks.empty() || blocks.back().text.size() + bytes > limits_.block_bytes) {
    // A full block takes no more lines: its index gives back the room it grew into.
    if (!blocks.empty()) blocks.back().ends.shrink_to_fit();
    blocks.emplace_back();
    blocks.back().text.reserve(std::max(limits_.block_bytes, bytes));
  }
  Block& block = blocks.back();
  block.text.append(kStampOpen).append(stamp).append(kStampClose).append(text).append(kLineEnd);
  block.ends.push_back(static_cast<std::uint32_t>(block.text.size()));
}

// The head is complete once a line does not fit; its last block gives back its spare room.
void LogStore::CloseHead() {
  head_open_ = false;
  if (!head_.empty()) {
    head_.back().text.shrink_to_fit();
    head_.back().ends.shrink_to_fit();
  }
  head_.shrink_to_fit();
}

void LogStore::DropOldestTailBlock() {
  const Block& oldest = tail_.front();
  // The line of the cut takes the stamp of the first line it stands for.
  if (left_out_ == 0) cut_stamp_ = oldest.text.substr(0, oldest.text.find(kStampClose) + kStampClose.size());
  left_out_ += oldest.ends.size();
  tail_lines_ -= oldest.ends.size();
  tail_bytes_ -= oldest.text.size();
  tail_.pop_front();
}

std::string LogStore::CutLine() const { return cut_stamp_ + CutText(left_out_); }

std::size_t LogStore::Size() const { return head_lines_ + (left_out_ > 0 ? 1 : 0) + tail_lines_; }

std::size_t LogStore::FileBytes() const {
  const std::size_t cut = left_out_ > 0 ? CutLine().size() + kLineEnd.size() : 0;
  return head_bytes_ + cut + tail_bytes_;
}

std::size_t LogStore::HeldBytes() const {
  std::size_t held = sizeof(*this) + cut_stamp_.capacity();
  const auto add = [&held](const Block& block) {
    held += sizeof(Block) + block.text.capacity() + block.ends.capacity() * sizeof(std::uint32_t);
  };
  std::for_each(head_.begin(), head_.end(), add);
  std::for_each(tail_.begin(), tail_.end(), add);
  return held;
}

template <typename Visit>
void LogStore::ForEachLine(Visit visit) const {
  const auto visit_blocks = [&visit](const auto& blocks) {
    for (const Block& block : blocks) {
      const std::string_view text = block.text;
      std::size_t begin = 0;
      for (const std::uint32_t end : block.ends) {
        visit(text.substr(begin, end - kLineEnd.size() - begin));
        begin = end;
      }
    }
  };
  visit_blocks(head_);
  if (left_out_ > 0) visit(std::string_view(CutLine()));
  visit_blocks(tail_);
}

template <typename Blocks, typename Visit>
bool LogStore::VisitNewestFirst(const Blocks& blocks, std::size_t count, Visit visit) {
  for (auto block = blocks.rbegin(); block != blocks.rend() && count > 0; ++block) {
    const std::string_view text = block->text;
    for (std::size_t i = block->ends.size(); i > 0 && count > 0; --i, --count) {
      const std::size_t begin = i > 1 ? block->ends[i - 2] : 0;
      if (!visit(text.substr(begin, block->ends[i - 1] - kLineEnd.size() - begin))) return false;
    }
  }
  return true;
}

LogStore::Newest LogStore::LinesFrom(std::uint64_t first, std::size_t max_lines,
                                     std::size_t max_bytes) const {
  // The head holds lines 0 to head_lines_ - 1, the tail the newest tail_lines_; those between
  // were left out.
  const std::uint64_t tail_first = added_ - tail_lines_;
  const std::size_t tail_wanted =
      first <= tail_first ? tail_lines_ : static_cast<std::size_t>(added_ - std::min(first, added_));
  const bool cut_wanted = left_out_ > 0 && first < tail_first;
  const std::size_t head_wanted = first < head_lines_ ? head_lines_ - static_cast<std::size_t>(first) : 0;

  std::vector<std::string_view> taken;  // newest first
  std::size_t bytes = 0;
  const auto take = [&](std::string_view line) {
    if (taken.size() >= max_lines || (!taken.empty() && bytes + line.size() > max_bytes)) return false;
    taken.push_back(line);
    bytes += line.size();
    return true;
  };
  const std::string cut = cut_wanted ? CutLine() : std::string();
  if (VisitNewestFirst(tail_, tail_wanted, take) && (!cut_wanted || take(cut))) {
    VisitNewestFirst(head_, head_wanted, take);
  }
  Newest newest;
  newest.lines.assign(taken.rbegin(), taken.rend());
  newest.skipped = head_wanted + (cut_wanted ? 1 : 0) + tail_wanted - taken.size();
  newest.next = added_;
  return newest;
}

std::vector<std::string> LogStore::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(Size());
  ForEachLine([&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string LogStore::FileContent() const {
  std::string content;
  content.reserve(FileBytes());
  for (const Block& block : head_) content += block.text;
  if (left_out_ > 0) content.append(CutLine()).append(kLineEnd);
  for (const Block& block : tail_) content += block.text;
  return content;
}

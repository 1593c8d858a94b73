// The debug mirror's hand-over from the logging threads to the window's thread, within the
// list's limits.
#include "controller/log_mirror_feed.h"

#include <iterator>
#include <utility>

namespace {

bool OverLimits(std::size_t items, std::size_t characters) {
  return items > 1 && (items > LogMirrorFeed::kMaxItems || characters > LogMirrorFeed::kMaxCharacters);
}

}  // namespace

bool LogMirrorFeed::Push(NativeString text) {
  std::lock_guard lock(mutex_);
  waiting_characters_ += text.size();
  waiting_.push_back(std::move(text));
  while (OverLimits(waiting_.size(), waiting_characters_)) {
    waiting_characters_ -= waiting_.front().size();
    waiting_.pop_front();
  }
  if (wake_outstanding_) return false;
  wake_outstanding_ = true;
  return true;
}

void LogMirrorFeed::WakeLost() {
  std::lock_guard lock(mutex_);
  wake_outstanding_ = false;
}

LogMirrorFeed::Batch LogMirrorFeed::Take() {
  Batch batch;
  {
    std::lock_guard lock(mutex_);
    batch.add.assign(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.end()));
    waiting_.clear();
    waiting_characters_ = 0;
    wake_outstanding_ = false;
  }
  for (const NativeString& text : batch.add) {
    shown_.push_back(text.size());
    shown_characters_ += text.size();
  }
  // The waiting lines are within the limits on their own, so only the list's own items leave.
  while (OverLimits(shown_.size(), shown_characters_)) {
    shown_characters_ -= shown_.front();
    shown_.pop_front();
    ++batch.remove_oldest;
  }
  return batch;
}

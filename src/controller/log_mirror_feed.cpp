// The debug mirror's hand-over from the logging threads to the window's thread, within the
// list's limits, and the list bounds every log list of the windows keeps.
#include "controller/log_mirror_feed.h"

#include <iterator>
#include <utility>

void ListBounds::Append(ListBatch& batch) {
  for (const NativeString& text : batch.add) {
    lengths_.push_back(text.size());
    characters_ += text.size();
  }
  // The new items are within the limits on their own, so only the list's own items leave.
  while (Over(lengths_.size(), characters_)) {
    characters_ -= lengths_.front();
    lengths_.pop_front();
    ++batch.remove_oldest;
  }
}

bool LogMirrorFeed::Push(NativeString text) {
  {
    std::lock_guard lock(mutex_);
    waiting_characters_ += text.size();
    waiting_.push_back(std::move(text));
    while (shown_.Over(waiting_.size(), waiting_characters_)) {
      waiting_characters_ -= waiting_.front().size();
      waiting_.pop_front();
    }
  }
  return wake_.Ask();
}

LogMirrorFeed::Batch LogMirrorFeed::Take() {
  // Before the lines are taken: a line pushed after this asks for a wake-up of its own.
  wake_.Clear();
  Batch batch;
  {
    std::lock_guard lock(mutex_);
    batch.add.assign(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.end()));
    waiting_.clear();
    waiting_characters_ = 0;
  }
  shown_.Append(batch);
  return batch;
}

// How log lines reach the windows' lists of them, whichever thread logs and however far the
// window's thread falls behind: the debug mirror of the log and, through the same
// pieces, the "Wizard log" window (log_window_feed.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "common/text.h"

// One wake-up of the window's thread at a time, whatever the lines waiting: a box that talks
// faster than the window draws cannot pile up events.
class WakeUpLatch {
 public:
  // Any thread. True when the caller must wake the window's thread: no wake-up it asked for is
  // still outstanding.
  bool Ask() { return !outstanding_.exchange(true); }
  // The wake-up asked for could not be delivered (or is no longer wanted); the next Ask asks again.
  void Clear() { outstanding_ = false; }

 private:
  std::atomic<bool> outstanding_{false};
};

// What a window does to its list: first remove the oldest items, then append the new ones.
struct ListBatch {
  std::size_t remove_oldest = 0;  // items to remove from the start of the list first
  std::vector<NativeString> add;  // then the items to append, oldest first
};

// The lengths of the items a window's list holds, oldest first, kept within its limits: the
// newest items, always at least the newest one. The window's thread only.
class ListBounds {
 public:
  ListBounds(std::size_t max_items, std::size_t max_characters)
      : max_items_(max_items), max_characters_(max_characters) {}

  bool Over(std::size_t items, std::size_t characters) const {
    return items > 1 && (items > max_items_ || characters > max_characters_);
  }
  // Notes `batch.add` appended to the list and sets how many of the oldest items must leave it
  // first. The new items must be within the limits on their own.
  void Append(ListBatch& batch);
  std::size_t Items() const { return lengths_.size(); }

 private:
  std::size_t max_items_;
  std::size_t max_characters_;
  std::deque<std::size_t> lengths_;
  std::size_t characters_ = 0;
};

// Lines logged on any thread wait here for the window's thread, which takes them in batches and
// applies each batch to its list. The list holds the newest lines within kMaxItems and
// kMaxCharacters (always the newest one), and a line that would leave the list at once never
// waits: a chattering box costs at most one full list of waiting lines and one shown.
class LogMirrorFeed {
 public:
  static constexpr std::size_t kMaxItems = 10000;
  static constexpr std::size_t kMaxCharacters = std::size_t{1} << 20;

  // Any thread. True when the caller must wake the window's thread to Take.
  bool Push(NativeString text);
  // The wake-up asked for could not be delivered; the next Push asks again.
  void WakeLost() { wake_.Clear(); }

  using Batch = ListBatch;
  // The window's thread: what to do to the list, which holds what the earlier batches made it.
  Batch Take();

 private:
  std::mutex mutex_;
  std::deque<NativeString> waiting_;
  std::size_t waiting_characters_ = 0;
  WakeUpLatch wake_;
  ListBounds shown_{kMaxItems, kMaxCharacters};
};

// The debug mirror of the log (ListBox3) as both windows keep it within its limits, whichever
// thread logs and however far the window's thread falls behind.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "common/text.h"

// Lines logged on any thread wait here for the window's thread, which takes them in batches and
// applies each batch to its list. The list holds the newest lines within kMaxItems and
// kMaxCharacters (always the newest one), and a line that would leave the list at once never
// waits: a chattering box costs at most one full list of waiting lines and one shown.
class LogMirrorFeed {
 public:
  static constexpr std::size_t kMaxItems = 10000;
  static constexpr std::size_t kMaxCharacters = std::size_t{1} << 20;

  // Any thread. True when the caller must wake the window's thread to Take: no wake-up it asked
  // for is still outstanding.
  bool Push(NativeString text);
  // The wake-up asked for could not be delivered; the next Push asks again.
  void WakeLost();

  struct Batch {
    std::size_t remove_oldest = 0;  // items to remove from the start of the list first
    std::vector<NativeString> add;  // then the items to append, oldest first
  };
  // The window's thread: what to do to the list, which holds what the earlier batches made it.
  Batch Take();

 private:
  std::mutex mutex_;
  std::deque<NativeString> waiting_;
  std::size_t waiting_characters_ = 0;
  bool wake_outstanding_ = false;
  // The length of each item in the list, oldest first; the window's thread only.
  std::deque<std::size_t> shown_;
  std::size_t shown_characters_ = 0;
};

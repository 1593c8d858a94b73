// What the "Wizard log" window shows of the log, the same for both windows: the newest lines,
// taken from the log itself in batches on the window's thread, and the note on what it leaves
// out. The window's text is the only copy it keeps; the rest stays in the log.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/text.h"
#include "common/translations.h"
#include "controller/log_mirror_feed.h"
#include "controller/wizard_log.h"

class LogWindowFeed {
 public:
  static constexpr std::size_t kMaxLines = 10000;
  // No more than the log's file holds, so that a box's long lines cannot make the window hold
  // more than the log.
  static constexpr std::size_t kMaxCharacters = LogLimits{}.file_bytes;

  // `texts`: the language of the note over the lines.
  explicit LogWindowFeed(const WizardLog& log, const MessageCatalogue& texts = EnglishTexts())
      : log_(log), texts_(texts) {}

  // Any thread, after a line was appended: true when the caller must wake the window's thread
  // to Take; never while the window is closed.
  bool LineAdded() { return open_.load() && wake_.Ask(); }
  // The wake-up asked for could not be delivered; the next line asks again.
  void WakeLost() { wake_.Clear(); }

  // The window's thread. Once open, the next Take brings every line the window has not had
  // yet: at the first opening the newest of the whole log, after a reopening what was logged
  // while it was closed.
  void Open();
  void Close() { open_ = false; }

  struct Batch : ListBatch {
    // The note over the lines: empty while the window shows every line it was given.
    NativeString note;
  };
  // The window's thread: what to do to the window's text, which holds one line for each line
  // of the log the earlier batches added and did not remove.
  Batch Take();

 private:
  const WizardLog& log_;
  const MessageCatalogue& texts_;
  std::atomic<bool> open_{false};
  WakeUpLatch wake_;
  // The window's thread only.
  std::uint64_t next_ = 0;  // the number of the first line of the log the window has not had
  std::uint64_t not_shown_ = 0;
  ListBounds shown_{kMaxLines, kMaxCharacters};
};

// "1234 earlier lines are not shown here. Copy all and Save as... take the whole log."
NativeString LogNotShownNote(std::uint64_t lines, const MessageCatalogue& texts = EnglishTexts());

// A line of the log as the window shows it: one line whatever it holds (a box may send any
// byte), its other control characters as spaces.
NativeString LogWindowLine(const AnsiString& line);

// The "Wizard log" window's share of the log: the newest lines, in batches, and the note.
#include "controller/log_window_feed.h"

#include "common/user_text.h"

#include <string>

void LogWindowFeed::Open() {
  // A wake-up posted before a close may have been dropped with the window's events.
  wake_.Clear();
  open_ = true;
}

LogWindowFeed::Batch LogWindowFeed::Take() {
  // Before the lines are read: a line logged after this asks for a wake-up of its own.
  wake_.Clear();
  const LogStore::Newest newest = log_.LinesFrom(next_, kMaxLines, kMaxCharacters);
  next_ = newest.next;
  Batch batch;
  batch.add.reserve(newest.lines.size());
  for (const AnsiString& line : newest.lines) batch.add.push_back(LogWindowLine(line));
  shown_.Append(batch);
  not_shown_ += newest.skipped + batch.remove_oldest;
  if (not_shown_ > 0) batch.note = LogNotShownNote(not_shown_, texts_);
  return batch;
}

NativeString LogNotShownNote(std::uint64_t lines, const MessageCatalogue& texts) {
  if (lines == 1) return ShownText(texts, N_("1 earlier line is not shown here. Copy all and Save as... take the whole log."));
  // Translators: {count} is a number of lines above 1. "Copy all" and "Save as..." are the
  // log window's buttons: use their texts.
  return UserText(N_("{count} earlier lines are not shown here. Copy all and Save as... take the whole log."))
      .With("count", std::to_string(lines))
      .Shown(texts);
}

NativeString LogWindowLine(const AnsiString& line) {
  NativeString shown = AnsiToNative(line);
  for (char16_t& c : shown) {
    // Each of these would start a new line in one window or the other, or end the text.
    const bool breaks = (c < u' ' && c != u'\t') || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
    if (breaks) c = u' ';
  }
  return shown;
}

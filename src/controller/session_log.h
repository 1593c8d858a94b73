// The wizard log as a session keeps it: every line masked as it comes, from either thread; its
// mirror and the "Wizard log" window; the saved log, its history and the copies the user makes.
#pragma once

#include <functional>
#include <string>

#include "common/user_text.h"
#include "controller/log_history.h"
#include "controller/log_window_feed.h"
#include "controller/wizard_log.h"
#include "controller/wizard_view.h"

// Where the log is saved; tests name their own folders.
struct LogPlaces {
  std::function<std::string()> folder;    // empty: the system's log folder
  std::function<std::string()> fallback;  // empty: the system's fallback log folder
};

class SessionLog {
 public:
  // `texts` is the user's language, in which the log window and the errors speak; the log
  // itself stays English.
  SessionLog(WizardView& view, LocalClock clock, LogPlaces places, const MessageCatalogue& texts);

  // Shows the developers' mirror of the log when asked; the layout may show it too.
  void ShowMirror(bool show);
  bool MirrorShown() const { return mirror_shown_; }

  // Appends one timestamped line; safe from any thread. The log is sent to support: no PIN, PUK
  // or password may reach it, nor its mirror or window.
  void Line(const AnsiString& text);

  // Saves the log into its folder as the newest of the history; throws FileCreateError.
  void Save();
  // Saves the log when nobody can be asked (the session ends, the display is gone): where the
  // log folder fails, into the fallback folder. Returns what standard error should say: empty
  // when the log was saved where it always is. Never throws.
  std::string SaveUnattended();
  // Where a save puts the log: the newest log's full path, or why its folder cannot be used.
  UserText PlaceText() const;

  // The "Wizard log" window: shows it, or brings it to the front.
  void OpenWindow();
  // Copy all: the whole log as it stands (masked, CR LF) onto the clipboard.
  void CopyAll();
  // Save as...: the log as it stands into a file the user chooses, through the replacing save;
  // a failure is shown, and the log and any file of that name stay as they were.
  void SaveCopy();

  WizardLog lines;
  LogWindowFeed window_feed;  // what the "Wizard log" window shows of it

 private:
  // The folder a save puts the log in; throws when it cannot be used.
  std::string FolderInUse() const;

  WizardView& view_;
  LogPlaces places_;
  const MessageCatalogue& texts_;
  LogHistory files_;  // the saved log and the four before it
  bool mirror_shown_ = false;
};

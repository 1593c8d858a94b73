// What the pages show: the progress ladder and its dots, which fields of the settings page show,
// the status line and the box's lines, the messages, and the link of the done page. The session
// decides; this part knows how each decision looks in the window.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"
#include "common/user_text.h"
#include "controller/box_protocol.h"
#include "controller/session_log.h"
#include "controller/timers.h"
#include "controller/web_link.h"
#include "controller/wizard_view.h"

// The signal line for what the box reported, in English: its key in the catalogue.
const char* SignalStrengthText(const BoxReport& box);

class PagePresenter {
 public:
  // `texts` is the user's language, in which every text reaches the window.
  PagePresenter(WizardView& view, TimerService& timers, SessionLog& log, const MessageCatalogue& texts);

  // Whether a run may show `control`, which the layout table hides: the ladder's steps, the
  // PUK's and the user name's and password's fields, the note that the link was copied.
  static bool ShowsDuringARun(Control control);

  // The ladder of the communicating page up to `level` (1 to 6; 0 or below hides it all); the
  // newest step is read out. The same level again changes nothing, except -1.
  void ShowLadderLevel(std::int32_t level);
  std::int32_t ShownLevel() const { return shown_level_; }
  // The dots after "Testing", on each run of the dots timer.
  void AnimateDots();
  std::int32_t DotCount() const { return dot_count_; }
  // The developers' slider sets the ladder's level.
  void OnLadderSliderMoved();

  void SetOperatorAreaVisible(bool visible);
  // The user name and password, shown while the operator area shows and "APN Username/Password
  // provided" is ticked.
  void ShowCredentialsAsTicked();
  // Ticks or unticks "APN Username/Password provided" from code; as a click would, a change
  // shows or hides the user name and password.
  void SetCredentialsGiven(bool given);
  void SetPinAreaVisible(bool visible);
  // A hidden PUK entry's text was never sent and may be stale: it is shown empty.
  void ShowPukEntry();
  void HidePukEntry();

  // A text from the box in a label (8-bit text becomes the window's own).
  void SetLabel(Control label, const AnsiString& text);
  // A text of the wizard's in a label, in the user's language.
  void SetLabel(Control label, const UserText& text);
  // The status line; a text that is not empty is read out.
  void SetStatusLine(const UserText& text);
  void ShowSignal(const BoxReport& box);
  void ShowIdentity(const BoxReport& box);
  // The welcome page with its headline, and the box's lines as at start.
  void ShowWelcome();

  // A text of the wizard's in the user's language.
  NativeString Shown(const UserText& text) const { return text.Shown(texts_); }
  // The message window, with Close or without; with dots after the text that count up while
  // the box works.
  void ShowInfo(const NativeString& text, bool close_button, bool dots);
  void HideInfo();
  // The message window's dots, on each run of their timer.
  void AnimateInfoDots();
  // The message window with Close and without dots.
  void ShowMessage(const UserText& text);
  // ... and the log's "Show Message:" line, in English whatever the window speaks.
  void ShowAndLogMessage(const UserText& text);
  // The latest message with Close, as a text: a front end without a window hands on its English.
  const UserText& LastMessage() const { return last_message_; }

  // The done page's link for the box's ID, or the words that the ID makes none.
  void ShowBoxLink(const AnsiString& box_id);
  // Copy Link and the link itself act only while the done page shows a link. A copy says so
  // beside the button, and reads it out, for a moment counted from the latest press.
  void CopyLink();
  // That moment is over, or the page it was on is left.
  void EndLinkCopiedNote();
  void OpenLink();
  // The developers' hidden button: the next page.
  void ShowNextPage();

 private:
  WizardView& view_;
  TimerService& timers_;
  SessionLog& log_;
  const MessageCatalogue& texts_;
  std::int32_t shown_level_ = -1;
  std::int32_t dot_count_ = 0;
  NativeString info_text_;
  UserText last_message_;
  std::int32_t info_dot_count_ = 0;
  // What the done page shows, copies and opens; none when the box's ID makes no link.
  std::optional<AnsiString> box_link_ = BoxWebLink(kPlaceholderBoxId);
};

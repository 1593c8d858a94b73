// The wizard log as a session keeps it.
#include "controller/session_log.h"

#include "common/platform.h"
#include "common/translations.h"
#include "controller/log_masking.h"

SessionLog::SessionLog(WizardView& view, LocalClock clock, LogPlaces places, const MessageCatalogue& texts)
    : lines(std::move(clock)), window_feed(lines, texts), view_(view), places_(std::move(places)), texts_(texts) {}

void SessionLog::ShowMirror(bool show) {
  if (show) view_.SetVisible(Control::LogMirror, true);
  mirror_shown_ = view_.IsVisible(Control::LogMirror);
}

void SessionLog::Line(const AnsiString& text) {
  const AnsiString line = MaskSecretsInLogLine(text);
  lines.Append(line);
  if (window_feed.LineAdded()) view_.WakeLogWindow();
  if (mirror_shown_) view_.AddDebugItem(Control::LogMirror, AnsiToNative(line));
}

std::string SessionLog::FolderInUse() const { return places_.folder ? places_.folder() : LogFolder(); }

void SessionLog::Save() { files_.Save(FolderInUse(), lines.FileContent()); }

std::string SessionLog::SaveUnattended() {
  std::string failure;
  try {
    Save();
    return {};
  } catch (const std::exception& error) {
    failure = ErrorDisplayText(error);
  }
  const std::string folder = places_.fallback ? places_.fallback() : FallbackLogFolder();
  if (folder.empty()) return failure + " The log could not be saved.";
  try {
    ReplaceFile(folder + kLogFileName, lines.FileContent());
    return failure + " The log was saved as \"" + folder + kLogFileName + "\" instead.";
  } catch (const std::exception& error) {
    return failure + " " + ErrorDisplayText(error) + " The log could not be saved.";
  }
}

UserText SessionLog::PlaceText() const {
  try {
    // Translators: {path} is the full path of the log file.
    return UserText(N_("The log is saved as \"{path}\" when the wizard closes.")).With("path", FolderInUse() + kLogFileName);
  } catch (const std::exception& error) {
    // The close will say so too, and ask; a copy can be kept before then.
    // Translators: {error} is a sentence saying why the log folder cannot be used.
    return UserText(N_("{error} Save as... keeps a copy of the log elsewhere.")).With("error", ErrorUserText(error));
  }
}

void SessionLog::OpenWindow() {
  window_feed.Open();
  view_.ShowLogWindow(PlaceText().Shown(texts_));
}

void SessionLog::CopyAll() { view_.CopyToClipboard(AnsiToNative(lines.FileContent())); }

void SessionLog::SaveCopy() {
  const std::optional<std::string> path = view_.AskWhereToSaveLog(AnsiToNative(kLogFileName));
  if (!path) return;
  try {
    ReplaceFile(*path, lines.FileContent());
  } catch (const std::exception& error) {
    view_.ShowError(ErrorUserText(error).Shown(texts_));
  }
}

// File-system and error-text services the core needs from the operating system.
#pragma once

#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "common/user_text.h"

// An error whose text is written for the user: the error display shows it as it stands, in the
// user's language; what() is its English, for the log.
class UserFacingError : public std::runtime_error {
 public:
  explicit UserFacingError(const UserText& text) : std::runtime_error(text.English()), text_(text) {}
  // A text that has no translation (a system's own words) shows as it stands.
  explicit UserFacingError(const std::string& text) : UserFacingError(UserText("{text}").With("text", text)) {}
  explicit UserFacingError(const char* text) : UserFacingError(std::string(text)) {}
  const UserText& Text() const { return text_; }

 private:
  UserText text_;
};

// The toolkit's file errors.
class FileOpenError : public UserFacingError {
 public:
  using UserFacingError::UserFacingError;
};
class FileCreateError : public UserFacingError {
 public:
  using UserFacingError::UserFacingError;
};

// What the error display shows for an error: a user-facing error's own text, any other error
// worded as a sentence (the standard library's texts are bare names such as "std::bad_alloc").
std::string ErrorDisplayText(const std::exception& error);
// ... and for something thrown that is not an exception at all.
std::string UnknownErrorDisplayText();
// The same, to be shown in the user's language (the English of each is the text above).
UserText ErrorUserText(const std::exception& error);
UserText UnknownErrorUserText();

// The system's description of an error number (one place turns error numbers into text), in
// English whatever the desktop's language: the texts go into the log, which support reads.
// Where the system has no English text, the number and its symbolic name.
std::string SystemErrorText(int error_number);

// What `produce` returns, with the C runtime's own messages in English while it runs (for
// texts the runtime makes itself, such as the dynamic loader's).
std::string WithEnglishSystemMessages(const std::function<std::string()>& produce);

// The user's temporary folder, ending with a path separator. On POSIX: $TMPDIR when set and
// not empty, else $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user that
// no one else may enter, else /tmp.
std::string TemporaryFolder();

// The folder the log is saved in, ending with a path separator; made when missing. POSIX:
// "rodiduz-setup" in $XDG_STATE_HOME (when absolute), else in ~/.local/state: it survives the
// end of the session. The folder must be this user's own and closed to others; made 0700
// when missing. Throws FileCreateError "Cannot use the log folder "<path>". <reason>" when it
// cannot be used. Windows: the user's temporary folder.
std::string LogFolder();

// Where a log goes when the log folder cannot be used and nobody can be asked (the session
// ends, the display is gone): POSIX: $XDG_RUNTIME_DIR when it is this user's private folder;
// empty when there is no such place (Windows: the log folder is already that place).
std::string FallbackLogFolder();

// Renames `from` over `to` in one step; a link at either name is moved or replaced itself,
// never written through. False when the system refuses (a file held open on Windows).
bool RenameReplacing(const std::string& from, const std::string& to);

// The local calendar time of `seconds`, through the C runtime's reentrant conversion.
std::tm LocalCalendarTime(std::time_t seconds);

// The full path of `name` as seen from the working folder (the file need not exist).
std::string AbsolutePath(const std::string& name);

// A fresh random name in the folder of `path`, for the new file a save writes first.
std::string TemporaryNameBeside(const std::string& path);

// The most a whole-file read takes, far above any real catalogue: a file that never ends must
// not exhaust the memory.
inline constexpr std::uint64_t kMaxWholeFileSize = std::uint64_t{64} << 20;

// What a path names, as far as reading it whole is concerned.
enum class FileKind { kRegular, kFolder, kPipe, kDevice, kSocket, kOther };

// The reason text of the open error for anything but a regular file, and for one too large.
UserText NotAFileReason(FileKind kind);
UserText TooLargeReason();

// Reads a whole regular file of at most kMaxWholeFileSize bytes, without ever blocking on what
// the path names (a FIFO, a device). Throws FileOpenError "Cannot open file "<full path>".
// <reason>".
std::string ReadWholeFile(const std::string& path);

// Replaces `path` with `content` through a new private file that is renamed over it, so a
// failed save leaves the old file as it was and never writes through a planted link.
// Throws FileCreateError "Cannot create file "<full path>". <reason>".
void ReplaceFile(const std::string& path, const std::string& content);

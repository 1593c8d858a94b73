// File-system and error-text services the core needs from the operating system.
#pragma once

#include <stdexcept>
#include <string>

// The toolkit's file errors: their texts are what the user sees in the error display.
class FileOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class FileCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's description of an error number (one place turns error numbers into text).
std::string SystemErrorText(int error_number);

// The user's temporary folder, ending with a path separator. On POSIX: $TMPDIR when set and
// not empty, else $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user that
// no one else may enter, else /tmp.
std::string TemporaryFolder();

// The full path of `name` as seen from the working folder (the file need not exist).
std::string AbsolutePath(const std::string& name);

// A fresh random name in the folder of `path`, for the new file a save writes first.
std::string TemporaryNameBeside(const std::string& path);

// Reads a whole file. Throws FileOpenError "Cannot open file "<full path>". <reason>".
std::string ReadWholeFile(const std::string& path);

// Replaces `path` with `content` through a new private file that is renamed over it, so a
// failed save leaves the old file as it was and never writes through a planted link.
// Throws FileCreateError "Cannot create file "<full path>". <reason>".
void ReplaceFile(const std::string& path, const std::string& content);

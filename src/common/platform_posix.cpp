// POSIX file-system services: temporary folder, whole-file reading and the replacing save.
#include "common/platform.h"

#include "common/translations.h"

#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Translators: {path} is a file's full path; {reason} a sentence saying why.
UserText OpenErrorText(const std::string& path, const UserText& reason) {
  return UserText(N_("Cannot open file \"{path}\". {reason}")).With("path", AbsolutePath(path)).With("reason", reason);
}

UserText OpenErrorText(const std::string& path, int error_number) {
  return OpenErrorText(path, UserText("{text}").With("text", SystemErrorText(error_number)));
}

// Translators: {path} is a file's full path; {reason} the system's sentence saying why.
UserText CreateErrorText(const std::string& path, int error_number) {
  return UserText(N_("Cannot create file \"{path}\". {reason}"))
      .With("path", AbsolutePath(path))
      .With("reason", SystemErrorText(error_number));
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a new file nobody else can have opened or linked: O_EXCL never follows a link.
int CreatePrivateFile(const std::string& path, std::string& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = TemporaryNameBeside(path);
    const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

struct FdCloser {
  int fd;
  ~FdCloser() { ::close(fd); }
};

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  if (S_ISFIFO(mode)) return FileKind::kPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::kDevice;
  if (S_ISSOCK(mode)) return FileKind::kSocket;
  return FileKind::kOther;
}

// Reads the open file whole once it is known to be a regular file of a sensible size. The
// size is checked again while reading: the file may grow, and some regular files (in /proc)
// report a size of 0.
std::string ReadRegularFile(int fd, const std::string& path) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) throw FileOpenError(OpenErrorText(path, errno));
  const FileKind kind = KindOf(status.st_mode);
  if (kind != FileKind::kRegular) throw FileOpenError(OpenErrorText(path, NotAFileReason(kind)));
  if (static_cast<std::uint64_t>(status.st_size) > kMaxWholeFileSize) {
    throw FileOpenError(OpenErrorText(path, TooLargeReason()));
  }
  std::string content;
  content.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileOpenError(OpenErrorText(path, errno));
    if (n == 0) return content;
    content.append(chunk, static_cast<std::size_t>(n));
    if (content.size() > kMaxWholeFileSize) throw FileOpenError(OpenErrorText(path, TooLargeReason()));
  }
}

}  // namespace

namespace {

// The "C" locale's messages are the runtime's untranslated English ones.
locale_t EnglishLocale() {
  static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

std::string SystemErrorText(int error_number) { return ::strerror_l(error_number, EnglishLocale()); }

std::string WithEnglishSystemMessages(const std::function<std::string()>& produce) {
  const locale_t previous = ::uselocale(EnglishLocale());
  std::string text = produce();
  ::uselocale(previous);
  return text;
}

namespace {

// An absolute path to a folder this user owns and no one else may enter.
bool PrivateFolderOfThisUser(const char* path) {
  if (path == nullptr || path[0] != '/') return false;
  struct stat status {};
  if (::stat(path, &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  return status.st_uid == ::geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

}  // namespace

std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
  std::string path = "/tmp";
  if (tmpdir != nullptr && *tmpdir != '\0') {
    path = tmpdir;
  } else if (PrivateFolderOfThisUser(runtime_dir)) {
    // The shared /tmp is sticky: a log another user saved there could never be replaced.
    path = runtime_dir;
  }
  if (path.back() != '/') path += '/';
  return path;
}

namespace {

constexpr const char* kLogFolderName = "rodiduz-setup";

// Translators: {folder} is a folder's full path; {reason} a sentence saying why.
UserText LogFolderError(const std::string& folder, const UserText& reason) {
  return UserText(N_("Cannot use the log folder \"{folder}\". {reason}")).With("folder", folder).With("reason", reason);
}

UserText LogFolderError(const std::string& folder, const std::string& system_reason) {
  return LogFolderError(folder, UserText("{text}").With("text", system_reason));
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

// The state folder the XDG convention names, without the program's own folder.
std::string StateHome() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return state;
  return HomeFolder() + "/.local/state";
}

// Makes each missing folder of `path` (absolute) private to this user, as the XDG convention
// asks of the state folder; the ones that exist are left as they are.
void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      throw FileCreateError(LogFolderError(path, SystemErrorText(errno)));
    }
    if (slash == std::string::npos) return;
  }
}

// The log folder must be this user's own and closed to others: the log names the user's box
// and network, and another user's folder could be swapped under the save.
void CheckPrivateFolder(const std::string& folder) {
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0) throw FileCreateError(LogFolderError(folder, SystemErrorText(errno)));
  if (!S_ISDIR(status.st_mode)) throw FileCreateError(LogFolderError(folder, UserText(N_("It is not a folder"))));
  if (status.st_uid != ::geteuid()) throw FileCreateError(LogFolderError(folder, UserText(N_("It belongs to another user"))));
  if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    throw FileCreateError(LogFolderError(folder, UserText(N_("Other users may open it; allow only yourself (chmod 700)"))));
  }
}

}  // namespace

std::string LogFolder() {
  const std::string state = StateHome();
  if (state.empty() || state[0] != '/') {
    throw FileCreateError(LogFolderError(state + "/" + kLogFolderName, UserText(N_("No home folder is known"))));
  }
  const std::string folder = state + "/" + kLogFolderName;
  MakeFolders(folder);
  CheckPrivateFolder(folder);
  return folder + "/";
}

std::string FallbackLogFolder() {
  const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
  if (!PrivateFolderOfThisUser(runtime_dir)) return {};
  std::string folder = runtime_dir;
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string AbsolutePath(const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::vector<char> buffer(4096);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return name;
  std::string folder = buffer.data();
  if (folder.back() != '/') folder += '/';
  return folder + name;
}

std::string ReadWholeFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO without a writer, or some devices, would otherwise wait for ever
  // before the file's kind could be checked.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw FileOpenError(OpenErrorText(path, errno));
  const FdCloser closer{fd};
  return ReadRegularFile(fd, path);
}

void ReplaceFile(const std::string& path, const std::string& content) {
  std::string temporary;
  const int fd = CreatePrivateFile(path, temporary);
  if (fd < 0) throw FileCreateError(CreateErrorText(path, errno));
  const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
  const int write_error = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temporary.c_str());
    throw FileCreateError(CreateErrorText(path, written ? EIO : write_error));
  }
  // rename replaces a planted link itself instead of writing through it; in a sticky folder
  // it refuses to replace another user's file, and the save then fails.
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int rename_error = errno;
    ::unlink(temporary.c_str());
    throw FileCreateError(CreateErrorText(path, rename_error));
  }
}

std::tm LocalCalendarTime(std::time_t seconds) {
  std::tm parts{};
  localtime_r(&seconds, &parts);
  return parts;
}

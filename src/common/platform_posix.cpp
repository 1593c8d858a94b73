// POSIX file-system services: temporary folder, whole-file reading and the replacing save.
#include "common/platform.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::string OpenErrorText(const std::string& path, const std::string& reason) {
  return "Cannot open file \"" + AbsolutePath(path) + "\". " + reason;
}

std::string OpenErrorText(const std::string& path, int error_number) {
  return OpenErrorText(path, SystemErrorText(error_number));
}

std::string CreateErrorText(const std::string& path, int error_number) {
  return "Cannot create file \"" + AbsolutePath(path) + "\". " + SystemErrorText(error_number);
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

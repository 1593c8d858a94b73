// Pseudo-terminals for serial tests and process counters.
#include "support/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

PtyPort::PtyPort() {
  if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "openpty");
  }
  char name[256] = {};
  if (::ttyname_r(slave_, name, sizeof name) != 0) throw std::runtime_error("ttyname_r failed");
  slave_path_ = name;
  // Raw from the start: nothing the tests write may be echoed or translated.
  termios settings{};
  ::tcgetattr(slave_, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(slave_, TCSANOW, &settings);
}

PtyPort::~PtyPort() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

void PtyPort::Link(const std::string& folder, unsigned port) const {
  std::filesystem::create_symlink(slave_path_, folder + "/COM" + std::to_string(port));
}

void PtyPort::CloseMaster() {
  ::close(master_);
  master_ = -1;
}

void PtyPort::WriteToPort(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw std::system_error(errno, std::generic_category(), "write to pty master");
    done += static_cast<std::size_t>(put);
  }
}

std::string PtyPort::ReadFromPort(std::size_t count, std::chrono::milliseconds limit) const {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (bytes.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[2048];
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    const ssize_t got = ::read(master_, buffer, want);
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

PortDirOverride::PortDirOverride(const std::string& folder) {
  if (const char* old = std::getenv("RODIDUZ_PORT_DIR")) {
    had_value_ = true;
    old_value_ = old;
  }
  ::setenv("RODIDUZ_PORT_DIR", folder.c_str(), 1);
}

PortDirOverride::~PortDirOverride() {
  if (had_value_) {
    ::setenv("RODIDUZ_PORT_DIR", old_value_.c_str(), 1);
  } else {
    ::unsetenv("RODIDUZ_PORT_DIR");
  }
}

namespace {

std::size_t CountEntries(const char* folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

}  // namespace

// The iterator's own descriptor is counted too, the same way every time.
std::size_t CountOpenDescriptors() { return CountEntries("/proc/self/fd"); }

std::size_t CountDescriptorsOnDevice(int reference) {
  struct stat wanted {};
  if (::fstat(reference, &wanted) != 0) return 0;
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    struct stat found {};
    if (::stat(entry.path().c_str(), &found) == 0 && S_ISCHR(found.st_mode) &&
        found.st_rdev == wanted.st_rdev) {
      ++count;
    }
  }
  return count;
}

std::size_t CountThreads() { return CountEntries("/proc/self/task"); }

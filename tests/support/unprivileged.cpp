// Test code run as nobody in a forked child.
#include "support/unprivileged.h"

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

namespace {

// One socket pair carries everything: the child sends kAsk and waits for kAnswer, and ends with
// one of the closing tags followed by its text up to the end of the stream.
constexpr char kAsk = 'Q';
constexpr char kAnswer = 'A';
constexpr char kReport = 'R';
constexpr char kException = 'X';
constexpr char kNoDrop = 'F';

bool SendAll(int socket, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    // MSG_NOSIGNAL: a peer that died must not take this process with it through SIGPIPE.
    const ssize_t sent = ::send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    done += static_cast<std::size_t>(sent);
  }
  return true;
}

std::string DropToNobody() {
  const UserIds nobody = NobodyIds();
  if (::setgroups(0, nullptr) != 0) return std::string("setgroups: ") + std::strerror(errno);
  if (::setgid(nobody.gid) != 0) return std::string("setgid: ") + std::strerror(errno);
  if (::setuid(nobody.uid) != 0) return std::string("setuid: ") + std::strerror(errno);
  // A change of user makes the process undumpable, which hands /proc/self to root; the
  // sanitizers and the descriptor counters read it.
  ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
  return "";
}

[[noreturn]] void RunChild(int socket, const std::function<std::string(const ParentLink&)>& body) {
  const std::string refusal = DropToNobody();
  if (!refusal.empty()) {
    SendAll(socket, kNoDrop + refusal);
    ::_exit(2);
  }
  std::string message;
  try {
    message = kReport + body(ParentLink(socket));
  } catch (const std::exception& error) {
    message = kException + std::string(error.what());
  } catch (...) {
    message = kException + std::string("unknown exception");
  }
  ::_exit(SendAll(socket, message) ? 0 : 3);
}

std::string DescribeEnd(int status) {
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  return "ended with wait status " + std::to_string(status);
}

// Reads what the child sends until it closes its end, answering its questions; false when the
// limit passed first.
bool Converse(int socket, const std::function<void()>& on_ask, std::chrono::steady_clock::time_point deadline,
              std::string& closing) {
  bool closing_started = false;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{socket, POLLIN, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    for (ssize_t i = 0; i < got; ++i) {
      if (!closing_started && buffer[i] == kAsk) {
        if (on_ask) on_ask();
        SendAll(socket, std::string(1, kAnswer));
        continue;
      }
      closing_started = true;
      closing.append(buffer + i, static_cast<std::size_t>(got - i));
      break;
    }
  }
}

}  // namespace

std::string UnprivilegedRunUnavailable() {
  if (::geteuid() != 0) return "becoming nobody needs root";
  if (::getpwnam("nobody") == nullptr) return "there is no user nobody";
  return "";
}

UserIds NobodyIds() {
  const passwd* entry = ::getpwnam("nobody");
  if (entry == nullptr) return {};
  return {entry->pw_uid, entry->pw_gid};
}

bool ParentLink::Ask() const {
  if (!SendAll(socket_, std::string(1, kAsk))) return false;
  char answer = 0;
  for (;;) {
    const ssize_t got = ::recv(socket_, &answer, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    return got == 1 && answer == kAnswer;
  }
}

ChildOutcome RunUnprivileged(const std::function<std::string(const ParentLink&)>& body,
                             const std::function<void()>& on_ask, std::chrono::seconds limit) {
  ChildOutcome outcome;
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
    outcome.ending = std::string("socketpair: ") + std::strerror(errno);
    return outcome;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    outcome.ending = std::string("fork: ") + std::strerror(errno);
    ::close(sockets[0]);
    ::close(sockets[1]);
    return outcome;
  }
  if (child == 0) {
    ::close(sockets[0]);
    RunChild(sockets[1], body);
  }
  ::close(sockets[1]);
  std::string closing;
  const bool in_time = Converse(sockets[0], on_ask, std::chrono::steady_clock::now() + limit, closing);
  ::close(sockets[0]);
  if (!in_time) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const bool exited_cleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (in_time && exited_cleanly && !closing.empty() && closing.front() == kReport) {
    outcome.completed = true;
    outcome.report = closing.substr(1);
    return outcome;
  }
  if (!in_time) {
    outcome.ending = "timed out after " + std::to_string(limit.count()) + " s";
  } else if (!closing.empty() && closing.front() == kException) {
    outcome.ending = "exception: " + closing.substr(1);
  } else if (!closing.empty() && closing.front() == kNoDrop) {
    outcome.ending = "could not become nobody: " + closing.substr(1);
  } else {
    outcome.ending = DescribeEnd(status);
  }
  return outcome;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The lock and the socket of one wizard per user and session on Linux.
#include "ui/wizard_channel_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTimer>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/platform.h"

namespace {

constexpr std::string_view kRequestWord = "front";
constexpr std::string_view kRaisedLine = "raised";
constexpr std::string_view kCannotRaiseLine = "not raised";
// Far above any token, startup id or display name; a longer line is no request of ours.
constexpr qint64 kMaxRequestBytes = 4096;
// A later start sends its request as soon as it is connected: one that says nothing is dropped.
constexpr int kRequestPatienceMs = 3000;

// Only printable ASCII reaches the window system; a tab would split the line's fields.
bool IsPlainField(std::string_view field) {
  for (const char character : field) {
    if (character < 0x20 || character > 0x7e) return false;
  }
  return true;
}

std::string_view PlainOrEmpty(std::string_view field) {
  return IsPlainField(field) ? field : std::string_view();
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on `fd` until the deadline; false when it passed first.
bool WaitUntil(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    pollfd wait{fd, events, 0};
    const int ready = ::poll(&wait, 1, MillisecondsUntil(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

bool SendAll(int fd, const std::string& bytes, std::chrono::steady_clock::time_point deadline) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t written = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (written > 0) {
      sent += static_cast<std::size_t>(written);
    } else if (written < 0 && errno == EAGAIN) {
      if (!WaitUntil(fd, POLLOUT, deadline)) return false;
    } else if (written < 0 && errno != EINTR) {
      return false;
    }
  }
  return true;
}

// The first line the peer sends, without its line feed; empty when none came whole in time.
std::string ReceiveLine(int fd, std::chrono::steady_clock::time_point deadline) {
  std::string received;
  std::array<char, 64> buffer{};
  while (received.find('\n') == std::string::npos && received.size() < 256) {
    if (!WaitUntil(fd, POLLIN, deadline)) return "";
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) return "";
    if (got > 0) received.append(buffer.data(), static_cast<std::size_t>(got));
  }
  const std::size_t end = received.find('\n');
  return end == std::string::npos ? "" : received.substr(0, end);
}

// A socket connected to `socket_path` without waiting; -1 with errno when it could not be.
int ConnectWithoutWaiting(const std::string& socket_path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  // A UNIX socket connects at once or not at all; EAGAIN means the listener's queue is full.
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace

FrontRequest FrontRequestFromEnvironment() {
  return {Variable("XDG_ACTIVATION_TOKEN"), Variable("DESKTOP_STARTUP_ID"), Variable("DISPLAY"),
          Variable("WAYLAND_DISPLAY")};
}

std::string EncodeFrontRequest(const FrontRequest& request) {
  std::string line(kRequestWord);
  for (const std::string* field :
       {&request.activation_token, &request.startup_id, &request.x_display, &request.wayland_display}) {
    line += '\t';
    line += PlainOrEmpty(*field);
  }
  return line + '\n';
}

std::optional<FrontRequest> ParseFrontRequest(std::string_view line) {
  std::array<std::string, 5> fields;
  std::size_t count = 0;
  for (std::size_t start = 0;; ++count) {
    const std::size_t tab = line.find('\t', start);
    if (count == fields.size()) return std::nullopt;
    fields[count] = std::string(PlainOrEmpty(line.substr(start, tab - start)));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (count + 1 != fields.size() || fields[0] != kRequestWord) return std::nullopt;
  return FrontRequest{fields[1], fields[2], fields[3], fields[4]};
}

std::string EncodeFrontAnswer(FrontAnswer answer) {
  return std::string(answer == FrontAnswer::kRaised ? kRaisedLine : kCannotRaiseLine) + '\n';
}

FrontAnswer ParseFrontAnswer(std::string_view line) {
  if (line == kRaisedLine) return FrontAnswer::kRaised;
  if (line == kCannotRaiseLine) return FrontAnswer::kCannotRaise;
  return FrontAnswer::kNoAnswer;
}

std::string SingleWizardFolder() {
  std::string folder = FallbackLogFolder();
  if (!folder.empty()) return folder;
  try {
    return LogFolder();
  } catch (const FileCreateError&) {
    return "";
  }
}

WizardLock::WizardLock(std::string path) : path_(std::move(path)) {}

WizardLock::~WizardLock() {
  // The file stays: removing it would let a start that opened it just before lock a file that
  // no longer has a name, while the next start locks a new one.
  if (fd_ >= 0) ::close(fd_);
}

WizardLock::State WizardLock::TryTake() {
  if (fd_ < 0) {
    // O_NOFOLLOW: a link planted at the name is refused, not followed.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    struct stat status {};
    if (fd_ >= 0 && (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))) {
      ::close(fd_);
      fd_ = -1;
      errno = EINVAL;
    }
    if (fd_ < 0) {
      failure_ = SystemErrorText(errno);
      return State::kUnusable;
    }
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return State::kTaken;
  if (errno == EWOULDBLOCK) return State::kHeldElsewhere;
  failure_ = SystemErrorText(errno);
  return State::kUnusable;
}

AskResult AskToComeToFront(const std::string& socket_path, const FrontRequest& request,
                           std::chrono::steady_clock::time_point deadline) {
  if (socket_path.size() >= sizeof(sockaddr_un::sun_path)) return {};
  const int fd = ConnectWithoutWaiting(socket_path);
  if (fd < 0) {
    // No socket yet, one a crashed wizard left, or a queue full of waiting starts.
    const bool not_listening = errno == ENOENT || errno == ECONNREFUSED || errno == EAGAIN;
    return {FrontAnswer::kNoAnswer, not_listening};
  }
  FrontAnswer answer = FrontAnswer::kNoAnswer;
  if (SendAll(fd, EncodeFrontRequest(request), deadline))
    answer = ParseFrontAnswer(ReceiveLine(fd, deadline));
  ::close(fd);
  return {answer, false};
}

FrontRequestServer::FrontRequestServer(const std::string& path, Handler handler)
    : handler_(std::move(handler)) {
  const QString name = QString::fromLocal8Bit(path.c_str());
  // Only the lock's holder listens, so a socket at the name is one a crashed wizard left. The
  // socket needs no access option of its own: its folder is the user's and closed to others.
  QLocalServer::removeServer(name);
  server_.listen(name);
  QObject::connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) Serve(client);
  });
}

void FrontRequestServer::Serve(QLocalSocket* client) {
  QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
  QTimer::singleShot(kRequestPatienceMs, client, [client] {
    client->abort();
    client->deleteLater();
  });
  QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] { AnswerRequest(client); });
  // The request may have come with the connection.
  if (client->bytesAvailable() > 0) AnswerRequest(client);
}

void FrontRequestServer::AnswerRequest(QLocalSocket* client) {
  if (!client->canReadLine()) {
    if (client->bytesAvailable() > kMaxRequestBytes) client->abort();
    return;
  }
  const QByteArray line = client->readLine(kMaxRequestBytes).chopped(1);
  const std::optional<FrontRequest> request =
      ParseFrontRequest(std::string_view(line.constData(), line.size()));
  if (request.has_value()) client->write(QByteArray::fromStdString(EncodeFrontAnswer(handler_(*request))));
  client->disconnectFromServer();
}

// The Linux means of one wizard per user and session: the lock the first start holds, and the
// local socket beside it on which the first start answers later ones, one line each way.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What a later start hands the running wizard: the desktop's proof that the user has just asked
// for the wizard, which lets another program's window come to the front, and where the later
// start runs.
struct FrontRequest {
  std::string activation_token;  // XDG_ACTIVATION_TOKEN (Wayland)
  std::string startup_id;        // DESKTOP_STARTUP_ID (X11 startup notification)
  std::string x_display;         // DISPLAY
  std::string wayland_display;   // WAYLAND_DISPLAY
};

enum class FrontAnswer {
  kRaised,       // the running wizard brought its window to the front
  kCannotRaise,  // it runs, but its window cannot come to the front for this start
  kNoAnswer,     // nothing answered in time
};

// The request of this process's environment.
FrontRequest FrontRequestFromEnvironment();

// "front", then the request's fields, tab-separated, and a line feed. A field that is not plain
// printable ASCII goes as empty: the values come from the environment and go to the window
// system as they are.
std::string EncodeFrontRequest(const FrontRequest& request);
// The request of one such line (without its line feed); nothing for any other text.
std::optional<FrontRequest> ParseFrontRequest(std::string_view line);
std::string EncodeFrontAnswer(FrontAnswer answer);
// kNoAnswer for anything but an answer line.
FrontAnswer ParseFrontAnswer(std::string_view line);

// The folder of the lock and the socket: $XDG_RUNTIME_DIR when it is this user's private folder
// (it lives as long as the user's session), else the log's state folder; empty when neither can
// be used.
std::string SingleWizardFolder();

// A file locked with flock. The kernel lets go of the lock when the process ends, however it
// ends, so a crashed wizard leaves only a file behind, which the next start locks again.
class WizardLock {
 public:
  enum class State { kTaken, kHeldElsewhere, kUnusable };

  explicit WizardLock(std::string path);
  ~WizardLock();
  WizardLock(const WizardLock&) = delete;
  WizardLock& operator=(const WizardLock&) = delete;

  // Takes the lock unless another process holds it. kUnusable when the file cannot be opened or
  // locked at all (then `Failure()` says why).
  State TryTake();
  const std::string& Failure() const { return failure_; }

 private:
  std::string path_;
  std::string failure_;
  int fd_ = -1;
};

// The outcome of one request to the wizard holding the lock.
struct AskResult {
  FrontAnswer answer = FrontAnswer::kNoAnswer;
  // Nothing listens on the socket (yet): its holder may not have started listening.
  bool nothing_listening = false;
};

// Asks the wizard listening on `socket_path` to come to the front, waiting for its answer until
// `deadline` at most; never blocks past it, also when that wizard is stopped or hangs.
AskResult AskToComeToFront(const std::string& socket_path, const FrontRequest& request,
                           std::chrono::steady_clock::time_point deadline);

// Answers later starts on the socket at `path`. Only the lock's holder listens, so a socket
// already there is one a crashed wizard left behind, and is replaced.
class FrontRequestServer : public QObject {
 public:
  using Handler = std::function<FrontAnswer(const FrontRequest&)>;

  FrontRequestServer(const std::string& path, Handler handler);
  bool IsListening() const { return server_.isListening(); }
  QString ErrorText() const { return server_.errorString(); }

 private:
  void Serve(class QLocalSocket* client);
  void AnswerRequest(QLocalSocket* client);

  QLocalServer server_;
  Handler handler_;
};

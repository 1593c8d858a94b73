// One wizard per user and session on Linux: a lock and a local socket in the user's runtime
// folder (or, without a private one, in the log's state folder).
#include "ui/single_wizard.h"

#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/user_text.h"
#include "controller/window_layout.h"
#include "ui/error_display.h"
#include "ui/window_front_posix.h"
#include "ui/wizard_channel_posix.h"

namespace {

constexpr const char* kLockName = "rodiduz-setup.lock";
constexpr const char* kSocketName = "rodiduz-setup.socket";
// How long a later start waits for the running wizard, in all.
constexpr auto kPatience = std::chrono::seconds(5);
// Between taking the lock and listening the first start cannot be reached yet.
constexpr auto kRetryPause = std::chrono::milliseconds(50);

// A display for a message box: Qt's offscreen and minimal platforms have none, and without a
// display server to connect to Qt would end the program as it starts.
bool DisplayIsThere() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return false;
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

struct SingleWizard::Backend {
  std::unique_ptr<WizardLock> lock;
  std::string lock_path;
  std::string socket_path;
  bool holds_lock = false;
  bool first = true;
  FrontAnswer answer = FrontAnswer::kNoAnswer;
  std::unique_ptr<FrontRequestServer> server;

  void ClaimOrAsk(const FrontRequest& request);
};

// Until the deadline: the lock once it is free, else the answer of the wizard holding it.
void SingleWizard::Backend::ClaimOrAsk(const FrontRequest& request) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    const WizardLock::State state = lock->TryTake();
    if (state == WizardLock::State::kUnusable) {
      std::fprintf(stderr, "Cannot lock \"%s\": %s. Another start will open another window.\n",
                   lock_path.c_str(), lock->Failure().c_str());
    }
    if (state != WizardLock::State::kHeldElsewhere) {
      holds_lock = state == WizardLock::State::kTaken;
      return;
    }
    const AskResult asked = AskToComeToFront(socket_path, request, deadline);
    if (!asked.nothing_listening || std::chrono::steady_clock::now() + kRetryPause >= deadline) {
      first = false;
      answer = asked.answer;
      return;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}

SingleWizard::SingleWizard() : backend_(std::make_unique<Backend>()) {
  const std::string folder = SingleWizardFolder();
  // Nowhere to keep a lock: every start opens its own window, as without this guard.
  if (folder.empty()) return;
  backend_->lock_path = folder + kLockName;
  backend_->socket_path = folder + kSocketName;
  backend_->lock = std::make_unique<WizardLock>(backend_->lock_path);
  backend_->ClaimOrAsk(FrontRequestFromEnvironment());
}

SingleWizard::~SingleWizard() = default;

bool SingleWizard::IsFirst() const { return backend_->first; }

int SingleWizard::EndLaterStart(int& argc, char** argv, const MessageCatalogue& texts) const {
  if (backend_->answer == FrontAnswer::kRaised) return 0;
  const char* message =
      backend_->answer == FrontAnswer::kCannotRaise ? kAlreadyOpenMessage : kAlreadyOpenNoAnswerMessage;
  PrintError(QString::fromUtf8(message).simplified());
  if (!DisplayIsThere()) return 0;
  const QApplication application(argc, argv);
  NameApplication(texts);
  QMessageBox box(QMessageBox::Information, QApplication::applicationName(),
                  QString::fromStdU16String(ShownText(texts, message)), QMessageBox::Ok);
  box.exec();
  return 0;
}

void SingleWizard::AnswerLaterStarts(QWidget& window) {
  // Without the lock the socket may be another start's, which must not be replaced.
  if (!backend_->holds_lock) return;
  backend_->server = std::make_unique<FrontRequestServer>(
      backend_->socket_path,
      [&window](const FrontRequest& request) { return BringToFront(window, request); });
  if (!backend_->server->IsListening()) {
    PrintError(QStringLiteral("Another start of the wizard cannot reach this one: %1")
                   .arg(backend_->server->ErrorText()));
  }
}

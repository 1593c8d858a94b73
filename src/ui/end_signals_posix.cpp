// The ending signals through a self-pipe: the handler writes one byte, a socket notifier on the
// UI thread reads it and runs the program's own way out.
#include "ui/end_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

namespace {

constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGHUP, SIGINT};

// The pipe's write end for the handler; -1 while no EndSignals lives.
volatile sig_atomic_t g_wake_fd = -1;

void OnEndSignal(int signal_number) {
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  // A full pipe already holds a wake-up that has not been read; nothing is lost.
  [[maybe_unused]] const ssize_t written = ::write(g_wake_fd, &byte, 1);
  errno = saved_errno;
}

}  // namespace

struct EndSignals::Backend {
  std::array<int, 2> pipe_ends{-1, -1};
  std::array<struct sigaction, kEndSignals.size()> previous{};
  std::array<bool, kEndSignals.size()> taken{};
  struct sigaction previous_pipe {};
  bool pipe_taken = false;
  std::unique_ptr<QSocketNotifier> notifier;
};

EndSignals::EndSignals(std::function<void()> ended) : backend_(std::make_unique<Backend>()) {
  // A write to the display's connection after the X server has gone would end the program by
  // SIGPIPE, without a word and without its log. Ignored, the write fails instead, the toolkit
  // sees the broken connection and the program ends the way that saves the log.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  backend_->pipe_taken = ::sigaction(SIGPIPE, &ignore, &backend_->previous_pipe) == 0;

  // Without a pipe (no descriptors left) the signals keep their default: they end the program
  // at once, as before, rather than keep it from starting.
  if (::pipe2(backend_->pipe_ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_wake_fd = backend_->pipe_ends[1];
  backend_->notifier = std::make_unique<QSocketNotifier>(backend_->pipe_ends[0], QSocketNotifier::Read);
  const int read_end = backend_->pipe_ends[0];
  QObject::connect(backend_->notifier.get(), &QSocketNotifier::activated, [read_end, ended] {
    unsigned char drained[64];
    while (::read(read_end, drained, sizeof drained) > 0) {
    }
    ended();
  });

  sigset_t ours;
  sigemptyset(&ours);
  for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
    struct sigaction current {};
    ::sigaction(kEndSignals[i], nullptr, &current);
    // Ignored by whoever started us (nohup, a background job): the program stays out of it.
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    backend_->taken[i] = ::sigaction(kEndSignals[i], &action, &backend_->previous[i]) == 0;
    sigaddset(&ours, kEndSignals[i]);
  }
  // A mask inherited from the starter would hold the signals back for ever.
  ::pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
}

EndSignals::~EndSignals() {
  if (backend_->pipe_taken) ::sigaction(SIGPIPE, &backend_->previous_pipe, nullptr);
  for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
    if (backend_->taken[i]) ::sigaction(kEndSignals[i], &backend_->previous[i], nullptr);
  }
  g_wake_fd = -1;
  backend_->notifier.reset();
  for (int end : backend_->pipe_ends) {
    if (end >= 0) ::close(end);
  }
}

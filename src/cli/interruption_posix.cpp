// Ctrl+C as SIGINT: the handler only sets a flag the batch reads between boxes.
#include "cli/interruption.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

void CatchInterruption() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a read of the serial port or a sleep must not fail for it.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

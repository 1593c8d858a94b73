// The signals that end a session (SIGTERM at shutdown, SIGHUP when the terminal or the session
// goes, SIGINT for Ctrl+C), handed to the UI thread: the handler only wakes the event loop, and
// `ended` runs there. Where writes can raise SIGPIPE, it is ignored meanwhile, so that a broken
// connection to the display fails a write instead of ending the program unsaved. One backend
// file per system.
#pragma once

#include <functional>
#include <memory>

class EndSignals {
 public:
  // Takes over the signals for as long as it lives; one at a time in a process.
  explicit EndSignals(std::function<void()> ended);
  ~EndSignals();
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

 private:
  struct Backend;
  std::unique_ptr<Backend> backend_;
};

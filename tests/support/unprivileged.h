// Runs test code as the unprivileged user nobody in a forked child, so that permission checks
// bite even when the tests themselves run as root.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct UserIds {
  uid_t uid = 0;
  gid_t gid = 0;
};

// Empty when RunUnprivileged can drop to nobody (the tests run as root and nobody exists);
// otherwise the reason, for GTEST_SKIP.
std::string UnprivilegedRunUnavailable();
// nobody and its group; only meaningful when UnprivilegedRunUnavailable() is empty.
UserIds NobodyIds();

// The child's way to let the parent, still root, change something for it mid-run.
class ParentLink {
 public:
  explicit ParentLink(int socket) : socket_(socket) {}
  // Returns once the parent's `on_ask` has run; false when the parent could not be reached.
  bool Ask() const;

 private:
  int socket_;
};

struct ChildOutcome {
  bool completed = false;  // the body returned and its report arrived whole
  std::string report;      // what the body returned
  std::string ending;      // how the child ended otherwise: signal, exit status, exception, time-out
};

// Forks, turns the child into nobody (no supplementary groups) and runs `body` there; the
// child ends with _exit, so none of the parent's exit work runs twice. The body reports what it
// saw as text for the parent to check: the child's own test assertions would be lost. Fork
// before the test starts any thread.
ChildOutcome RunUnprivileged(const std::function<std::string(const ParentLink&)>& body,
                             const std::function<void()>& on_ask = {},
                             std::chrono::seconds limit = std::chrono::seconds(60));

// Lines joined with '\n' and split again, for reports made of lines.
std::string JoinLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitLines(const std::string& text);

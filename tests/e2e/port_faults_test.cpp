// The box's port as an unprivileged user meets it: held by another program, or a device node
// only root may open. The wizard searches on the virtual USB bus, which offers a pseudo-terminal
// linked as COM7; where the case needs it, the whole session runs as nobody. Each refusal is
// logged, and its reason once each time it changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "common/platform.h"
#include "controller/wizard.h"
#include "support/box_run.h"
#include "support/wizard_fixture.h"
#include "support/pty_port.h"
#include "support/unprivileged.h"

namespace {

using namespace std::chrono_literals;

const std::string kVirtualBus = std::string(RODIDUZ_BINARY_DIR) + "/sim/libusblib.so";
const std::string kRefused = "Dut com port could not be opened";
const std::string kOpened = "Dut com port opened EV (COM7)";
constexpr int kHeldTicks = 5;
constexpr int kTicksUntilConnectTimeout = 70;  // 7000 ms at 100 ms a tick

std::size_t CountText(const std::vector<std::string>& texts, const std::string& text) {
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

// One wizard run from Start on, ticked by hand, on the virtual bus with the pty as COM7.
class Session {
 public:
  explicit Session(const PtyPort& pty) : fixture_("", kVirtualBus), port_dir_(fixture_.folder().Path()) {
    pty.Link(fixture_.folder().Path(), 7);
    core().OnControl(Control::Start);
  }

  Wizard& core() { return fixture_.core(); }
  WizardFixture& fixture() { return fixture_; }
  void Tick() { core().OnTimer(WizardTimer::kTick); }

  // The state, the port flag and the log's count of refused and opened ports.
  std::string Observe() {
    const auto texts = fixture_.LogTexts();
    return StateName(core().Session().state) + " open=" + std::to_string(core().Channel().port_open.load()) +
           " refused=" + std::to_string(CountText(texts, kRefused)) +
           " opened=" + std::to_string(CountText(texts, kOpened));
  }

  // Why the port was refused, as logged: once for each change of reason.
  std::string Reasons() const {
    const std::string prefix = "Dut com port " + fixture_.folder().Path() + "/";
    std::string found;
    for (const std::string& text : fixture_.LogTexts()) {
      if (text.starts_with(prefix)) found += (found.empty() ? "" : " | ") + text.substr(prefix.size());
    }
    return "reasons: " + found;
  }

  // One tick opens the port; the worker's open event arrives on its own thread, and the tick
  // after it connects. Ticking meanwhile would open the port again. The event sets PortOpen
  // first and logs after, so the wait is for its log line.
  bool ConnectOnNextTicks() {
    Tick();
    WaitFor([&] { return fixture_.Logged(kOpened); }, 10s);
    Tick();
    return core().Session().state == kStateConnected;
  }

  // Closes the window: "saved", or the error the user is shown, with the scratch folder's path
  // written as <temp> so the report does not depend on it.
  std::string Close() {
    try {
      core().SaveLog();
      return "saved";
    } catch (const FileCreateError& error) {
      std::string text = error.what();
      const std::string folder = fixture_.folder().Path();
      if (const auto at = text.find(folder); at != std::string::npos)
        text.replace(at, folder.size(), "<temp>");
      return text;
    }
  }

 private:
  WizardFixture fixture_;
  PortDirOverride port_dir_;
};

// Another program's hold on the port: the lock every engine takes, or the tty's exclusive mode.
enum class Holder { kLock, kExclusiveMode };

class PortHold {
 public:
  PortHold(const PtyPort& pty, Holder kind)
      : kind_(kind), fd_(::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    taken_ =
        fd_ >= 0 && (kind == Holder::kLock ? ::flock(fd_, LOCK_EX | LOCK_NB) : ::ioctl(fd_, TIOCEXCL)) == 0;
  }
  ~PortHold() { Release(); }
  bool taken() const { return taken_; }

  // The wizard's tries must leave the other program's hold as it was.
  bool Intact(const PtyPort& pty) const {
    if (kind_ == Holder::kExclusiveMode) {
      int exclusive = 0;
      return ::ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    }
    const int other = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool locked_out = other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) != 0;
    if (other >= 0) ::close(other);
    return locked_out;
  }

  // As a well-behaved program lets go: exclusive mode outlives a close while the tty stays
  // open elsewhere (here: the test's own slave descriptor).
  void Release() {
    if (fd_ < 0) return;
    if (kind_ == Holder::kExclusiveMode) ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
  }

 private:
  Holder kind_;
  int fd_;
  bool taken_ = false;
};

// The same steps whoever runs them; what they saw comes back as lines.
std::string BusyPortRun(const PtyPort& pty, Holder holder) {
  Session session(pty);
  std::vector<std::string> seen;
  session.Tick();  // the search finds COM7
  seen.push_back(session.Observe());
  PortHold hold(pty, holder);
  seen.push_back(hold.taken() ? "held" : "hold failed");
  const std::size_t descriptors = CountOpenDescriptors();
  const std::size_t threads = CountThreads();
  for (int i = 0; i < kHeldTicks; ++i) {
    session.Tick();
    seen.push_back(session.Observe());
  }
  // A refusal every 100 ms must not cost a descriptor or a thread each time.
  const bool nothing_left = CountOpenDescriptors() == descriptors && CountThreads() == threads;
  seen.push_back(nothing_left ? "nothing left open" : "descriptors or threads left");
  seen.push_back(hold.Intact(pty) ? "hold intact" : "hold broken");
  seen.push_back(session.Reasons());
  hold.Release();
  seen.push_back(session.ConnectOnNextTicks() ? "connected" : "not connected");
  seen.push_back(session.Observe());
  return JoinLines(seen);
}

std::vector<std::string> ExpectedBusyPortRun() {
  std::vector<std::string> expected = {"Found open=0 refused=0 opened=0", "held"};
  for (int i = 1; i <= kHeldTicks; ++i)
    expected.push_back("Found open=0 refused=" + std::to_string(i) + " opened=0");
  expected.push_back("nothing left open");
  expected.push_back("hold intact");
  expected.push_back("reasons: COM7: Device or resource busy");
  expected.push_back("connected");
  expected.push_back("Connected open=1 refused=" + std::to_string(kHeldTicks) + " opened=1");
  return expected;
}

struct HolderRow {
  const char* name;
  Holder holder;
};
const HolderRow kHolders[] = {{"lock", Holder::kLock}, {"exclusive mode", Holder::kExclusiveMode}};

// Root passes exclusive mode, but the port is in use all the same.
TEST(BusyPort, RefusedOnEveryTryUntilTheHolderLetsGo) {
  for (const HolderRow& row : kHolders) {
    SCOPED_TRACE(row.name);
    PtyPort pty;
    EXPECT_EQ(SplitLines(BusyPortRun(pty, row.holder)), ExpectedBusyPortRun());
  }
}

TEST(BusyPort, RefusedToNobodyOnEveryTryUntilTheHolderLetsGo) {
  if (const std::string reason = UnprivilegedRunUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  for (const HolderRow& row : kHolders) {
    SCOPED_TRACE(row.name);
    PtyPort pty;
    ASSERT_EQ(::chmod(pty.slave_path().c_str(), 0666), 0);  // only the hold keeps nobody out
    const ChildOutcome outcome =
        RunUnprivileged([&](const ParentLink&) { return BusyPortRun(pty, row.holder); });
    ASSERT_TRUE(outcome.completed) << outcome.ending;
    EXPECT_EQ(SplitLines(outcome.report), ExpectedBusyPortRun());
  }
}

// The saved log's texts, without time stamps.
std::vector<std::string> SavedLogTexts(const std::string& path) {
  const std::string content = ReadFileForTest(path);
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  std::vector<std::string> texts;
  for (std::size_t start = 0; start < content.size();) {
    const std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) break;
    texts.push_back(content.substr(start + kStampLength, end - start - kStampLength));
    start = end + 2;
  }
  return texts;
}

TEST(PortPermission, RootOnlyNodeIsRefusedToNobodyOnEveryTryAndTheLogSaysSo) {
  if (const std::string reason = UnprivilegedRunUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  PtyPort pty;
  ASSERT_EQ(::chown(pty.slave_path().c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(pty.slave_path().c_str(), 0600), 0);
  const auto grant = [&] { ::chmod(pty.slave_path().c_str(), 0666); };

  const ChildOutcome outcome = RunUnprivileged(
      [&](const ParentLink& parent) {
        Session session(pty);
        std::vector<std::string> seen;
        session.Tick();  // the search finds COM7
        for (int i = 0; i < kTicksUntilConnectTimeout; ++i) session.Tick();
        seen.push_back(session.Observe());
        seen.push_back("status: " + session.fixture().view().CaptionUtf8(Control::StatusLine));
        seen.push_back(session.Reasons());
        seen.push_back(parent.Ask() ? "granted" : "parent gone");
        seen.push_back(session.ConnectOnNextTicks() ? "connected" : "not connected");

        // The log is saved on close; the first close meets a read-only temporary folder.
        const std::string folder = session.fixture().folder().Path();
        const std::string log_path = session.fixture().folder().Write(kLogFileName, "old run\r\n");
        ::chmod(folder.c_str(), 0500);
        seen.push_back("first close: " + session.Close());
        seen.push_back(ReadFileForTest(log_path) == "old run\r\n" ? "old log kept" : "old log changed");
        ::chmod(folder.c_str(), 0700);
        seen.push_back("second close: " + session.Close());
        const auto saved = SavedLogTexts(log_path);
        seen.push_back("saved log: refused=" + std::to_string(CountText(saved, kRefused)) +
                       " opened=" + std::to_string(CountText(saved, kOpened)) +
                       (saved == session.fixture().LogTexts() ? ", every line" : ", lines missing"));
        return JoinLines(seen);
      },
      grant);

  ASSERT_TRUE(outcome.completed) << outcome.ending;
  const std::string refusals = std::to_string(kTicksUntilConnectTimeout);
  const std::vector<std::string> expected = {
      "Found open=0 refused=" + refusals + " opened=0",
      "status: Can't connect to the box",
      "reasons: COM7: Permission denied",
      "granted",
      "connected",
      "first close: Cannot create file \"<temp>/" + std::string(kLogFileName) + "\". " +
          SystemErrorText(EACCES),
      "old log kept",
      "second close: saved",
      "saved log: refused=" + refusals + " opened=1, every line",
  };
  EXPECT_EQ(SplitLines(outcome.report), expected);
}

}  // namespace

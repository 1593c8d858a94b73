// The box simulator as a child process and the fixture of whole setup runs.
#include "support/box_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "support/test_files.h"

using namespace std::chrono_literals;

std::string SimulatorPath() { return std::string(RODIDUZ_BINARY_DIR) + "/rodiduz-boxsim"; }
std::string VirtualBusPath() { return std::string(RODIDUZ_BINARY_DIR) + "/sim/libusblib.so"; }

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

Simulator::Simulator(const std::string& folder, std::vector<std::string> options)
    : output_(folder + "/boxsim.out"), link_(folder + "/COM7") {
  std::vector<std::string> args = {SimulatorPath(), "--port-dir", folder, "--com",      "7", "--announce-ms",
                                   "200",           "--test-ms",  "100",  "--lifetime", "60"};
  args.insert(args.end(), options.begin(), options.end());
  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  plugged_in_ = WaitFor([&] { return LinkExists(); }, 10s);
}

Simulator::~Simulator() { Stop(); }

bool Simulator::LinkExists() const { return std::filesystem::is_symlink(link_); }

void Simulator::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool Simulator::Unplug() {
  if (pid_ <= 0 || kill(pid_, SIGUSR1) != 0) return false;
  // The simulator closes the master before it removes the link.
  return WaitFor([&] { return !LinkExists(); });
}

bool Simulator::Replug() {
  if (pid_ <= 0 || kill(pid_, SIGUSR2) != 0) return false;
  return WaitFor([&] { return LinkExists(); });
}

Lines Simulator::OutputLines() const {
  const std::string text = ReadFileForTest(output_);
  Lines lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

Lines Simulator::Received() {
  Stop();
  Lines received;
  for (const std::string& line : OutputLines()) {
    if (line.rfind("<- ", 0) == 0) received.push_back(line.substr(3));
  }
  return received;
}

Lines Simulator::ReceivedSincePlugIn() {
  Stop();
  Lines received;
  for (const std::string& line : OutputLines()) {
    if (line.rfind("plugged in:", 0) == 0) received.clear();
    if (line.rfind("<- ", 0) == 0) received.push_back(line.substr(3));
  }
  return received;
}

void BoxRun::SetUp() {
  ASSERT_TRUE(std::filesystem::exists(SimulatorPath())) << SimulatorPath() << " is not built";
  ASSERT_TRUE(std::filesystem::exists(VirtualBusPath())) << VirtualBusPath() << " is not built";
}

void BoxRun::Plug(std::vector<std::string> options) {
  fixture_ = std::make_unique<WizardFixture>("", VirtualBusPath(), language_);
  port_dir_ = std::make_unique<PortDirOverride>(fixture_->folder().Path());
  simulator_ = std::make_unique<Simulator>(fixture_->folder().Path(), std::move(options));
  ASSERT_TRUE(simulator_->plugged_in());
}

void BoxRun::TearDown() {
  // The controller goes first: its engine's worker must end before anything else.
  fixture_.reset();
  simulator_.reset();
  port_dir_.reset();
}

bool BoxRun::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return fixture_->RunTimersUntil(done, limit);
}

bool BoxRun::RunUntilState(std::uint32_t state, std::chrono::milliseconds limit) {
  return RunUntil([&] { return core().Session().state == state; }, limit);
}

void BoxRun::PumpAndTick() {
  core().OnTimer(WizardTimer::kSendPump);
  core().OnTimer(WizardTimer::kTick);
}

bool BoxRun::Logged(const std::string& text) const { return CountLogged(text) > 0; }

std::size_t BoxRun::CountLogged(const std::string& text) const {
  const Lines lines = Log();
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

Lines BoxRun::ReceiveQueue() {
  const std::vector<AnsiString> messages = core().Channel().PeekMessages();
  return Lines(messages.begin(), messages.end());
}

Lines BoxRun::SavedLog() {
  core().SaveLog();
  const std::string text = ReadFileForTest(fixture_->folder().File(kLogFileName));
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  Lines lines;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    lines.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
  }
  return lines;
}

// The wizard's log, then what the simulator printed, so a failure shows both sides.
std::string BoxRun::Trace() const {
  std::string trace = fixture_->Trace();
  if (simulator_ == nullptr) return trace;
  trace += "---- simulator ----\n";
  for (const std::string& line : simulator_->OutputLines()) trace += line + "\n";
  return trace;
}

::testing::AssertionResult InOrder(const Lines& lines, const Lines& order) {
  auto at = lines.begin();
  for (const std::string& line : order) {
    at = std::find(at, lines.end(), line);
    if (at == lines.end()) return ::testing::AssertionFailure() << line << " missing or out of order";
  }
  return ::testing::AssertionSuccess();
}

const Lines& CleanRunCommands() {
  static const Lines commands = {
      "[UNLOCK]",  "[PLMNGET]", "[GPRSGET]", "[QRGET]", "[GPRSSET APN:internet USER: PW: PIN:1234]",
      "[GPRSTEST]"};
  return commands;
}

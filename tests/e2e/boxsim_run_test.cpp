// Whole setup runs: the controller with the recording view, the real serial engine, discovery
// on the virtual USB bus, and the box simulator on a pseudo-terminal, ticked in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/form_fixture.h"
#include "support/pty_port.h"

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kSimulator = std::string(RODIDUZ_BINARY_DIR) + "/rodiduz-boxsim";
const std::string kVirtualBus = std::string(RODIDUZ_BINARY_DIR) + "/sim/libusblib.so";


// The simulator as a child process; its output goes to a file the test reads at the end.
class Simulator {
 public:
  Simulator(const std::string& folder, std::vector<std::string> options) : output_(folder + "/boxsim.out") {
    std::vector<std::string> args = {kSimulator, "--port-dir", folder, "--com",      "7", "--announce-ms",
                                     "200",      "--test-ms",  "100",  "--lifetime", "60"};
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
    const std::string link = folder + "/COM7";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!std::filesystem::is_symlink(link) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    plugged_in_ = std::filesystem::is_symlink(link);
  }
  ~Simulator() { Stop(); }

  bool plugged_in() const { return plugged_in_; }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  // The lines the simulator received, in order.
  Lines Received() {
    Stop();
    Lines received;
    for (const std::string& line : OutputLines()) {
      if (line.rfind("<- ", 0) == 0) received.push_back(line.substr(3));
    }
    return received;
  }

  Lines OutputLines() const {
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

 private:
  std::string output_;
  pid_t pid_ = -1;
  bool plugged_in_ = false;
};

class BoxRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kSimulator)) << kSimulator << " is not built";
    ASSERT_TRUE(std::filesystem::exists(kVirtualBus)) << kVirtualBus << " is not built";
  }

  void Plug(std::vector<std::string> options) {
    fixture_ = std::make_unique<FormFixture>("", kVirtualBus);
    port_dir_ = std::make_unique<PortDirOverride>(fixture_->folder().Path());
    simulator_ = std::make_unique<Simulator>(fixture_->folder().Path(), std::move(options));
    ASSERT_TRUE(simulator_->plugged_in());
  }

  void TearDown() override {
    // The controller goes first: its engine's worker must end before anything else.
    fixture_.reset();
    simulator_.reset();
    port_dir_.reset();
  }

  TForm1& form() { return fixture_->form(); }
  RecordingView& view() { return fixture_->view(); }

  // Runs the two timers in real time until `done` holds; false after `limit`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool tick = false;
    while (std::chrono::steady_clock::now() < deadline) {
      form().DutSendQueueTimerTimer(nullptr);
      if (tick) form().DeviceTimerTimer(nullptr);
      tick = !tick;
      if (done()) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  bool RunUntilState(std::uint32_t state, std::chrono::milliseconds limit = 20s) {
    return RunUntil([&] { return form().CommState == state; }, limit);
  }

  bool Logged(const std::string& text) const {
    const Lines lines = fixture_->LogTexts();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  Lines Commands() {
    Lines commands;
    for (const std::string& line : simulator_->Received()) commands.push_back(line);
    return commands;
  }
  std::string Trace() const {
    std::string trace;
    for (const std::string& line : fixture_->LogTexts()) trace += line + "\n";
    return trace;
  }

  std::unique_ptr<FormFixture> fixture_;
  std::unique_ptr<PortDirOverride> port_dir_;
  std::unique_ptr<Simulator> simulator_;
};

TEST_F(BoxRun, CleanRunEndsWithTheLink) {
  Plug({});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  EXPECT_EQ(view().CaptionUtf8(Control::Label29), "www.rodiduz.com/id/AB12CD34");
  EXPECT_EQ(view().CurrentPage(), kPageDone);
  EXPECT_TRUE(Logged("Dut com port opened EV (COM7)"));
  EXPECT_TRUE(Logged("[Tx]  [UNLOCK]"));
  EXPECT_TRUE(Logged("[Rx]  [QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA]"));
  EXPECT_TRUE(Logged("PASSED"));
  EXPECT_EQ(view().CaptionUtf8(Control::Label20), "Box Type: GSM");
  EXPECT_EQ(view().CaptionUtf8(Control::Label19), "Signal Strength: Good");
  const Lines commands = Commands();
  // Each request appears at least once and in this order; a request may be repeated while
  // its answer is on the way.
  const Lines order = {
      "[UNLOCK]",  "[PLMNGET]", "[GPRSGET]", "[QRGET]", "[GPRSSET APN:internet USER: PW: PIN:1234]",
      "[GPRSTEST]"};
  auto at = commands.begin();
  for (const std::string& command : order) {
    at = std::find(at, commands.end(), command);
    EXPECT_NE(at, commands.end()) << command;
  }
}

TEST_F(BoxRun, FailedTestThenNextPasses) {
  Plug({"--fail-tests", "1", "--apn", "box.apn", "--user", "me", "--password", "pw"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED GPRS"); })) << Trace();
  EXPECT_EQ(form().CommState, kStateWaitUser);
  EXPECT_EQ(view().CurrentPage(), kPageSetup);
  EXPECT_TRUE(Logged("Show Message:Connection failed. Please check operator/APN settings and try again"));
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSSET APN:box.apn USER:me PW:pw PIN:1234]"), 2);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "[GPRSTEST]"), 2);
}

TEST_F(BoxRun, WrongPinIsCorrectedByTheUser) {
  Plug({"--sim", "wrong-pin"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED WRONG PIN"); })) << Trace();
  EXPECT_TRUE(Logged("Show Message:Enter correct PIN code"));
  EXPECT_TRUE(Logged("Show Message:Wrong PIN code"));
  view().SetText(Control::MaskEdit1, u"1234");
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "[GPRSSET APN:internet USER: PW: PIN:0000]"),
            commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "[GPRSSET APN:internet USER: PW: PIN:1234]"),
            commands.end());
}

TEST_F(BoxRun, PukUnblocksTheSim) {
  Plug({"--sim", "puk"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("FAILED PUK"); })) << Trace();
  EXPECT_TRUE(view().IsVisible(Control::Edit4));
  view().SetText(Control::Edit4, u"12345678");
  view().SetText(Control::MaskEdit1, u"4321");
  form().Button7Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed)) << Trace();
  const Lines commands = Commands();
  // The PUK command and the settings travel in one write and arrive as two lines.
  const auto puk = std::find(commands.begin(), commands.end(), "[SIMPUK PUK:12345678]");
  ASSERT_NE(puk, commands.end());
  ASSERT_NE(puk + 1, commands.end());
  EXPECT_EQ(*(puk + 1), "[GPRSSET APN:internet USER: PW: PIN:4321]");
}

TEST_F(BoxRun, NoSimStopsTheRun) {
  Plug({"--sim", "none"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] {
    return Logged("Show Message:Sim Card not inserted. Please insert sim card and press start again");
  })) << Trace();
  EXPECT_EQ(form().CommState, kStateInit);
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
  EXPECT_TRUE(form().PortOpen.load());
}

TEST_F(BoxRun, UnplugMidRunResetsTheWizard) {
  Plug({"--unplug-after", "QRGET"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntil([&] { return Logged("Dut com port closed EV"); })) << Trace();
  ASSERT_TRUE(RunUntilState(kStateInit, 2s)) << Trace();
  EXPECT_TRUE(Logged("(State GotGPRS->Init)"));
  EXPECT_EQ(view().CaptionUtf8(Control::Label14), "Welcome. Press start to begin");
  EXPECT_EQ(view().CurrentPage(), kPageWelcome);
}

TEST_F(BoxRun, SilentBoxIsAskedAgain) {
  Plug({"--ignore", "UNLOCK"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateReady)) << Trace();
  RunUntil([] { return false; }, 1600ms);
  EXPECT_EQ(form().CommState, kStateReady);
  const Lines commands = Commands();
  EXPECT_GE(std::count(commands.begin(), commands.end(), "[UNLOCK]"), 3) << Trace();
}

TEST_F(BoxRun, NoiseAndOverlongLinesDoNotDisturbTheRun) {
  Plug({"--garbage", "--overlong", "20000"});
  form().Button8Click(nullptr);
  ASSERT_TRUE(RunUntilState(kStateGPRSPassed, 30s)) << Trace();
  EXPECT_TRUE(Logged("[Rx]  x[OK]"));
  EXPECT_TRUE(Logged("[Rx]  [UNLOCKED]"));
  // The overlong line never reaches the log as a line of its own.
  for (const std::string& line : fixture_->LogTexts()) EXPECT_LT(line.size(), 15000u);
}

}  // namespace

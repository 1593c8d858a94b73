// Two real starts of the built program on an X server of the test's own: a later start of the
// same user in the same session brings the first window to the front and ends; another runtime
// folder's or another user's start opens a window of its own; a killed wizard's lock and socket
// stop no one; where the first window cannot come to the front or does not answer, the later
// start says that the wizard is already open and ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "controller/window_layout.h"
#include "program_run.h"
#include "support/box_run.h"
#include "support/test_files.h"
#include "support/unprivileged.h"

namespace {

using namespace std::chrono_literals;

class SingleWizardRunTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kProgram)) << kProgram << " is not built";
    for (const char* tool : {"Xvfb", "xdotool"}) {
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is missing (scripts/install-deps)";
    }
    server_ = std::make_unique<OwnXServer>(folder_.File("xvfb.txt"));
    ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
  }
  void TearDown() override {
    for (const pid_t wizard : running_) {
      kill(wizard, SIGCONT);
      kill(wizard, SIGTERM);
      waitpid(wizard, nullptr, 0);
    }
  }

  // A start on the test's X server, `environment` before that.
  pid_t Start(const ScratchFolder& folder, const std::string& output,
              std::vector<std::string> environment = {}, const UserIds* user = nullptr) {
    environment.insert(environment.end(), {"DISPLAY=" + server_->display(), "QT_QPA_PLATFORM=xcb"});
    ProgramStart start{environment, output};
    start.user = user;
    const pid_t wizard = StartProgram(folder, start);
    running_.push_back(wizard);
    return wizard;
  }
  // A later start that is to end of itself with status 0; its output.
  std::string ExpectEndsWithStatus0(pid_t wizard, const ScratchFolder& folder, const std::string& output) {
    int status = 0;
    const bool ended = WaitForEnd(wizard, status);
    std::erase(running_, wizard);
    const std::string said = ReadFileForTest(folder.File(output));
    EXPECT_TRUE(ended) << "the later start did not end: " << said;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status << ": " << said;
    return said;
  }
  bool WindowsShown(std::size_t count) {
    return WaitFor([&] { return server_->WizardWindows().size() == count; }, 20s);
  }
  void FocusElsewhere() {
    OutputOf("DISPLAY=" + server_->display() + " xdotool windowfocus $(DISPLAY=" + server_->display() +
             " xdotool search --maxdepth 0 --name '')");
  }

  ScratchFolder folder_;
  std::unique_ptr<OwnXServer> server_;
  std::vector<pid_t> running_;
};

TEST_F(SingleWizardRunTest, ALaterStartOfTheSameUserBringsTheFirstWindowToTheFrontAndEnds) {
  Start(folder_, "first.txt");
  ASSERT_TRUE(WindowsShown(1)) << ReadFileForTest(folder_.File("first.txt"));
  const std::string first_window = server_->WizardWindows().front();
  FocusElsewhere();
  ASSERT_NE(server_->FocusedWindow(), first_window);

  const std::string said = ExpectEndsWithStatus0(Start(folder_, "later.txt"), folder_, "later.txt");
  EXPECT_EQ(said, "");
  EXPECT_TRUE(WaitFor([&] { return server_->FocusedWindow() == first_window; }, 20s))
      << "the focus is on " << server_->FocusedWindow() << ", not on the first window " << first_window;
  EXPECT_EQ(server_->WizardWindows().size(), 1u);
}

TEST_F(SingleWizardRunTest, AnotherRuntimeFoldersOrAnotherUsersStartOpensAWindowOfItsOwn) {
  Start(folder_, "first.txt");
  ASSERT_TRUE(WindowsShown(1));
  ScratchFolder elsewhere;
  Start(elsewhere, "other-runtime.txt");
  EXPECT_TRUE(WindowsShown(2)) << ReadFileForTest(elsewhere.File("other-runtime.txt"));

  if (!UnprivilegedRunUnavailable().empty()) GTEST_SKIP() << UnprivilegedRunUnavailable();
  // The first user's runtime folder is not the other user's own: theirs is their state folder.
  ScratchFolder nobodys;
  const UserIds nobody = NobodyIds();
  nobodys.Write("apnlist.csv", ReadFileForTest(folder_.File("apnlist.csv")));
  for (const std::string& path : {nobodys.Path(), nobodys.File("apnlist.csv")}) {
    ASSERT_EQ(chown(path.c_str(), nobody.uid, nobody.gid), 0);
  }
  Start(nobodys, "other-user.txt", {"XDG_RUNTIME_DIR=" + folder_.File("runtime")}, &nobody);
  EXPECT_TRUE(WindowsShown(3)) << ReadFileForTest(nobodys.File("other-user.txt"));
}

TEST_F(SingleWizardRunTest, AKilledWizardsLockAndSocketStopNoOne) {
  const pid_t killed = Start(folder_, "killed.txt");
  ASSERT_TRUE(WindowsShown(1));
  kill(killed, SIGKILL);
  waitpid(killed, nullptr, 0);
  std::erase(running_, killed);
  ASSERT_TRUE(std::filesystem::exists(folder_.File("runtime/rodiduz-setup.lock")));
  ASSERT_TRUE(std::filesystem::exists(folder_.File("runtime/rodiduz-setup.socket")));
  ASSERT_TRUE(WindowsShown(0));

  Start(folder_, "new.txt");
  ASSERT_TRUE(WindowsShown(1)) << ReadFileForTest(folder_.File("new.txt"));
  // The new wizard answers on the socket it put in the old one's place.
  EXPECT_EQ(ExpectEndsWithStatus0(Start(folder_, "later.txt"), folder_, "later.txt"), "");
  EXPECT_EQ(server_->WizardWindows().size(), 1u);
}

TEST_F(SingleWizardRunTest, WhereTheFirstWindowCannotComeToTheFrontTheLaterStartSaysSoAndEnds) {
  struct Row {
    const char* name;
    bool first_stopped;                    // the first wizard hangs: it never answers
    std::vector<std::string> environment;  // of the later start
    const char* said;
  };
  const Row rows[] = {
      // Its window is on another display, which the user of this one would not see.
      {"another session of the same user",
       false,
       {"DISPLAY=:99", "QT_QPA_PLATFORM=offscreen"},
       kAlreadyOpenMessage},
      {"a first wizard that does not answer", true, {}, kAlreadyOpenNoAnswerMessage},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    const pid_t first = Start(folder, "first.txt");
    ASSERT_TRUE(WindowsShown(1));
    const std::string first_window = server_->WizardWindows().front();
    if (row.first_stopped) kill(first, SIGSTOP);
    const pid_t later = Start(folder, "later.txt", row.environment);
    if (row.first_stopped) {
      // A display is there: the later start's message box, answered with Return.
      ASSERT_TRUE(WindowsShown(2));
      for (const std::string& window : server_->WizardWindows()) {
        if (window != first_window)
          OutputOf("DISPLAY=" + server_->display() + " xdotool windowfocus --sync " + window + " key Return");
      }
    }
    const std::string said = ExpectEndsWithStatus0(later, folder, "later.txt");
    EXPECT_NE(said.find(QString::fromUtf8(row.said).simplified().toStdString()), std::string::npos) << said;
    kill(first, SIGCONT);
    kill(first, SIGTERM);
    waitpid(first, nullptr, 0);
    std::erase(running_, first);
    ASSERT_TRUE(WindowsShown(0));
  }
}

}  // namespace

// One wizard per user and session, its parts: the request line and its answer, when a window may
// come to the front, the lock, a request against scripted peers and against the real server, and
// the window brought to the front. Whole starts of the program: single_wizard_run_test.cpp.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTest>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "support/test_files.h"
#include "ui/window_front_posix.h"
#include "ui/wizard_channel_posix.h"
#include "window_fixture.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(SingleWizardTest, OnlyAWholeRequestLineIsARequestAndItsFieldsStayPlain) {
  const FrontRequest full{"token-1", "host-42_TIME99", ":3", "wayland-1"};
  std::string line = EncodeFrontRequest(full);
  ASSERT_EQ(line.back(), '\n');
  line.pop_back();
  const std::optional<FrontRequest> parsed = ParseFrontRequest(line);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->activation_token, "token-1");
  EXPECT_EQ(parsed->startup_id, "host-42_TIME99");
  EXPECT_EQ(parsed->x_display, ":3");
  EXPECT_EQ(parsed->wayland_display, "wayland-1");
  // A value with a control character or a byte beyond ASCII goes as empty; the others stay.
  EXPECT_EQ(EncodeFrontRequest({"to\x1bken", "id\xc3\xa9", ":0", ""}), "front\t\t\t:0\t\n");
  for (const char* other : {"", "front", "front\ta\tb\tc", "front\ta\tb\tc\td\te", "back\ta\tb\tc\td"}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(ParseFrontRequest(other).has_value());
  }
  EXPECT_EQ(ParseFrontAnswer("raised"), FrontAnswer::kRaised);
  EXPECT_EQ(ParseFrontAnswer("not raised"), FrontAnswer::kCannotRaise);
  EXPECT_EQ(ParseFrontAnswer("raised!"), FrontAnswer::kNoAnswer);
}

TEST(SingleWizardTest, AWindowComesToTheFrontOnlyOnItsOwnDisplayAndOnWaylandOnlyWithAToken) {
  struct Row {
    const char* name;
    OwnDisplay display;
    FrontRequest request;
    bool can;
  };
  const Row rows[] = {
      {"X11, same display, no startup id", {"xcb", ":1", ""}, {"", "", ":1", ""}, true},
      {"X11, another display (another session)", {"xcb", ":1", ""}, {"", "", "localhost:10.0", ""}, false},
      {"Wayland with the desktop's token",
       {"wayland", ":0", "wayland-0"},
       {"tok", "", ":0", "wayland-0"},
       true},
      {"Wayland without a token", {"wayland", ":0", "wayland-0"}, {"", "id_TIME5", ":0", "wayland-0"}, false},
      {"Wayland, another compositor",
       {"wayland-egl", ":0", "wayland-0"},
       {"tok", "", ":0", "wayland-1"},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CanComeToFront(row.display, row.request), row.can);
  }
  EXPECT_EQ(StartupUserTime("xfce4-panel/|usr|bin|rodiduz-setup/1234-0-host_TIME2718281"), 2718281u);
  EXPECT_EQ(StartupUserTime("host;1700000000;1;123_TIMEsoon"), 0u);
  EXPECT_EQ(StartupUserTime("_TIME99999999999"), 0u);
  EXPECT_EQ(StartupUserTime("no-time"), 0u);
}

TEST(SingleWizardTest, TheLockIsOneHoldersAtATimeAndRefusesAPlantedLink) {
  ScratchFolder folder;
  const std::string path = folder.File("w.lock");
  auto first = std::make_unique<WizardLock>(path);
  WizardLock second(path);
  EXPECT_EQ(first->TryTake(), WizardLock::State::kTaken);
  EXPECT_EQ(second.TryTake(), WizardLock::State::kHeldElsewhere);
  first.reset();
  EXPECT_EQ(second.TryTake(), WizardLock::State::kTaken);

  std::filesystem::create_symlink(folder.File("target"), folder.File("planted.lock"));
  WizardLock planted(folder.File("planted.lock"));
  EXPECT_EQ(planted.TryTake(), WizardLock::State::kUnusable);
  EXPECT_FALSE(std::filesystem::exists(folder.File("target")));
}

// A listening socket at `path` whose peer, once a request has come, answers with `reply`
// (nothing for none); without `listen` only a socket file that refuses connections.
class ScriptedPeer {
 public:
  ScriptedPeer(const std::string& path, bool listen, std::optional<std::string> reply) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (!listen) {
      close(fd_);
      fd_ = -1;
      return;
    }
    ::listen(fd_, 1);
    thread_ = std::thread([this, reply] {
      const int client = accept(fd_, nullptr, nullptr);
      char buffer[256] = {};
      const ssize_t got = recv(client, buffer, sizeof buffer - 1, 0);
      if (got > 0) received_ = buffer;
      if (reply) send(client, reply->data(), reply->size(), MSG_NOSIGNAL);
      // Holds the connection until the asking side gives up.
      while (recv(client, buffer, sizeof buffer, 0) > 0) {
      }
      close(client);
    });
  }
  ~ScriptedPeer() {
    Received();
    if (fd_ >= 0) close(fd_);
  }
  // What the peer received, once the asking side has let go of it.
  const std::string& Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  std::string received_;
  int fd_ = -1;
  std::thread thread_;
};

TEST(SingleWizardTest, ARequestGetsTheRunningWizardsAnswerOrGivesUpAtItsDeadline) {
  struct Row {
    const char* name;
    bool socket, listen;
    std::optional<std::string> reply;
    FrontAnswer answer;
    bool nothing_listening;
  };
  const Row rows[] = {
      {"no socket yet", false, false, std::nullopt, FrontAnswer::kNoAnswer, true},
      {"a crashed wizard's socket", true, false, std::nullopt, FrontAnswer::kNoAnswer, true},
      {"raised", true, true, "raised\n", FrontAnswer::kRaised, false},
      {"cannot be raised", true, true, "not raised\n", FrontAnswer::kCannotRaise, false},
      {"a wizard that never answers", true, true, std::nullopt, FrontAnswer::kNoAnswer, false},
      {"an answer cut short", true, true, "rai", FrontAnswer::kNoAnswer, false},
  };
  const FrontRequest request{"tok", "", ":5", ""};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    const std::string path = folder.File("s");
    std::optional<ScriptedPeer> peer;
    if (row.socket) peer.emplace(path, row.listen, row.reply);
    const AskResult result = AskToComeToFront(path, request, Clock::now() + 300ms);
    EXPECT_EQ(result.answer, row.answer);
    EXPECT_EQ(result.nothing_listening, row.nothing_listening);
    if (row.listen) {
      EXPECT_EQ(peer->Received(), "front\ttok\t\t:5\t\n");
    }
  }
}

TEST(SingleWizardTest, TheServerReplacesALeftSocketAndAnswersWithItsHandlersVerdict) {
  ScratchFolder folder;
  const std::string path = folder.File("s");
  ScriptedPeer left(path, false, std::nullopt);
  std::vector<FrontRequest> seen;
  FrontRequestServer server(path, [&seen](const FrontRequest& request) {
    seen.push_back(request);
    return seen.size() == 1 ? FrontAnswer::kRaised : FrontAnswer::kCannotRaise;
  });
  ASSERT_TRUE(server.IsListening()) << server.ErrorText().toStdString();
  for (const FrontAnswer expected : {FrontAnswer::kRaised, FrontAnswer::kCannotRaise}) {
    AskResult result;
    std::atomic<bool> answered{false};
    std::thread asking([&] {
      result = AskToComeToFront(path, {"tok", "id", ":5", ""}, Clock::now() + 5s);
      answered = true;
    });
    // The server answers on this thread's event loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered.load(); }, 5000));
    asking.join();
    EXPECT_EQ(result.answer, expected);
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].activation_token, "tok");
  EXPECT_EQ(seen[0].startup_id, "id");
  EXPECT_EQ(seen[0].x_display, ":5");
}

using BringToFrontTest = WindowTest;

TEST_F(BringToFrontTest, AMinimisedWindowIsRestoredOnlyForARequestFromItsOwnDisplay) {
  MakeWindow();
  window().showMinimized();
  const OwnDisplay own = CurrentDisplay();
  EXPECT_EQ(BringToFront(window(), {"", "", own.x_display + "-elsewhere", own.wayland_display}),
            FrontAnswer::kCannotRaise);
  EXPECT_TRUE(window().isMinimized());
  EXPECT_EQ(BringToFront(window(), {"", "", own.x_display, own.wayland_display}), FrontAnswer::kRaised);
  EXPECT_FALSE(window().isMinimized());
  EXPECT_TRUE(window().isVisible());
}

}  // namespace

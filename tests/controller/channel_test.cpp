// The box channel: the serial port's events, line reception, the message queue, the send slot
// and the send pump.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controller/wizard.h"
#include "support/wizard_fixture.h"

namespace {

std::vector<std::string> WithoutStamps(const std::vector<AnsiString>& lines) {
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.substr(kStampLength));
  return texts;
}

// Tells the test when a line reaches the debug mirror, so it can see the channel's state
// at the moment the line was logged.
class MirrorView final : public RecordingView {
 public:
  void AddDebugItem(Control list_box, const NativeString& text) override {
    RecordingView::AddDebugItem(list_box, text);
    if (on_item) on_item();
  }
  std::function<void()> on_item;
};

// A wizard whose send pump hands its bytes to `sent` instead of the serial port.
class ChannelTest : public ::testing::Test {
 protected:
  ChannelTest() {
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "");
    environment.usb_library = folder_.File("no-such-usblib.so");
    environment.clock = FixedTestTime;
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    environment.send = [this](const void* data, std::int16_t length) {
      sent.emplace_back(static_cast<const char*>(data), static_cast<std::size_t>(length));
    };
    view_.SetVisible(Control::LogMirror, true);  // the debug mirror takes every log line
    wizard_ = std::make_unique<Wizard>(view_, view_, std::move(environment));
    wizard_->CreateSerialPort();
  }

  Wizard& core() { return *wizard_; }
  BoxChannel& channel() { return wizard_->Channel(); }
  MirrorView& view() { return view_; }
  std::vector<std::string> Log() const { return WithoutStamps(wizard_->Log().lines.Lines()); }

  void ReceiveByteByByte(const std::string& bytes) {
    for (char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      channel().ReceiveBytes(&byte, 1);
    }
  }

  std::vector<std::string> DrainMessages() {
    std::vector<std::string> messages;
    while (channel().WaitingMessages() != 0) messages.push_back(channel().TakeMessage());
    return messages;
  }

  std::vector<std::string> sent;

 private:
  ScratchFolder folder_;
  MirrorView view_;
  std::unique_ptr<Wizard> wizard_;
};

using Texts = std::vector<std::string>;

TEST_F(ChannelTest, OpenAndCloseEventsOfTheOwnEngineKeepPortStateAndLog) {
  // Each event is logged before PortOpen changes: a UI thread that acts on the change (a reset
  // after the close) must log after the event, never before it.
  std::vector<bool> open_while_logged;
  view().on_item = [&] { open_while_logged.push_back(channel().port_open.load()); };
  channel().port_number = 7;
  channel().OnSerialEvent(channel().Port(), kSerialOpened);
  EXPECT_TRUE(channel().port_open);
  EXPECT_EQ(channel().port_number, 7);
  channel().OnSerialEvent(channel().Port(), kSerialClosed);
  EXPECT_FALSE(channel().port_open);
  EXPECT_EQ(channel().port_number, 0);
  EXPECT_EQ(Log(), (Texts{"Dut com port opened EV (COM7)", "Dut com port closed EV"}));
  EXPECT_EQ(open_while_logged, (std::vector<bool>{false, true}));
}

TEST_F(ChannelTest, EventsOfAnotherEngineOrUnknownCodesDoNothing) {
  SerialPort other;
  channel().port_number = 3;
  for (unsigned code : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
    SCOPED_TRACE(code);
    channel().OnSerialEvent(&other, code);
    channel().OnSerialEvent(nullptr, code);
  }
  channel().port_open = true;
  for (unsigned code : {2u, 4u, 5u, 6u, 7u, 1000u}) {
    SCOPED_TRACE(code);
    channel().OnSerialEvent(channel().Port(), code);
  }
  EXPECT_TRUE(channel().port_open);
  EXPECT_EQ(channel().port_number, 3);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ChannelTest, ReceivedLinesAreLoggedAndBracketedOnesQueued) {
  struct Row {
    const char* name;
    std::string bytes;
    Texts log;
    Texts messages;
  };
  const Row rows[] = {
      {"[OK] byte by byte", "[OK]\r\n", {"[Rx]  [OK]"}, {"OK"}},
      {"lone CR LF", "\r\n", {"[Rx]  "}, {}},
      {"brackets alone", "[]\r\n", {"[Rx]  []"}, {""}},
      {"text before the bracket", "x[OK]\r\n", {"[Rx]  x[OK]"}, {}},
      {"no closing bracket", "[OK\r\n", {"[Rx]  [OK"}, {}},
      {"text after the first closing bracket", "[A]B]\r\n", {"[Rx]  [A]B]"}, {"A"}},
      {"opening bracket inside", "[A[B]\r\n", {"[Rx]  [A[B]"}, {"A[B"}},
      {"tab and 0xC3 removed", "[A\tB\xC3]\r\n", {"[Rx]  [AB]"}, {"AB"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = Log().size();
    ReceiveByteByByte(row.bytes);
    const Texts log = Log();
    EXPECT_EQ(Texts(log.begin() + static_cast<std::ptrdiff_t>(before), log.end()), row.log);
    EXPECT_EQ(DrainMessages(), row.messages);
  }
}

TEST_F(ChannelTest, AnEmptyMessageReadsLikeAnEmptyQueue) {
  ReceiveByteByByte("[]\r\n");
  ASSERT_EQ(channel().WaitingMessages(), 1u);
  EXPECT_EQ(channel().TakeMessage(), "");
  EXPECT_TRUE(channel().WaitingMessages() == 0);
  EXPECT_EQ(channel().TakeMessage(), "");
}

TEST_F(ChannelTest, ALineIsJoinedAcrossACloseAndReopen) {
  channel().port_number = 4;
  ReceiveByteByByte("[GPRS");
  channel().OnSerialEvent(channel().Port(), kSerialClosed);
  channel().port_number = 4;
  channel().OnSerialEvent(channel().Port(), kSerialOpened);
  ReceiveByteByByte("TEST OK]\r\n");
  EXPECT_EQ(Log(), (Texts{"Dut com port closed EV", "Dut com port opened EV (COM4)", "[Rx]  [GPRSTEST OK]"}));
  EXPECT_EQ(DrainMessages(), Texts{"GPRSTEST OK"});
}

TEST_F(ChannelTest, AnOverlongLineIsDroppedAndTheNextLineReceived) {
  ReceiveByteByByte(std::string(LineAssembler::kMaxLineLength, '['));
  ReceiveByteByByte("]\r\n[OK]\r\n");
  const Texts log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].rfind("[Rx]  line dropped: 14999 characters or more", 0), 0u) << log[0];
  EXPECT_EQ(log[1], "[Rx]  [OK]");
  EXPECT_EQ(DrainMessages(), Texts{"OK"});
}

TEST_F(ChannelTest, TheReceiveQueueKeepsTheFirstThousandInOrder) {
  for (int i = 0; i < 1001; ++i) ReceiveByteByByte("[m" + std::to_string(i) + "]\n");
  const Texts messages = DrainMessages();
  ASSERT_EQ(messages.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(messages[i], "m" + std::to_string(i));
  // The dropped message's line is still in the log.
  EXPECT_EQ(Log().back(), "[Rx]  [m1000]");

  channel().AddMessage("again");
  EXPECT_EQ(DrainMessages(), Texts{"again"});
}

TEST_F(ChannelTest, ClearEmptiesTheReceiveQueue) {
  channel().AddMessage("A");
  channel().AddMessage("B");
  channel().ClearMessages();
  EXPECT_TRUE(channel().WaitingMessages() == 0);
  EXPECT_EQ(channel().TakeMessage(), "");
}

TEST_F(ChannelTest, ASecondCommandIsDroppedButItsTimeoutKept) {
  core().Session().SendToBox("[UNLOCK]", 500);
  core().Session().SendToBox("[PLMNGET]", 2000);
  EXPECT_EQ(core().Session().reply_timeout, 2000u);
  core().OnTimer(WizardTimer::kSendPump);
  core().OnTimer(WizardTimer::kSendPump);
  EXPECT_EQ(sent, Texts{"[UNLOCK]\n\r"});
  EXPECT_EQ(Log(), Texts{"[Tx]  [UNLOCK]"});
  // The slot is free again.
  core().Session().SendToBox("[PLMNGET]", 100);
  channel().PumpSend();
  EXPECT_EQ(sent.back(), "[PLMNGET]\n\r");
}

TEST_F(ChannelTest, AnEmptyCommandSetsTheTimeoutAndIsRemovedSilently) {
  core().Session().reply_timeout = 0;
  core().Session().SendToBox("", 300);
  EXPECT_EQ(core().Session().reply_timeout, 300u);
  channel().PumpSend();
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(!channel().CommandWaiting());
  channel().PumpSend();
  EXPECT_TRUE(Log().empty());
}

TEST_F(ChannelTest, ALongestCommandGoesOutAs99Bytes) {
  const std::string command = "[" + std::string(95, 'a') + "]";
  ASSERT_EQ(command.size(), 97u);
  core().Session().SendToBox(command, 100);
  channel().PumpSend();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].size(), 99u);
  EXPECT_EQ(sent[0].substr(0, 97), command);
  EXPECT_EQ(sent[0][97], '\x0A');
  EXPECT_EQ(sent[0][98], '\x0D');
  EXPECT_EQ(Log(), Texts{"[Tx]  " + command});
}

TEST_F(ChannelTest, ALongerCommandIsRefusedWholeAndFreesTheSlot) {
  const std::string command = "[GPRSSET " + std::string(100, 'b') + "]";
  core().Session().SendToBox(command, 100);
  channel().PumpSend();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(Log(),
            Texts{"[Tx]  refused, command longer than 97 characters: " + command.substr(0, 97) + "..."});
  EXPECT_TRUE(!channel().CommandWaiting());
}

// The worker thread queues while the UI thread takes; nothing may be lost or reordered.
TEST_F(ChannelTest, MessagesCrossFromTheWorkerThreadInOrder) {
  constexpr int kMessages = 500;
  std::thread worker([this] {
    for (int i = 0; i < kMessages; ++i) ReceiveByteByByte("[" + std::to_string(i) + "]\r\n");
  });
  Texts taken;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (taken.size() < kMessages && std::chrono::steady_clock::now() < deadline) {
    std::string message = channel().TakeMessage();
    if (message.empty()) {
      std::this_thread::yield();
      continue;
    }
    taken.push_back(std::move(message));
  }
  worker.join();
  ASSERT_EQ(taken.size(), static_cast<std::size_t>(kMessages));
  for (int i = 0; i < kMessages; ++i) ASSERT_EQ(taken[i], std::to_string(i));
}

// Without a send hook the pump writes to the serial port, which refuses while no
// port is open; the command is logged all the same.
TEST(ChannelPump, LogsTheCommandEvenWhenTheEngineRefusesIt) {
  WizardFixture fixture;
  fixture.core().Session().SendToBox("[UNLOCK]", 100);
  fixture.core().Channel().PumpSend();
  EXPECT_EQ(fixture.LogTexts(), Texts{"[Tx]  [UNLOCK]"});
}

}  // namespace

// The box message channel on the controller: the serial callback's events, line reception,
// the receive queue, the send slot and the send pump.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controller/main_form.h"
#include "support/form_fixture.h"

namespace {

std::vector<std::string> WithoutStamps(const std::vector<AnsiString>& lines) {
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.substr(kStampLength));
  return texts;
}

// Tells the test when a line reaches the debug mirror, so it can see the controller's state
// at the moment the line was logged.
class MirrorView final : public RecordingView {
 public:
  void AddDebugItem(Control list_box, const NativeString& text) override {
    RecordingView::AddDebugItem(list_box, text);
    if (on_item) on_item();
  }
  std::function<void()> on_item;
};

// A controller whose send pump hands its bytes to `sent` instead of the engine.
class ChannelTest : public ::testing::Test {
 protected:
  ChannelTest() {
    TForm1Environment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "");
    environment.usb_library = folder_.File("no-such-usblib.so");
    environment.clock = FixedTestTime;
    environment.pause = [](unsigned) {};
    environment.log_folder = [this] { return folder_.Path() + "/"; };
    environment.send = [this](const void* data, std::int16_t length) {
      sent.emplace_back(static_cast<const char*>(data), static_cast<std::size_t>(length));
    };
    view_.SetVisible(Control::LogMirror, true);  // the debug mirror takes every log line
    form_ = std::make_unique<TForm1>(view_, std::move(environment));
    form_->CreateSerialPort();
  }

  TForm1& form() { return *form_; }
  MirrorView& view() { return view_; }
  std::vector<std::string> Log() const { return WithoutStamps(form_->LogList.Lines()); }

  void ReceiveByteByByte(const std::string& bytes) {
    for (char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      form_->ReceiveBytes(&byte, 1);
    }
  }

  std::vector<std::string> DrainMessages() {
    std::vector<std::string> messages;
    while (!form_->DutRecvList.empty()) messages.push_back(form_->GetFromDutRecvList());
    return messages;
  }

  std::vector<std::string> sent;

 private:
  ScratchFolder folder_;
  MirrorView view_;
  std::unique_ptr<TForm1> form_;
};

using Texts = std::vector<std::string>;

TEST_F(ChannelTest, OpenAndCloseEventsOfTheOwnEngineKeepPortStateAndLog) {
  // Each event is logged before PortOpen changes: a UI thread that acts on the change (a reset
  // after the close) must log after the event, never before it.
  std::vector<bool> open_while_logged;
  view().on_item = [&] { open_while_logged.push_back(form().PortOpen.load()); };
  form().CommNumber = 7;
  SerialCallback(form().Serial.get(), kSerialOpened);
  EXPECT_TRUE(form().PortOpen);
  EXPECT_EQ(form().CommNumber, 7);
  SerialCallback(form().Serial.get(), kSerialClosed);
  EXPECT_FALSE(form().PortOpen);
  EXPECT_EQ(form().CommNumber, 0);
  EXPECT_EQ(Log(), (Texts{"Dut com port opened EV (COM7)", "Dut com port closed EV"}));
  EXPECT_EQ(open_while_logged, (std::vector<bool>{false, true}));
}

TEST_F(ChannelTest, EventsOfAnotherEngineOrUnknownCodesDoNothing) {
  SerialPort other;
  form().CommNumber = 3;
  for (unsigned code : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
    SCOPED_TRACE(code);
    SerialCallback(&other, code);
    SerialCallback(nullptr, code);
  }
  form().PortOpen = true;
  for (unsigned code : {2u, 4u, 5u, 6u, 7u, 1000u}) {
    SCOPED_TRACE(code);
    SerialCallback(form().Serial.get(), code);
  }
  EXPECT_TRUE(form().PortOpen);
  EXPECT_EQ(form().CommNumber, 3);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ChannelTest, EventsWithoutAControllerAreIgnored) {
  SerialPort* own = form().Serial.get();
  TForm1* const saved = Form1;
  Form1 = nullptr;
  SerialCallback(own, kSerialOpened);
  Form1 = saved;
  EXPECT_FALSE(form().PortOpen);
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
  ASSERT_EQ(form().DutRecvList.size(), 1u);
  EXPECT_EQ(form().GetFromDutRecvList(), "");
  EXPECT_TRUE(form().DutRecvList.empty());
  EXPECT_EQ(form().GetFromDutRecvList(), "");
}

TEST_F(ChannelTest, ALineIsJoinedAcrossACloseAndReopen) {
  form().CommNumber = 4;
  ReceiveByteByByte("[GPRS");
  SerialCallback(form().Serial.get(), kSerialClosed);
  form().CommNumber = 4;
  SerialCallback(form().Serial.get(), kSerialOpened);
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

  form().AddToDutRecvList("again");
  EXPECT_EQ(DrainMessages(), Texts{"again"});
}

TEST_F(ChannelTest, ClearEmptiesTheReceiveQueue) {
  form().AddToDutRecvList("A");
  form().AddToDutRecvList("B");
  form().ClearDutRecvList();
  EXPECT_TRUE(form().DutRecvList.empty());
  EXPECT_EQ(form().GetFromDutRecvList(), "");
}

TEST_F(ChannelTest, ASecondCommandIsDroppedButItsTimeoutKept) {
  form().SendDut("[UNLOCK]", 500);
  form().SendDut("[PLMNGET]", 2000);
  EXPECT_EQ(form().ReplyTimeout, 2000u);
  form().OnSendPumpTimer();
  form().OnSendPumpTimer();
  EXPECT_EQ(sent, Texts{"[UNLOCK]\n\r"});
  EXPECT_EQ(Log(), Texts{"[Tx]  [UNLOCK]"});
  // The slot is free again.
  form().SendDut("[PLMNGET]", 100);
  form().CheckForDutSend();
  EXPECT_EQ(sent.back(), "[PLMNGET]\n\r");
}

TEST_F(ChannelTest, AnEmptyCommandSetsTheTimeoutAndIsRemovedSilently) {
  form().ReplyTimeout = 0;
  form().SendDut("", 300);
  EXPECT_EQ(form().ReplyTimeout, 300u);
  form().CheckForDutSend();
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(form().DutSendQueue.empty());
  form().CheckForDutSend();
  EXPECT_TRUE(Log().empty());
}

TEST_F(ChannelTest, ALongestCommandGoesOutAs99Bytes) {
  const std::string command = "[" + std::string(95, 'a') + "]";
  ASSERT_EQ(command.size(), 97u);
  form().SendDut(command, 100);
  form().CheckForDutSend();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].size(), 99u);
  EXPECT_EQ(sent[0].substr(0, 97), command);
  EXPECT_EQ(sent[0][97], '\x0A');
  EXPECT_EQ(sent[0][98], '\x0D');
  EXPECT_EQ(Log(), Texts{"[Tx]  " + command});
}

TEST_F(ChannelTest, ALongerCommandIsRefusedWholeAndFreesTheSlot) {
  const std::string command = "[GPRSSET " + std::string(100, 'b') + "]";
  form().SendDut(command, 100);
  form().CheckForDutSend();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(Log(),
            Texts{"[Tx]  refused, command longer than 97 characters: " + command.substr(0, 97) + "..."});
  EXPECT_TRUE(form().DutSendQueue.empty());
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
    std::string message = form().GetFromDutRecvList();
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

// Without a send hook the pump writes to the controller's engine, which refuses while no
// port is open; the command is logged all the same.
TEST(ChannelPump, LogsTheCommandEvenWhenTheEngineRefusesIt) {
  FormFixture fixture;
  fixture.form().SendDut("[UNLOCK]", 100);
  fixture.form().CheckForDutSend();
  EXPECT_EQ(fixture.LogTexts(), Texts{"[Tx]  [UNLOCK]"});
}

}  // namespace

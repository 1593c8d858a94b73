// The message channel end to end: the controller's real engine on a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/wizard_fixture.h"
#include "support/pty_port.h"

namespace {

// Waits for a state the worker thread brings about; gives up after a generous bound.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The port's events come to the channel that made it, through the context it gave the port:
// another wizard's channel hears nothing.
TEST(ChannelOverPty, ReceivesByteByByteSendsAndSeesTheUnplug) {
  WizardFixture bystander;
  WizardFixture fixture;
  PtyPort pty;
  PortDirOverride port_dir(fixture.folder().Path());
  pty.Link(fixture.folder().Path(), 7);
  Wizard& form = fixture.core();
  form.Channel().port_number = 7;
  form.Channel().OpenPort();
  ASSERT_TRUE(WaitFor([&] { return form.Channel().port_open.load(); })) << "the port never opened";

  // Every byte is its own read: a missing RequestRead after any of them would stall here.
  pty.WriteToPort("[COMM READY]\r\nnoise\t\r\n[UNLOCKED]\r\n");
  std::vector<std::string> messages;
  ASSERT_TRUE(WaitFor([&] {
    std::string message = form.Channel().TakeMessage();
    if (!message.empty()) messages.push_back(std::move(message));
    return messages.size() == 2;
  })) << messages.size()
      << " messages arrived";
  EXPECT_EQ(messages, (std::vector<std::string>{"COMM READY", "UNLOCKED"}));

  form.Session().SendToBox("[PLMNGET]", 1000);
  form.Channel().PumpSend();
  EXPECT_EQ(pty.ReadFromPort(11), "[PLMNGET]\n\r");

  pty.CloseMaster();
  ASSERT_TRUE(WaitFor([&] { return form.Channel().port_number.load() == 0; })) << "the unplug was not seen";
  EXPECT_FALSE(form.Channel().port_open);
  const std::vector<std::string> log = fixture.LogTexts();
  for (const char* line : {"Dut com port opened EV (COM7)", "[Rx]  [COMM READY]", "[Rx]  noise",
                           "[Rx]  [UNLOCKED]", "[Tx]  [PLMNGET]", "Dut com port closed EV"}) {
    EXPECT_TRUE(Contains(log, line)) << line;
  }
  EXPECT_TRUE(bystander.LogTexts().empty());
  EXPECT_FALSE(bystander.core().Channel().port_open);
}

}  // namespace

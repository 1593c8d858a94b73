// OpenCommPort: what the controller does when the box's port cannot be opened.
#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controller/wizard.h"
#include "support/wizard_fixture.h"
#include "support/pty_port.h"

namespace {

constexpr const char* kFailureLine = "Dut com port could not be opened";

std::size_t FailureLines(const WizardFixture& fixture) {
  const auto texts = fixture.LogTexts();
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), kFailureLine));
}

// Every refusal logs the failure line; the reason follows only when it differs from the one
// logged last, so a port refused every tick does not fill the log with it.
TEST(OpenCommPort, FailureClearsPortOpenAndLogsTheReasonWhenItChanges) {
  WizardFixture fixture;
  PortDirOverride port_dir(fixture.folder().Path());
  PtyPort pty;
  // Ports that a wrapped number would reach, so only a refusal gives the log line.
  pty.Link(fixture.folder().Path(), 1);
  pty.Link(fixture.folder().Path(), 256);
  fixture.folder().Write("COM5", "not a terminal");
  const std::string com4 = "Dut com port " + fixture.folder().File("COM4") + ": No such file or directory";
  struct Row {
    const char* name;
    std::int32_t comm_number;
    std::string reason_line;  // empty: none
  };
  const Row rows[] = {
      {"no device", 4, com4},
      {"no device again", 4, ""},
      {"number zero", 0, "Dut com port COM0: no such port number"},
      {"above 255", 256, "Dut com port COM256: port numbers end at 255"},
      {"257 would wrap onto COM1", 257, "Dut com port COM257: port numbers end at 255"},
      {"negative", -1, "Dut com port COM0: no such port number"},
      {"not a terminal", 5,
       "Dut com port " + fixture.folder().File("COM5") + ": Inappropriate ioctl for device"},
      {"back to the first reason", 4, com4},
  };
  std::size_t expected_lines = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = fixture.LogTexts().size();
    fixture.core().Channel().port_number = row.comm_number;
    fixture.core().Channel().port_open = true;
    fixture.core().Channel().OpenPort();
    EXPECT_FALSE(fixture.core().Channel().port_open.load());
    EXPECT_EQ(FailureLines(fixture), ++expected_lines);
    EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);  // nothing opened
    // The code itself is neither logged nor shown.
    const std::vector<std::string> texts = fixture.LogTexts();
    const std::vector<std::string> added(texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end());
    std::vector<std::string> expected = {kFailureLine};
    if (!row.reason_line.empty()) expected.push_back(row.reason_line);
    EXPECT_EQ(added, expected);
  }
  // After a successful open the same failure is news again.
  fixture.core().Channel().port_number = 1;
  fixture.core().Channel().OpenPort();
  fixture.core().Channel().Port()->Stop();
  fixture.core().Channel().port_number = 4;
  fixture.core().Channel().OpenPort();
  EXPECT_EQ(fixture.LogTexts().back(), com4);
}

TEST(OpenCommPort, SuccessOpensTheBoxLineAndLogsNothingHere) {
  WizardFixture fixture;
  PortDirOverride port_dir(fixture.folder().Path());
  PtyPort pty;
  pty.Link(fixture.folder().Path(), 3);
  fixture.core().Channel().port_number = 3;
  fixture.core().Channel().OpenPort();
  EXPECT_EQ(FailureLines(fixture), 0u);
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 2u);  // the engine holds the port
  termios settings{};
  ASSERT_EQ(::tcgetattr(pty.slave(), &settings), 0);
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B38400));
}

}  // namespace

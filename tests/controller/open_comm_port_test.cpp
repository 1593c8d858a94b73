// OpenCommPort: what the controller does when the box's port cannot be opened.
#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <string>

#include "controller/main_form.h"
#include "support/form_fixture.h"
#include "support/pty_port.h"

namespace {

constexpr const char* kFailureLine = "Dut com port could not be opened";

std::size_t FailureLines(const FormFixture& fixture) {
  const auto texts = fixture.LogTexts();
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), kFailureLine));
}

TEST(OpenCommPort, FailureClearsPortOpenAndLogsOnce) {
  FormFixture fixture;
  PortDirOverride port_dir(fixture.folder().Path());
  PtyPort pty;
  // Ports that a wrapped number would reach, so only a refusal gives the log line.
  pty.Link(fixture.folder().Path(), 1);
  pty.Link(fixture.folder().Path(), 256);
  struct Row {
    const char* name;
    std::int32_t comm_number;
  };
  const Row rows[] = {
      {"no device", 4}, {"number zero", 0}, {"above 255", 256}, {"257 would wrap onto COM1", 257},
      {"negative", -1},
  };
  std::size_t expected_lines = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fixture.form().CommNumber = row.comm_number;
    fixture.form().PortOpen = true;
    fixture.form().OpenCommPort();
    EXPECT_FALSE(fixture.form().PortOpen.load());
    EXPECT_EQ(FailureLines(fixture), ++expected_lines);
    EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 1u);  // nothing opened
  }
  // The code itself is neither logged nor shown.
  EXPECT_EQ(fixture.LogTexts().size(), expected_lines);
}

TEST(OpenCommPort, SuccessOpensTheBoxLineAndLogsNothingHere) {
  FormFixture fixture;
  PortDirOverride port_dir(fixture.folder().Path());
  PtyPort pty;
  pty.Link(fixture.folder().Path(), 3);
  fixture.form().CommNumber = 3;
  fixture.form().OpenCommPort();
  EXPECT_EQ(FailureLines(fixture), 0u);
  EXPECT_EQ(CountDescriptorsOnDevice(pty.slave()), 2u);  // the engine holds the port
  termios settings{};
  ASSERT_EQ(::tcgetattr(pty.slave(), &settings), 0);
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B38400));
}

}  // namespace

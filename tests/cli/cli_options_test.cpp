// The command's options: usage errors, where secrets come from, and the line end they lose.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <map>

#include "common/platform.h"

namespace {

// Secrets as the files and standard input hold them; a missing name cannot be read.
ParsedOptions Parse(const std::vector<std::string>& args) {
  static const std::map<std::string, std::string> sources = {
      {"-", "1234\n"}, {"pin.txt", "4321\r\n"}, {"puk.txt", "12345678"}, {"pw.txt", "secret\n\n"}};
  return ParseCliOptions(args, [](const std::string& file) {
    const auto found = sources.find(file);
    if (found == sources.end()) throw FileOpenError("no such file");
    return found->second;
  });
}

struct UsageCase {
  std::vector<std::string> args;
  std::string error;  // the start of the usage error
};

TEST(CliOptions, UsageErrors) {
  const std::vector<UsageCase> cases = {
      {{"--pin", "1234"}, "unknown option: --pin"},
      {{"--apn"}, "--apn needs a value"},
      {{"--wait", "10s"}, "--wait takes a whole number"},
      {{"--wait", "-1"}, "--wait takes a whole number"},
      {{"--port", "ttyUSB0"}, "--port takes a port"},
      {{"--apn", "a", "--operator", "b"}, "--apn and --operator"},
      {{"--pin-stdin", "--pin-file", "pin.txt"}, "--pin-stdin and --pin-file"},
      {{"--user", "me"}, "--user and --password-file go with --apn"},
      {{"--puk-file", "puk.txt"}, "--puk-file needs the new PIN"},
      {{"--pin-file", "missing.txt"}, "cannot read --pin-file: no such file"},
      {{"--batch"}, "--batch and --report FILE.csv go together"},
      {{"--report", "boxes.csv"}, "--batch and --report FILE.csv go together"},
      {{"--batch", "--report", "boxes.csv", "--pin-stdin", "--puk-file", "puk.txt"},
       "--puk-file cannot go with --batch"},
  };
  for (const UsageCase& c : cases) {
    const ParsedOptions parsed = Parse(c.args);
    EXPECT_FALSE(parsed.options) << c.args.front();
    EXPECT_EQ(parsed.error.English().substr(0, c.error.size()), c.error) << parsed.error.English();
  }
}

TEST(CliOptions, SecretsLoseOneTrailingLineEnd) {
  const ParsedOptions stdin_pin = Parse({"--pin-stdin", "--apn", "x", "--password-file", "pw.txt", "--json"});
  ASSERT_TRUE(stdin_pin.options) << stdin_pin.error.English();
  EXPECT_EQ(stdin_pin.options->pin, "1234");
  EXPECT_EQ(stdin_pin.options->password, "secret\n");
  EXPECT_TRUE(stdin_pin.options->json);
  const ParsedOptions file_pin =
      Parse({"--pin-file", "pin.txt", "--puk-file", "puk.txt", "--wait", "5", "--port", "COM12"});
  ASSERT_TRUE(file_pin.options) << file_pin.error.English();
  EXPECT_EQ(file_pin.options->pin, "4321");
  EXPECT_EQ(file_pin.options->puk, "12345678");
  EXPECT_EQ(file_pin.options->wait_seconds, 5);
  EXPECT_EQ(file_pin.options->port, 12);
}

}  // namespace

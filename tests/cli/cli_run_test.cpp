// Whole runs of rodiduz-setup-cli against the box simulator: the passing box, every exit status
// a scripted box brings about, the JSON output and the box's own log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "support/box_run.h"
#include "support/json_check.h"
#include "support/test_files.h"

namespace {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string CliPath() { return std::string(RODIDUZ_BINARY_DIR) + "/rodiduz-setup-cli"; }
std::string CataloguePath() { return std::string(RODIDUZ_BINARY_DIR) + "/apnlist.csv"; }

// Runs the command with the simulator's port folder and virtual USB bus, `input` on its
// standard input.
CliResult RunCli(const ScratchFolder& folder, std::vector<std::string> args, const std::string& input) {
  const std::string in = folder.Write("stdin", input);
  args.insert(args.begin(), {CliPath(), "--catalogue", CataloguePath(), "--log-dir", folder.File("logs")});
  const pid_t pid = fork();
  if (pid == 0) {
    ::setenv("RODIDUZ_PORT_DIR", folder.Path().c_str(), 1);
    ::setenv("LD_LIBRARY_PATH", (std::string(RODIDUZ_BINARY_DIR) + "/sim").c_str(), 1);
    dup2(open(in.c_str(), O_RDONLY), STDIN_FILENO);
    dup2(open(folder.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    dup2(open(folder.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileForTest(folder.File("out")),
          ReadFileForTest(folder.File("err"))};
}

// The one log the run saved.
std::string SavedBoxLog(const ScratchFolder& folder) {
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(folder.File("logs"))) {
    text += entry.path().filename().string() + "\n" + ReadFileForTest(entry.path().string());
  }
  return text;
}

class CliRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(std::filesystem::exists(CliPath())) << CliPath() << " is not built"; }
  void Plug(const std::vector<std::string>& options) {
    simulator_ = std::make_unique<Simulator>(folder_.Path(), options);
    ASSERT_TRUE(simulator_->plugged_in());
  }

  ScratchFolder folder_;
  std::unique_ptr<Simulator> simulator_;
};

TEST_F(CliRunTest, PassingBoxPrintsItsLinkAndKeepsThePinOutOfTheLog) {
  Plug({"--sim", "pin", "--sim-pin", "4711", "--stored-pin", "0000"});
  const CliResult run = RunCli(folder_, {"--apn", "my.apn", "--user", "me", "--pin-stdin"}, "4711\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "http://www.rodiduz.com/id/AB12CD34\n");
  const Lines received = simulator_->Received();
  EXPECT_NE(std::find(received.begin(), received.end(), "[GPRSSET APN:my.apn USER:me PW: PIN:4711]"),
            received.end());
  const std::string log = SavedBoxLog(folder_);
  EXPECT_TRUE(log.starts_with("AB12CD34_")) << log;
  EXPECT_NE(log.find("PASSED"), std::string::npos);
  EXPECT_EQ(log.find("4711"), std::string::npos) << log;
  EXPECT_EQ(run.err.find("4711"), std::string::npos) << run.err;
}

struct ScriptedBox {
  const char* name;
  std::vector<std::string> simulator;
  std::vector<std::string> args;
  std::string input;
  int status;
};

TEST_F(CliRunTest, ScriptedBoxesEndWithTheirExitStatus) {
  const std::string puk = folder_.Write("puk", "12345678\n");
  const std::vector<ScriptedBox> boxes = {
      {"PUK given", {"--sim", "puk", "--puk", "12345678"}, {"--pin-stdin", "--puk-file", puk}, "5555\n", 0},
      {"wrong PUK", {"--sim", "puk", "--puk", "87654321"}, {"--pin-stdin", "--puk-file", puk}, "5555\n", 6},
      {"wrong PIN", {"--sim", "wrong-pin", "--sim-pin", "1234"}, {"--pin-stdin"}, "9999\n", 5},
      {"PIN not given", {"--sim", "wrong-pin"}, {}, "", 5},
      {"PUK wanted", {"--sim", "puk"}, {}, "", 6},
      {"no SIM", {"--sim", "none"}, {}, "", 4},
      {"failed test", {"--fail-tests", "9"}, {}, "", 7},
      {"unplugged", {"--unplug-after", "GPRSGET"}, {}, "", 8},
      {"key word in APN", {}, {"--apn", "a PIN:1"}, "", 9},
      {"unknown operator", {}, {"--operator", "No Such Operator"}, "", 9},
      {"box on another port", {}, {"--port", "8", "--wait", "1"}, "", 3},
      {"silent box", {"--silent"}, {"--box-timeout", "2"}, "", 11},
      {"bad usage", {}, {"--pin", "1234"}, "", 2},
  };
  for (const ScriptedBox& box : boxes) {
    SCOPED_TRACE(box.name);
    Plug(box.simulator);
    const CliResult run = RunCli(folder_, box.args, box.input);
    EXPECT_EQ(run.status, box.status) << run.err;
    if (box.status != 0) {
      EXPECT_EQ(run.out, "");
    }
    simulator_.reset();
  }
}

JsonValue EventSchema() {
  const std::optional<JsonValue> schema =
      ParseJson(ReadFileForTest(std::string(RODIDUZ_TEST_DATA_DIR) + "/cli/events.schema.json"));
  EXPECT_TRUE(schema);
  return schema.value_or(JsonValue{});
}

// Every line of standard output is one event the schema allows; the last is the result.
std::vector<JsonValue> CheckedEvents(const std::string& out) {
  const JsonValue schema = EventSchema();
  std::vector<JsonValue> events;
  for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = out.substr(start, end - start);
    const std::optional<JsonValue> event = ParseJson(line);
    EXPECT_TRUE(event) << line;
    if (!event) continue;
    EXPECT_EQ(SchemaMismatch(*event, schema), "") << line;
    events.push_back(*event);
  }
  return events;
}

TEST(CliJson, TheSchemaRefusesWhatAScriptCouldNotRelyOn) {
  const JsonValue schema = EventSchema();
  const char* const wrong[] = {
      R"({"event":"progress","step":"found"})",
      R"({"event":"progress","step":"found","text":"x","extra":"y"})",
      R"({"event":"progress","step":"flying","text":"x"})",
      R"({"event":"result","result":"passed","box_id":"A","link":"","operator":"","apn":"","signal":"","sim":"ready","exit_status":"0"})",
  };
  for (const char* line : wrong) EXPECT_NE(SchemaMismatch(ParseJson(line).value(), schema), "") << line;
}

TEST_F(CliRunTest, JsonOutputHoldsEventsAndTheResultOnly) {
  Plug({"--rssi", "25"});
  const CliResult passed = RunCli(folder_, {"--json", "--apn", "q\"uote"}, "");
  EXPECT_EQ(passed.status, 0) << passed.err;
  const std::vector<JsonValue> events = CheckedEvents(passed.out);
  ASSERT_FALSE(events.empty());
  const JsonValue& result = events.back();
  EXPECT_EQ(result.members.at("result").text, "passed");
  EXPECT_EQ(result.members.at("box_id").text, "AB12CD34");
  EXPECT_EQ(result.members.at("link").text, "http://www.rodiduz.com/id/AB12CD34");
  EXPECT_EQ(result.members.at("apn").text, "q\"uote");
  EXPECT_EQ(result.members.at("exit_status").text, "0");
  simulator_.reset();
  Plug({"--sim", "none"});
  const CliResult no_sim = RunCli(folder_, {"--json"}, "");
  EXPECT_EQ(no_sim.status, 4);
  const std::vector<JsonValue> failed = CheckedEvents(no_sim.out);
  ASSERT_FALSE(failed.empty());
  EXPECT_EQ(failed.back().members.at("result").text, "no-sim");
  EXPECT_EQ(failed.back().members.at("exit_status").text, "4");
}

TEST_F(CliRunTest, NoBoxWithinTheWait) {
  const CliResult run = RunCli(folder_, {"--wait", "1"}, "");
  EXPECT_EQ(run.status, 3) << run.err;
}

}  // namespace

// Whole runs of rodiduz-setup-cli against the box simulator: the passing box, every exit status
// a scripted box brings about, the JSON output and the box's own log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
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
std::string CataloguePath() { return RODIDUZ_CLI_CATALOGUE; }

// Starts the command with the simulator's port folder and virtual USB bus, `input` on its
// standard input, in the locale `lang` (English unless told); its logs go to a folder of the
// scratch folder, or with `state_home` to the default folder under that state home.
pid_t StartCli(const ScratchFolder& folder, std::vector<std::string> args, const std::string& input,
               const std::string& state_home = "", const std::string& lang = "C.UTF-8") {
  const std::string in = folder.Write("stdin", input);
  args.insert(args.begin(), {CliPath(), "--catalogue", CataloguePath()});
  if (state_home.empty()) args.insert(args.begin() + 3, {"--log-dir", folder.File("logs")});
  const pid_t pid = fork();
  if (pid == 0) {
    ::setenv("RODIDUZ_PORT_DIR", folder.Path().c_str(), 1);
    ::setenv("LD_LIBRARY_PATH", (std::string(RODIDUZ_BINARY_DIR) + "/sim").c_str(), 1);
    if (!state_home.empty()) ::setenv("XDG_STATE_HOME", state_home.c_str(), 1);
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(variable);
    ::setenv("LANG", lang.c_str(), 1);
    dup2(open(in.c_str(), O_RDONLY), STDIN_FILENO);
    dup2(open(folder.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    dup2(open(folder.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

CliResult FinishCli(const ScratchFolder& folder, pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileForTest(folder.File("out")),
          ReadFileForTest(folder.File("err"))};
}

CliResult RunCli(const ScratchFolder& folder, const std::vector<std::string>& args, const std::string& input,
                 const std::string& state_home = "") {
  return FinishCli(folder, StartCli(folder, args, input, state_home));
}

// The lines of a CRLF-ended CSV file, line ends removed.
Lines CsvLines(const std::string& path) {
  Lines lines;
  const std::string text = std::filesystem::exists(path) ? ReadFileForTest(path) : "";
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
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
      {"operator sharing its entry", {}, {"--operator", "Congstar"}, "", 0},
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

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The cells of a report row after its time, which the run sets.
std::string AfterTime(const std::string& row) { return row.substr(row.find(',') + 1); }

TEST_F(CliRunTest, BatchSetsUpBoxAfterBoxAndRecordsEachOneFailedOrNot) {
  const std::string report = folder_.File("boxes.csv");
  const pid_t cli = StartCli(folder_, {"--batch", "--report", report, "--wait", "3", "--apn", "-x"}, "");
  const std::vector<std::vector<std::string>> boxes = {
      {"--id", "BOX00001"}, {"--id", "BOX00002", "--fail-tests", "9"}, {"--id", "BOX00003"}};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(boxes[i][1]);
    // The next box comes once the batch saw the last one go and searches again.
    EXPECT_TRUE(WaitFor(
        [&] { return Count(ReadFileForTest(folder_.File("err")), "Searching for the box") == i + 1; }));
    Plug(boxes[i]);
    EXPECT_TRUE(WaitFor([&] { return CsvLines(report).size() == i + 2; }, std::chrono::seconds(30)))
        << ReadFileForTest(folder_.File("err"));
    // Pulled only once the row is there: the batch waits for it before looking for the next.
    simulator_.reset();
  }
  const CliResult run = FinishCli(folder_, cli);
  EXPECT_EQ(run.status, 10) << run.err;
  const Lines rows = CsvLines(report);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "time,box_id,link,operator,apn,signal,sim,result,exit_status");
  EXPECT_EQ(AfterTime(rows[1]),
            "BOX00001,http://www.rodiduz.com/id/BOX00001,,'-x,Good,ready,passed,0");
  EXPECT_EQ(AfterTime(rows[2]), "BOX00002,,,'-x,Good,ready,test-failed,7");
  EXPECT_EQ(AfterTime(rows[3]),
            "BOX00003,http://www.rodiduz.com/id/BOX00003,,'-x,Good,ready,passed,0");
  EXPECT_EQ(run.out, "http://www.rodiduz.com/id/BOX00001\nhttp://www.rodiduz.com/id/BOX00003\n");
  std::size_t logs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.File("logs"))) {
    EXPECT_TRUE(entry.path().filename().string().starts_with("BOX0000")) << entry.path();
    ++logs;
  }
  EXPECT_EQ(logs, 3u);
}

// The box's test takes over ten seconds: the countdown comes from the wizard's reply time-out
// (a minute for the first try), and Ctrl+C in the middle lets the box finish.
TEST_F(CliRunTest, CtrlCEndsTheBatchAfterTheCurrentBoxWhoseTestCountsDown) {
  const std::string report = folder_.File("boxes.csv");
  Plug({"--test-ms", "10300"});
  const pid_t cli = StartCli(folder_, {"--batch", "--report", report}, "");
  EXPECT_TRUE(WaitFor(
      [&] { return ReadFileForTest(folder_.File("err")).find("(60 seconds left)") != std::string::npos; }));
  kill(cli, SIGINT);
  const CliResult run = FinishCli(folder_, cli);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.err.find("Testing the connection (50 seconds left)"), std::string::npos) << run.err;
  const Lines rows = CsvLines(report);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[1].ends_with(",passed,0")) << rows[1];
}

TEST_F(CliRunTest, TheDefaultLogFolderIsMadeAndTheWizardsOwnLogsStayAsTheyWere) {
  const std::string wizard_logs = folder_.File("state/rodiduz-setup/");
  std::filesystem::create_directories(wizard_logs);
  std::filesystem::permissions(wizard_logs, std::filesystem::perms::owner_all);
  const std::vector<std::string> names = {"deruruv_ozo.txt", "deruruv_ozo.1.txt", "deruruv_ozo.2.txt",
                                          "deruruv_ozo.3.txt", "deruruv_ozo.4.txt"};
  for (const std::string& name : names) folder_.Write("state/rodiduz-setup/" + name, name);
  Plug({});
  const CliResult run = RunCli(folder_, {}, "", folder_.File("state"));
  EXPECT_EQ(run.status, 0) << run.err;
  for (const std::string& name : names) EXPECT_EQ(ReadFileForTest(wizard_logs + name), name);
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(wizard_logs)) {
    ++entries;
    if (entry.path().filename() != "cli") continue;
    for (const auto& log : std::filesystem::directory_iterator(entry.path())) {
      EXPECT_TRUE(log.path().filename().string().starts_with("AB12CD34_")) << log.path();
    }
  }
  EXPECT_EQ(entries, names.size() + 1);
}

}  // namespace

namespace {

// People read the language the windows would speak; what scripts and support read stays English.
TEST_F(CliRunTest, UnderAGermanLocalePeopleReadGermanAndTheReportJsonAndLogStayEnglish) {
  const std::string report = folder_.File("boxes.csv");
  Plug({"--sim", "wrong-pin", "--sim-pin", "1234"});
  const pid_t cli = StartCli(folder_, {"--batch", "--report", report, "--json", "--wait", "2", "--pin-stdin"},
                             "9999\n", "", "de_DE.UTF-8");
  EXPECT_TRUE(WaitFor([&] { return CsvLines(report).size() == 2; }, std::chrono::seconds(30)))
      << ReadFileForTest(folder_.File("err"));
  simulator_.reset();
  const CliResult run = FinishCli(folder_, cli);
  EXPECT_EQ(run.status, 10) << run.err;
  for (const char* german :
       {"Box wird gesucht\n", "Netz 262/1, Signalstärke: gut\n", "Box meldet: Falsche PIN\n",
        "Einrichtung fehlgeschlagen: Die SIM-Karte verlangt eine PIN, die nicht angegeben "
        "wurde, oder hat die angegebene abgelehnt\n"}) {
    EXPECT_NE(run.err.find(german), std::string::npos) << german << " not in\n" << run.err;
  }
  const std::vector<JsonValue> events = CheckedEvents(run.out);
  std::vector<std::string> texts;
  for (const JsonValue& event : events) {
    if (event.members.contains("text")) texts.push_back(event.members.at("text").text);
  }
  for (const char* english :
       {"Searching for the box", "Network 262/1, Signal Strength: Good", "Box: Wrong PIN code",
        "Setup failed: The SIM wants a PIN that was not given, or refused the one given"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), english), texts.end()) << english << " not in\n"
                                                                           << run.out;
  }
  const Lines rows = CsvLines(report);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(AfterTime(rows[1]), "AB12CD34,,(current box settings),internet,Good,wrong-pin,pin,5");
  const std::string log = SavedBoxLog(folder_);
  EXPECT_NE(log.find("Show Message:Wrong PIN code"), std::string::npos) << log;
  EXPECT_EQ(log.find("Falsche"), std::string::npos) << log;
}

}  // namespace

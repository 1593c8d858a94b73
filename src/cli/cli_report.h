// What the command tells: progress lines for people on standard error and, with --json, one
// JSON object per event and the final result on standard output, where nothing else goes.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_outcome.h"

struct BoxResult {
  Outcome outcome = Outcome::kOther;
  std::string reason;  // for people; empty when passed
  std::string box_id;
  std::string link;
  std::string operator_name;
  std::string apn;
  std::string signal;
  std::string sim;
};

// A JSON string literal of UTF-8 `text`, quotes included.
std::string JsonString(const std::string& text);

class CliReport {
 public:
  CliReport(bool json, std::FILE* out, std::FILE* err) : json_(json), out_(out), err_(err) {}

  // One step: `step` names it for machines, `text` for people.
  void Progress(const std::string& step, const std::string& text);
  void Result(const BoxResult& result);

 private:
  void Json(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& tail = "");

  bool json_;
  std::FILE* out_;
  std::FILE* err_;
};

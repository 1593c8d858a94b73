// What the command tells: progress lines for people on standard error and, with --json, one
// JSON object per event and the final result on standard output, where nothing else goes.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_outcome.h"
#include "common/message_catalogue.h"
#include "common/translations.h"
#include "common/user_text.h"

struct BoxResult {
  Outcome outcome = Outcome::kOther;
  UserText reason;  // for people; empty when passed
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
  // People read the lines on standard error in the language of `texts`; the JSON stays English.
  CliReport(bool json, std::FILE* out, std::FILE* err, const MessageCatalogue& texts = EnglishTexts())
      : json_(json), out_(out), err_(err), texts_(texts) {}

  // One step: `step` names it for machines, `text` for people.
  void Progress(const std::string& step, const UserText& text);
  void Result(const BoxResult& result);
  // A line for people alone, on standard error.
  void Tell(const UserText& text);

 private:
  void Json(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& tail = "");

  bool json_;
  std::FILE* out_;
  std::FILE* err_;
  const MessageCatalogue& texts_;
};

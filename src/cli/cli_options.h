// The command's options: read from the command line, secrets from standard input or files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/user_text.h"

struct CliOptions {
  std::optional<std::string> apn;
  std::optional<std::string> operator_name;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<std::string> pin;
  std::optional<std::string> puk;
  int port = 0;  // the COM number of --port; 0: any
  int wait_seconds = 120;
  // How long any step that waits for the box may go without progress; the connection test has
  // its own, longer limit.
  int box_timeout_seconds = 30;
  std::optional<std::string> catalogue;
  std::optional<std::string> log_dir;
  bool json = false;
  // --batch: box after box until no further box comes within --wait, each a row of the report.
  bool batch = false;
  std::optional<std::string> report_path;
};

// What a secret source gives: the whole content of a file or of standard input.
using ReadSource = std::function<std::string(const std::string& file)>;  // "-": standard input

struct ParsedOptions {
  std::optional<CliOptions> options;
  UserText error;  // the usage error when options is empty
};

// Parses argv[1..]; secrets are read through `read` (which throws on failure) and lose one
// trailing line end.
ParsedOptions ParseCliOptions(const std::vector<std::string>& args, const ReadSource& read);

// One trailing "\n" or "\r\n" removed.
std::string WithoutTrailingLineEnd(std::string text);

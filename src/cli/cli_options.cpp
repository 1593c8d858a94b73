// Parsing the command's options.
#include "cli/cli_options.h"

#include <charconv>
#include <exception>
#include <map>

#include "cli/cli_texts.h"
#include "cli/command_process.h"
#include "common/platform.h"

namespace {

std::optional<int> Seconds(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// "COM7" or "7".
std::optional<int> PortNumber(const std::string& text) {
  const std::optional<int> number = Seconds(text.starts_with("COM") ? text.substr(3) : text);
  if (!number || *number == 0) return std::nullopt;
  return number;
}

// The options that take a value, and where the value goes.
struct ValueSinks {
  std::map<std::string, std::optional<std::string>*> text;
  std::map<std::string, int*> seconds;
  std::map<std::string, std::optional<std::string>*> secret_files;
};

ValueSinks SinksOf(CliOptions& options) {
  return {
      {{"--apn", &options.apn},
       {"--operator", &options.operator_name},
       {"--user", &options.user},
       {"--catalogue", &options.catalogue},
       {"--log-dir", &options.log_dir},
       {"--report", &options.report_path}},
      {{"--wait", &options.wait_seconds}, {"--box-timeout", &options.box_timeout_seconds}},
      {{"--password-file", &options.password}, {"--puk-file", &options.puk}, {"--pin-file", &options.pin}}};
}

UserText Combinations(const CliOptions& options, bool pin_stdin, bool pin_file) {
  if (options.apn && options.operator_name) return cli_text::kApnAndOperator;
  if (pin_stdin && pin_file) return cli_text::kTwoPinSources;
  if ((options.user || options.password) && !options.apn) return cli_text::kCredentialsWithoutApn;
  if (options.puk && !options.pin) return cli_text::kPukWithoutPin;
  if (options.batch && options.puk) return cli_text::kPukInBatch;
  if (options.batch != options.report_path.has_value()) return cli_text::kBatchNeedsReport;
  return {};
}

std::optional<std::string> ReadSecret(const std::string& option, const std::string& file,
                                      const ReadSource& read, UserText& error) {
  try {
    return WithoutTrailingLineEnd(read(file));
  } catch (const std::exception& failure) {
    error =
        UserText(cli_text::kCannotReadSecret).With("option", option).With("reason", ErrorUserText(failure));
    return std::nullopt;
  }
}

}  // namespace

std::string WithoutTrailingLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

ParsedOptions ParseCliOptions(const std::vector<std::string>& args, const ReadSource& read) {
  CliOptions options;
  bool pin_stdin = false;
  const ValueSinks sinks = SinksOf(options);
  std::map<std::string, std::string> secret_paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (arg == "--batch") {
      options.batch = true;
      continue;
    }
    if (arg == "--pin-stdin") {
      pin_stdin = true;
      continue;
    }
    if (arg == "--port") {
      const std::optional<int> port = i + 1 < args.size() ? PortNumber(args[++i]) : std::nullopt;
      if (!port) return {std::nullopt, cli_text::kBadPort};
      options.port = *port;
      continue;
    }
    const bool takes_value =
        sinks.text.contains(arg) || sinks.seconds.contains(arg) || sinks.secret_files.contains(arg);
    if (!takes_value) {
      return {std::nullopt, UserText(cli_text::kUnknownOption).With("option", ShownSystemText(arg))};
    }
    if (i + 1 >= args.size()) return {std::nullopt, UserText(cli_text::kMissingValue).With("option", arg)};
    const std::string& value = args[++i];
    if (sinks.text.contains(arg)) *sinks.text.at(arg) = value;
    if (sinks.secret_files.contains(arg)) secret_paths[arg] = value;
    if (sinks.seconds.contains(arg)) {
      const std::optional<int> seconds = Seconds(value);
      if (!seconds) return {std::nullopt, UserText(cli_text::kBadSeconds).With("option", arg)};
      *sinks.seconds.at(arg) = *seconds;
    }
  }
  if (pin_stdin) secret_paths["--pin-stdin"] = "-";
  UserText error;
  for (const auto& [option, path] : secret_paths) {
    std::optional<std::string>* sink = option == "--pin-stdin" ? &options.pin : sinks.secret_files.at(option);
    *sink = ReadSecret(option, path, read, error);
    if (!error.empty()) return {std::nullopt, error};
  }
  error = Combinations(options, pin_stdin, secret_paths.contains("--pin-file"));
  if (!error.empty()) return {std::nullopt, error};
  return {options, {}};
}

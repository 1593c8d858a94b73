// rodiduz-setup-cli: sets up one box without a window, from options, over the wizard's core.
#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_batch.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/cli_texts.h"
#include "cli/command_process.h"
#include "common/platform.h"

namespace {

// A secret's source: "-" is standard input, anything else a file.
std::string ReadSecretSource(const std::string& file) {
  if (file != "-") return ReadWholeFile(file);
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

// The options' texts in UTF-8; their file names stay as the system gave them.
CliOptions WithTextsInUtf8(CliOptions options) {
  for (std::optional<std::string>* text : {&options.apn, &options.user, &options.operator_name}) {
    if (*text) **text = TextFromCommandLine(**text);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareCommandProcess();
  const ParsedOptions parsed =
      ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), ReadSecretSource);
  if (!parsed.options) {
    std::fprintf(stderr, "%s\n%s", parsed.error.c_str(), cli_text::kUsage);
    return ExitStatus(Outcome::kUsage);
  }
  const CliOptions options = WithTextsInUtf8(*parsed.options);
  CliReport report(options.json, stdout, stderr);
  const auto environment = [&options] {
    WizardEnvironment environment;
    environment.catalogue_path = options.catalogue.value_or(DefaultCatalogue());
    return environment;
  };
  try {
    if (options.batch) return RunBatch(options, report, environment);
    CliRun run(options, report, environment());
    return run.Run();
  } catch (const std::exception& error) {
    BoxResult result;
    result.reason = error.what();
    report.Result(result);
    return ExitStatus(Outcome::kOther);
  }
}

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
#include "common/translations.h"

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

// The usage's prose in the user's language, the synopsis after it and aligned under its first line.
std::string Usage(const MessageCatalogue& texts) {
  const NativeString prose = ShownText(texts, cli_text::kUsage) + u" ";
  const std::string indent(prose.size(), ' ');
  std::string usage;
  for (const char* line : cli_text::kSynopsis)
    usage += (usage.empty() ? NativeToUtf8(prose) : indent) + line + "\n";
  return usage;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareCommandProcess();
  // The windows' choice: the command speaks the language the wizard would.
  const std::string language = UserLanguage();
  const MessageCatalogue texts = CatalogueFor(language);
  const ParsedOptions parsed =
      ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), ReadSecretSource);
  if (!parsed.options) {
    CliReport(false, stdout, stderr, texts).Tell(parsed.error);
    std::fputs(Usage(texts).c_str(), stderr);
    return ExitStatus(Outcome::kUsage);
  }
  const CliOptions options = WithTextsInUtf8(*parsed.options);
  CliReport report(options.json, stdout, stderr, texts);
  const auto environment = [&options, &language] {
    WizardEnvironment environment;
    environment.catalogue_path = options.catalogue.value_or(DefaultCatalogue());
    environment.language = language;
    return environment;
  };
  try {
    if (options.batch) return RunBatch(options, report, environment);
    CliRun run(options, report, environment());
    return run.Run();
  } catch (const std::exception& error) {
    BoxResult result;
    result.reason = ErrorUserText(error);
    report.Result(result);
    return ExitStatus(Outcome::kOther);
  }
}

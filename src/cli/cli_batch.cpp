#include "cli/cli_batch.h"

#include <ctime>
#include <exception>
#include <optional>

#include "cli/cli_run.h"
#include "cli/cli_texts.h"
#include "cli/command_process.h"
#include "cli/csv_report.h"
#include "cli/interruption.h"
#include "common/platform.h"

namespace {

std::string TimeForReport() {
  const std::tm local = LocalCalendarTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

}  // namespace

int BatchStatus(int boxes, int failed, bool interrupted) {
  if (interrupted) return kBatchInterrupted;
  if (boxes == 0) return ExitStatus(Outcome::kNoBox);
  return failed == 0 ? 0 : kSomeBoxFailed;
}

int RunBatch(const CliOptions& options, CliReport& report,
             const std::function<WizardEnvironment()>& environment) {
  std::optional<CsvReport> csv;
  try {
    csv.emplace(*options.report_path);
  } catch (const std::exception& error) {
    report.Tell(ErrorUserText(error));
    return ExitStatus(Outcome::kUsage);
  }
  CatchInterruption();
  int boxes = 0;
  int failed = 0;
  while (!Interrupted()) {
    CliRun run(options, report, environment());
    run.stop_search = [] { return Interrupted(); };
    const int status = run.Run();
    if (!run.FoundBox()) break;
    ++boxes;
    if (status != 0) ++failed;
    csv->Append(TimeForReport(), run.result());
    if (Interrupted()) break;
    report.Progress("next-box", UserText(cli_text::kNextBox));
    run.WaitUntilUnplugged(Interrupted);
  }
  if (Interrupted()) report.Progress("interrupted", UserText(cli_text::kInterrupted));
  report.Progress("batch-over", UserText(cli_text::kBatchOver)
                                    .With("boxes", std::to_string(boxes))
                                    .With("failed", std::to_string(failed))
                                    .With("file", ShownSystemText(csv->path())));
  return BatchStatus(boxes, failed, Interrupted());
}

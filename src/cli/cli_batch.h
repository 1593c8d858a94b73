// A batch: box after box set up the same way, each one a row of the CSV report, until no
// further box comes within --wait or Ctrl+C ends it after the current box.
#pragma once

#include <functional>

#include "cli/cli_options.h"
#include "cli/cli_report.h"
#include "controller/wizard.h"

inline constexpr int kSomeBoxFailed = 10;
inline constexpr int kBatchInterrupted = 130;

// The batch's exit status: 0 when every box passed, kSomeBoxFailed when any failed,
// kBatchInterrupted after Ctrl+C, the no-box status when no box came at all.
int BatchStatus(int boxes, int failed, bool interrupted);

// Runs the batch; `environment` gives each box's wizard its own.
int RunBatch(const CliOptions& options, CliReport& report,
             const std::function<WizardEnvironment()>& environment);

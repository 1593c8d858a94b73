// How a box's setup ended, as the command's exit status says it.
#pragma once

enum class Outcome : int {
  kPassed = 0,
  kOther = 1,
  kUsage = 2,
  kNoBox = 3,
  kNoSim = 4,
  kPinProblem = 5,
  kPukProblem = 6,
  kTestFailed = 7,
  kBoxGone = 8,
  kSettingRefused = 9,
  kBoxSilent = 11,
};

inline int ExitStatus(Outcome outcome) { return static_cast<int>(outcome); }

// The result's name in the JSON output; it does not change with the language.
const char* OutcomeName(Outcome outcome);

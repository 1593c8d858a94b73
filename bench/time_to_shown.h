// The start-up benchmarks' stopwatch: from starting a program to its "shown after" line.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// Starts `command` (the program and its arguments; searched on PATH when it has no "/") in the
// build folder, where apnlist.csv is, with RODIDUZ_EXIT_WHEN_SHOWN and `environment` set and its
// errors silenced, and returns the seconds from just before fork() until its "shown after" line
// arrives, or a negative number when it does not within `limit`.
double SecondsToShown(const std::vector<std::string>& command,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      std::chrono::milliseconds limit);

// The start-up benchmarks' stopwatch: from starting a program to its "shown after" line.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
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

// Starts one program (with an option, or nullptr) and returns StartUp-style seconds.
using StartProgram = std::function<double(const std::string& program, const char* option)>;

// One benchmark iteration is one round of three starts: the bare window, the bare window with a
// line of text ("--text") and the wizard, so that all three see the same state of a busy
// machine. The iteration's time is the wizard's; the counters are medians over the rounds, the
// ratios taken within each round (a busy spell then slows both sides of one ratio alike).
void CompareStartUps(benchmark::State& state, const std::string& bare_window, const std::string& wizard,
                     const StartProgram& start);

// A failed property stops the fuzzer with a message, so the input is kept as a reproducer.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzFail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : FuzzFail(#condition, __FILE__, __LINE__))

// The main of the test programs: each runs with a home and a state folder of its own, so that
// nothing a test saves where the wizard keeps its log lands in the user's real folders.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/test_files.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const ScratchFolder home;
  ::setenv("HOME", home.Path().c_str(), 1);
  ::setenv("XDG_STATE_HOME", home.File("state").c_str(), 1);
  return RUN_ALL_TESTS();
}

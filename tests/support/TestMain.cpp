#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/Runtime.h"

// Every test program runs its tests in one GUI application, headless unless told otherwise (test
// discovery at build time runs this too).
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  Runtime::Initialize(argc, argv);
  return RUN_ALL_TESTS();
}

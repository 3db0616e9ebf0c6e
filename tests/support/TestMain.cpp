#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestTime.h"
#include "framework/Runtime.h"

// Every test program runs its tests in one GUI application, headless unless told otherwise (test
// discovery at build time runs this too).
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // A real message box or open dialog that a test fails to answer ends the test program within
  // seconds, naming it, not at the test's time limit.
  setenv("TESSARINE_TEST_UNANSWERED_BOX_MS", std::to_string(TestTime::Scaled(10000)).c_str(), 0);
  ::testing::InitGoogleTest(&argc, argv);
  Runtime::Initialize(argc, argv);
  return RUN_ALL_TESTS();
}

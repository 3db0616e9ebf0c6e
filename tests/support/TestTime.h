#pragma once
// TestTime: how long a test may wait on this machine now. Every bound a test puts on a wait, or on
// how long something took, is stated for an idle machine and scaled here by one factor: the
// sanitizer build's slowdown, TESSARINE_TEST_TIME_SCALE (a number, for machines known to be slow),
// and the load on the cores at the time of asking, which other builds and the suite's own
// parallel tests make. The program's own time limits are never scaled: only the test's patience.
#include <chrono>
#include <cstdint>
#include <functional>

namespace TestTime {

// How many times slower (and larger) a sanitizer build runs the program.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kBuildSlowdown = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kBuildSlowdown = 4;
#else
constexpr int kBuildSlowdown = 1;
#endif
#else
constexpr int kBuildSlowdown = 1;
#endif

// At least 1; read afresh on every call, as the load changes.
double Factor();

// milliseconds on an idle machine, as many as they take here now.
int64_t Scaled(int64_t milliseconds);
inline std::chrono::milliseconds Scaled(std::chrono::milliseconds limit) {
  return std::chrono::milliseconds(Scaled(static_cast<int64_t>(limit.count())));
}

// Sleeps for a scaled time: only for the patience of a check that something does not happen.
void Pause(int64_t milliseconds);

// Polls done() until it holds or the scaled time has passed; true when it came to hold. The time is
// scaled anew on every poll, so load that comes during the wait lengthens it.
bool WaitUntil(const std::function<bool()>& done, int64_t milliseconds, int pollMilliseconds = 5);

}  // namespace TestTime

#include "TestTime.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace TestTime {

namespace {

double ScaleFromEnvironment() {
  const char* text = std::getenv("TESSARINE_TEST_TIME_SCALE");
  if (text == nullptr) return 1;
  const double scale = std::strtod(text, nullptr);
  return scale >= 1 ? scale : 1;
}

// Runnable threads per core: the one-minute average, or the count right now when load has only
// just come (the average lags it by a minute). Up to one per core is what the bounds allow for,
// since the suite itself runs one test per core.
double LoadPerCore() {
  FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return 1;
  double average = 0;
  int running = 0;
  const int read = std::fscanf(file, "%lf %*f %*f %d", &average, &running);
  std::fclose(file);
  if (read < 1) return 1;
  const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
  // The reader itself is one of those running.
  const double now = read == 2 ? running - 1 : 0;
  return std::max(average, now) / static_cast<double>(cores);
}

}  // namespace

double Factor() {
  static const double fixed = kBuildSlowdown * ScaleFromEnvironment();
  return fixed * std::max(1.0, LoadPerCore());
}

int64_t Scaled(int64_t milliseconds) { return static_cast<int64_t>(static_cast<double>(milliseconds) * Factor()); }

void Pause(int64_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(Scaled(milliseconds))); }

bool WaitUntil(const std::function<bool()>& done, int64_t milliseconds, int pollMilliseconds) {
  const auto start = std::chrono::steady_clock::now();
  int64_t limit = 0;
  while (!done()) {
    // Load seen during the wait lengthens it; load that passes does not shorten it again.
    limit = std::max(limit, Scaled(milliseconds));
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limit)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
  }
  return true;
}

}  // namespace TestTime

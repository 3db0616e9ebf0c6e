#include "framework/Date.h"

#include <time.h>

Date::Date() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  fTotalSeconds = static_cast<long double>(now.tv_sec) + static_cast<long double>(now.tv_nsec) / 1e9L;
}

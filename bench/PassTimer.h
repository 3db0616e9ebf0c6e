#pragma once
// Times repeated passes over the documents and prints "<median ns per pass> <fastest> <slowest>".
// The first passes warm the page and dentry caches and are not counted.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

template <typename Pass>
void TimePasses(int passes, int warmups, Pass pass) {
  for (int i = 0; i < warmups; ++i) pass();
  std::vector<long long> times;
  for (int i = 0; i < passes; ++i) {
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pass();
    clock_gettime(CLOCK_MONOTONIC, &end);
    times.push_back((end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec));
  }
  std::sort(times.begin(), times.end());
  std::printf("%lld %lld %lld\n", times[times.size() / 2], times.front(), times.back());
}

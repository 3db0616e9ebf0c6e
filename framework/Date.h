#pragma once
#include <cstdint>

// A point in time. TotalSeconds is a long double: it keeps a file time's nanoseconds, which a
// double would round away, so a date noted and set back leaves the file time as it was.
class Date {
 public:
  Date();  // now
  explicit Date(long double totalSeconds) : fTotalSeconds(totalSeconds) {}

  long double TotalSeconds() const { return fTotalSeconds; }  // seconds since 1970-01-01 UTC
  void SetTotalSeconds(long double seconds) { fTotalSeconds = seconds; }

 private:
  long double fTotalSeconds;
};

#pragma once
// Helpers shared by the plug-in tests: environment changes undone at scope end, and bounded waits
// for what other processes do.
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "support/TestTime.h"

// Sets (or, given none, removes) an environment variable and puts the old value back at scope end.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : fName(name) {
    if (const char* old = getenv(name)) fOld = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (fOld) {
      setenv(fName.c_str(), fOld->c_str(), 1);
    } else {
      unsetenv(fName.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string fName;
  std::optional<std::string> fOld;
};

// Polls until done() holds, for at most timeout (scaled to the machine's load); true when it came
// to hold.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  return TestTime::WaitUntil(done, timeout.count(), 10);
}

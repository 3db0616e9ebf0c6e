#pragma once
#include <condition_variable>
#include <mutex>

// Semaphore: a count of units. Signal takes a unit, waiting while none is left; Release returns one.
class Semaphore {
 public:
  explicit Semaphore(int count = 1) : fCount(count) {}
  void Signal();
  void Release();

 private:
  std::mutex fMutex;
  std::condition_variable fAvailable;
  int fCount;
};

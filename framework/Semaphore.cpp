#include "framework/Semaphore.h"

// A counting semaphore on a mutex and a condition variable. Signal blocks the calling thread until
// a unit is free; Release wakes one waiter. Units are not owned: any thread may release.

void Semaphore::Signal() {
  std::unique_lock<std::mutex> lock(fMutex);
  fAvailable.wait(lock, [this] { return fCount > 0; });
  --fCount;
}

void Semaphore::Release() {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    ++fCount;
  }
  fAvailable.notify_one();
}

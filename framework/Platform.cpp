#include "framework/Platform.h"

#include <mutex>

namespace {

std::mutex gPlatformMutex;

std::unique_ptr<Platform>& Slot() {
  static std::unique_ptr<Platform> platform;
  return platform;
}

}  // namespace

Platform& Platform::Current() {
  std::lock_guard<std::mutex> lock(gPlatformMutex);
  std::unique_ptr<Platform>& slot = Slot();
  if (!slot) slot = MakeDesktopPlatform();
  return *slot;
}

std::unique_ptr<Platform> Platform::Replace(std::unique_ptr<Platform> platform) {
  std::lock_guard<std::mutex> lock(gPlatformMutex);
  std::unique_ptr<Platform>& slot = Slot();
  slot.swap(platform);
  return platform;
}

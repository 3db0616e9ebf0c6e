#pragma once
// The two services of the event loop that windows need besides timers: a nested loop for a modal
// run, and a call put off until control is back in the loop that is running now, which is when a
// closed window may go (no handler of it, and no caller of its modal run, is on the stack then).
#include <functional>
#include <memory>

namespace EventLoop {

// One nested run of the event loop. Run returns once Exit was called or the application quits
// (Runtime::RequestQuit ends every loop).
class NestedLoop {
 public:
  NestedLoop();
  ~NestedLoop();
  NestedLoop(const NestedLoop&) = delete;
  NestedLoop& operator=(const NestedLoop&) = delete;
  void Run();
  void Exit();

 private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

// action runs when the loop running at the time of this call gets control back, never inside a
// loop nested later. Cancel, before then, drops it.
class DeferredCall;
DeferredCall* Defer(std::function<void()> action);
void Cancel(DeferredCall* call);

}  // namespace EventLoop

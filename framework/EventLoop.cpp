// Modal runs and put-off calls belong to the window toolkit: only windows need them, and the
// toolkit's own rules decide when control is back in a loop.
#include "framework/EventLoop.h"

#include "framework/Toolkit.h"

namespace EventLoop {

class DeferredCall {};

DeferredCall* Defer(std::function<void()> action) {
  return reinterpret_cast<DeferredCall*>(toolkit::Toolkit::Current().Defer(std::move(action)));
}

void Cancel(DeferredCall* call) {
  if (call != nullptr) toolkit::Toolkit::Current().Cancel(reinterpret_cast<toolkit::DeferredCall*>(call));
}

struct NestedLoop::Impl {
  std::unique_ptr<toolkit::NestedLoop> loop = toolkit::Toolkit::Current().CreateNestedLoop();
};

NestedLoop::NestedLoop() : fImpl(std::make_unique<Impl>()) {}
NestedLoop::~NestedLoop() = default;

void NestedLoop::Run() { fImpl->loop->Run(); }
void NestedLoop::Exit() { fImpl->loop->Exit(); }

}  // namespace EventLoop

// On Qt's event loop: the put-off call rides on a deferred deletion, which Qt hands out exactly
// when control is back in the loop that asked for it.
#include "framework/EventLoop.h"

#include <QEventLoop>
#include <QObject>
#include <utility>

namespace EventLoop {

class DeferredCall : public QObject {
 public:
  explicit DeferredCall(std::function<void()> action) : fAction(std::move(action)) {}
  ~DeferredCall() override {
    if (auto action = std::exchange(fAction, nullptr)) action();
  }
  void Drop() { fAction = nullptr; }

 private:
  std::function<void()> fAction;
};

DeferredCall* Defer(std::function<void()> action) {
  auto* call = new DeferredCall(std::move(action));
  call->deleteLater();
  return call;
}

void Cancel(DeferredCall* call) {
  if (call) call->Drop();
}

struct NestedLoop::Impl {
  QEventLoop loop;
};

NestedLoop::NestedLoop() : fImpl(std::make_unique<Impl>()) {}
NestedLoop::~NestedLoop() = default;

void NestedLoop::Run() { fImpl->loop.exec(); }
void NestedLoop::Exit() { fImpl->loop.exit(); }

}  // namespace EventLoop

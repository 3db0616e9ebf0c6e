// The put-off call rides on a deferred deletion, which Qt hands out exactly when control is back
// in the loop that asked for it.
#include "framework/views/QtToolkit.h"

#include <QEventLoop>
#include <QObject>
#include <utility>

#include "framework/views/QtControlView.h"
#include "framework/views/QtWindowView.h"

std::unique_ptr<toolkit::WindowView> QtToolkit::CreateWindow(toolkit::WindowClient& client) {
  return std::make_unique<QtWindowView>(client);
}

std::unique_ptr<toolkit::ControlView> QtToolkit::CreateControl(toolkit::ControlKind kind,
                                                               toolkit::ControlClient& client) {
  return std::make_unique<QtControlView>(kind, client, nullptr);
}

namespace toolkit {

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

}  // namespace toolkit

namespace {

class QtNestedLoop : public toolkit::NestedLoop {
 public:
  void Run() override { fLoop.exec(); }
  void Exit() override { fLoop.exit(); }

 private:
  QEventLoop fLoop;
};

}  // namespace

std::unique_ptr<toolkit::NestedLoop> QtToolkit::CreateNestedLoop() { return std::make_unique<QtNestedLoop>(); }

toolkit::DeferredCall* QtToolkit::Defer(std::function<void()> action) {
  auto* call = new toolkit::DeferredCall(std::move(action));
  call->deleteLater();
  return call;
}

void QtToolkit::Cancel(toolkit::DeferredCall* call) {
  if (call) call->Drop();
}

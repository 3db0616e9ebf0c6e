#include "framework/Timer.h"

#include <QCoreApplication>
#include <QTimer>

#include "framework/UnhandledException.h"

Timer::Timer() : fTimer(std::make_unique<QTimer>()) {
  fTimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(fTimer.get(), &QTimer::timeout, fTimer.get(), [this] {
    // A single-shot timer is off once it has fired, so that its action may arm it again.
    if (fMode == 1) fMode = 0;
    // The action may delete this timer; nothing here touches it afterwards.
    UnhandledException::Guard([this] { Event_Action(); });
  });
}

Timer::~Timer() {
  fTimer->stop();
  fTimer->disconnect();
  // The action may be deleting its own timer from inside the QTimer's signal, so the QTimer goes
  // when control is back in the event loop.
  if (QCoreApplication::instance() != nullptr) fTimer.release()->deleteLater();
}

void Timer::SetMode(int mode) {
  fMode = (mode == 1 || mode == 2) ? mode : 0;
  Restart();
}

void Timer::SetPeriod(int milliseconds) {
  fPeriod = milliseconds < 0 ? 0 : milliseconds;
  if (fMode != 0) Restart();
}

void Timer::Restart() {
  fTimer->stop();
  if (fMode == 0) return;
  fTimer->setSingleShot(fMode == 1);
  fTimer->start(fPeriod);
}

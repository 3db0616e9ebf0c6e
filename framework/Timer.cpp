#include "framework/Timer.h"

#include <glib.h>

#include "framework/UnhandledException.h"

Timer::Timer() = default;

Timer::~Timer() { Stop(); }

void Timer::SetMode(int mode) {
  fMode = (mode == 1 || mode == 2) ? mode : 0;
  Restart();
}

void Timer::SetPeriod(int milliseconds) {
  fPeriod = milliseconds < 0 ? 0 : milliseconds;
  if (fMode != 0) Restart();
}

void Timer::Stop() {
  if (fSource != 0) g_source_remove(fSource);
  fSource = 0;
}

void Timer::Restart() {
  Stop();
  if (fMode == 0) return;
  fSource = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(fPeriod), reinterpret_cast<GSourceFunc>(&Fire),
                               this, nullptr);
}

int Timer::Fire(void* data) {
  auto* timer = static_cast<Timer*>(data);
  if (timer->fMode != 2) {
    // A single-shot timer is off once it has fired, so that its action may arm it again.
    timer->fMode = 0;
    timer->fSource = 0;
    UnhandledException::Guard([timer] { timer->Event_Action(); });
    return G_SOURCE_REMOVE;
  }
  // The action may delete the timer or restart it: either removes this source, and GLib then
  // ignores what is returned here; nothing touches the timer afterwards.
  UnhandledException::Guard([timer] { timer->Event_Action(); });
  return G_SOURCE_CONTINUE;
}

// The session bus's answer, asked on a private connection of GIO's within a time limit: a part of
// the library of desktop services, loaded on first need.
#include <gio/gio.h>

#include <string>

#include "framework/SessionBus.h"
#include "framework/gio/PrivateBus.h"

namespace {

// Connects to the bus at address as a client of the bus (authentication, then Hello), on a
// connection of our own that GIO shares with nobody.
SessionBus::State Ask(const std::string& address, int timeoutMilliseconds) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMilliseconds) * 1000;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  const BusAttempt attempt = ConnectToBus(context, address, deadline);
  SessionBus::State state = SessionBus::State::Silent;
  if (attempt.answered) state = attempt.connection != nullptr ? SessionBus::State::Answers : SessionBus::State::Absent;
  CloseBus(context, attempt.connection);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return state;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int TessarineProbeSessionBus(const char* address, int timeoutMilliseconds) {
  return static_cast<int>(Ask(address, timeoutMilliseconds));
}

// The session bus's answer, asked on a private connection of GIO's within a time limit: a part of
// the library of desktop services, loaded on first need.
#include <gio/gio.h>

#include <string>

#include "framework/SessionBus.h"
#include "framework/gio/ContextWait.h"

namespace {

// The connection attempt's outcome, shared by the waiting side and the callback: when the wait is
// given up, the callback (should it ever come) still finds the object and frees it.
struct Pending {
  int references = 2;
  bool done = false;
  GDBusConnection* connection = nullptr;
  void Release() {
    if (--references > 0) return;
    if (connection != nullptr) g_object_unref(connection);
    delete this;
  }
};

void ConnectionReady(GObject*, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<Pending*>(data);
  pending->connection = g_dbus_connection_new_for_address_finish(result, nullptr);
  pending->done = true;
  pending->Release();
}

bool WaitUntil(GMainContext* context, const Pending* pending, gint64 deadline) {
  return RunContextUntil(context, pending->done, deadline);
}

// Connects to the bus at address as a client of the bus (authentication, then Hello), on a
// connection of our own that GIO shares with nobody.
SessionBus::State Ask(const std::string& address, int timeoutMilliseconds) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMilliseconds) * 1000;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GCancellable* cancellable = g_cancellable_new();
  auto* pending = new Pending;
  g_dbus_connection_new_for_address(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, cancellable, &ConnectionReady, pending);
  const bool answered = WaitUntil(context, pending, deadline);
  if (!answered) {
    // Let the cancelled attempt end, briefly; should it not, its callback frees what it holds.
    g_cancellable_cancel(cancellable);
    WaitUntil(context, pending, g_get_monotonic_time() + 100 * 1000);
  }
  g_object_unref(cancellable);
  SessionBus::State state = SessionBus::State::Silent;
  if (answered) state = pending->connection != nullptr ? SessionBus::State::Answers : SessionBus::State::Absent;
  if (pending->connection != nullptr) g_dbus_connection_close_sync(pending->connection, nullptr, nullptr);
  pending->Release();
  // The connection's last references are held by what its closing left queued on this context
  // (the "closed" signal's emission); only running them lets the connection and the context go.
  while (g_main_context_iteration(context, FALSE)) {
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return state;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int TessarineProbeSessionBus(const char* address, int timeoutMilliseconds) {
  return static_cast<int>(Ask(address, timeoutMilliseconds));
}

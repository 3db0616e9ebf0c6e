#include "framework/gio/PrivateBus.h"

namespace {

// The attempt's outcome, shared by the waiting side and the callback: when the wait is given up,
// the callback (should it ever come) still finds the object and frees it.
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

}  // namespace

bool RunContextUntil(GMainContext* context, const bool& done, std::optional<gint64> deadline) {
  while (!done) {
    if (!deadline) {
      g_main_context_iteration(context, TRUE);
      continue;
    }
    const gint64 remaining = *deadline - g_get_monotonic_time();
    if (remaining <= 0) break;
    GSource* tick = g_timeout_source_new(static_cast<guint>(remaining / 1000 + 1));
    g_source_set_callback(
        tick, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(tick, context);
    g_main_context_iteration(context, TRUE);
    g_source_destroy(tick);
    g_source_unref(tick);
  }
  return done;
}

BusAttempt ConnectToBus(GMainContext* context, const std::string& address, gint64 deadline) {
  GCancellable* cancellable = g_cancellable_new();
  auto* pending = new Pending;
  g_dbus_connection_new_for_address(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, cancellable, &ConnectionReady, pending);
  BusAttempt attempt;
  attempt.answered = RunContextUntil(context, pending->done, deadline);
  if (!attempt.answered) {
    // A bus that accepts but never answers: let the cancelled attempt end, briefly; should it
    // not, its callback frees what it holds.
    g_cancellable_cancel(cancellable);
    RunContextUntil(context, pending->done, g_get_monotonic_time() + 100 * 1000);
  }
  g_object_unref(cancellable);
  if (attempt.answered && pending->connection != nullptr) {
    attempt.connection = G_DBUS_CONNECTION(g_object_ref(pending->connection));
  }
  pending->Release();
  return attempt;
}

void CloseBus(GMainContext* context, GDBusConnection* connection) {
  if (connection != nullptr) {
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
  }
  // The connection's last references are held by what its closing left queued on this context
  // (the "closed" signal's emission); only running them lets the connection and the context go.
  while (g_main_context_iteration(context, FALSE)) {
  }
}

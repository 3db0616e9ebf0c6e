#pragma once
// A private connection to a bus, on a GLib context of the caller's own, within a time limit: GIO's
// shared connections wait without one, and for good on a bus that never answers.
#include <gio/gio.h>

#include <optional>
#include <string>

// Runs context until done is set or, when a deadline (monotonic, microseconds) is given, that has
// passed; done's value.
bool RunContextUntil(GMainContext* context, const bool& done, std::optional<gint64> deadline);

struct BusAttempt {
  bool answered = false;                  // the bus answered in time, with a connection or a refusal
  GDBusConnection* connection = nullptr;  // the caller's own, when the bus took us in
};

// Connects to the bus at address as its client (authentication, then Hello) on context, the
// thread-default one, by deadline.
BusAttempt ConnectToBus(GMainContext* context, const std::string& address, gint64 deadline);

// Closes connection (none is fine) and runs what the closing left queued on context, which holds
// the last references to both.
void CloseBus(GMainContext* context, GDBusConnection* connection);

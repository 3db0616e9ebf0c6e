#pragma once
// Waiting on a private GLib context for an asynchronous step of GIO's, within a time limit.
#include <glib.h>

#include <optional>

// Runs context until done is set or, when a deadline (monotonic, microseconds) is given, that has
// passed; done's value.
inline bool RunContextUntil(GMainContext* context, const bool& done, std::optional<gint64> deadline) {
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

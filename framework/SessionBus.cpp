#include "framework/SessionBus.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

extern char** environ;

namespace {

constexpr const char* kVariable = "DBUS_SESSION_BUS_ADDRESS";
// Connecting to something that is not a socket is refused at once, and nobody but the superuser
// can put a socket in its place.
constexpr const char* kFailingAddress = "unix:path=/dev/null";

struct Redirection {
  bool done = false;
  std::optional<std::string> userValue;  // DBUS_SESSION_BUS_ADDRESS as the user gave it
  std::string userAddress;               // the address that it, or the runtime folder, named
};

std::mutex& Lock() {
  static std::mutex mutex;
  return mutex;
}

Redirection& TheRedirection() {
  static Redirection redirection;
  return redirection;
}

std::string AddressFromEnvironment() {
  const char* fromEnvironment = std::getenv(kVariable);
  if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') return fromEnvironment;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return std::string();
  const std::string socketPath = std::string(runtime) + "/bus";
  struct stat status {};
  if (stat(socketPath.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode) || status.st_uid != getuid()) {
    return std::string();
  }
  gchar* escaped = g_dbus_address_escape_value(socketPath.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

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

// Runs context until pending is done or the deadline (monotonic, microseconds) has passed.
bool WaitUntil(GMainContext* context, const Pending* pending, gint64 deadline) {
  while (!pending->done) {
    const gint64 remaining = deadline - g_get_monotonic_time();
    if (remaining <= 0) break;
    GSource* tick = g_timeout_source_new(static_cast<guint>(remaining / 1000 + 1));
    g_source_set_callback(
        tick, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(tick, context);
    g_main_context_iteration(context, TRUE);
    g_source_destroy(tick);
    g_source_unref(tick);
  }
  return pending->done;
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

namespace SessionBus {

std::string UserAddress() {
  const std::lock_guard<std::mutex> lock(Lock());
  const Redirection& redirection = TheRedirection();
  return redirection.done ? redirection.userAddress : AddressFromEnvironment();
}

State Check(int timeoutMilliseconds) {
  const std::string address = UserAddress();
  if (address.empty()) return State::Absent;
  // A run of many documents asks once; an address that changes (tests) is asked anew.
  static std::map<std::string, State> answers;
  const std::lock_guard<std::mutex> lock(Lock());
  const auto known = answers.find(address);
  if (known != answers.end()) return known->second;
  const State state = Ask(address, timeoutMilliseconds);
  answers.emplace(address, state);
  return state;
}

void KeepOffSilentBus(int timeoutMilliseconds) {
  if (Check(timeoutMilliseconds) != State::Silent) return;
  const std::lock_guard<std::mutex> lock(Lock());
  Redirection& redirection = TheRedirection();
  if (redirection.done) return;
  const char* value = std::getenv(kVariable);
  if (value != nullptr) redirection.userValue = value;
  redirection.userAddress = AddressFromEnvironment();
  redirection.done = true;
  setenv(kVariable, kFailingAddress, 1);
}

std::optional<UserVariable> Redirected() {
  const std::lock_guard<std::mutex> lock(Lock());
  const Redirection& redirection = TheRedirection();
  if (!redirection.done) return std::nullopt;
  return UserVariable{redirection.userValue};
}

LaunchEnvironment::LaunchEnvironment() {
  const std::optional<UserVariable> user = Redirected();
  if (!user) return;
  fOwn = true;
  const std::string head = std::string(kVariable) + "=";
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, head.c_str(), head.size()) != 0) fEntries.emplace_back(*entry);
  }
  if (user->value) fEntries.push_back(head + *user->value);
  for (std::string& entry : fEntries) fPointers.push_back(entry.data());
  fPointers.push_back(nullptr);
}

char** LaunchEnvironment::Get() { return fOwn ? fPointers.data() : environ; }

}  // namespace SessionBus

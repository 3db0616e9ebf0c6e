#include "plugin/gio/MetadataService.h"

#include <gio/gio.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>

#include "framework/SessionBus.h"
#include "framework/gio/PrivateBus.h"
#include "framework/System.h"

namespace {

constexpr const char* kServiceName = "org.gtk.vfs.Metadata";
constexpr gint64 kAnswerLifetime = 30 * G_USEC_PER_SEC;

// One asynchronous step's outcome. Shared by the waiting side and the callback: when the wait is
// given up, the callback (should it ever come) still finds the object and frees it.
struct Pending {
  int references = 2;
  bool done = false;
  GVariant* reply = nullptr;  // the method reply
  void Release() {
    if (--references > 0) return;
    if (reply != nullptr) g_variant_unref(reply);
    delete this;
  }
};

void ReplyReady(GObject* source, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<Pending*>(data);
  pending->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  pending->done = true;
  pending->Release();
}


GVariant* Call(GDBusConnection* connection, GMainContext* context, const char* method, GVariant* parameters,
               const GVariantType* replyType, gint64 deadline) {
  const gint64 remaining = (deadline - g_get_monotonic_time()) / 1000;
  if (remaining <= 0) return nullptr;
  auto* pending = new Pending;
  g_dbus_connection_call(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         method, parameters, replyType, G_DBUS_CALL_FLAGS_NONE, static_cast<int>(remaining),
                         nullptr, &ReplyReady, pending);
  // The call carries its own timeout, so its reply (or error) always comes.
  RunContextUntil(context, pending->done, std::nullopt);
  GVariant* reply = pending->reply != nullptr ? g_variant_ref(pending->reply) : nullptr;
  pending->Release();
  return reply;
}

bool ServiceAvailable(GDBusConnection* connection, GMainContext* context, gint64 deadline) {
  GVariant* owned = Call(connection, context, "NameHasOwner", g_variant_new("(s)", kServiceName),
                         G_VARIANT_TYPE("(b)"), deadline);
  if (owned == nullptr) return false;
  gboolean hasOwner = FALSE;
  g_variant_get(owned, "(b)", &hasOwner);
  g_variant_unref(owned);
  if (hasOwner) return true;

  GVariant* activatable =
      Call(connection, context, "ListActivatableNames", nullptr, G_VARIANT_TYPE("(as)"), deadline);
  if (activatable == nullptr) return false;
  const gchar** names = nullptr;
  g_variant_get(activatable, "(^a&s)", &names);
  const bool listed = names != nullptr && g_strv_contains(names, kServiceName);
  g_free(names);
  g_variant_unref(activatable);
  return listed;
}

struct ProbeResult {
  SessionBus::State bus = SessionBus::State::Absent;
  bool available = false;
};

// Asks the bus at address, on a connection of its own, whether the service runs or can be started;
// the connection itself tells whether the bus answers at all.
ProbeResult Probe(const std::string& address, int timeoutMilliseconds) {
  ProbeResult result;
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMilliseconds) * 1000;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);

  const BusAttempt attempt = ConnectToBus(context, address, deadline);
  if (!attempt.answered) result.bus = SessionBus::State::Silent;
  if (attempt.connection != nullptr) {
    result.bus = SessionBus::State::Answers;
    result.available = ServiceAvailable(attempt.connection, context, deadline);
  }
  CloseBus(context, attempt.connection);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return result;
}

// The last answer, for the bus address it was about.
struct Answer {
  std::string address;
  bool reachable = false;
  gint64 time = 0;  // monotonic, microseconds
};

// Bus addresses whose metadata service did not answer a call in time, and those whose refusal
// has been logged: once per bus.
struct Refusals {
  std::mutex mutex;
  std::set<std::string> stuck;
  std::set<std::string> logged;
};

Refusals& TheRefusals() {
  static Refusals refusals;
  return refusals;
}

void LogOnce(const std::string& address, const std::string& line) {
  Refusals& refusals = TheRefusals();
  {
    const std::lock_guard<std::mutex> lock(refusals.mutex);
    if (!refusals.logged.insert(address).second) return;
  }
  System::DebugLog(line);
}

// A call that runs aside: the waiting side may give up on it, and then the call alone frees it.
struct Attempt {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool set = false;
  GError* failure = nullptr;
  ~Attempt() { g_clear_error(&failure); }
};

}  // namespace

MetadataService::Reach MetadataService::Reachable(int timeoutMilliseconds) {
  const std::string address = SessionBus::UserAddress();
  if (address.empty()) return Reach::Unavailable;
  auto silent = [&] {
    LogOnce(address, "Warning:AddCustomIconMBS: the session bus does not answer; no icons are stamped in this run");
    return Reach::BusSilent;
  };
  // The probe's own connection answers for the bus too, so a first stamp connects once, not twice.
  const std::optional<SessionBus::State> known = SessionBus::Known();
  if (known == SessionBus::State::Silent) return silent();
  if (known == SessionBus::State::Absent) return Reach::Unavailable;
  {
    Refusals& refusals = TheRefusals();
    const std::lock_guard<std::mutex> lock(refusals.mutex);
    if (refusals.stuck.count(address) != 0) return Reach::Stuck;
  }

  // A run stamps documents one after the other, and asking the bus for each of them would cost a
  // connection each. The answer is kept for a while, for its bus only: an address that changes (a
  // new session, tests) asks anew, and so does a long-running instance now and then, which sees a
  // service installed or gone.
  static std::mutex mutex;
  static Answer last;
  const std::lock_guard<std::mutex> lock(mutex);
  const gint64 now = g_get_monotonic_time();
  if (last.time != 0 && last.address == address && now - last.time < kAnswerLifetime) {
    return last.reachable ? Reach::Reachable : Reach::Unavailable;
  }
  const ProbeResult probed = Probe(address, timeoutMilliseconds);
  if (!known) SessionBus::Remember(probed.bus);
  if (probed.bus == SessionBus::State::Silent) return silent();
  last = Answer{address, probed.available, g_get_monotonic_time()};
  return probed.available ? Reach::Reachable : Reach::Unavailable;
}

MetadataService::Outcome MetadataService::SetString(const std::string& path, const std::string& attribute,
                                                    const std::string& value, int timeoutMilliseconds,
                                                    GError** failure) {
  // GIO's setting of metadata is a call to the service without a time limit of ours, so it runs
  // on a thread of its own. Given up, it ends by itself (cancelled, or at GIO's own time-out).
  auto attempt = std::make_shared<Attempt>();
  GCancellable* cancellable = g_cancellable_new();
  g_object_ref(cancellable);  // one reference for the thread, one for a cancel here
  try {
    std::thread([attempt, path, attribute, value, cancellable] {
      GFile* file = g_file_new_for_path(path.c_str());
      GError* error = nullptr;
      const bool set = g_file_set_attribute_string(file, attribute.c_str(), value.c_str(), G_FILE_QUERY_INFO_NONE,
                                                   cancellable, &error);
      g_object_unref(file);
      g_object_unref(cancellable);
      const std::lock_guard<std::mutex> lock(attempt->mutex);
      attempt->done = true;
      attempt->set = set;
      attempt->failure = error;
      attempt->ended.notify_all();
    }).detach();
  } catch (const std::system_error& error) {
    g_object_unref(cancellable);
    g_object_unref(cancellable);
    g_set_error(failure, G_IO_ERROR, G_IO_ERROR_FAILED, "no thread for the call: %s", error.what());
    return Outcome::Failed;
  }
  std::unique_lock<std::mutex> lock(attempt->mutex);
  const bool ended = attempt->ended.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                                             [&] { return attempt->done; });
  if (!ended) {
    lock.unlock();
    g_cancellable_cancel(cancellable);
    g_object_unref(cancellable);
    const std::string address = SessionBus::UserAddress();
    {
      Refusals& refusals = TheRefusals();
      const std::lock_guard<std::mutex> guard(refusals.mutex);
      refusals.stuck.insert(address);
    }
    LogOnce(address, "Warning:AddCustomIconMBS: the metadata service did not answer within " +
                         std::to_string(timeoutMilliseconds) + " ms; no more icons are stamped in this run");
    return Outcome::TimedOut;
  }
  g_object_unref(cancellable);
  if (attempt->set) return Outcome::Set;
  if (failure != nullptr) {
    *failure = attempt->failure;
    attempt->failure = nullptr;
  }
  return Outcome::Failed;
}

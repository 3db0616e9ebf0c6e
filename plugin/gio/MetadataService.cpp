#include "plugin/gio/MetadataService.h"

#include <gio/gio.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "framework/SessionBus.h"
#include "framework/gio/PrivateBus.h"
#include "framework/System.h"

namespace {

constexpr const char* kServiceName = "org.gtk.vfs.Metadata";
constexpr const char* kServicePath = "/org/gtk/vfs/metadata";
constexpr const char* kMetadataNamespace = "metadata::";
constexpr gint64 kAnswerLifetime = 30 * G_USEC_PER_SEC;

// One call's outcome. Shared by the waiting side and the callback: when the wait is given up, the
// callback (should it ever come) still finds the object and frees it.
struct Pending {
  int references = 2;
  bool done = false;
  GVariant* reply = nullptr;
  GError* error = nullptr;
  void Release() {
    if (--references > 0) return;
    if (reply != nullptr) g_variant_unref(reply);
    g_clear_error(&error);
    delete this;
  }
};

void ReplyReady(GObject* source, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<Pending*>(data);
  pending->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &pending->error);
  pending->done = true;
  pending->Release();
}

struct Destination {
  const char* name;
  const char* path;
  const char* interface;
};
constexpr Destination kBus{"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus"};
constexpr Destination kService{kServiceName, kServicePath, kServiceName};

// Calls method on the connection's context by deadline; the reply, or
// none with the reason in error.
GVariant* Call(GDBusConnection* connection, GMainContext* context, const Destination& to, const char* method,
               GVariant* parameters, const GVariantType* replyType, gint64 deadline, GError** error = nullptr) {
  const gint64 remaining = (deadline - g_get_monotonic_time()) / 1000;
  if (remaining <= 0) {
    if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT, "no time left for the call");
    return nullptr;
  }
  auto* pending = new Pending;
  g_main_context_push_thread_default(context);
  g_dbus_connection_call(connection, to.name, to.path, to.interface, method, parameters, replyType,
                         G_DBUS_CALL_FLAGS_NONE, static_cast<int>(remaining), nullptr, &ReplyReady, pending);
  // The call carries its own timeout, so its reply (or error) always comes.
  RunContextUntil(context, pending->done, std::nullopt);
  g_main_context_pop_thread_default(context);
  GVariant* reply = pending->reply != nullptr ? g_variant_ref(pending->reply) : nullptr;
  if (reply == nullptr && error != nullptr) *error = g_steal_pointer(&pending->error);
  pending->Release();
  return reply;
}

bool ServiceAvailable(GDBusConnection* connection, GMainContext* context, gint64 deadline) {
  GVariant* owned = Call(connection, context, kBus, "NameHasOwner", g_variant_new("(s)", kServiceName),
                         G_VARIANT_TYPE("(b)"), deadline);
  if (owned == nullptr) return false;
  gboolean hasOwner = FALSE;
  g_variant_get(owned, "(b)", &hasOwner);
  g_variant_unref(owned);
  if (hasOwner) return true;

  GVariant* activatable =
      Call(connection, context, kBus, "ListActivatableNames", nullptr, G_VARIANT_TYPE("(as)"), deadline);
  if (activatable == nullptr) return false;
  const gchar** names = nullptr;
  g_variant_get(activatable, "(^a&s)", &names);
  const bool listed = names != nullptr && g_strv_contains(names, kServiceName);
  g_free(names);
  g_variant_unref(activatable);
  return listed;
}

// A private connection to one bus, on a GLib context of its own, kept for the run: the probe's
// connection is the one the service's calls go over.
struct Channel {
  std::string address;
  GMainContext* context = nullptr;
  GDBusConnection* connection = nullptr;  // none where the bus did not take us in
  bool available = false;                  // the service runs or can be started
  gint64 time = 0;                         // of the probe, monotonic, microseconds
  std::map<dev_t, std::string> trees;      // the service's names for devices' trees

  ~Channel() {
    if (context == nullptr) return;
    g_main_context_push_thread_default(context);
    CloseBus(context, connection);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }
};

// Asks the bus at address, on a connection of its own, whether the service runs or can be started;
// the connection itself tells whether the bus answers at all.
std::unique_ptr<Channel> Probe(const std::string& address, int timeoutMilliseconds, SessionBus::State& bus) {
  auto channel = std::make_unique<Channel>();
  channel->address = address;
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMilliseconds) * 1000;
  channel->context = g_main_context_new();
  g_main_context_push_thread_default(channel->context);
  const BusAttempt attempt = ConnectToBus(channel->context, address, deadline);
  bus = attempt.answered ? SessionBus::State::Absent : SessionBus::State::Silent;
  channel->connection = attempt.connection;
  if (channel->connection != nullptr) {
    bus = SessionBus::State::Answers;
    channel->available = ServiceAvailable(channel->connection, channel->context, deadline);
  }
  g_main_context_pop_thread_default(channel->context);
  channel->time = g_get_monotonic_time();
  return channel;
}

// The channel of the last probe, used by the event thread only, one call at a time.
std::mutex gChannelMutex;
std::unique_ptr<Channel> gChannel;

// Where GIO's own client keeps a file's metadata: the home folder's tree for a file under the home
// folder and on its device, with the path below it; otherwise the tree the service names for the
// file's device, or the root tree, with the whole path, where it names none. Folders on the way
// are followed to their targets; the file itself, a link or not, is not. Cases GIO may see
// otherwise are left to GIO: none.
struct Place {
  std::string tree;  // the tree's file name in the data folder's "gvfs-metadata"
  std::string path;
  dev_t device = 0;
};

std::optional<std::string> RealPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string result(resolved);
  free(resolved);
  return result;
}

std::optional<Place> PlaceOf(const std::string& path) {
  gchar* canonical = g_canonicalize_filename(path.c_str(), "/");
  gchar* folder = g_path_get_dirname(canonical);
  gchar* name = g_path_get_basename(canonical);
  const std::optional<std::string> expanded = RealPath(folder);
  const std::string base(name);
  struct stat status {};
  const bool found = lstat(canonical, &status) == 0;
  const bool named = std::string_view(canonical) != "/" && base != "." && base != "..";
  g_free(canonical);
  g_free(folder);
  g_free(name);
  if (!found || !named || !expanded) return std::nullopt;
  Place place;
  place.device = status.st_dev;
  place.path = (*expanded == "/" ? "" : *expanded) + "/" + base;

  const std::optional<std::string> home = RealPath(g_get_home_dir());
  struct stat homeStatus {};
  if (!home || *home == "/" || stat(home->c_str(), &homeStatus) != 0) return std::nullopt;
  if (place.path.rfind(*home + "/", 0) == 0 && homeStatus.st_dev == status.st_dev) {
    place.tree = "home";
    place.path.erase(0, home->size());
  }
  return place;
}

// Whether GIO writes metadata through the service at all: not where it is told to keep to local
// files only.
bool GIOUsesTheService() {
  const char* vfs = getenv("GIO_USE_VFS");
  return vfs == nullptr || vfs[0] == '\0' || std::string_view(vfs) == "gvfs";
}

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

MetadataService::Outcome GiveUp(int timeoutMilliseconds) {
  const std::string address = SessionBus::UserAddress();
  {
    Refusals& refusals = TheRefusals();
    const std::lock_guard<std::mutex> guard(refusals.mutex);
    refusals.stuck.insert(address);
  }
  LogOnce(address, "Warning:AddCustomIconMBS: the metadata service did not answer within " +
                       std::to_string(timeoutMilliseconds) + " ms; no more icons are stamped in this run");
  return MetadataService::Outcome::TimedOut;
}

bool TimedOut(const GError* error) {
  return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMEOUT);
}

// The service's name for the tree of a device, empty for none; asked once per device and channel.
bool TreeOfDevice(Channel& channel, dev_t device, gint64 deadline, std::string& tree, GError** error) {
  const auto known = channel.trees.find(device);
  if (known != channel.trees.end()) {
    tree = known->second;
    return true;
  }
  GVariant* named = Call(channel.connection, channel.context, kService, "GetTreeFromDevice",
                         g_variant_new("(uu)", major(device), minor(device)), G_VARIANT_TYPE("(s)"), deadline, error);
  if (named == nullptr) return false;
  const gchar* name = nullptr;
  g_variant_get(named, "(&s)", &name);
  tree = name;
  channel.trees.emplace(device, tree);
  g_variant_unref(named);
  return true;
}

// Sets the key on the service ourselves, as GIO's client would; none where the case is GIO's.
std::optional<MetadataService::Outcome> SetThroughTheService(const std::string& path, const std::string& attribute,
                                                             const std::string& value, int timeoutMilliseconds,
                                                             GError** failure) {
  if (!GIOUsesTheService() || attribute.rfind(kMetadataNamespace, 0) != 0) return std::nullopt;
  const std::lock_guard<std::mutex> lock(gChannelMutex);
  Channel* channel = gChannel.get();
  if (channel == nullptr || channel->connection == nullptr || channel->address != SessionBus::UserAddress() ||
      g_dbus_connection_is_closed(channel->connection)) {
    return std::nullopt;
  }
  std::optional<Place> place = PlaceOf(path);
  if (!place) return std::nullopt;

  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMilliseconds) * 1000;
  GError* error = nullptr;
  if (place->tree.empty()) {
    std::string tree;
    if (!TreeOfDevice(*channel, place->device, deadline, tree, &error)) {
      const bool late = TimedOut(error);
      g_error_free(error);
      // A service that does not know the question is left to GIO.
      if (!late) return std::nullopt;
      return GiveUp(timeoutMilliseconds);
    }
    // A device the service names a tree for keeps paths of its own there, which GIO works out;
    // one it names none for is kept in the root tree under its whole path.
    if (!tree.empty()) return std::nullopt;
    place->tree = "root";
  }

  gchar* treeFile = g_build_filename(g_get_user_data_dir(), "gvfs-metadata", place->tree.c_str(), nullptr);
  GVariantBuilder data;
  g_variant_builder_init(&data, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&data, "{sv}", attribute.c_str() + strlen(kMetadataNamespace),
                        g_variant_new_string(value.c_str()));
  GVariant* reply = Call(channel->connection, channel->context, kService, "Set",
                         g_variant_new("(^ay^ay@a{sv})", treeFile, place->path.c_str(), g_variant_builder_end(&data)),
                         nullptr, deadline, &error);
  g_free(treeFile);
  if (reply != nullptr) {
    g_variant_unref(reply);
    return MetadataService::Outcome::Set;
  }
  if (TimedOut(error)) {
    g_error_free(error);
    return GiveUp(timeoutMilliseconds);
  }
  g_propagate_error(failure, error);
  return MetadataService::Outcome::Failed;
}

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
  // service installed or gone; so does one whose connection the bus has closed.
  const std::lock_guard<std::mutex> lock(gChannelMutex);
  const gint64 now = g_get_monotonic_time();
  Channel* last = gChannel.get();
  if (last != nullptr && last->address == address && now - last->time < kAnswerLifetime &&
      (last->connection == nullptr || !g_dbus_connection_is_closed(last->connection))) {
    return last->available ? Reach::Reachable : Reach::Unavailable;
  }
  gChannel.reset();
  SessionBus::State bus = SessionBus::State::Absent;
  gChannel = Probe(address, timeoutMilliseconds, bus);
  if (!known) SessionBus::Remember(bus);
  if (bus == SessionBus::State::Silent) {
    gChannel.reset();
    return silent();
  }
  return gChannel->available ? Reach::Reachable : Reach::Unavailable;
}

MetadataService::Outcome MetadataService::SetString(const std::string& path, const std::string& attribute,
                                                    const std::string& value, int timeoutMilliseconds,
                                                    GError** failure) {
  if (const auto outcome = SetThroughTheService(path, attribute, value, timeoutMilliseconds, failure)) {
    return *outcome;
  }
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
    return GiveUp(timeoutMilliseconds);
  }
  g_object_unref(cancellable);
  if (attempt->set) return Outcome::Set;
  if (failure != nullptr) {
    *failure = attempt->failure;
    attempt->failure = nullptr;
  }
  return Outcome::Failed;
}

#include "plugin/MetadataService.h"

#include <glib.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "framework/MessageBus.h"
#include "framework/SessionBus.h"
#include "framework/System.h"
#include "plugin/DesktopServices.h"
#include "plugin/IconFamily.h"

namespace {

using Clock = MessageBus::Clock;

constexpr const char* kServiceName = "org.gtk.vfs.Metadata";
constexpr const char* kServicePath = "/org/gtk/vfs/metadata";
constexpr const char* kBusName = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr const char* kMetadataNamespace = "metadata::";
constexpr auto kAnswerLifetime = std::chrono::seconds(30);

Clock::time_point After(int milliseconds) { return Clock::now() + std::chrono::milliseconds(milliseconds); }

// Whether the metadata service runs or can be started, as the bus says; Failed when the bus gave no
// usable answer in time.
enum class Presence { Present, Missing, TimedOut, Failed };

Presence Unanswered(MessageBus::Failure failure) {
  return failure == MessageBus::Failure::TimedOut ? Presence::TimedOut : Presence::Failed;
}

Presence ServiceAvailable(MessageBus& bus, Clock::time_point deadline) {
  MessageBus::Failure failure = MessageBus::Failure::None;
  const auto owned =
      bus.Call(kBusName, kBusPath, kBusName, "NameHasOwner", MessageBus::Body().String(kServiceName), deadline, failure);
  if (!owned) return Unanswered(failure);
  if (!owned->error.empty() || owned->Boolean() == std::nullopt) return Presence::Failed;
  if (*owned->Boolean()) return Presence::Present;
  const auto activatable =
      bus.Call(kBusName, kBusPath, kBusName, "ListActivatableNames", MessageBus::Body(), deadline, failure);
  if (!activatable) return Unanswered(failure);
  const auto names = activatable->Strings();
  if (!activatable->error.empty() || !names) return Presence::Failed;
  for (const std::string& name : *names) {
    if (name == kServiceName) return Presence::Present;
  }
  return Presence::Missing;
}

// The answer of the last probe, for the bus address it was about, with its connection: the one the
// service's calls go over. Without a connection (a bus address of a kind ours cannot reach) the
// setting is GIO's.
struct Channel {
  std::string address;
  std::unique_ptr<MessageBus> bus;
  bool available = false;  // the service runs or can be started
  Clock::time_point time;
  std::map<dev_t, std::string> trees;  // the service's names for devices' trees
  // The home folder followed to its target, and its device; none where the home folder is one
  // whose placing is GIO's to work out.
  struct Home {
    std::string path;
    dev_t device = 0;
  };
  std::optional<Home> home;
};

// Used by the event thread, one call at a time.
std::mutex gChannelMutex;
std::unique_ptr<Channel> gChannel;

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

// A call on the metadata path that timed out or failed counts for the rest of the run: asking again
// would cost every later document the same wait, or a new connection each. One warning says so.
void GiveUpOn(const std::string& who, const std::string& what) {
  const std::string address = SessionBus::UserAddress();
  {
    Refusals& refusals = TheRefusals();
    const std::lock_guard<std::mutex> guard(refusals.mutex);
    refusals.stuck.insert(address);
  }
  LogOnce(address, "Warning:AddCustomIconMBS: " + who + " " + what + "; no more icons are stamped in this run");
}

std::string NoAnswerWithin(int timeoutMilliseconds) {
  return "did not answer within " + std::to_string(timeoutMilliseconds) + " ms";
}

MetadataService::Outcome GiveUp(int timeoutMilliseconds) {
  GiveUpOn("the metadata service", NoAnswerWithin(timeoutMilliseconds));
  return MetadataService::Outcome::TimedOut;
}

// A call of the service's that failed: a lost or unreadable connection, or the bus's own refusal
// (the service gone and not to be started).
MetadataService::Outcome Refused(int32_t& code) {
  GiveUpOn("the metadata service", "failed a call");
  code = kCustomIconMetadataUnavailable;
  return MetadataService::Outcome::Failed;
}

// A call of the service's that came to no reply.
MetadataService::Outcome Unreplied(MessageBus::Failure failure, int timeoutMilliseconds, int32_t& code) {
  return failure == MessageBus::Failure::TimedOut ? GiveUp(timeoutMilliseconds) : Refused(code);
}

// Where GIO's own client keeps a file's metadata: the home folder's tree for a file under the home
// folder and on its device, with the path below it; otherwise the tree the service names for the
// file's device, or the root tree, with the whole path, where it names none. Folders on the way
// are followed to their targets; the file itself, a link or not, is not. Where we cannot be sure
// that GIO would see the same place, the place is none, and GIO sets the key itself.
struct Place {
  std::string tree;  // the tree's file name in the data folder's "gvfs-metadata"; empty: not known yet
  std::string path;
  dev_t device = 0;
};

// The path with every link on the way followed, as the kernel follows them; none where it cannot be
// followed, or where a ".." comes after a link: the kernel then goes up from the link's target, and
// GIO may go up from the link itself, so the place is GIO's to work out.
std::optional<std::string> RealPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return std::nullopt;
  std::vector<std::string> pending;  // the names still to walk, the next one last
  auto push = [&pending](const std::string& names) {
    std::vector<std::string> split;
    for (size_t start = 0; start <= names.size();) {
      size_t end = names.find('/', start);
      if (end == std::string::npos) end = names.size();
      if (end > start) split.push_back(names.substr(start, end - start));
      start = end + 1;
    }
    pending.insert(pending.end(), split.rbegin(), split.rend());
  };
  push(path);
  std::string resolved;  // empty for the root
  bool linked = false;
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.back());
    pending.pop_back();
    if (name == ".") continue;
    if (name == "..") {
      if (linked) return std::nullopt;
      resolved.erase(resolved.empty() ? 0 : resolved.rfind('/'));
      continue;
    }
    const std::string next = resolved + "/" + name;
    struct stat status {};
    if (lstat(next.c_str(), &status) != 0) return std::nullopt;
    if (!S_ISLNK(status.st_mode)) {
      resolved = next;
      continue;
    }
    char target[PATH_MAX];
    const ssize_t length = readlink(next.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof target || ++links > 40) return std::nullopt;
    linked = true;
    if (target[0] == '/') resolved.clear();
    push(std::string(target, static_cast<size_t>(length)));
  }
  return resolved.empty() ? "/" : resolved;
}

std::optional<Channel::Home> RealHome() {
  const std::optional<std::string> home = RealPath(g_get_home_dir());
  struct stat status {};
  if (!home || *home == "/" || stat(home->c_str(), &status) != 0) return std::nullopt;
  return Channel::Home{*home, status.st_dev};
}

std::optional<Place> PlaceOf(const std::string& path, const Channel::Home& home) {
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
  if (place.path.rfind(home.path + "/", 0) == 0 && home.device == status.st_dev) {
    place.tree = "home";
    place.path.erase(0, home.path.size());
  }
  return place;
}

// Whether GIO writes metadata through the service at all: not where it is told to keep to local
// files only.
bool GIOUsesTheService() {
  const char* vfs = getenv("GIO_USE_VFS");
  return vfs == nullptr || vfs[0] == '\0' || std::string_view(vfs) == "gvfs";
}

// Error replies that say the service is not there (or not any more) rather than that it refused.
int32_t ResultOf(const std::string& error) {
  return error.rfind("org.freedesktop.DBus.Error.", 0) == 0 ? kCustomIconMetadataUnavailable : kCustomIconSetFailed;
}

// Sets the key on the service ourselves, as GIO's client would; none where the case is GIO's.
std::optional<MetadataService::Outcome> SetThroughTheService(const std::string& path, const std::string& attribute,
                                                             const std::string& value, int timeoutMilliseconds,
                                                             int32_t& code) {
  if (!GIOUsesTheService() || attribute.rfind(kMetadataNamespace, 0) != 0) return std::nullopt;
  const std::lock_guard<std::mutex> lock(gChannelMutex);
  Channel* channel = gChannel.get();
  if (channel == nullptr || channel->bus == nullptr || channel->bus->Closed() ||
      channel->address != SessionBus::UserAddress() || !channel->home) {
    return std::nullopt;
  }
  std::optional<Place> place = PlaceOf(path, *channel->home);
  if (!place) return std::nullopt;

  const Clock::time_point deadline = After(timeoutMilliseconds);
  MessageBus::Failure failure = MessageBus::Failure::None;
  if (place->tree.empty()) {
    auto known = channel->trees.find(place->device);
    if (known == channel->trees.end()) {
      const auto named = channel->bus->Call(
          kServiceName, kServicePath, kServiceName, "GetTreeFromDevice",
          MessageBus::Body().UInt32(major(place->device)).UInt32(minor(place->device)), deadline, failure);
      if (!named) return Unreplied(failure, timeoutMilliseconds, code);
      // A service that does not know the question is left to GIO.
      if (!named->error.empty() || !named->String()) return std::nullopt;
      known = channel->trees.emplace(place->device, *named->String()).first;
    }
    // A device the service names a tree for keeps paths of its own there, which GIO works out;
    // one it names none for is kept in the root tree under its whole path.
    if (!known->second.empty()) return std::nullopt;
    place->tree = "root";
  }

  gchar* treeFile = g_build_filename(g_get_user_data_dir(), "gvfs-metadata", place->tree.c_str(), nullptr);
  const std::string tree(treeFile);
  g_free(treeFile);
  const auto reply = channel->bus->Call(
      kServiceName, kServicePath, kServiceName, "Set",
      MessageBus::Body().ByteString(tree).ByteString(place->path).StringVariants(
          {{attribute.substr(std::string_view(kMetadataNamespace).size()), value}}),
      deadline, failure);
  if (!reply) return Unreplied(failure, timeoutMilliseconds, code);
  if (reply->error.empty()) return MetadataService::Outcome::Set;
  code = ResultOf(reply->error);
  if (code == kCustomIconMetadataUnavailable) return Refused(code);
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
  // service installed or gone.
  const std::lock_guard<std::mutex> lock(gChannelMutex);
  const Channel* last = gChannel.get();
  if (last != nullptr && last->address == address && Clock::now() - last->time < kAnswerLifetime &&
      (last->bus == nullptr || !last->bus->Closed())) {
    return last->available ? Reach::Reachable : Reach::Unavailable;
  }
  gChannel.reset();
  auto channel = std::make_unique<Channel>();
  channel->address = address;
  const Clock::time_point deadline = After(timeoutMilliseconds);
  MessageBus::Reach reach = MessageBus::Reach::Absent;
  channel->bus = MessageBus::Connect(address, deadline, reach);
  switch (reach) {
    case MessageBus::Reach::Answers:
      if (!known) SessionBus::Remember(SessionBus::State::Answers);
      switch (ServiceAvailable(*channel->bus, deadline)) {
        case Presence::Present:
          channel->available = true;
          break;
        case Presence::Missing:
          break;
        case Presence::TimedOut:
          GiveUpOn("the session bus", NoAnswerWithin(timeoutMilliseconds));
          return Reach::Stuck;
        case Presence::Failed:
          GiveUpOn("the session bus", "failed a call");
          return Reach::Stuck;
      }
      break;
    case MessageBus::Reach::Silent:
      if (!known) SessionBus::Remember(SessionBus::State::Silent);
      return silent();
    case MessageBus::Reach::Absent:
      if (!known) SessionBus::Remember(SessionBus::State::Absent);
      return Reach::Unavailable;
    case MessageBus::Reach::Unsupported:
      // A bus ours cannot reach is GIO's to ask, and the service GIO's to find.
      switch (SessionBus::Check(timeoutMilliseconds)) {
        case SessionBus::State::Silent:
          return silent();
        case SessionBus::State::Absent:
          return Reach::Unavailable;
        case SessionBus::State::Answers:
          channel->available = true;
          break;
      }
      break;
  }
  channel->home = RealHome();
  channel->time = Clock::now();
  gChannel = std::move(channel);
  return gChannel->available ? Reach::Reachable : Reach::Unavailable;
}

MetadataService::Outcome MetadataService::SetString(const std::string& path, const std::string& attribute,
                                                    const std::string& value, int timeoutMilliseconds, int32_t& code) {
  code = kCustomIconOK;
  if (const auto outcome = SetThroughTheService(path, attribute, value, timeoutMilliseconds, code)) {
    return *outcome;
  }
  const Outcome outcome = DesktopServices::SetMetadataThroughGIO(path, attribute, value, timeoutMilliseconds, code);
  return outcome == Outcome::TimedOut ? GiveUp(timeoutMilliseconds) : outcome;
}

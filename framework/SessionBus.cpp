#include "framework/SessionBus.h"

#include "framework/LibraryBeside.h"
#include "framework/MessageBus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
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
  std::string address = "unix:path=";
  // A D-Bus address names its values with every byte but these few escaped.
  for (const unsigned char c : socketPath) {
    if (std::isalnum(c) || std::strchr("-_/.\\*", c) != nullptr) {
      address += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 15];
    }
  }
  return address;
}

SessionBus::State Ask(const std::string& address, int timeoutMilliseconds) {
  MessageBus::Reach reach = MessageBus::Reach::Absent;
  MessageBus::Connect(address, MessageBus::Clock::now() + std::chrono::milliseconds(timeoutMilliseconds), reach);
  switch (reach) {
    case MessageBus::Reach::Answers:
      return SessionBus::State::Answers;
    case MessageBus::Reach::Silent:
      return SessionBus::State::Silent;
    case MessageBus::Reach::Absent:
      return SessionBus::State::Absent;
    case MessageBus::Reach::Unsupported:
      break;
  }
  // A kind of address only GIO reaches: GIO lies in the library of desktop services.
  using Probe = int (*)(const char*, int);
  std::string error;
  auto probe = reinterpret_cast<Probe>(LibraryBeside::Entry(LibraryBeside::kDesktopServices,
                                                            "TessarineProbeSessionBus", error));
  if (probe == nullptr) return SessionBus::State::Absent;
  return static_cast<SessionBus::State>(probe(address.c_str(), timeoutMilliseconds));
}

}  // namespace

namespace SessionBus {

std::string UserAddress() {
  const std::lock_guard<std::mutex> lock(Lock());
  const Redirection& redirection = TheRedirection();
  return redirection.done ? redirection.userAddress : AddressFromEnvironment();
}

namespace {

// The answers so far, by address: a run of many documents asks once; an address that changes
// (tests) is asked anew.
std::map<std::string, State>& Answers() {
  static std::map<std::string, State> answers;
  return answers;
}

}  // namespace

State Check(int timeoutMilliseconds) {
  const std::string address = UserAddress();
  if (address.empty()) return State::Absent;
  const std::lock_guard<std::mutex> lock(Lock());
  const auto known = Answers().find(address);
  if (known != Answers().end()) return known->second;
  const State state = Ask(address, timeoutMilliseconds);
  Answers().emplace(address, state);
  return state;
}

std::optional<State> Known() {
  const std::string address = UserAddress();
  if (address.empty()) return State::Absent;
  const std::lock_guard<std::mutex> lock(Lock());
  const auto known = Answers().find(address);
  if (known == Answers().end()) return std::nullopt;
  return known->second;
}

void Remember(State state) {
  const std::string address = UserAddress();
  if (address.empty()) return;
  const std::lock_guard<std::mutex> lock(Lock());
  Answers().emplace(address, state);
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

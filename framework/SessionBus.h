#pragma once
// SessionBus: whether this user's session bus answers, asked on a private connection within a
// time limit, once per bus address.
//
// The toolkit and GIO connect to the session bus without any time limit: Qt's accessibility
// bridge when a label gets its text, GIO when it announces a launch or keeps file metadata. On a
// bus that accepts connections and never answers they would wait for good. So a run asks the
// bus once before the toolkit starts (KeepOffSilentBus); when no answer comes in time, the
// process's own DBUS_SESSION_BUS_ADDRESS is pointed at an address that fails at once, and
// nothing in it waits on the bus any more. The programs it starts still get the user's own
// environment (LaunchEnvironment). A bus that answers is left alone, accessibility included.
//
// No Qt here: it runs before the toolkit exists.
#include <optional>
#include <string>
#include <vector>

namespace SessionBus {

enum class State {
  Answers,  // authenticated and registered us within the time limit
  Silent,   // connected, but no answer within the time limit
  Absent,   // no bus: no address, or nobody listens there
};

// The time limit of one question to the bus.
constexpr int kTimeoutMilliseconds = 500;

// The user's session bus address as GIO and Qt find it, short of starting a bus: the
// environment, else the bus in the runtime folder; empty when there is none. Once the process
// has been kept off a silent bus, still the user's own address.
std::string UserAddress();

// Whether the bus at UserAddress() answers. Asked once per address and kept for the process.
State Check(int timeoutMilliseconds = kTimeoutMilliseconds);

// The answer known for UserAddress() without asking; none when it has not been asked yet.
std::optional<State> Known();
// Takes an answer that a connection of the caller's own gave (so that the bus is not asked twice).
void Remember(State state);

// Keeps this process off a silent bus, as above. Called once, before the toolkit starts.
void KeepOffSilentBus(int timeoutMilliseconds = kTimeoutMilliseconds);

// The user's own DBUS_SESSION_BUS_ADDRESS (none when it was not set) when the process has been
// kept off its bus; none otherwise, when the process's environment is the user's as it is.
struct UserVariable {
  std::optional<std::string> value;
};
std::optional<UserVariable> Redirected();

// The environment for a program this process starts: its own, with the user's bus variable.
class LaunchEnvironment {
 public:
  LaunchEnvironment();
  LaunchEnvironment(const LaunchEnvironment&) = delete;
  LaunchEnvironment& operator=(const LaunchEnvironment&) = delete;
  // NULL-terminated, as execve takes it; valid while this object lives.
  char** Get();

 private:
  std::vector<std::string> fEntries;
  std::vector<char*> fPointers;
  bool fOwn = false;
};

}  // namespace SessionBus

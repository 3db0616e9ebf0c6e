#include "framework/DisplayProbe.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace {

// A Wayland socket: one that answers whatever it is asked, or one that takes the connection and
// never answers.
class Compositor {
 public:
  Compositor(const std::string& path, bool answers) {
    fListener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (bind(fListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fListener, 4) != 0) {
      ADD_FAILURE() << "cannot listen at " << path;
      return;
    }
    if (!answers) return;
    fAnswering = std::thread([fd = fListener] {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 5000) <= 0) return;
      const int peer = accept(fd, nullptr, nullptr);
      char request[12];
      if (peer >= 0 && recv(peer, request, sizeof request, MSG_WAITALL) == sizeof request) {
        const char done[12] = {2, 0, 0, 0, 0, 0, 12, 0, 1, 0, 0, 0};
        send(peer, done, sizeof done, MSG_NOSIGNAL);
      }
      if (peer >= 0) close(peer);
    });
  }
  ~Compositor() {
    shutdown(fListener, SHUT_RDWR);
    if (fAnswering.joinable()) fAnswering.join();
    close(fListener);
  }

 private:
  int fListener = -1;
  std::thread fAnswering;
};

struct ProbeRow {
  const char* name;
  std::map<std::string, std::string> environment;  // beside XDG_RUNTIME_DIR, which the test sets
  std::optional<bool> waylandAnswers;               // a socket "wayland-t" in the runtime folder
  std::string platforms;
  std::string missing;
  friend void PrintTo(const ProbeRow& row, std::ostream* out) { *out << row.name; }
};

class DisplayProbeTest : public ::testing::TestWithParam<ProbeRow> {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      if (const char* value = std::getenv(name)) fSaved[name] = value;
      unsetenv(name);
    }
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    for (const auto& [name, value] : GetParam().environment) setenv(name.c_str(), value.c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : kVariables) unsetenv(name);
    for (const auto& [name, value] : fSaved) setenv(name.c_str(), value.c_str(), 1);
  }

  static constexpr const char* kVariables[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET",
                                               "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR", "XDG_CURRENT_DESKTOP",
                                               "XDG_SESSION_DESKTOP"};
  TempDir runtime;

 private:
  std::map<std::string, std::string> fSaved;
};

// The toolkit is told only the platforms whose display answered, in the order asked, each with
// its own arguments; where none answered, why, once per reason.
TEST_P(DisplayProbeTest, KeepsThePlatformsWhoseDisplayAnswers) {
  const ProbeRow& row = GetParam();
  std::optional<Compositor> compositor;
  if (row.waylandAnswers) compositor.emplace(runtime.Path("wayland-t"), *row.waylandAnswers);
  const DisplayProbe::Found found = DisplayProbe::Find();
  EXPECT_EQ(found.platforms, row.platforms);
  EXPECT_EQ(found.missing, row.missing);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, DisplayProbeTest,
    ::testing::Values(
        ProbeRow{"NothingSet", {}, std::nullopt, "", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        ProbeRow{"Offscreen", {{"QT_QPA_PLATFORM", "offscreen"}}, std::nullopt, "offscreen", ""},
        ProbeRow{"XWithoutDisplayFallsToOffscreen", {{"QT_QPA_PLATFORM", "xcb;offscreen"}}, std::nullopt, "offscreen", ""},
        ProbeRow{"XWithoutDisplay", {{"QT_QPA_PLATFORM", "xcb"}}, std::nullopt, "", "DISPLAY is not set"},
        ProbeRow{"WaylandAnswers", {{"WAYLAND_DISPLAY", "wayland-t"}}, true, "wayland", ""},
        ProbeRow{"WaylandSessionAsksTheDefaultSocket", {{"XDG_SESSION_TYPE", "wayland"}}, std::nullopt, "",
                 "the Wayland display wayland-0 does not answer"},
        ProbeRow{"WaylandSilent", {{"WAYLAND_DISPLAY", "wayland-t"}}, false, "",
                 "the Wayland display wayland-t does not answer"},
        ProbeRow{"AskedWaylandKeepsItsArguments",
                 {{"QT_QPA_PLATFORM", "xcb;wayland:nodecorations"}, {"WAYLAND_DISPLAY", "wayland-t"}}, true,
                 "wayland:nodecorations", ""},
        ProbeRow{"NeitherAnswers", {{"QT_QPA_PLATFORM", "wayland;xcb;xcb"}, {"WAYLAND_DISPLAY", "wayland-t"}}, false,
                 "", "the Wayland display wayland-t does not answer; DISPLAY is not set"}),
    [](const ::testing::TestParamInfo<ProbeRow>& info) { return std::string(info.param.name); });

}  // namespace

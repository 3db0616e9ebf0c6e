#include "framework/DisplayProbe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/X11Keyboard.h"

namespace DisplayProbe {

namespace {

using Clock = std::chrono::steady_clock;

// As long as the keyboard's question to the X server may take.
constexpr auto kAnswerLimit = std::chrono::milliseconds(500);

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(separator, from);
    const std::string part = text.substr(from, at == std::string::npos ? std::string::npos : at - from);
    if (!part.empty()) parts.push_back(part);
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

// The compositor's socket as its clients find it.
std::string WaylandSocket(const std::string& name) {
  if (name.front() == '/') return name;
  const std::string runtime = Variable("XDG_RUNTIME_DIR");
  return runtime.empty() ? std::string() : runtime + "/" + name;
}

// One round trip: the display's sync request, whose callback a compositor answers at once.
bool WaylandAnswers(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // A listener whose queue is full would keep us waiting in connect: that counts as silent too.
  bool answered = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (answered) {
    constexpr uint32_t kDisplayObject = 1, kSyncRequest = 0, kCallbackObject = 2;
    const uint32_t request[3] = {kDisplayObject, (uint32_t{sizeof request} << 16) | kSyncRequest, kCallbackObject};
    answered = send(fd, request, sizeof request, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof request);
  }
  if (answered) {
    answered = false;
    const Clock::time_point deadline = Clock::now() + kAnswerLimit;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      pollfd entry{fd, POLLIN, 0};
      const int ready = poll(&entry, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) break;
      char reply[32];
      answered = recv(fd, reply, sizeof reply, 0) > 0;
      break;
    }
  }
  close(fd);
  return answered;
}

// Whether the display of one platform answers; if not, why, in reason.
bool Answers(const std::string& platform, std::string& reason) {
  const std::string name = platform.substr(0, platform.find(':'));
  if (name == "xcb") {
    const std::string display = Variable("DISPLAY");
    if (display.empty()) {
      reason = "DISPLAY is not set";
      return false;
    }
    if (X11Keyboard::ServerAnswers()) return true;
    reason = "the X display " + display + " does not answer";
    return false;
  }
  if (name.rfind("wayland", 0) == 0) {
    // A socket the compositor handed over is its own; there is nothing to ask without taking it.
    if (!Variable("WAYLAND_SOCKET").empty()) return true;
    std::string display = Variable("WAYLAND_DISPLAY");
    if (display.empty()) display = "wayland-0";
    if (WaylandAnswers(WaylandSocket(display))) return true;
    reason = "the Wayland display " + display + " does not answer";
    return false;
  }
  // Platforms without a display server (offscreen, a frame buffer): taken as asked for.
  return true;
}

// The platforms the toolkit tries by itself when none is asked for, in its order: the Wayland
// session's first (after X on GNOME), then X.
std::vector<std::string> DefaultPlatforms() {
  std::vector<std::string> order;
  if (!Variable("DISPLAY").empty()) order.push_back("xcb");
  if (!Variable("WAYLAND_DISPLAY").empty() || Variable("XDG_SESSION_TYPE") == "wayland") {
    const bool gnome = Lower(Variable("XDG_CURRENT_DESKTOP")).find("gnome") != std::string::npos ||
                       Lower(Variable("XDG_SESSION_DESKTOP")).find("gnome") != std::string::npos;
    order.insert(gnome ? order.end() : order.begin(), "wayland");
  }
  return order;
}

}  // namespace

Found Find() {
  const std::string asked = Variable("QT_QPA_PLATFORM");
  const std::vector<std::string> candidates = asked.empty() ? DefaultPlatforms() : Split(asked, ';');
  Found found;
  if (candidates.empty()) {
    found.missing = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    return found;
  }
  for (const std::string& platform : candidates) {
    std::string reason;
    if (Answers(platform, reason)) {
      found.platforms += (found.platforms.empty() ? "" : ";") + platform;
    } else if (found.missing.find(reason) == std::string::npos) {
      found.missing += (found.missing.empty() ? "" : "; ") + reason;
    }
  }
  if (!found.platforms.empty()) found.missing.clear();
  return found;
}

}  // namespace DisplayProbe

// Fuzzes the reading of a message bus's answers. Every input is what a bus says on a connection of
// ours, from its first byte (the answer to our authentication) to its last; the connection then
// ends. Whatever it says, the client must neither read beyond what it holds nor wait for more.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "framework/MessageBus.h"
#include "fuzz/QuietPlatform.h"

namespace {

std::string gAddress;
int gListener = -1;

[[noreturn]] void Fail(const char* what, size_t size) {
  std::fprintf(stderr, "bus reply fault: %s (input of %zu bytes)\n", what, size);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietPlatform::Install();
  const std::string name = "tessarine-bus-fuzz-" + std::to_string(getpid());
  gListener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  name.copy(address.sun_path + 1, name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (gListener < 0 || bind(gListener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(gListener, 4) != 0) {
    std::perror("bus reply fuzzer: listen");
    abort();
  }
  gAddress = "unix:abstract=" + name;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string said(reinterpret_cast<const char*>(data), size);
  std::thread bus([&] {
    const int peer = accept4(gListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) return;
    size_t sent = 0;
    while (sent < said.size()) {
      const ssize_t n = send(peer, said.data() + sent, said.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    shutdown(peer, SHUT_WR);
    char sink[4096];
    while (read(peer, sink, sizeof sink) > 0) {
    }
    close(peer);
  });

  // The bus has said all it will and then hangs up, so every wait ends long before this.
  const auto start = MessageBus::Clock::now();
  const auto deadline = start + std::chrono::seconds(5);
  MessageBus::Reach reach = MessageBus::Reach::Absent;
  auto connection = MessageBus::Connect(gAddress, deadline, reach);
  if (connection) {
    MessageBus::Failure failure = MessageBus::Failure::None;
    const char* bus = "org.freedesktop.DBus";
    if (auto owned = connection->Call(bus, "/org/freedesktop/DBus", bus, "NameHasOwner",
                                      MessageBus::Body().String("org.gtk.vfs.Metadata"), deadline, failure)) {
      (void)owned->Boolean();
      (void)owned->String();
      (void)owned->Strings();
    }
    if (auto names = connection->Call(bus, "/org/freedesktop/DBus", bus, "ListActivatableNames", MessageBus::Body(),
                                      deadline, failure)) {
      (void)names->Strings();
    }
  }
  connection.reset();  // our end closes, so the bus's reading ends
  bus.join();
  if (MessageBus::Clock::now() - start > std::chrono::seconds(4)) Fail("waited on a bus that had hung up", size);
  return 0;
}

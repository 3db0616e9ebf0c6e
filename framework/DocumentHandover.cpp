// How the hand-over behaves.
//
// The running instance listens on a Unix socket, $XDG_RUNTIME_DIR/tessarine.socket, or
// tessarine-<uid>/tessarine.socket in $TMPDIR or /tmp when the runtime folder is missing, is not
// this user's or others may write into it, or when something else than a socket lies at the
// socket's name there (a link to another user's socket, say). The socket and its folder are
// reachable by this user only, and each side makes sure on the connected socket that the other is
// a process of this user's: a sender sends nothing to a stranger, and the running instance cuts a
// stranger's connection unread. A later start connects and sends one message:
//
//   "TSH2", the number of documents, then each document as its length and its bytes
//   (the numbers 32-bit big-endian; a path may hold any byte, newlines included).
//
// The running instance answers each document with the single byte ACK just before it gives that
// document to the program (a message without documents gets one ACK when it is taken), and closes
// the connection when it has taken them all or takes no more. So a document counts as handed over
// only once its road has begun: an instance that quits, or dies, in the middle of a batch has
// acknowledged only what it began, and the sender handles the rest itself. A batch waits, unread
// by the program and unanswered, until the program has had its Open event.
//
// The sender counts as handed over the documents it has an ACK for, in order. On refusal, a cut
// connection, an error or at its time limit it handles the rest itself. It waits while the
// running instance is seen at work (the process at the other end of the connection, which the
// kernel names, gains processor time, or an ACK comes), up to 10 seconds after the last ACK; an
// instance that is stopped, gone, or has done nothing for half a second while the sender waited is
// not going to answer in time, and the sender gives up on it then. The last step decides the race
// between the two sides exactly: at its time limit the sender shuts its receiving side, which
// makes every later send of the running instance fail, and then counts the ACKs that got through
// before; the running instance gives a document to the program only when its ACK was sent. So
// both count the same documents as taken, and no document is handled twice, even when a stopped
// instance resumes later; one is lost only when the instance dies between its ACK and its road.
//
// A lock file beside the socket (flock) serialises "connect, else remove a stale socket and
// listen" and the removal of the socket on Close, so two starts at once cannot both become the
// running instance and a live socket is never removed. A socket that refuses connections was left
// by a killed instance and is replaced. A lock that stays taken for half a second (its holder is
// stopped) is not waited for: the start then runs without the socket, and a quit leaves it.
//
// Both sides are plain sockets. The running instance's event loop (the main GLib context) watches
// the listening socket and each connection; a connection is read without blocking as its bytes
// arrive, and cut after 10 seconds without a whole message.
#include "framework/DocumentHandover.h"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "framework/Runtime.h"

namespace {

// The "2" marks answers per document: a start and a running instance that answered a whole
// message at once do not understand each other, and the start then opens its documents itself.
constexpr char kMagic[4] = {'T', 'S', 'H', '2'};
constexpr char kAck = 0x06;
constexpr auto kWait = std::chrono::seconds(10);
// How long a running instance may do nothing while a message waits for its answer.
constexpr auto kIdle = std::chrono::milliseconds(500);
constexpr int kLookMilliseconds = 50;
constexpr uint32_t kMaxDocuments = 100000;
constexpr uint32_t kMaxPathLength = 1 << 20;
constexpr size_t kMaxMessage = size_t(64) << 20;

// A note for whoever runs the program from a terminal; nothing the user must act on.
void Warn(const std::string& text) { std::fprintf(stderr, "Tessarine: %s\n", text.c_str()); }

// Deletes object once control is back in the event loop: it may be running one of its own
// handlers now.
template <class T>
void DeleteSoon(T* object) {
  Runtime::Post([object] { delete object; });
}

void AppendNumber(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((value >> shift) & 0xff));
}

uint32_t ReadNumber(const char* in) {
  auto b = reinterpret_cast<const unsigned char*>(in);
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

std::string Encode(const std::vector<std::string>& documents) {
  std::string message(kMagic, sizeof kMagic);
  AppendNumber(message, uint32_t(documents.size()));
  for (const std::string& document : documents) {
    AppendNumber(message, uint32_t(document.size()));
    message += document;
  }
  return message;
}

enum class Decoded { Incomplete, Complete, Malformed };

Decoded Decode(const std::string& message, std::vector<std::string>& documents) {
  const size_t size = message.size();
  if (size > kMaxMessage) return Decoded::Malformed;
  if (size < 8) {
    return std::memcmp(message.data(), kMagic, std::min<size_t>(size, 4)) == 0
               ? Decoded::Incomplete
               : Decoded::Malformed;
  }
  if (std::memcmp(message.data(), kMagic, sizeof kMagic) != 0) return Decoded::Malformed;
  const uint32_t count = ReadNumber(message.data() + 4);
  if (count > kMaxDocuments) return Decoded::Malformed;
  std::vector<std::string> result;
  size_t at = 8;
  for (uint32_t i = 0; i < count; ++i) {
    if (size - at < 4) return Decoded::Incomplete;
    const uint32_t length = ReadNumber(message.data() + at);
    if (length > kMaxPathLength) return Decoded::Malformed;
    at += 4;
    if (size - at < size_t(length)) return Decoded::Incomplete;
    result.emplace_back(message.data() + at, length);
    at += length;
  }
  if (at != size) return Decoded::Malformed;
  documents = std::move(result);
  return Decoded::Complete;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

// The process at the other end of a connected socket, as the kernel names it; none when unknown.
std::optional<ucred> Peer(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) return std::nullopt;
  return peer;
}

bool PeerIsThisUser(int fd) {
  const std::optional<ucred> peer = Peer(fd);
  return peer && peer->uid == geteuid();
}

// What the sender sees of the running instance while it waits: the process at the other end of
// the connection, whose state and processor time /proc shows (any process of this user's).
class Patience {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Patience(int fd) : fStarted(Clock::now()), fLastWork(fStarted) {
    const std::optional<ucred> peer = Peer(fd);
    if (peer && peer->pid > 0) fPid = peer->pid;
    Look();
  }

  // Waits for events on fd as long as an answer can still be expected; false when not.
  bool WaitFor(int fd, short events) {
    for (;;) {
      if (!Worthwhile()) return false;
      pollfd entry{fd, events, 0};
      const int ready = poll(&entry, 1, kLookMilliseconds);
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
  }

  // An answer came: the time limit counts afresh from now.
  void Progress() { fStarted = fLastWork = Clock::now(); }

 private:
  bool Worthwhile() {
    const Clock::time_point now = Clock::now();
    if (now - fStarted >= kWait) return false;
    if (!Look()) return false;
    return now - fLastWork < kIdle;
  }

  // Notes whether the peer has worked since the last look; false when it is stopped or gone. A
  // peer that cannot be seen (another process namespace) never seems to work.
  bool Look() {
    if (fPid <= 0) return true;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(fPid));
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[1024];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    // "pid (name) state ppid ...": the name may hold anything, so the fields begin after its last ')'.
    const char* at = std::strrchr(text, ')');
    if (at == nullptr) return false;
    char state = 0;
    unsigned long long user = 0, system = 0;
    if (std::sscanf(at + 1, " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu %llu", &state, &user, &system) != 3) {
      return false;
    }
    if (state == 'T' || state == 't' || state == 'Z' || state == 'X') return false;
    if (user + system != fTime) {
      fTime = user + system;
      fLastWork = Clock::now();
    }
    return true;
  }

  pid_t fPid = 0;
  Clock::time_point fStarted;
  Clock::time_point fLastWork;
  unsigned long long fTime = 0;
};

// The running instance's answers so far: the ACKs in order, until the connection ends or a byte
// that is not an ACK comes.
struct Answers {
  size_t acks = 0;
  bool ended = false;
};

// Reads what has arrived, without waiting, up to the ACKs expected.
void ReadAnswers(int fd, size_t expected, Answers& answers) {
  char bytes[256];
  while (!answers.ended && answers.acks < expected) {
    const ssize_t got = recv(fd, bytes, std::min(sizeof bytes, expected - answers.acks), MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got <= 0) {
      answers.ended = true;  // closed or failed
      return;
    }
    for (ssize_t i = 0; i < got && !answers.ended; ++i) {
      if (bytes[i] == kAck) {
        ++answers.acks;
      } else {
        answers.ended = true;
      }
    }
  }
}

using Outcome = DocumentHandover::Outcome;
using Handed = DocumentHandover::Handed;

Handed Exchange(int fd, const sockaddr_un& address, const std::vector<std::string>& documents) {
  // A full listen queue answers EAGAIN at once; a running instance that works empties it soon.
  const auto connectDeadline = std::chrono::steady_clock::now() + kIdle;
  while (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return {Outcome::Refused, 0};
    if (std::chrono::steady_clock::now() >= connectDeadline) return {Outcome::Unanswered, 0};
    poll(nullptr, 0, 10);
  }
  // The paths are for no one else's eyes, whatever lies at the socket's name.
  if (!PeerIsThisUser(fd)) return {Outcome::Refused, 0};
  Patience patience(fd);
  const std::string message = Encode(documents);
  size_t sent = 0;
  while (sent < message.size()) {
    ssize_t n = send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += size_t(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The message stays incomplete, so no ACK can come for it.
      if (!patience.WaitFor(fd, POLLOUT)) return {Outcome::Unanswered, 0};
    } else {
      return {Outcome::Refused, 0};
    }
  }
  const size_t expected = std::max<size_t>(documents.size(), 1);
  Answers answers;
  bool timedOut = false;
  while (answers.acks < expected && !answers.ended) {
    if (!patience.WaitFor(fd, POLLIN)) {
      // Time is up. Shutting the receiving side makes the running instance's ACKs fail from now
      // on; those that got through before are still in the queue.
      shutdown(fd, SHUT_RD);
      ReadAnswers(fd, expected, answers);
      timedOut = true;
      break;
    }
    const size_t before = answers.acks;
    ReadAnswers(fd, expected, answers);
    if (answers.acks != before) patience.Progress();
  }
  if (answers.acks >= expected) return {Outcome::Acknowledged, documents.size()};
  return {timedOut ? Outcome::Unanswered : Outcome::Refused, std::min(answers.acks, documents.size())};
}

enum class Probe { Live, Stale, Absent, Unusable };

// Who is at the socket path. Non-blocking, so a busy instance's full queue counts as live.
Probe ProbeSocket(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT ? Probe::Absent : Probe::Unusable;
  if (!S_ISSOCK(info.st_mode)) return Probe::Unusable;
  sockaddr_un address;
  if (!MakeAddress(path, address)) return Probe::Unusable;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Probe::Unusable;
  int result;
  do {
    result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  const int error = result == 0 ? 0 : errno;
  // Another user's socket is never ours to replace or to hand over to.
  const bool stranger = result == 0 && !PeerIsThisUser(fd);
  close(fd);
  if (stranger) return Probe::Unusable;
  if (result == 0 || error == EAGAIN || error == EINPROGRESS) return Probe::Live;
  if (error == ECONNREFUSED) return Probe::Stale;
  if (error == ENOENT) return Probe::Absent;
  return Probe::Unusable;
}

// Holds the lock file beside the socket for the lifetime of the object.
class SocketLock {
 public:
  explicit SocketLock(const std::string& socketPath) {
    fFd = open((socketPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fFd < 0) {
      Warn("cannot open the hand-over lock file: " + std::string(std::strerror(errno)));
      return;
    }
    // A process that holds it for long (stopped in the middle of a start or a quit) is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + kIdle;
    while (flock(fFd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) break;
      if (std::chrono::steady_clock::now() >= deadline) {
        fTimedOut = true;
        break;
      }
      poll(nullptr, 0, 5);
    }
  }
  // True when another process held the lock all the time.
  bool TimedOut() const { return fTimedOut; }
  ~SocketLock() {
    if (fFd >= 0) close(fFd);
  }
  SocketLock(const SocketLock&) = delete;
  SocketLock& operator=(const SocketLock&) = delete;

 private:
  int fFd = -1;
  bool fTimedOut = false;
};

// Binds a listening socket at path that only this user can connect to. It is made in a private
// folder of its own beside path, given its mode there and then moved into place, so that it is
// never reachable with the mode the umask would give it. -1 on failure, with errno set.
int BindPrivateSocket(const std::string& path) {
  std::string folder = path + ".XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) return -1;
  const std::string temporary = folder + "/s";
  sockaddr_un address;
  int fd = -1;
  int error = ENAMETOOLONG;
  if (MakeAddress(temporary, address)) {
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    error = errno;
    if (fd >= 0 && (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                    chmod(temporary.c_str(), S_IRWXU) != 0 || listen(fd, SOMAXCONN) != 0 ||
                    rename(temporary.c_str(), path.c_str()) != 0)) {
      error = errno;
      close(fd);
      fd = -1;
    }
  }
  unlink(temporary.c_str());  // left only when something failed
  rmdir(folder.c_str());
  errno = error;
  return fd;
}

}  // namespace

class HandoverConnection;

// The running instance's side: the listening socket and the connections taken in from it.
class HandoverServer {
 public:
  HandoverServer(int fd, std::string path, DocumentHandover::Deliver deliver)
      : fFd(fd), fPath(std::move(path)), fDeliver(std::move(deliver)) {
    fWatch = g_unix_fd_add(fFd, G_IO_IN, &HandoverServer::Ready, this);
  }
  ~HandoverServer();
  HandoverServer(const HandoverServer&) = delete;
  HandoverServer& operator=(const HandoverServer&) = delete;

  const std::string& Path() const { return fPath; }
  const DocumentHandover::Deliver& Deliverer() const { return fDeliver; }
  // Stops listening and cuts every connection, those whose documents are being taken included
  // (their senders then handle the rest themselves). The socket file stays: the caller removes it
  // under the lock.
  void Close();
  // A connection that has ended and goes on its own.
  void Forget(HandoverConnection* connection);

 private:
  static gboolean Ready(gint, GIOCondition, gpointer server) {
    static_cast<HandoverServer*>(server)->Accept();
    return G_SOURCE_CONTINUE;
  }
  void Accept();

  int fFd;
  std::string fPath;
  DocumentHandover::Deliver fDeliver;
  guint fWatch = 0;
  std::set<std::shared_ptr<HandoverConnection>> fConnections;
};

// One sender's connection: read by the event loop until its message is whole, then handed to the
// program, which takes its documents one by one. It lives as long as the server or the program
// holds it.
class HandoverConnection : public HandedOverDocuments, public std::enable_shared_from_this<HandoverConnection> {
 public:
  HandoverConnection(HandoverServer* server, int fd) : fServer(server), fFd(fd) {
    fWatch = g_unix_fd_add(fFd, G_IO_IN, &HandoverConnection::Ready, this);
    fLimit = g_timeout_add_full(G_PRIORITY_DEFAULT, guint(std::chrono::milliseconds(kWait).count()),
                                &HandoverConnection::TimedOut, this, nullptr);
  }
  ~HandoverConnection() override { Cut(); }
  HandoverConnection(const HandoverConnection&) = delete;
  HandoverConnection& operator=(const HandoverConnection&) = delete;

  std::optional<std::string> Take() override {
    if (fFd < 0 || fWatch != 0) return std::nullopt;  // ended, or the message is not whole yet
    if (fNext == fDocuments.size() && !fDocuments.empty()) {
      End();
      return std::nullopt;
    }
    // The answer goes before the document: once the program has the document, nothing may stop
    // the sender from hearing that it was taken.
    if (!Acknowledge() || fDocuments.empty()) {
      End();
      return std::nullopt;
    }
    std::string document = std::move(fDocuments[fNext++]);
    // The sender needs nothing more once it has all its answers.
    if (fNext == fDocuments.size()) End();
    return document;
  }

  // Closes the connection at once; what was not acknowledged stays with the sender.
  void Cut() {
    if (fWatch != 0) g_source_remove(fWatch);
    if (fLimit != 0) g_source_remove(fLimit);
    fWatch = fLimit = 0;
    if (fFd < 0) return;
    close(fFd);
    fFd = -1;
  }

  // Ends the connection and lets the server forget it.
  void End() {
    Cut();
    HandoverServer* server = fServer;
    fServer = nullptr;
    if (server != nullptr) server->Forget(this);
  }

  // The server is closing: it forgets every connection itself.
  void Detach() {
    fServer = nullptr;
    Cut();
  }

 private:
  // Reads what has arrived; once the message is whole (or cannot become a message), hands it to
  // the program or cuts the connection.
  void Read() {
    if (fFd < 0) return;
    // The program's handlers may quit and close the server, which then lets go of this connection.
    const std::shared_ptr<HandoverConnection> self = shared_from_this();
    bool ended = false;
    char chunk[65536];
    while (fBuffer.size() <= kMaxMessage) {
      const ssize_t got = recv(fFd, chunk, sizeof chunk, MSG_DONTWAIT);
      if (got > 0) {
        fBuffer.append(chunk, size_t(got));
      } else if (got < 0 && errno == EINTR) {
        continue;
      } else {
        ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
      }
    }
    const Decoded decoded = Decode(fBuffer, fDocuments);
    if (decoded == Decoded::Incomplete && !ended) return;
    if (decoded != Decoded::Complete || fServer == nullptr) {
      End();
      return;
    }
    fBuffer = std::string();
    g_source_remove(fWatch);
    g_source_remove(fLimit);
    fWatch = fLimit = 0;
    const DocumentHandover::Deliver deliver = fServer->Deliverer();
    deliver(self);
  }

  // Sends one ACK without waiting long: a sender that has given up has shut its receiving side,
  // and then the send fails. One that is slow to read its earlier answers gets half a second.
  bool Acknowledge() {
    for (bool waited = false;; waited = true) {
      const ssize_t sent = send(fFd, &kAck, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent == 1) return true;
      if (sent < 0 && errno == EINTR) continue;
      if (waited || sent >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
      pollfd entry{fFd, POLLOUT, 0};
      if (poll(&entry, 1, int(std::chrono::milliseconds(kIdle).count())) <= 0) return false;
    }
  }

  static gboolean Ready(gint, GIOCondition, gpointer connection) {
    static_cast<HandoverConnection*>(connection)->Read();
    return G_SOURCE_CONTINUE;  // a connection that was handed on or ended has removed this source itself
  }
  static gboolean TimedOut(gpointer data) {
    auto* connection = static_cast<HandoverConnection*>(data);
    const std::shared_ptr<HandoverConnection> self = connection->shared_from_this();
    connection->fLimit = 0;
    connection->End();
    return G_SOURCE_REMOVE;
  }

  HandoverServer* fServer;
  int fFd;
  guint fWatch = 0;
  guint fLimit = 0;
  std::string fBuffer;
  std::vector<std::string> fDocuments;
  size_t fNext = 0;
};

HandoverServer::~HandoverServer() {
  Close();
}

void HandoverServer::Forget(HandoverConnection* connection) {
  for (auto it = fConnections.begin(); it != fConnections.end(); ++it) {
    if (it->get() == connection) {
      fConnections.erase(it);
      return;
    }
  }
}

void HandoverServer::Accept() {
  // Everything waiting is taken in at once; the watch comes back for later ones.
  while (fFd >= 0) {
    const int connection = accept4(fFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection >= 0) {
      // Only this user's documents are taken, even from one who could reach the socket.
      if (!PeerIsThisUser(connection)) {
        close(connection);
        continue;
      }
      fConnections.insert(std::make_shared<HandoverConnection>(this, connection));
    } else if (errno != EINTR && errno != ECONNABORTED) {
      break;
    }
  }
}

void HandoverServer::Close() {
  const std::set<std::shared_ptr<HandoverConnection>> connections = std::move(fConnections);
  fConnections.clear();
  for (const auto& connection : connections) connection->Detach();
  if (fFd < 0) return;
  if (fWatch != 0) g_source_remove(fWatch);
  fWatch = 0;
  // Connections still waiting in the queue are reset with it.
  close(fFd);
  fFd = -1;
}

std::string DocumentHandover::PrivateFolder(const std::string& parent) {
  const std::string folder = parent + "/tessarine-" + std::to_string(geteuid());
  if (mkdir(folder.c_str(), 0700) == 0) {
    chmod(folder.c_str(), 0700);  // the umask may have taken bits away
  } else if (errno != EEXIST) {
    return {};
  }
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0) return {};
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 07777) != 0700) {
    return {};
  }
  return folder;
}

namespace {

// Whether the socket may lie in folder: the folder is this user's and no one else may write into
// it, and at the socket's name there is a socket or nothing (a link there would lead elsewhere).
bool UsableFolder(const std::string& folder) {
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return false;
  }
  if (lstat((folder + "/tessarine.socket").c_str(), &info) == 0) return S_ISSOCK(info.st_mode);
  return errno == ENOENT;
}

}  // namespace

std::string DocumentHandover::SocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && UsableFolder(runtime)) {
    return std::string(runtime) + "/tessarine.socket";
  }
  const char* temporary = std::getenv("TMPDIR");
  const std::string folder = PrivateFolder(temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp");
  if (folder.empty() || !UsableFolder(folder)) return {};
  return folder + "/tessarine.socket";
}

DocumentHandover::Handed DocumentHandover::HandToRunningInstance(const std::vector<std::string>& documents) {
  sockaddr_un address;
  if (!MakeAddress(SocketPath(), address)) return {Outcome::Refused, 0};
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return {Outcome::Refused, 0};
  const Handed handed = Exchange(fd, address, documents);
  close(fd);
  return handed;
}

bool DocumentHandover::SendToRunningInstance(const std::vector<std::string>& documents) {
  return HandToRunningInstance(documents).outcome == Outcome::Acknowledged;
}

DocumentHandover::DocumentHandover(Deliver deliver) : fDeliver(std::move(deliver)) {}

DocumentHandover::~DocumentHandover() { Close(); }

bool DocumentHandover::Listen() {
  if (fServer) return true;
  const std::string path = SocketPath();
  sockaddr_un address;
  if (!MakeAddress(path, address)) {
    // Nobody else can use the socket either, so this instance simply runs alone.
    Warn("no usable folder for the hand-over socket; running without it");
    return true;
  }
  SocketLock lock(path);
  if (lock.TimedOut()) {
    Warn("the hand-over lock stays taken; running without hand-over");
    return true;
  }
  switch (ProbeSocket(path)) {
    case Probe::Live:
      return false;
    case Probe::Stale:
      unlink(path.c_str());
      break;
    case Probe::Absent:
      break;
    case Probe::Unusable:
      Warn(path + " is not a usable socket; running without hand-over");
      return true;
  }
  const int fd = BindPrivateSocket(path);
  if (fd < 0) {
    Warn("cannot listen on " + path + ": " + std::strerror(errno));
    return true;
  }
  fServer = std::make_unique<HandoverServer>(fd, path, fDeliver);
  return true;
}

void DocumentHandover::Close() {
  if (!fServer) return;
  const std::string path = fServer->Path();
  {
    // The socket file is removed under the lock, so that it is still ours. Connections taken in
    // but not yet answered get no answer: their senders handle their documents themselves.
    SocketLock lock(path);
    fServer->Close();
    // Without the lock the socket may be another's by now; left as it is, a later start finds
    // it refusing and replaces it.
    if (!lock.TimedOut()) unlink(path.c_str());
  }
  // This may run inside one of the server's own handlers (a delivered document that quits).
  DeleteSoon(fServer.release());
}

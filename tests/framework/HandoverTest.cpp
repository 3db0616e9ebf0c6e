#include "framework/DocumentHandover.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "framework/Runtime.h"
#include "support/TestTime.h"

namespace {

using Batch = std::vector<std::string>;

bool IsSocket(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Each test gets its own runtime folder, so that it meets neither a real instance nor another test.
class HandoverTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    if (previous != nullptr) fPrevious = previous;
    fHadPrevious = previous != nullptr;
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    socketPath = dir.Path("tessarine.socket");
  }
  void TearDown() override {
    if (fHadPrevious) {
      setenv("XDG_RUNTIME_DIR", fPrevious.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

  // Takes every document of a batch at once, as the program's loop does.
  DocumentHandover::Deliver Recorder() {
    return [this](const std::shared_ptr<HandedOverDocuments>& handed) { delivered.push_back(TakeAll(*handed)); };
  }
  static Batch TakeAll(HandedOverDocuments& handed) {
    Batch batch;
    while (std::optional<std::string> document = handed.Take()) batch.push_back(*document);
    return batch;
  }

  static std::future<bool> SendInBackground(Batch documents) {
    return std::async(std::launch::async, [documents] { return DocumentHandover::SendToRunningInstance(documents); });
  }

  // Runs this thread's event loop, where the server lives, until the sender has its answer.
  static bool Await(std::future<bool>& sent) {
    QElapsedTimer clock;
    clock.start();
    while (sent.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < TestTime::Scaled(20000)) {
      Runtime::ProcessEvents(1);
    }
    return sent.get();
  }

  TempDir dir;
  std::string socketPath;
  std::vector<Batch> delivered;

 private:
  std::string fPrevious;
  bool fHadPrevious = false;
};

TEST_F(HandoverTest, WithoutARunningInstanceNothingIsHandedOverAndNothingWaits) {
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(DocumentHandover::SendToRunningInstance({"/a"}));
  EXPECT_LT(clock.elapsed(), TestTime::Scaled(1000));
}

TEST_F(HandoverTest, DocumentsFromAnotherStartArriveOnceWithTheirBytesIntact) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  ASSERT_TRUE(IsSocket(socketPath));
  struct stat info;
  ASSERT_EQ(stat(socketPath.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u) << "only this user may connect";

  const Batch documents{"/plain", "/with blank", "/with\nnewline", std::string("/raw\xff\x01\0x", 8),
                        std::string(5000, 'p')};
  std::future<bool> sent = SendInBackground(documents);
  EXPECT_TRUE(Await(sent));
  Runtime::ProcessEvents(10);
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0], documents);
}

// A raw sender: connects, writes bytes in pieces with the instance's loop running in between, and
// gives the one-byte answer, or -1 when the connection was cut without one.
class RawSender {
 public:
  explicit RawSender(const std::string& path) {
    fFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    fConnected = connect(fFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawSender() { close(fFd); }
  bool Connected() const { return fConnected; }
  void Send(const std::string& bytes) {
    EXPECT_EQ(send(fFd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    Runtime::ProcessEvents(5);
  }
  // What has arrived so far, without waiting.
  std::string Waiting() {
    std::string bytes;
    char byte = 0;
    while (recv(fFd, &byte, 1, MSG_DONTWAIT) == 1) bytes.push_back(byte);
    return bytes;
  }
  int Answer() {
    std::future<int> answer = std::async(std::launch::async, [fd = fFd] {
      char byte = 0;
      return recv(fd, &byte, 1, 0) == 1 ? int(byte) : -1;
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) Runtime::ProcessEvents(1);
    return answer.get();
  }

 private:
  int fFd = -1;
  bool fConnected = false;
};

TEST_F(HandoverTest, AMessageThatArrivesInPiecesIsPutTogether) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  RawSender sender(socketPath);
  ASSERT_TRUE(sender.Connected());
  const std::string message = std::string("TSH2\0\0\0\2", 8) + std::string("\0\0\0\2/a", 6) + std::string("\0\0\0\3/bc", 7);
  for (char byte : message) sender.Send(std::string(1, byte));
  EXPECT_EQ(sender.Answer(), 0x06);
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/a", "/bc"}}));
}

TEST_F(HandoverTest, AMalformedMessageIsCutUnansweredAndNothingIsDelivered) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  for (const std::string& message :
       {std::string("HELO"), std::string("TSH2\0\0\0\1\0\0\0\2/a/extra", 18),
        // as a start that expects one answer for the whole message would send it
        std::string("TSH1\0\0\0\1\0\0\0\2/a", 14)}) {
    RawSender sender(socketPath);
    ASSERT_TRUE(sender.Connected());
    sender.Send(message);
    EXPECT_EQ(sender.Answer(), -1) << message;
  }
  EXPECT_TRUE(delivered.empty());
  // Listening goes on, and only the socket and its lock lie in the folder.
  std::future<bool> sent = SendInBackground({"/after"});
  EXPECT_TRUE(Await(sent));
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/after"}}));
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries.push_back(entry.path().filename());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"tessarine.socket", "tessarine.socket.lock"}));
}

TEST_F(HandoverTest, AStartWithoutDocumentsIsAcknowledgedToo) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  std::future<bool> sent = SendInBackground({});
  EXPECT_TRUE(Await(sent));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_TRUE(delivered[0].empty());
}

TEST_F(HandoverTest, OnlyOneInstanceListensAndCloseRemovesTheSocket) {
  DocumentHandover first(Recorder());
  DocumentHandover second(Recorder());
  ASSERT_TRUE(first.Listen());
  EXPECT_FALSE(second.Listen()) << "a live socket is never taken over";
  EXPECT_TRUE(IsSocket(socketPath));
  first.Close();
  EXPECT_FALSE(IsSocket(socketPath));
  EXPECT_FALSE(DocumentHandover::SendToRunningInstance({"/after close"}));
  EXPECT_TRUE(second.Listen());
  std::future<bool> sent = SendInBackground({"/to second"});
  EXPECT_TRUE(Await(sent));
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/to second"}}));
}

TEST_F(HandoverTest, ASocketLeftByAKilledInstanceIsReplaced) {
  {
    // What a killed instance leaves: a bound socket file with nobody listening.
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
  }
  ASSERT_TRUE(IsSocket(socketPath));
  EXPECT_FALSE(DocumentHandover::SendToRunningInstance({"/refused"}));

  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  std::future<bool> sent = SendInBackground({"/after replacement"});
  EXPECT_TRUE(Await(sent));
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/after replacement"}}));
}

// Its holder may be stopped in the middle of a start or a quit: a start does not wait for it, and
// runs without the socket rather than replace one that may be live.
TEST_F(HandoverTest, ALockThatStaysTakenIsNotWaitedFor) {
  const int held = open((socketPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  DocumentHandover handover(Recorder());
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(handover.Listen());
  EXPECT_LT(clock.elapsed(), TestTime::Scaled(3000));
  EXPECT_FALSE(IsSocket(socketPath));
  close(held);
}

TEST_F(HandoverTest, AConnectionNotYetAnsweredWhenTheInstanceQuitsIsRefused) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  std::future<bool> sent = SendInBackground({"/too late"});
  // The sender connects and sends while this instance is busy (its loop does not run).
  TestTime::Pause(50);
  handover.Close();
  EXPECT_FALSE(Await(sent));
  Runtime::ProcessEvents(10);
  EXPECT_TRUE(delivered.empty());
}

// The first document's road quits the run: the rest is not acknowledged, so the sender keeps it.
TEST_F(HandoverTest, AQuitInTheMiddleOfABatchLeavesTheRestWithTheSender) {
  DocumentHandover* self = nullptr;
  DocumentHandover handover([&](const std::shared_ptr<HandedOverDocuments>& handed) {
    delivered.push_back({*handed->Take()});
    self->Close();  // as the document's handler quitting would
    EXPECT_EQ(handed->Take(), std::nullopt);
  });
  self = &handover;
  ASSERT_TRUE(handover.Listen());
  std::future<DocumentHandover::Handed> sent = std::async(std::launch::async, [] {
    return DocumentHandover::HandToRunningInstance({"/a", "/b", "/c"});
  });
  QElapsedTimer clock;
  clock.start();
  while (sent.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < TestTime::Scaled(20000)) {
    Runtime::ProcessEvents(1);
  }
  const DocumentHandover::Handed handed = sent.get();
  EXPECT_EQ(handed.outcome, DocumentHandover::Outcome::Refused);
  EXPECT_EQ(handed.taken, 1u);
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/a"}}));
  EXPECT_FALSE(IsSocket(socketPath));
}

// The sender hears of a document only when the program takes it: a batch that waits (before the
// program's Open, say) is not answered, and each document is answered on its own.
TEST_F(HandoverTest, EachDocumentIsAnsweredOnlyAsTheProgramTakesIt) {
  std::shared_ptr<HandedOverDocuments> waiting;
  DocumentHandover handover([&](const std::shared_ptr<HandedOverDocuments>& handed) { waiting = handed; });
  ASSERT_TRUE(handover.Listen());
  RawSender sender(socketPath);
  ASSERT_TRUE(sender.Connected());
  sender.Send(std::string("TSH2\0\0\0\2", 8) + std::string("\0\0\0\2/a", 6) + std::string("\0\0\0\2/b", 6));
  ASSERT_TRUE(TestTime::WaitUntil([&] {
    Runtime::ProcessEvents(1);
    return waiting != nullptr;
  }, 5000, 0));
  Runtime::ProcessEvents(20);
  EXPECT_EQ(sender.Waiting(), "") << "answered before anything was taken";
  EXPECT_EQ(waiting->Take(), "/a");
  EXPECT_EQ(sender.Waiting(), "\x06");
  EXPECT_EQ(waiting->Take(), "/b");
  EXPECT_EQ(sender.Waiting(), "\x06");
  EXPECT_EQ(waiting->Take(), std::nullopt);
  EXPECT_EQ(sender.Answer(), -1) << "the connection ends with the last answer";
}

// The quit timer fires while documents are on their way: each document is handled exactly once,
// either by the running instance (acknowledged) or by the sender itself.
TEST_F(HandoverTest, EveryDocumentIsHandledOnceWhenTheInstanceQuitsMeanwhile) {
  std::map<std::string, int> handled;
  int byServer = 0;
  int bySender = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<Batch> got;
    DocumentHandover handover([&](const std::shared_ptr<HandedOverDocuments>& handed) {
      const Batch batch = TakeAll(*handed);
      if (!batch.empty()) got.push_back(batch);
    });
    ASSERT_TRUE(handover.Listen());
    const Batch documents{"/r" + std::to_string(round) + "a", "/r" + std::to_string(round) + "b"};
    QTimer quit;
    quit.setTimerType(Qt::PreciseTimer);
    quit.setSingleShot(true);
    QObject::connect(&quit, &QTimer::timeout, [&] { handover.Close(); });
    quit.start(round % 4);
    std::future<DocumentHandover::Handed> sent =
        std::async(std::launch::async, [documents] { return DocumentHandover::HandToRunningInstance(documents); });
    QElapsedTimer clock;
    clock.start();
    while (sent.wait_for(std::chrono::seconds(0)) != std::future_status::ready &&
           clock.elapsed() < TestTime::Scaled(20000)) {
      Runtime::ProcessEvents(1);
    }
    const DocumentHandover::Handed handed = sent.get();
    Runtime::ProcessEvents(0);
    handover.Close();
    ASSERT_EQ(handed.outcome == DocumentHandover::Outcome::Acknowledged, handed.taken == documents.size());
    const Batch taken(documents.begin(), documents.begin() + std::ptrdiff_t(handed.taken));
    ASSERT_EQ(got, (taken.empty() ? std::vector<Batch>{} : std::vector<Batch>{taken})) << "round " << round;
    byServer += int(taken.size());
    bySender += int(documents.size() - taken.size());
    for (const std::string& document : taken) ++handled[document];
    for (size_t i = handed.taken; i < documents.size(); ++i) ++handled[documents[i]];
  }
  for (const auto& [document, count] : handled) EXPECT_EQ(count, 1) << document;
  EXPECT_EQ(handled.size(), 300u);
  // Both outcomes should occur; the rounds are spread over the quit timer's moments for that.
  RecordProperty("acknowledged", byServer);
  RecordProperty("refused", bySender);
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : fName(name) {
    const char* previous = std::getenv(name);
    fHad = previous != nullptr;
    if (fHad) fPrevious = previous;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (fHad) {
      setenv(fName, fPrevious.c_str(), 1);
    } else {
      unsetenv(fName);
    }
  }

 private:
  const char* fName;
  std::string fPrevious;
  bool fHad = false;
};

constexpr uid_t kStranger = 65534;

enum class AtSocketName { Nothing, Link, File };
enum class Place { RuntimeFolder, PrivateFolder };

struct RuntimeFolderRow {
  const char* name;
  mode_t mode;
  bool strangers;  // the folder belongs to another user
  AtSocketName atSocketName;
  Place place;
};

class SocketPlaceTest : public testing::TestWithParam<RuntimeFolderRow> {};

// Where the socket goes: the runtime folder only when no one else can put a socket of theirs at
// its name, else the private folder in $TMPDIR.
TEST_P(SocketPlaceTest, IsTheRuntimeFolderOnlyWhenNoOneElseCanWriteThere) {
  const RuntimeFolderRow& row = GetParam();
  if (row.strangers && geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  TempDir runtime;
  TempDir temporary;
  if (row.atSocketName == AtSocketName::Link) {
    ASSERT_EQ(symlink(temporary.Path("elsewhere").c_str(), runtime.Path("tessarine.socket").c_str()), 0);
  } else if (row.atSocketName == AtSocketName::File) {
    runtime.Write("tessarine.socket", "", 0600);
  }
  ASSERT_EQ(chmod(runtime.path().c_str(), row.mode), 0);
  if (row.strangers) {
    ASSERT_EQ(chown(runtime.path().c_str(), kStranger, kStranger), 0);
  }
  ScopedVariable runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
  ScopedVariable temporaryFolder("TMPDIR", temporary.path());
  EXPECT_EQ(DocumentHandover::SocketPath(),
            row.place == Place::RuntimeFolder
                ? runtime.Path("tessarine.socket")
                : temporary.Path("tessarine-" + std::to_string(geteuid()) + "/tessarine.socket"));
  chown(runtime.path().c_str(), geteuid(), getegid());
  chmod(runtime.path().c_str(), 0700);
}

INSTANTIATE_TEST_SUITE_P(
    RuntimeFolders, SocketPlaceTest,
    testing::Values(RuntimeFolderRow{"Private", 0700, false, AtSocketName::Nothing, Place::RuntimeFolder},
                    RuntimeFolderRow{"ReadableByAll", 0755, false, AtSocketName::Nothing, Place::RuntimeFolder},
                    RuntimeFolderRow{"WritableByAll", 01777, false, AtSocketName::Nothing, Place::PrivateFolder},
                    RuntimeFolderRow{"WritableByTheGroup", 0770, false, AtSocketName::Nothing, Place::PrivateFolder},
                    RuntimeFolderRow{"AnotherUsers", 0700, true, AtSocketName::Nothing, Place::PrivateFolder},
                    RuntimeFolderRow{"LinkAtTheSocketName", 0700, false, AtSocketName::Link, Place::PrivateFolder},
                    RuntimeFolderRow{"FileAtTheSocketName", 0700, false, AtSocketName::File, Place::PrivateFolder}),
    [](const testing::TestParamInfo<RuntimeFolderRow>& info) { return std::string(info.param.name); });

// Runs job in a child process as another user; its result is the child's exit code. The child
// makes system calls only, as a fork of a program with threads must.
pid_t AsStranger(const std::function<int()>& job) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(kStranger, kStranger, kStranger) != 0 ||
        setresuid(kStranger, kStranger, kStranger) != 0) {
      _exit(120);
    }
    _exit(job());
  }
  return pid;
}

// Another user who can reach the socket (its mode widened here) sends a whole message: the
// connection is cut unanswered and nothing is delivered.
TEST_F(HandoverTest, AStrangersDocumentsAreNotTaken) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  ASSERT_EQ(chmod(socketPath.c_str(), 0777), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::string path = socketPath;
  const std::string message = std::string("TSH2\0\0\0\1", 8) + std::string("\0\0\0\2/x", 6);
  const pid_t stranger = AsStranger([&path, &message] {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 3;
    if (send(fd, message.data(), message.size(), MSG_NOSIGNAL) != ssize_t(message.size())) return 0;
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 20000) <= 0) return 2;
    char byte = 0;
    return recv(fd, &byte, 1, 0) == 1 ? int(byte) : 0;
  });
  ASSERT_GT(stranger, 0);
  int status = 0;
  ASSERT_TRUE(TestTime::WaitUntil([&] {
    Runtime::ProcessEvents(1);
    return waitpid(stranger, &status, WNOHANG) == stranger;
  }, 25000, 0));
  chmod(dir.path().c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: could not connect, 2: neither answered nor cut, 6: answered";
  EXPECT_TRUE(delivered.empty());
}

// Another user's socket at the socket's name (moved there, as a link or a slip could lead there):
// the sender connects, sees a stranger and sends nothing.
TEST_F(HandoverTest, NothingIsSentToAStrangersSocket) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
  TempDir strangers;
  ASSERT_EQ(chown(strangers.path().c_str(), kStranger, kStranger), 0);
  const std::string strangerSocket = strangers.Path("s");
  int report[2];
  ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
  // The stranger tells how many bytes each connection brought, once it ends.
  const pid_t stranger = AsStranger([&strangerSocket, report] {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, strangerSocket.c_str(), sizeof address.sun_path - 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) return 3;
    const uint64_t ready = ~uint64_t(0);
    if (write(report[1], &ready, sizeof ready) != sizeof ready) return 4;
    for (;;) {
      const int connection = accept(fd, nullptr, nullptr);
      if (connection < 0) return 5;
      uint64_t received = 0;
      char bytes[4096];
      for (ssize_t got; (got = read(connection, bytes, sizeof bytes)) > 0;) received += uint64_t(got);
      close(connection);
      if (write(report[1], &received, sizeof received) != sizeof received) return 4;
    }
  });
  ASSERT_GT(stranger, 0);
  close(report[1]);
  auto next = [&]() -> std::optional<uint64_t> {
    pollfd entry{report[0], POLLIN, 0};
    uint64_t value = 0;
    if (poll(&entry, 1, int(TestTime::Scaled(10000))) <= 0 || read(report[0], &value, sizeof value) != sizeof value) {
      return std::nullopt;
    }
    return value;
  };
  ASSERT_EQ(next(), ~uint64_t(0)) << "the stranger did not listen";
  ASSERT_EQ(rename(strangerSocket.c_str(), socketPath.c_str()), 0);

  EXPECT_FALSE(DocumentHandover::SendToRunningInstance({"/secret"}));
  EXPECT_EQ(next(), 0u) << "the stranger was sent the documents";
  kill(stranger, SIGKILL);
  waitpid(stranger, nullptr, 0);
  close(report[0]);
}

TEST(PrivateFolderTest, IsCreatedPrivateAndOnlyAPrivateFolderOfOursIsUsed) {
  TempDir dir;
  const std::string expected = dir.Path("tessarine-" + std::to_string(geteuid()));
  const mode_t previousMask = umask(0);
  EXPECT_EQ(DocumentHandover::PrivateFolder(dir.path()), expected);
  umask(previousMask);
  struct stat info;
  ASSERT_EQ(lstat(expected.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_EQ(DocumentHandover::PrivateFolder(dir.path()), expected) << "an existing private folder is reused";

  chmod(expected.c_str(), 0755);
  EXPECT_EQ(DocumentHandover::PrivateFolder(dir.path()), "") << "readable by others";
  chmod(expected.c_str(), 0700);

  if (chown(expected.c_str(), geteuid() + 4242, getegid()) == 0) {
    EXPECT_EQ(DocumentHandover::PrivateFolder(dir.path()), "") << "owned by someone else";
    chown(expected.c_str(), geteuid(), getegid());
  }
}

TEST(PrivateFolderTest, ALinkOrAFileInItsPlaceIsRefused) {
  TempDir linked;
  TempDir target;
  const std::string name = "tessarine-" + std::to_string(geteuid());
  chmod(target.path().c_str(), 0700);
  ASSERT_EQ(symlink(target.path().c_str(), linked.Path(name).c_str()), 0);
  EXPECT_EQ(DocumentHandover::PrivateFolder(linked.path()), "");

  TempDir withFile;
  withFile.Write(name, "x", 0700);
  EXPECT_EQ(DocumentHandover::PrivateFolder(withFile.path()), "");
}

}  // namespace

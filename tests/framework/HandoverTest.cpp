#include "framework/DocumentHandover.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <map>
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

  DocumentHandover::Deliver Recorder() {
    return [this](const Batch& batch) { delivered.push_back(batch); };
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

TEST_F(HandoverTest, TheSocketLiesInTheUsersRuntimeFolder) {
  EXPECT_EQ(DocumentHandover::SocketPath(), socketPath);
}

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
  const std::string message = std::string("TSH1\0\0\0\2", 8) + std::string("\0\0\0\2/a", 6) + std::string("\0\0\0\3/bc", 7);
  for (char byte : message) sender.Send(std::string(1, byte));
  EXPECT_EQ(sender.Answer(), 0x06);
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/a", "/bc"}}));
}

TEST_F(HandoverTest, AMalformedMessageIsCutUnansweredAndNothingIsDelivered) {
  DocumentHandover handover(Recorder());
  ASSERT_TRUE(handover.Listen());
  for (const std::string& message :
       {std::string("HELO"), std::string("TSH1\0\0\0\1\0\0\0\2/a/extra", 18)}) {
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

TEST_F(HandoverTest, AQuitInsideTheDeliveryStillCountsAsHandedOver) {
  DocumentHandover* self = nullptr;
  DocumentHandover handover([&](const Batch& batch) {
    delivered.push_back(batch);
    self->Close();  // as the document's handler quitting would
  });
  self = &handover;
  ASSERT_TRUE(handover.Listen());
  std::future<bool> sent = SendInBackground({"/a", "/b"});
  EXPECT_TRUE(Await(sent));
  EXPECT_EQ(delivered, (std::vector<Batch>{{"/a", "/b"}}));
  EXPECT_FALSE(IsSocket(socketPath));
}

// The quit timer fires while documents are on their way: each document is handled exactly once,
// either by the running instance (acknowledged) or by the sender itself.
TEST_F(HandoverTest, EveryDocumentIsHandledOnceWhenTheInstanceQuitsMeanwhile) {
  std::map<std::string, int> handled;
  int byServer = 0;
  int bySender = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<Batch> got;
    DocumentHandover handover([&](const Batch& batch) { got.push_back(batch); });
    ASSERT_TRUE(handover.Listen());
    const Batch documents{"/r" + std::to_string(round) + "a", "/r" + std::to_string(round) + "b"};
    QTimer quit;
    quit.setTimerType(Qt::PreciseTimer);
    quit.setSingleShot(true);
    QObject::connect(&quit, &QTimer::timeout, [&] { handover.Close(); });
    quit.start(round % 4);
    std::future<bool> sent = SendInBackground(documents);
    const bool acknowledged = Await(sent);
    Runtime::ProcessEvents(0);
    handover.Close();
    if (acknowledged) {
      ++byServer;
      ASSERT_EQ(got, (std::vector<Batch>{documents})) << "round " << round;
    } else {
      ++bySender;
      ASSERT_TRUE(got.empty()) << "round " << round << ": refused, but delivered";
    }
    for (const std::string& document : documents) ++handled[document];
  }
  for (const auto& [document, count] : handled) EXPECT_EQ(count, 1) << document;
  EXPECT_EQ(handled.size(), 300u);
  // Both outcomes should occur; the rounds are spread over the quit timer's moments for that.
  RecordProperty("acknowledged", byServer);
  RecordProperty("refused", bySender);
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

// Hand-over between real processes: each start is the small peer program on the framework.
#ifdef TESSARINE_HANDOVER_PEER

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/TestTime.h"

namespace {

using Lines = std::vector<std::string>;

class HandoverPeerTest : public testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::canonical(dir.path()).string();
    log = folder + "/peer.log";
  }

  // Starts the peer in workFolder (default: the test's folder) with its own runtime folder.
  QProcess* Start(const std::vector<std::string>& arguments, const std::string& workFolder = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder));
    environment.insert("PEER_LOG", QString::fromStdString(log));
    environment.insert("PEER_LIFETIME", "15000");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(QString::fromStdString(workFolder.empty() ? folder : workFolder));
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    process->start(TESSARINE_HANDOVER_PEER, list);
    EXPECT_TRUE(process->waitForStarted(5000));
    processes.push_back(std::move(process));
    return processes.back().get();
  }

  static std::string Pid(QProcess* process) { return std::to_string(process->processId()); }

  Lines ReadLog() const {
    Lines lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The other process writes the log; wait until it holds count lines.
  Lines AwaitLog(size_t count) const {
    QElapsedTimer clock;
    clock.start();
    Lines lines = ReadLog();
    while (lines.size() < count && clock.elapsed() < TestTime::Scaled(15000)) {
      QThread::msleep(5);
      lines = ReadLog();
    }
    return lines;
  }

  static int AwaitExit(QProcess* process) {
    EXPECT_TRUE(process->waitForFinished(15000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    return process->exitCode();
  }

  TempDir dir;
  std::string folder;
  std::string log;
  std::vector<std::unique_ptr<QProcess>> processes;  // killed on destruction if still running
};

TEST_F(HandoverPeerTest, LaterStartsHandTheirDocumentsToTheRunningInstanceAndExit) {
  std::filesystem::create_directory(folder + "/sub");
  // Relative documents are resolved against the start's own folder; a Qt option is a document too.
  QProcess* first = Start({"rel/one", "/abs/two", "-platform"});
  const std::string a = Pid(first);
  Lines expected{"open " + a, "doc " + a + " " + folder + "/rel/one", "doc " + a + " /abs/two",
                 "doc " + a + " " + folder + "/-platform"};
  ASSERT_EQ(AwaitLog(4), expected);

  EXPECT_EQ(AwaitExit(Start({"three"}, folder + "/sub")), 0);
  expected.push_back("doc " + a + " " + folder + "/sub/three");
  EXPECT_EQ(AwaitLog(5), expected);

  EXPECT_EQ(AwaitExit(Start({})), 0) << "a start without documents hands over an empty batch";

  EXPECT_EQ(AwaitExit(Start({"quit"})), 0);
  EXPECT_EQ(AwaitExit(first), 3);
  expected.push_back("doc " + a + " " + folder + "/quit");
  EXPECT_EQ(ReadLog(), expected);
}

// A document of a handed-over batch quits the running instance: what it had not begun stays with
// the later start, which runs and handles it itself; nothing is lost or handled twice.
TEST_F(HandoverPeerTest, DocumentsHandedOverOnceTheRunQuitsStayWithTheirStart) {
  QProcess* first = Start({"/x"});
  const std::string a = Pid(first);
  ASSERT_EQ(AwaitLog(2).size(), 2u);
  QProcess* second = Start({"/b1", "quit", "/b2", "/b3"});
  const std::string b = Pid(second);
  EXPECT_EQ(AwaitExit(first), 3);
  const Lines expected{"open " + a, "doc " + a + " /x", "doc " + a + " /b1", "doc " + a + " " + folder + "/quit",
                       "open " + b, "doc " + b + " /b2", "doc " + b + " /b3"};
  EXPECT_EQ(AwaitLog(7), expected);
  EXPECT_EQ(AwaitExit(Start({"/quit"})), 0);
  EXPECT_EQ(AwaitExit(second), 3);
}

TEST_F(HandoverPeerTest, AStartAfterAKilledInstanceTakesOverItsSocket) {
  QProcess* killed = Start({"/x"});
  ASSERT_EQ(AwaitLog(2).size(), 2u);
  killed->kill();
  killed->waitForFinished(5000);
  struct stat info;
  ASSERT_EQ(lstat((folder + "/tessarine.socket").c_str(), &info), 0) << "the killed instance leaves its socket";

  QProcess* next = Start({"/y"});
  const std::string e = Pid(next);
  Lines lines = AwaitLog(4);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "open " + e);
  EXPECT_EQ(lines[3], "doc " + e + " /y");

  EXPECT_EQ(AwaitExit(Start({"quit"})), 0);
  EXPECT_EQ(AwaitExit(next), 3);
}

TEST_F(HandoverPeerTest, OfTwoStartsAtOnceOneRunsAndTakesBothDocuments) {
  QProcess* one = Start({"/one"});
  QProcess* two = Start({"/two"});
  Lines lines = AwaitLog(3);
  ASSERT_EQ(lines.size(), 3u);
  QProcess* running = lines[0] == "open " + Pid(one) ? one : two;
  QProcess* handedOver = running == one ? two : one;
  EXPECT_EQ(lines[0], "open " + Pid(running));
  EXPECT_EQ(AwaitExit(handedOver), 0);
  std::vector<std::string> documents{lines[1], lines[2]};
  std::sort(documents.begin(), documents.end());
  EXPECT_EQ(documents, (Lines{"doc " + Pid(running) + " /one", "doc " + Pid(running) + " /two"}));

  EXPECT_EQ(AwaitExit(Start({"quit"})), 0);
  EXPECT_EQ(AwaitExit(running), 3);
}

TEST_F(HandoverPeerTest, AnExceptionFromAnEventEndsTheRunWithAnErrorLineAndItsExitCode) {
  QProcess* run = Start({"/one", "throw", "/two"});
  const std::string a = Pid(run);
  EXPECT_EQ(AwaitExit(run), 70) << "and no crash";
  EXPECT_EQ(ReadLog(), (Lines{"open " + a, "doc " + a + " /one", "doc " + a + " " + folder + "/throw"}));
  EXPECT_NE(run->readAllStandardError().toStdString().find(
                "Error:Application.UnhandledException: thrown by the peer"),
            std::string::npos);
}

TEST_F(HandoverPeerTest, TheResourcesFolderLiesBesideTheExecutablesFolder) {
  const std::string macOS = folder + "/Peer.app/Contents/MacOS";
  const std::string resources = folder + "/Peer.app/Contents/Resources";
  std::filesystem::create_directories(macOS);
  std::filesystem::create_directories(resources);
  std::filesystem::copy_file(TESSARINE_HANDOVER_PEER, macOS + "/peer");
  std::filesystem::create_symlink(macOS + "/peer", folder + "/link");

  auto printPaths = [&] {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PEER_PRINT_PATHS", "1");
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(folder + "/link"), {});
    EXPECT_TRUE(process.waitForFinished(15000));
    return process.readAllStandardOutput().toStdString();
  };
  EXPECT_EQ(printPaths(), macOS + "/peer\n" + resources + "\n") << "the link is resolved";
  std::filesystem::remove(resources);
  EXPECT_EQ(printPaths(), macOS + "/peer\nnone\n");
}

}  // namespace

#endif

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "IconFamilyBuilder.h"
#include "PluginTestSupport.h"
#include "plugin/IconFamily.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

extern char** environ;

namespace {

// GIO reads file metadata from the data folder that it saw first and keeps it, so the private
// data folder (where both the icon store and GIO's metadata go) is set once, for the whole run.
class PrivateDataHome : public ::testing::Environment {
 public:
  void SetUp() override {
    // A stamping child of a test keeps the data folder its parent chose.
    if (getenv("TESSARINE_STAMP_FILE") != nullptr) return;
    fDir = std::make_unique<TempDir>();
    fOld = getenv("XDG_DATA_HOME") ? std::optional<std::string>(getenv("XDG_DATA_HOME")) : std::nullopt;
    setenv("XDG_DATA_HOME", fDir->path().c_str(), 1);
  }
  void TearDown() override {
    if (fDir == nullptr) return;
    fOld ? setenv("XDG_DATA_HOME", fOld->c_str(), 1) : unsetenv("XDG_DATA_HOME");
    fDir.reset();
  }

 private:
  std::unique_ptr<TempDir> fDir;
  std::optional<std::string> fOld;
};
::testing::Environment* const gPrivateDataHome = ::testing::AddGlobalTestEnvironment(new PrivateDataHome);

const std::string kLargest = FakePNG(512, "the largest image");
const std::string kFamilyBytes = Icns(
    {IconElement("icp5", FakePNG(32)), IconElement("ic09", kLargest), IconElement("ic08", FakePNG(256))});

IconFamilyMBS Family(const std::string& bytes) {
  IconFamilyMBS family;
  EXPECT_TRUE(family.SetData(bytes));
  return family;
}

std::string StoreFolder() { return std::string(getenv("XDG_DATA_HOME")) + "/tessarine/icons"; }

std::string StoredName(const std::string& png) {
  return QCryptographicHash::hash(QByteArray(png.data(), static_cast<qsizetype>(png.size())),
                                  QCryptographicHash::Sha256)
             .toHex()
             .toStdString() +
         ".png";
}

timespec ModificationTime(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return status.st_mtim;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

using Clock = std::chrono::steady_clock;

// The environment of this process with the given variables set, and those named in dropped left
// out.
std::vector<std::string> EnvironmentWith(std::vector<std::string> variables, const std::vector<std::string>& dropped) {
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable(*entry);
    const std::string name = variable.substr(0, variable.find('='));
    bool replaced = std::find(dropped.begin(), dropped.end(), name) != dropped.end();
    for (const std::string& set : variables) replaced = replaced || set.rfind(name + "=", 0) == 0;
    if (!replaced) variables.push_back(variable);
  }
  return variables;
}

// Starts argv in environment with its output to the file at log; its process id, or none when it
// could not be started.
std::optional<pid_t> Spawn(std::vector<std::string> argv, std::vector<std::string> environment,
                           const std::string& log) {
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t output;
  posix_spawn_file_actions_init(&output);
  posix_spawn_file_actions_addopen(&output, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&output, STDOUT_FILENO, STDERR_FILENO);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, args[0], &output, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&output);
  if (spawned != 0) return std::nullopt;
  return child;
}

// A process started for a test's time and ended, by the signal given, with the object.
class ScopedProcess {
 public:
  ScopedProcess(std::optional<pid_t> pid, int signal) : fPid(pid.value_or(0)), fSignal(signal) {}
  ~ScopedProcess() {
    if (fPid <= 0) return;
    kill(fPid, fSignal);
    waitpid(fPid, nullptr, 0);
  }
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;
  bool Started() const { return fPid > 0; }

 private:
  pid_t fPid;
  int fSignal;
};

// What needs no metadata service: the checks before it is asked.
class CustomIconTest : public ::testing::Test {
 protected:
  TempDir fDir;
};

TEST_F(CustomIconTest, MissingFileIsReported) {
  EXPECT_EQ(AddCustomIconMBS(FolderItem(fDir.Path("gone.indd")), Family(kFamilyBytes), false),
            kCustomIconFileMissing);
}

TEST_F(CustomIconTest, FamilyWithoutPNGIsBad) {
  const FolderItem file(fDir.Write("doc.indd", "content"));
  EXPECT_EQ(AddCustomIconMBS(file, IconFamilyMBS(), false), kCustomIconBadFamily);
  IconFamilyMBS refused;
  EXPECT_FALSE(refused.SetData(kFamilyBytes.substr(0, 20)));
  EXPECT_EQ(AddCustomIconMBS(file, refused, false), kCustomIconBadFamily);
  EXPECT_EQ(AddCustomIconMBS(file, Family(Icns({IconElement("it32", std::string(64, 'r'))})), false),
            kCustomIconBadFamily);
}

TEST_F(CustomIconTest, UnwritableStoreIsReported) {
  // A file where the store's folder belongs stops even the superuser.
  fDir.Write("data/tessarine", "in the way");
  const ScopedEnv dataHome("XDG_DATA_HOME", fDir.Path("data"));
  const FolderItem file(fDir.Write("doc.indd", "content"));
  EXPECT_EQ(AddCustomIconMBS(file, Family(kFamilyBytes), false), kCustomIconStoreNotWritable);
  EXPECT_EQ(ReadFileBytes(file.NativePath()), "content");
}

// With no reachable metadata service the stamp fails at once with its code, and the file is left
// as it was.
class NoMetadataServiceTest : public CustomIconTest {
 protected:
  void ExpectUnavailableWithin(std::chrono::milliseconds limit) {
    const std::string path = fDir.Write("doc.indd", "content");
    const timespec before = ModificationTime(path);
    const auto start = Clock::now();
    EXPECT_EQ(AddCustomIconMBS(FolderItem(path), Family(kFamilyBytes), false),
              kCustomIconMetadataUnavailable);
    EXPECT_LT(Clock::now() - start, TestTime::Scaled(limit));
    EXPECT_EQ(ReadFileBytes(path), "content");
    EXPECT_TRUE(SameTime(ModificationTime(path), before));
  }
};

TEST_F(NoMetadataServiceTest, BusAddressOfADeadSocket) {
  const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + fDir.Path("no-bus-here"));
  ExpectUnavailableWithin(std::chrono::seconds(1));
}

TEST_F(NoMetadataServiceTest, NoBusAddressAtAllStartsNoBus) {
  const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
  const ScopedEnv runtime("XDG_RUNTIME_DIR", fDir.path());
  const ScopedEnv display("DISPLAY", std::nullopt);
  ExpectUnavailableWithin(std::chrono::seconds(1));
}

TEST_F(NoMetadataServiceTest, BusAddressOfAKindOnlyGIOReaches) {
  // Nobody listens on the discard port here; GIO, which knows the kind, finds that out.
  const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "tcp:host=127.0.0.1,port=9");
  ExpectUnavailableWithin(std::chrono::seconds(1));
}

TEST_F(NoMetadataServiceTest, BusThatNeverAnswers) {
  const std::string socketPath = fDir.Path("silent-bus");
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);  // accepted by the kernel, never answered
  {
    const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socketPath);
    // Well within the two seconds in which the document it stamps must be opened.
    ExpectUnavailableWithin(std::chrono::milliseconds(1200));
    // The answer is kept for this bus: a run of many documents waits once, not once per document.
    ExpectUnavailableWithin(std::chrono::milliseconds(200));
  }
  close(listener);
}

// A bus of the test's own, run in the given environment: bare (it offers no services at all) or
// the session's (GIO's metadata daemon is started on demand), taking the one way of authentication
// given.
class TestBus {
 public:
  TestBus(const TempDir& dir, const std::vector<std::string>& environment, bool sessionServices,
          const std::string& authentication = "EXTERNAL")
      : fSocket(dir.Path("test-bus")),
        fDaemon(Spawn({"dbus-daemon", "--config-file=" + Config(dir, sessionServices, authentication), "--nofork"},
                      environment, dir.Path("test-bus.txt")),
                SIGTERM) {
    if (fDaemon.Started() && !WaitFor([&] { return access(fSocket.c_str(), F_OK) == 0; })) {
      ADD_FAILURE() << "the test's bus did not start";
    }
  }

  bool Started() const { return fDaemon.Started(); }
  std::string Address() const { return "unix:path=" + fSocket; }

 private:
  std::string Config(const TempDir& dir, bool sessionServices, const std::string& authentication) const {
    return dir.Write(
        "test-bus.conf",
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:path=" +
            fSocket + "</listen><auth>" + authentication + "</auth>" +
            (sessionServices ? "<standard_session_servicedirs/>" : "") +
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow "
            "eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
  }

  std::string fSocket;
  ScopedProcess fDaemon;
};

TEST_F(NoMetadataServiceTest, BusWithoutTheMetadataService) {
  const TestBus bus(fDir, EnvironmentWith({}, {}), false);
  if (!bus.Started()) GTEST_SKIP() << "no dbus-daemon";
  const ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", bus.Address());
  // Answered at once: the bus says the service is neither running nor startable.
  ExpectUnavailableWithin(std::chrono::milliseconds(1000));
}

// Custom icons for real: needs a session bus on which GIO's metadata daemon can be started (the
// test command gives the tests a private one).
class MetadataTest : public CustomIconTest {
 protected:
  void SetUp() override {
    const char* bus = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus == nullptr || bus[0] == '\0') {
      GTEST_SKIP() << "no session bus (DBUS_SESSION_BUS_ADDRESS is not set); tools/test.sh starts one";
    }
  }
};

// What the stamp relies on when it leaves the document's date alone: the file is not changed,
// neither its bytes nor its dates nor its inode.
TEST_F(MetadataTest, StampGivesTheFileTheLargestImageAndLeavesItsBytes) {
  ASSERT_FALSE(CustomIconChangesFileMBS());
  const std::string content("\x00\x01binary\xff content", 17);
  const std::string path = fDir.Write("caf\xc3\xa9 'doc' $(x).indd", content);
  const timespec before = ModificationTime(path);
  struct stat status {};
  stat(path.c_str(), &status);
  const timespec changedBefore = status.st_ctim;
  const FolderItem file(path);

  ASSERT_EQ(AddCustomIconMBS(file, Family(kFamilyBytes), false), kCustomIconOK);

  const std::string stored = StoreFolder() + "/" + StoredName(kLargest);
  EXPECT_EQ(ReadFileBytes(stored), kLargest);
  EXPECT_EQ(CustomIconOf(file), "file://" + stored);
  EXPECT_EQ(ReadFileBytes(path), content);
  EXPECT_TRUE(SameTime(ModificationTime(path), before));
  stat(path.c_str(), &status);
  EXPECT_TRUE(SameTime(status.st_ctim, changedBefore));
}

TEST_F(MetadataTest, EachImageIsStoredOnceUnderItsContent) {
  const FolderItem first(fDir.Write("first.indd", "1"));
  const FolderItem second(fDir.Write("second.indd", "2"));
  ASSERT_EQ(AddCustomIconMBS(first, Family(kFamilyBytes), false), kCustomIconOK);
  ASSERT_EQ(AddCustomIconMBS(second, Family(kFamilyBytes), false), kCustomIconOK);
  EXPECT_EQ(CustomIconOf(first), CustomIconOf(second));

  const std::string other = FakePNG(512, "another version's image");
  ASSERT_EQ(AddCustomIconMBS(second, Family(Icns({IconElement("ic09", other)})), false), kCustomIconOK);
  EXPECT_EQ(CustomIconOf(second), "file://" + StoreFolder() + "/" + StoredName(other));
  EXPECT_EQ(CustomIconOf(first), "file://" + StoreFolder() + "/" + StoredName(kLargest));

  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(StoreFolder())) {
    ++files;
    EXPECT_EQ(entry.path().extension(), ".png") << entry.path();  // no temporary left behind
  }
  EXPECT_GE(files, 2u);
}

TEST_F(MetadataTest, AnswerForOneBusDoesNotCarryOverToAnother) {
  const FolderItem file(fDir.Write("doc.indd", "content"));
  ASSERT_EQ(AddCustomIconMBS(file, Family(kFamilyBytes), false), kCustomIconOK);
  {
    const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + fDir.Path("no-bus-here"));
    EXPECT_EQ(AddCustomIconMBS(file, Family(kFamilyBytes), false), kCustomIconMetadataUnavailable);
  }
  EXPECT_EQ(AddCustomIconMBS(file, Family(kFamilyBytes), false), kCustomIconOK);
}

TEST_F(MetadataTest, DamagedStoredImageIsReplaced) {
  const std::string stored = StoreFolder() + "/" + StoredName(kLargest);
  std::filesystem::create_directories(StoreFolder());
  { std::ofstream(stored, std::ios::trunc) << "damaged"; }
  ASSERT_EQ(AddCustomIconMBS(FolderItem(fDir.Write("doc.indd", "x")), Family(kFamilyBytes), false),
            kCustomIconOK);
  EXPECT_EQ(ReadFileBytes(stored), kLargest);
}

// Run in a process of its own (below): GIO settles on its file system backend once per process.
TEST(MetadataChild, DISABLED_StampsTheFileNamedInTheEnvironment) {
  const char* file = getenv("TESSARINE_STAMP_FILE");
  const char* result = getenv("TESSARINE_STAMP_RESULT");
  if (file == nullptr || result == nullptr) GTEST_SKIP() << "run by MetadataTest only";
  std::ofstream(result) << AddCustomIconMBS(FolderItem(file), Family(kFamilyBytes), false);
}

// Runs argv in environment with its output to log, for at most 30 s; its exit status, or none
// when it hung.
std::optional<int> RunWithin(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                             const std::string& log) {
  const std::optional<pid_t> started = Spawn(argv, environment, log);
  if (!started) return std::nullopt;
  const pid_t child = *started;
  int status = 0;
  if (!WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(30))) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return std::nullopt;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Stamps the file at path in a process of this test program's own with the given environment; the
// plug-in's result code, or the child's report when it failed.
std::string StampInChild(const std::string& path, const std::vector<std::string>& environment,
                         const TempDir& scratch) {
  const std::string resultPath = scratch.Path("result");
  std::vector<std::string> variables = environment;
  variables.push_back("TESSARINE_STAMP_FILE=" + path);
  variables.push_back("TESSARINE_STAMP_RESULT=" + resultPath);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string log = scratch.Path("child.log");
  const std::optional<int> status =
      RunWithin({self, "--gtest_filter=MetadataChild.DISABLED_StampsTheFileNamedInTheEnvironment",
                 "--gtest_also_run_disabled_tests"},
                variables, log);
  if (status != 0) return std::string(status ? "the stamp failed\n" : "the stamp hung\n") + ReadFileBytes(log);
  return ReadFileBytes(resultPath);
}

TEST_F(MetadataTest, WithoutGIOMetadataSupportTheServiceCountsAsUnavailable) {
  // GIO without its desktop backend (as where gvfs is not installed) keeps no metadata at all.
  const std::string path = fDir.Write("doc.indd", "content");
  EXPECT_EQ(StampInChild(path, EnvironmentWith({"GIO_USE_VFS=local", "QT_QPA_PLATFORM=offscreen"}, {}), fDir),
            std::to_string(kCustomIconMetadataUnavailable));
  EXPECT_EQ(ReadFileBytes(path), "content");
}

// Where a stamp is kept depends on the home folder, the folders on the way, the file system and the
// bus; the file manager, reading through GIO, must find it wherever the document is.
enum class Around {
  Nothing,
  Mount,        // a file system of its own mounted at the document's folder (needs the superuser)
  OwnTree,      // a metadata service that names a tree of its own for the document's device
  CookiesOnly,  // a session bus that takes only cookies as authentication
};

struct Place {
  const char* name;
  const char* home;      // below the test's folder: the home folder's name for the stamping side
  const char* document;  // below the test's folder, or absolute
  const char* shown;     // the name the reader asks for; the document's when empty
  Around around = Around::Nothing;
};

// A file system in memory mounted at a folder for the test's time.
class ScopedMount {
 public:
  explicit ScopedMount(const std::string& folder) : fFolder(folder) {
    std::filesystem::create_directories(folder);
    fMounted = mount("tessarine-test", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~ScopedMount() {
    if (fMounted) umount2(fFolder.c_str(), MNT_DETACH);
  }
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;
  bool Mounted() const { return fMounted; }

 private:
  std::string fFolder;
  bool fMounted = false;
};

// The stand-in for the metadata service below, on a bus of the test's own: it takes the service's
// name before the bus starts the real one.
class StandInService {
 public:
  StandInService(const std::vector<std::string>& environment, const std::string& record)
      : fRecord(record), fProcess(Spawn({TESSARINE_METADATA_STANDIN, record}, environment, record + ".log"), SIGKILL) {}

  // Whether it has taken the service's name.
  bool Ready() const {
    return fProcess.Started() && WaitFor([&] { return access(fRecord.c_str(), F_OK) == 0; });
  }
  // The Set calls it received: one line each, tree file and path.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadFileBytes(fRecord));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string fRecord;
  ScopedProcess fProcess;
};

void SetVariable(std::vector<std::string>& environment, const std::string& name, const std::string& value) {
  std::erase_if(environment, [&](const std::string& variable) { return variable.rfind(name + "=", 0) == 0; });
  environment.push_back(name + "=" + value);
}

class StampPlaceTest : public MetadataTest, public ::testing::WithParamInterface<Place> {};

TEST_P(StampPlaceTest, IsWhereGIOLooks) {
  namespace fs = std::filesystem;
  const Place& place = GetParam();
  fDir.Write("home/folder/doc.indd", "1");
  fDir.Write("homeward/doc.indd", "2");
  fDir.Write("elsewhere/doc.indd", "3");
  fDir.Write("elsewhere/folder/doc.indd", "4");
  fs::create_directories(fDir.Path("elsewhere/inner"));
  fs::create_directories(fDir.Path("elsewhere/home"));
  fs::create_symlink(fDir.Path("home"), fDir.Path("home-link"));
  fs::create_symlink(fDir.Path("home/folder"), fDir.Path("home/folder-link"));
  fs::create_symlink(fDir.Path("elsewhere/doc.indd"), fDir.Path("home/link.indd"));
  // Up from a link: from its target (elsewhere) for the kernel, from the link (the test's folder or
  // the home folder) when read as written.
  fs::create_symlink(fDir.Path("elsewhere/inner"), fDir.Path("inner-link"));
  fs::create_symlink(fDir.Path("elsewhere/inner"), fDir.Path("home/inner-link"));
  fs::create_symlink("inner-link/../folder", fDir.Path("home/up-link"));
  std::string document = place.document[0] == '/' ? place.document : fDir.Path(place.document);
  if (std::string(place.document).rfind("/dev/shm", 0) == 0) {
    struct stat shm {}, here {};
    if (stat("/dev/shm", &shm) != 0 || access("/dev/shm", W_OK) != 0 || stat(fDir.path().c_str(), &here) != 0 ||
        shm.st_dev == here.st_dev) {
      GTEST_SKIP() << "no other writable file system at /dev/shm";
    }
    document = "/dev/shm/tessarine-stamp-" + std::to_string(getpid()) + ".indd";
  }
  std::unique_ptr<ScopedMount> mounted;
  if (place.around == Around::Mount) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a file system needs the superuser";
    mounted = std::make_unique<ScopedMount>(fs::path(document).parent_path());
    if (!mounted->Mounted()) GTEST_SKIP() << "no file system can be mounted here";
  }
  if (!fs::exists(document)) std::ofstream(document) << "5";
  std::vector<std::string> environment = EnvironmentWith(
      {"HOME=" + fDir.Path(place.home), "QT_QPA_PLATFORM=offscreen"}, {"XDG_DATA_HOME", "GIO_USE_VFS"});
  std::unique_ptr<TestBus> bus;
  std::unique_ptr<StandInService> standIn;
  if (place.around == Around::CookiesOnly || place.around == Around::OwnTree) {
    // GIO keeps metadata only where its own daemons can be started: the session's services.
    const bool cookies = place.around == Around::CookiesOnly;
    bus = std::make_unique<TestBus>(fDir, environment, true, cookies ? "DBUS_COOKIE_SHA1" : "EXTERNAL");
    if (!bus->Started()) GTEST_SKIP() << "no dbus-daemon";
    SetVariable(environment, "DBUS_SESSION_BUS_ADDRESS", bus->Address());
  }
  if (place.around == Around::OwnTree) {
    standIn = std::make_unique<StandInService>(environment, fDir.Path("set-calls.txt"));
    ASSERT_TRUE(standIn->Ready());
  }

  const std::string result = StampInChild(document, environment, fDir);
  const std::string shown = place.shown[0] != '\0' ? fDir.Path(place.shown) : document;
  const std::string info = fDir.Path("info.txt");
  const std::optional<int> status =
      standIn ? RunWithin({"gio", "set", shown, "metadata::custom-icon", "file:///by-gio.png"}, environment, info)
              : RunWithin({"gio", "info", "-a", "metadata::custom-icon", shown}, environment, info);
  if (document.rfind("/dev/shm/", 0) == 0) unlink(document.c_str());
  ASSERT_EQ(result, std::to_string(kCustomIconOK));
  ASSERT_EQ(status, 0) << ReadFileBytes(info);
  if (standIn) {
    // The stamp's call and GIO's own, in that order, name the same tree and path.
    const std::vector<std::string> calls = standIn->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], calls[1]);
    return;
  }
  EXPECT_NE(ReadFileBytes(info).find("metadata::custom-icon: file://" + fDir.Path(place.home) +
                                     "/.local/share/tessarine/icons/" + StoredName(kLargest)),
            std::string::npos)
      << ReadFileBytes(info);
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, StampPlaceTest,
    ::testing::Values(Place{"InTheHomeFolder", "home", "home/folder/doc.indd", ""},
                      Place{"HomeNamedThroughALink", "home-link", "home/folder/doc.indd", "home-link/folder/doc.indd"},
                      Place{"HomeWrittenWithUpAfterALink", "inner-link/../home", "home/folder/doc.indd", ""},
                      Place{"FolderReachedThroughALink", "home", "home/folder-link/doc.indd", "home/folder/doc.indd"},
                      Place{"FolderLinkGoingUpThroughALink", "home", "home/up-link/doc.indd", ""},
                      // The link gets the icon, not the document it points to.
                      Place{"DocumentThatIsALink", "home", "home/link.indd", ""},
                      Place{"OutsideTheHomeFolder", "home", "elsewhere/doc.indd", ""},
                      Place{"FolderNamedLikeTheHomeFolder", "home", "homeward/doc.indd", ""},
                      Place{"OnAnotherFileSystem", "home", "/dev/shm", ""},
                      Place{"OnAFileSystemMountedInTheHomeFolder", "home", "home/mounted/doc.indd", "",
                            Around::Mount},
                      Place{"OnADeviceWithATreeOfItsOwn", "home", "/dev/shm", "", Around::OwnTree},
                      Place{"OnABusTakingOnlyCookies", "home", "home/folder/doc.indd", "", Around::CookiesOnly}),
    [](const ::testing::TestParamInfo<Place>& info) { return std::string(info.param.name); });

}  // namespace

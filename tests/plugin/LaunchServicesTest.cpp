#include <dirent.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <functional>
#include <sstream>

#include "PluginTestSupport.h"
#include "framework/Runtime.h"
#include "plugin/LaunchServices.h"
#include "support/TempDir.h"

namespace {

// Names that a shell would act on, were one involved anywhere: blanks, quotes, ;, $(…) and
// backquotes that would create "pwned" in the working folder, a backslash, a percent sign that
// looks like a field code, and letters beyond ASCII.
const std::string kNasty = "a b 'q' \"dq\" ;x $(touch pwned) `touch pwned` back\\slash %f caf\xc3\xa9";
// GIO checks a launcher's program before it undoes the %% escape, so a program path with a
// percent sign is refused; launcher programs get the other characters.
const std::string kNastyProgram = "a b 'q' \"dq\" ;x $(touch pwned) `touch pwned` back\\slash caf\xc3\xa9";
// A document's name also starts with a dash, as an option would, and holds a line break.
const std::string kNastyDocument = "-" + kNasty + "\nline two.indd";

// What one run of the recording application saw.
struct Record {
  pid_t pid = 0;
  pid_t parent = 0;
  pid_t session = 0;
  std::string folder;  // its working folder
  std::string start;   // what it started with: standard input, signal masks, open descriptors
  std::vector<std::string> arguments;
};

std::vector<std::string> SplitNul(const std::string& bytes) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
    parts.push_back(bytes.substr(start, end - start));
  }
  return parts;
}

Record ParseRecord(const std::string& bytes) {
  Record record;
  const std::vector<std::string> parts = SplitNul(bytes);
  if (parts.size() < 4) return record;
  // /proc/<pid>/stat: "pid (name) state ppid pgrp session ..."; the name may hold anything.
  record.pid = std::stoi(parts[0]);
  std::istringstream fields(parts[0].substr(parts[0].rfind(')') + 1));
  std::string state;
  pid_t group = 0;
  fields >> state >> record.parent >> group >> record.session;
  record.folder = parts[1].substr(0, parts[1].find_last_not_of('\n') + 1);
  record.start = parts[2];
  const size_t count = std::stoul(parts[3]);
  record.arguments.assign(parts.begin() + 4, parts.begin() + 4 + std::min(count, parts.size() - 4));
  return record;
}

std::string PercentDecoded(const std::string& text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// An Exec argument for a path, quoted as the desktop entry rules want, then escaped for the key
// file (a backslash doubled).
std::string ExecArgument(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';
  }
  quoted += '"';
  std::string escaped;
  for (char c : quoted) {
    escaped += c;
    if (c == '\\') escaped += '\\';
  }
  return escaped;
}

size_t OpenDescriptors() {
  size_t count = 0;
  DIR* folder = opendir("/proc/self/fd");
  while (readdir(folder) != nullptr) ++count;
  closedir(folder);
  return count;
}

// Our own children that have died but were not reaped.
std::vector<pid_t> ZombieChildren() {
  std::vector<pid_t> zombies;
  DIR* proc = opendir("/proc");
  while (const dirent* entry = readdir(proc)) {
    if (!isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string state;
    pid_t parent = 0;
    fields >> state >> parent;
    if (parent == getpid() && state == "Z") zombies.push_back(std::stoi(entry->d_name));
  }
  closedir(proc);
  return zombies;
}

class LaunchServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char saved[PATH_MAX];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    fSavedFolder = saved;
    // A shell, had one run, would create "pwned" here: the launched programs inherit this folder.
    ASSERT_EQ(chdir(fDir.path().c_str()), 0);
    fRecords = fDir.Path("records");
    ASSERT_EQ(mkdir(fRecords.c_str(), 0755), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(fSavedFolder.c_str()), 0);
    // Nothing that a name held was ever run.
    EXPECT_NE(access(fDir.Path("pwned").c_str(), F_OK), 0);
    EXPECT_NE(access(fDir.Path("records/pwned").c_str(), F_OK), 0);
  }

  // A recording application: writes its /proc stat line, working folder, what it started with
  // and its arguments into a record file of its own, in one rename. Its standard input and signal
  // masks are read by its interpreter, the start probe, before the shell starts (and clears its
  // signal mask). A lingering one then runs on (as real applications do) until it is killed.
  std::string WriteRecorder(const std::string& name, bool lingering = false) {
    const std::string script =
        "#!" TESSARINE_START_PROBE "\n"
        "out='" +
        fRecords +
        "'/rec.$$\n"
        "{ cat /proc/$$/stat; printf '\\0'; pwd -P; printf '\\0%s' \"$TESSARINE_START\"; "
        "ls -l /proc/$$/fd/; printf '\\0%s\\0' \"$#\"; "
        "[ $# -gt 0 ] && printf '%s\\0' \"$@\"; } > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n" +
        (lingering ? "exec sleep 30\n" : "");
    return fDir.Write(name, script, 0755);
  }

  std::string WriteDocument(const std::string& name) { return fDir.Write(name, "document", 0644); }

  std::string WriteLauncher(const std::string& name, const std::string& body) {
    return fDir.Write(name, "[Desktop Entry]\nName=Recorder\n" + body, 0644);
  }

  std::vector<std::string> RecordFiles() const {
    std::vector<std::string> names;
    DIR* folder = opendir(fRecords.c_str());
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name.rfind("rec.", 0) == 0 && name.find(".tmp") == std::string::npos) names.push_back(name);
    }
    closedir(folder);
    return names;
  }

  // Waits (bounded) for count runs of a recording application and gives what they saw, in pid order.
  std::vector<Record> WaitForRecords(size_t count) {
    EXPECT_TRUE(WaitFor([&] { return RecordFiles().size() >= count; })) << "the application did not run";
    std::vector<Record> records;
    for (const std::string& name : RecordFiles())
      records.push_back(ParseRecord(ReadFileBytes(fRecords + "/" + name)));
    std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.pid < b.pid; });
    return records;
  }

  FolderItemPtr Open(const std::string& application, const std::vector<std::string>& documents,
                     std::string* error = nullptr) {
    LaunchServicesLaunchParameterMBS parameter;
    parameter.Application = std::make_shared<FolderItem>(application);
    parameter.Defaults = true;
    std::vector<FolderItemPtr> items;
    for (const std::string& path : documents) items.push_back(std::make_shared<FolderItem>(path));
    FolderItemPtr result = LaunchServicesOpenXMBS(items, parameter);
    if (error != nullptr) *error = parameter.Error;
    return result;
  }

  // The launched program leads a session of its own, so it outlives us, and leaves no zombie of
  // ours: it is never our child, so nothing of ours has to collect it (init does, at its own pace).
  // No events run meanwhile: that must not wait for our event loop.
  void ExpectDetached(const Record& record) {
    EXPECT_NE(record.session, getsid(0));
    EXPECT_EQ(record.session, record.pid);
    EXPECT_TRUE(WaitFor([&] {
      std::ifstream stat("/proc/" + std::to_string(record.pid) + "/stat");
      std::string line;
      if (!std::getline(stat, line)) return true;
      std::istringstream fields(line.substr(line.rfind(')') + 1));
      std::string state;
      pid_t parent = 0;
      fields >> state >> parent;
      return state == "Z" && parent != getpid();
    })) << "the program did not end, or is our child";
    const pid_t waited = waitpid(record.pid, nullptr, WNOHANG);
    const int reason = errno;
    EXPECT_EQ(waited, -1);
    EXPECT_EQ(reason, ECHILD);
    EXPECT_TRUE(ZombieChildren().empty());
  }

  TempDir fDir;
  std::string fRecords;
  std::string fSavedFolder;
};

// The program starts clean whatever this process holds: standard input from /dev/null (ours is a
// pipe here, as a test runner's may already be /dev/null), none of our descriptors (one without
// close-on-exec is open here), no signal blocked, and SIGPIPE at its default although we ignore it.
TEST_F(LaunchServicesTest, ExecutableReceivesExactlyTheDocumentsPathAndIsDetached) {
  const std::string application = WriteRecorder(kNasty + "/-" + kNasty);
  const std::string document = WriteDocument(kNasty + "/" + kNastyDocument);
  const std::string ours = fDir.Write("ours.txt", "");
  const int inherited = open(ours.c_str(), O_RDONLY);
  ASSERT_GE(inherited, 0);
  int input[2];
  ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
  const int savedInput = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  ASSERT_EQ(dup2(input[0], STDIN_FILENO), STDIN_FILENO);
  const sighandler_t pipeHandler = signal(SIGPIPE, SIG_IGN);
  std::string error;
  const FolderItemPtr result = Open(application, {document}, &error);
  signal(SIGPIPE, pipeHandler);
  if (savedInput >= 0) {
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
  } else {
    close(STDIN_FILENO);
  }
  for (int end : input) close(end);
  close(inherited);
  ASSERT_NE(result, nullptr) << error;
  EXPECT_EQ(result->NativePath(), application);
  EXPECT_EQ(error, "");

  const std::vector<Record> records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].arguments, std::vector<std::string>{document});
  ExpectDetached(records[0]);
  const std::string& start = records[0].start;
  EXPECT_EQ(start.rfind("/dev/null\n", 0), 0u) << start;
  EXPECT_NE(start.find("SigBlk:\t0000000000000000\n"), std::string::npos) << start;
  const size_t ignored = start.find("SigIgn:\t");
  ASSERT_NE(ignored, std::string::npos) << start;
  EXPECT_EQ(std::stoull(start.substr(ignored + 8, 16), nullptr, 16) & (1ULL << (SIGPIPE - 1)), 0u) << start;
  EXPECT_EQ(start.find(ours), std::string::npos) << start;
}

// However many programs run and however long, a launch keeps nothing of ours for them: the count
// of our open descriptors stays where it was, and none of them is our child.
TEST_F(LaunchServicesTest, RunningProgramsHoldNoDescriptorOfOursAndAreNotOurChildren) {
  constexpr size_t kPrograms = 40;
  const std::string application = WriteRecorder("lingering recorder", true);
  const std::string document = WriteDocument("doc.indd");
  const size_t before = OpenDescriptors();
  for (size_t i = 0; i < kPrograms; ++i) ASSERT_NE(Open(application, {document}), nullptr);
  const std::vector<Record> records = WaitForRecords(kPrograms);
  const size_t after = OpenDescriptors();
  for (const Record& record : records) {
    EXPECT_NE(record.parent, getpid());
    EXPECT_EQ(waitpid(record.pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    kill(record.pid, SIGKILL);
  }
  EXPECT_EQ(records.size(), kPrograms);
  EXPECT_LT(after, before + 4) << "a descriptor is kept per running program";
}

TEST_F(LaunchServicesTest, DocumentPathThatIsNotUTF8ReachesTheExecutableUnchanged) {
  const std::string application = WriteRecorder("recorder");
  const std::string document = WriteDocument("caf\xe9 \xff.indd");
  ASSERT_NE(Open(application, {document}), nullptr);
  EXPECT_EQ(WaitForRecords(1).at(0).arguments, std::vector<std::string>{document});
}

TEST_F(LaunchServicesTest, ExecutableRunsOncePerDocument) {
  const std::string application = WriteRecorder("recorder");
  const std::string first = WriteDocument("first.indd");
  const std::string second = WriteDocument("second doc.indd");
  ASSERT_NE(Open(application, {first, second}), nullptr);
  std::vector<std::vector<std::string>> seen;
  for (const Record& record : WaitForRecords(2)) seen.push_back(record.arguments);
  EXPECT_THAT(seen, ::testing::UnorderedElementsAre(std::vector<std::string>{first},
                                                    std::vector<std::string>{second}));
}

TEST_F(LaunchServicesTest, BundleRunsTheProgramNamedAfterIt) {
  const std::string bundle = fDir.Path(kNasty + ".app");
  const std::string program = WriteRecorder(kNasty + ".app/Contents/MacOS/" + kNasty);
  fDir.Write(kNasty + ".app/Contents/MacOS/helper", "#!/bin/sh\ntouch '" + fDir.Path("helper-ran") + "'\n",
             0755);
  fDir.Write(kNasty + ".app/Contents/MacOS/readme", "not a program", 0644);
  const std::string document = WriteDocument(kNastyDocument);
  std::string error;
  const FolderItemPtr result = Open(bundle, {document}, &error);
  ASSERT_NE(result, nullptr) << error;
  EXPECT_EQ(result->NativePath(), bundle);
  const std::vector<Record> records = WaitForRecords(1);
  EXPECT_EQ(records.at(0).arguments, std::vector<std::string>{document});
  ExpectDetached(records.at(0));
  EXPECT_NE(access(fDir.Path("helper-ran").c_str(), F_OK), 0);
}

TEST_F(LaunchServicesTest, BundleRunsItsOnlyProgramWhateverItsName) {
  WriteRecorder("InDesign CS4.app/Contents/MacOS/launcher");
  fDir.Write("InDesign CS4.app/Contents/MacOS/data.bin", "data", 0644);
  const std::string document = WriteDocument("doc.indd");
  ASSERT_NE(Open(fDir.Path("InDesign CS4.app"), {document}), nullptr);
  EXPECT_EQ(WaitForRecords(1).at(0).arguments, std::vector<std::string>{document});
}

// The desktop's rule: %f and %F give local paths; %u and %U give URIs, where a local file may be
// passed either as a file: URI or as its path (GIO passes the path).
struct FieldCodeCase {
  const char* code;
  bool passesURI;
  friend void PrintTo(const FieldCodeCase& value, std::ostream* out) { *out << value.code; }
};

class DesktopFieldCodeTest : public LaunchServicesTest,
                             public ::testing::WithParamInterface<FieldCodeCase> {};

TEST_P(DesktopFieldCodeTest, LauncherPassesTheDocumentAsOneArgument) {
  const std::string script = WriteRecorder(kNastyProgram + "/-" + kNastyProgram);
  const std::string launcher =
      WriteLauncher(kNasty + ".desktop",
                    "Type=Application\nExec=" + ExecArgument(script) + " --open " + GetParam().code + "\n");
  const std::string document = WriteDocument(kNastyDocument);
  std::string error;
  const FolderItemPtr result = Open(launcher, {document}, &error);
  ASSERT_NE(result, nullptr) << error;
  EXPECT_EQ(result->NativePath(), launcher);

  const std::vector<Record> records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  ASSERT_EQ(records[0].arguments.size(), 2u);
  EXPECT_EQ(records[0].arguments[0], "--open");
  const std::string& passed = records[0].arguments[1];
  if (GetParam().passesURI && passed.rfind("file:///", 0) == 0) {
    // A URI must be one a program can take apart: every special byte percent-encoded.
    EXPECT_EQ(PercentDecoded(passed.substr(7)), document);
    EXPECT_TRUE(std::all_of(passed.begin(), passed.end(), [](char c) {
      return c > ' ' && c < 127 && c != '"' && c != '\\' && c != '`';
    })) << passed;
  } else {
    EXPECT_EQ(passed, document);
  }
  ExpectDetached(records[0]);
}

INSTANTIATE_TEST_SUITE_P(FieldCodes, DesktopFieldCodeTest,
                         ::testing::Values(FieldCodeCase{"%f", false}, FieldCodeCase{"%F", false},
                                           FieldCodeCase{"%u", true}, FieldCodeCase{"%U", true}),
                         [](const auto& info) { return std::string("code_") + (info.param.code + 1); });

TEST_F(LaunchServicesTest, LauncherWithSingleFileCodeRunsOncePerDocument) {
  const std::string script = WriteRecorder("recorder");
  const std::string launcher =
      WriteLauncher("one.desktop", "Type=Application\nExec=" + ExecArgument(script) + " %f\n");
  const std::string first = WriteDocument("first.indd");
  const std::string second = WriteDocument("second doc.indd");
  ASSERT_NE(Open(launcher, {first, second}), nullptr);
  std::vector<std::vector<std::string>> seen;
  for (const Record& record : WaitForRecords(2)) seen.push_back(record.arguments);
  EXPECT_THAT(seen, ::testing::UnorderedElementsAre(std::vector<std::string>{first},
                                                    std::vector<std::string>{second}));
}

TEST_F(LaunchServicesTest, LauncherWithFileListCodeGetsAllDocumentsAtOnce) {
  const std::string script = WriteRecorder("recorder");
  const std::string launcher =
      WriteLauncher("all.desktop", "Type=Application\nExec=" + ExecArgument(script) + " %F\n");
  const std::string first = WriteDocument("first.indd");
  const std::string second = WriteDocument("second doc.indd");
  ASSERT_NE(Open(launcher, {first, second}), nullptr);
  const std::vector<Record> records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].arguments, (std::vector<std::string>{first, second}));
}

TEST_F(LaunchServicesTest, LauncherGetsADocumentPathThatIsNotUTF8Unchanged) {
  const std::string script = WriteRecorder("recorder");
  const std::string launcher =
      WriteLauncher("one.desktop", "Type=Application\nExec=" + ExecArgument(script) + " %f\n");
  const std::string document = WriteDocument("caf\xe9 \xff.indd");
  ASSERT_NE(Open(launcher, {document}), nullptr);
  EXPECT_EQ(WaitForRecords(1).at(0).arguments, std::vector<std::string>{document});
}

TEST_F(LaunchServicesTest, LauncherPathSetsTheWorkingFolder) {
  const std::string script = WriteRecorder("recorder");
  const std::string folder = fDir.Path("work place");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string launcher = WriteLauncher(
      "path.desktop", "Type=Application\nPath=" + folder + "\nExec=" + ExecArgument(script) + " %f\n");
  ASSERT_NE(Open(launcher, {WriteDocument("doc.indd")}), nullptr);
  EXPECT_EQ(WaitForRecords(1).at(0).folder, folder);
}

TEST_F(LaunchServicesTest, TerminalLauncherRunsInATerminalWithTheDocumentAsOneArgument) {
  // A terminal emulator of our own, found first on the search path, records how it is called.
  const std::string terminal = WriteRecorder("bin/gnome-terminal");
  const ScopedEnv path("PATH", fDir.Path("bin") + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin"));
  const std::string script = fDir.Write("never run", "#!/bin/sh\n", 0755);
  const std::string launcher = WriteLauncher(
      "term.desktop", "Type=Application\nTerminal=true\nExec=" + ExecArgument(script) + " %f\n");
  const std::string document = WriteDocument(kNastyDocument);
  std::string error;
  ASSERT_NE(Open(launcher, {document}, &error), nullptr) << error;
  const std::vector<std::string> arguments = WaitForRecords(1).at(0).arguments;
  ASSERT_GE(arguments.size(), 2u);
  EXPECT_EQ(arguments[arguments.size() - 2], script);
  EXPECT_EQ(arguments.back(), document);
}

// Each way a launch fails gives none and says why.
struct FailureCase {
  const char* name;
  std::function<std::string(TempDir&)> makeApplication;
  const char* reason;  // a part of the reason given
  friend void PrintTo(const FailureCase& value, std::ostream* out) { *out << value.name; }
};

class LaunchFailureTest : public LaunchServicesTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LaunchFailureTest, FailsWithAReason) {
  const std::string application = GetParam().makeApplication(fDir);
  std::string error;
  EXPECT_EQ(Open(application, {WriteDocument("doc.indd")}, &error), nullptr);
  EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
  EXPECT_TRUE(ZombieChildren().empty());
}

std::string Launcher(TempDir& dir, const std::string& body) { return dir.Write("app.desktop", body); }

INSTANTIATE_TEST_SUITE_P(
    Failures, LaunchFailureTest,
    ::testing::Values(
        FailureCase{"Missing", [](TempDir& dir) { return dir.Path("gone"); }, "cannot be found"},
        FailureCase{"PlainFolder",
                    [](TempDir& dir) {
                      dir.Write("Folder/file", "");
                      return dir.Path("Folder");
                    },
                    "not an application bundle"},
        FailureCase{"NotExecutable", [](TempDir& dir) { return dir.Write("tool", "#!/bin/sh\n", 0644); },
                    "not an executable file or launcher"},
        FailureCase{"BundleWithoutProgram",
                    [](TempDir& dir) {
                      dir.Write("Empty.app/Contents/MacOS/readme", "", 0644);
                      return dir.Path("Empty.app");
                    },
                    "no executable in the bundle's Contents/MacOS"},
        FailureCase{"BundleWithoutMacOSFolder",
                    [](TempDir& dir) {
                      dir.Write("Bare.app/Contents/Info.plist", "");
                      return dir.Path("Bare.app");
                    },
                    "no readable Contents/MacOS"},
        FailureCase{"BundleWithTwoOtherPrograms",
                    [](TempDir& dir) {
                      dir.Write("Two.app/Contents/MacOS/one", "#!/bin/sh\n", 0755);
                      dir.Write("Two.app/Contents/MacOS/two", "#!/bin/sh\n", 0755);
                      return dir.Path("Two.app");
                    },
                    "several executables"},
        FailureCase{"ProgramThatCannotStart",
                    [](TempDir& dir) { return dir.Write("broken", "#!/nonexistent/interpreter\n", 0755); },
                    "broken"},
        // Nothing falls back to a shell for a file that the system cannot run.
        FailureCase{"ExecutableThatIsNoProgram",
                    [](TempDir& dir) { return dir.Write("text", "touch pwned\n", 0755); },
                    "Exec format error"},
        FailureCase{"HiddenLauncher",
                    [](TempDir& dir) {
                      return Launcher(dir,
                                      "[Desktop Entry]\nType=Application\nHidden=true\nExec=/bin/true %f\n");
                    },
                    "hidden"},
        FailureCase{"NotALauncher", [](TempDir& dir) { return Launcher(dir, "[Other]\nExec=/bin/true\n"); },
                    "no [Desktop Entry]"},
        FailureCase{"LinkLauncher",
                    [](TempDir& dir) { return Launcher(dir, "[Desktop Entry]\nType=Link\nURL=file:///\n"); },
                    "not of Type=Application"},
        FailureCase{"LauncherOfMissingProgram",
                    [](TempDir& dir) {
                      return Launcher(dir,
                                      "[Desktop Entry]\nType=Application\nExec=/nonexistent/program %f\n");
                    },
                    "/nonexistent/program"},
        FailureCase{"LauncherWithBrokenQuoting",
                    [](TempDir& dir) {
                      return Launcher(dir, "[Desktop Entry]\nType=Application\nExec=\"/bin/true %f\n");
                    },
                    "cannot be parsed"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

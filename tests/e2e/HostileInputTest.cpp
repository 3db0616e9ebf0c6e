// The built program given what a careless or hostile user could give it: documents that are not
// documents, names that a shell would read as code, application paths with the same characters,
// and preferences files that are garbage, huge, unreadable or not replaceable. Each case has one
// outcome, and none may hang, crash or take memory without bound.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>

#include "HostileSupport.h"

using namespace HostileSupport;
using namespace TestDocuments;

namespace {

const std::string kRejected = "Error:App.HandleDroppedItem: item is nil, or does not exist, or is a directory";
std::string CouldNotOpen(const std::string& path) {
  return "Warning:App.HandleDroppedItem: could not open file " + PosixPathToShell(path);
}

// Beyond what the program needs to run at all (some 30 MiB, more on X), reading a hostile input
// may not cost much: the documents are read a few bytes or lines at a time.
constexpr long kPeakBoundKiB = 100 * 1024 * kSlowdown;

std::string Shown(const std::vector<Record>& records) {
  std::string text;
  for (const Record& r : records) text += "  [" + r.tag + "] " + r.argument + "\n";
  return text;
}

// ---- Documents that are not what they seem ----

enum class Made {
  Empty,
  OneByte,
  OneLessThan,
  CutHeader,
  Folder,
  EmptyArgument,
  DanglingLink,
  LinkLoop,
  NamedPipe,
  Socket,
  CharacterDevice,
  Unreadable,
  SparseLessThan,
  SparseXmlDeclaration,
  SparseStory,
};
// Launched: with the InCopy CS4 application, the only one that such a document goes to.
enum class Outcome { Nothing, Rejected, CouldNotOpen, Launched };

struct DocumentRow {
  const char* name;
  Made made;
  Outcome outcome;
  friend void PrintTo(const DocumentRow& row, std::ostream* out) { *out << row.name; }
};

class HostileDocument : public ProgramFixture, public ::testing::WithParamInterface<DocumentRow> {
 protected:
  // The document of a row, made in the documents folder.
  std::string Make(Made made) {
    const std::string at = Path("documents/document.indd");
    switch (made) {
      case Made::Empty: return Document("document.indd", "");
      case Made::OneByte: return Document("document.indd", "x");
      case Made::OneLessThan: return Document("document.indd", "<");
      // The header up to the byte-order flag and three bytes of the unused field: the version
      // field lies beyond the end.
      case Made::CutHeader: return Document("document.indd", InDesignDocument(5).substr(0, 28));
      case Made::Folder: mkdir(at.c_str(), 0755); return at;
      // Taken relative to the working folder (the documents folder): a folder.
      case Made::EmptyArgument: return "";
      case Made::DanglingLink: symlink(Path("documents/nowhere").c_str(), at.c_str()); return at;
      case Made::LinkLoop:
        symlink(Path("documents/other.indd").c_str(), at.c_str());
        symlink(at.c_str(), Path("documents/other.indd").c_str());
        return at;
      case Made::NamedPipe: mkfifo(at.c_str(), 0644); return at;
      case Made::Socket: {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, at.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << at;
        listen(fd, 1);
        fSocket = fd;
        return at;
      }
      // Endless zeros, were it ever read.
      case Made::CharacterDevice: return "/dev/zero";
      case Made::Unreadable: return Document("document.indd", InDesignDocument(5), 0);
      // 4 GiB that begin with "<" and hold no line break: all but the first bytes are a hole,
      // which reads as zeros. A first line of 4 GiB is read to its end, without a line end there.
      case Made::SparseLessThan: return Sparse("<");
      case Made::SparseXmlDeclaration: return Sparse(kXmlDeclaration);
      // 4 GiB of zeros between the declaration and the second line, which is read all the same.
      case Made::SparseStory: return Sparse(kXmlDeclaration + "\n", kInCopyCS4Line + "\n");
    }
    return at;
  }

  std::string Document(const std::string& name, const std::string& content, int mode = 0644) {
    const std::string path = ProgramFixture::Document(name, content);
    chmod(path.c_str(), mode);
    return path;
  }

  std::string Sparse(const std::string& head, const std::string& tail = "") {
    const std::string path = Document("document.incx", head);
    EXPECT_EQ(truncate(path.c_str(), off_t(4) << 30), 0);
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
    EXPECT_EQ(write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
    close(fd);
    return path;
  }

  void TearDown() override {
    if (fSocket >= 0) close(fSocket);
  }

 private:
  int fSocket = -1;
};

TEST_P(HostileDocument, HasItsOutcomeAndEndsPromptlyInBoundedMemory) {
  const DocumentRow& row = GetParam();
  // Any version code above 0 would be launched, which shows as a record.
  for (Slot slot : {IDCS, IDCS2, IDCS3, IDCS4, ICCS, ICCS2, ICCS3}) Configure(slot);
  const std::string inCopyCS4Record = Path("InCopy CS4 record.bin");
  prefs.paths[ICCS4] = WriteRecorder(Path("apps/InCopy CS4"), inCopyCS4Record);
  WritePreferences();
  const std::string document = Make(row.made);
  const int boxes = row.outcome == Outcome::CouldNotOpen ? 1 : 0;

  RunOptions options;
  if (row.made == Made::Unreadable && !MakeUnprivileged(options)) {
    GTEST_SKIP() << "cannot run the program as an unprivileged user here";
  }
  // On a display a box can be answered, and an unexpected one is counted instead of waiting.
  VirtualDisplay display;
  if (display.Available()) {
    options.display = &display;
  } else if (boxes > 0) {
    GTEST_SKIP() << "no virtual display (Xvfb, xdotool) to answer the message box on";
  }

  auto run = Start({document}, options);
  const int answered = display.Available() ? display.AnswerBoxesUntilExit(*run, 15000) : 0;
  // The boxes were answered until the end: what still runs now hangs.
  ASSERT_EQ(run->WaitForExit(display.Available() ? 1000 : 15000), 0)
      << "did not end by itself:\n" << run->Output();
  EXPECT_EQ(answered, boxes);

  std::vector<std::string> lines;
  if (row.outcome == Outcome::Rejected) lines = {kRejected};
  if (row.outcome == Outcome::CouldNotOpen) lines = {CouldNotOpen(document)};
  EXPECT_EQ(run->LogLines(), lines) << run->Output();
  const std::vector<Record> launched =
      row.outcome == Outcome::Launched ? std::vector<Record>{{options.tag, document}} : std::vector<Record>{};
  EXPECT_EQ(WaitForRecords(inCopyCS4Record, launched.size()), launched);
  EXPECT_EQ(ReadRecords(RecordFile()), std::vector<Record>{}) << "nothing else is launched";

  std::cout << "[ measured ] " << row.name << ": " << Milliseconds(run->Elapsed()) << " ms, peak "
            << run->PeakResidentKiB() / 1024 << " MiB\n";
  EXPECT_LT(run->PeakResidentKiB(), kPeakBoundKiB);
  if (boxes == 0) {
    EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(5000));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, HostileDocument,
    ::testing::Values(DocumentRow{"Empty", Made::Empty, Outcome::Nothing},
                      DocumentRow{"OneByte", Made::OneByte, Outcome::Nothing},
                      DocumentRow{"OneLessThan", Made::OneLessThan, Outcome::Nothing},
                      DocumentRow{"TwentyEightBytes", Made::CutHeader, Outcome::Nothing},
                      DocumentRow{"Folder", Made::Folder, Outcome::Rejected},
                      DocumentRow{"EmptyArgument", Made::EmptyArgument, Outcome::Rejected},
                      DocumentRow{"DanglingLink", Made::DanglingLink, Outcome::Rejected},
                      DocumentRow{"LinkLoop", Made::LinkLoop, Outcome::Rejected},
                      DocumentRow{"NamedPipe", Made::NamedPipe, Outcome::CouldNotOpen},
                      DocumentRow{"Socket", Made::Socket, Outcome::CouldNotOpen},
                      DocumentRow{"CharacterDevice", Made::CharacterDevice, Outcome::CouldNotOpen},
                      DocumentRow{"Unreadable", Made::Unreadable, Outcome::CouldNotOpen},
                      DocumentRow{"SparseFourGiBLessThan", Made::SparseLessThan, Outcome::Nothing},
                      DocumentRow{"SparseFourGiBXmlDeclaration", Made::SparseXmlDeclaration, Outcome::Nothing},
                      DocumentRow{"SparseFourGiBBeforeTheSecondLine", Made::SparseStory, Outcome::Launched}),
    [](const ::testing::TestParamInfo<DocumentRow>& info) { return std::string(info.param.name); });

// ---- Names that a shell would read as code ----

// Given relative to the working folder: they look like options, of Qt's and others.
const std::vector<std::string> kOptionLikeNames = {"-platform", "--help", "-"};

// The same characters in the application's own path.
const std::string kHostileAppName = "-app 'single' \"double\" $(touch pwned-app) `touch pwned-app2` \xff\xfe";

enum class Launcher { Executable, DesktopLauncher, Bundle };

class HostileNames : public ProgramFixture, public ::testing::WithParamInterface<Launcher> {
 protected:
  // The application at a hostile path; every launch is recorded by the same script.
  std::string HostileApplication(Launcher kind) {
    switch (kind) {
      case Launcher::Executable: return WriteRecorder(Path("apps/" + kHostileAppName + ".sh"), RecordFile());
      case Launcher::DesktopLauncher: {
        const std::string script = WriteRecorder(Path("apps/recorder"), RecordFile());
        const std::string launcher = Path("apps/" + kHostileAppName + ".desktop");
        root.Write("apps/" + kHostileAppName + ".desktop",
                   "[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" + script + "\" %f\n", 0755);
        return launcher;
      }
      case Launcher::Bundle: {
        const std::string bundle = Path("apps/" + kHostileAppName + ".app");
        WriteRecorder(bundle + "/Contents/MacOS/" + kHostileAppName, RecordFile());
        return bundle;
      }
    }
    return {};
  }
};

TEST_P(HostileNames, ReachTheApplicationByteForByteAndRunNothing) {
  prefs.paths[IDCS3] = HostileApplication(GetParam());
  WritePreferences();
  std::vector<std::string> arguments;
  std::vector<Record> expected;
  for (const std::string& name : kHostileNames) {
    arguments.push_back(Document(name, InDesignDocument(5)));
    expected.push_back({"first", arguments.back()});
  }
  const std::string folder = std::filesystem::canonical(Path("documents")).string();
  for (const std::string& name : kOptionLikeNames) {
    Document(name, InDesignDocument(5));
    arguments.push_back(name);
    expected.push_back({"first", folder + "/" + name});
  }
  std::sort(expected.begin(), expected.end());

  auto run = Start(arguments);
  ASSERT_EQ(run->WaitForExit(20000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
  const std::vector<Record> records = WaitForRecords(RecordFile(), expected.size());
  EXPECT_EQ(records, expected) << "recorded:\n" << Shown(records);
  EXPECT_EQ(PwnedFiles(root.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Launchers, HostileNames,
                         ::testing::Values(Launcher::Executable, Launcher::DesktopLauncher, Launcher::Bundle),
                         [](const ::testing::TestParamInfo<Launcher>& info) {
                           switch (info.param) {
                             case Launcher::Executable: return std::string("Executable");
                             case Launcher::DesktopLauncher: return std::string("DesktopLauncher");
                             case Launcher::Bundle: return std::string("Bundle");
                           }
                           return std::string();
                         });

// ---- Preferences files ----

class HostilePreferences : public ProgramFixture {
 protected:
  std::vector<std::string> ConfigFolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path("home/config"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// Binary garbage reads as thirteen lines of something: none of them names an application (no
// byte is a "/", so no path is absolute), and the file is only read.
TEST_F(HostilePreferences, GarbageConfiguresNothingAndIsLeftAsItIs) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool) to answer the message box on";
  std::string garbage;
  uint32_t state = 20240607;
  for (int i = 0; i < 8192; ++i) {
    state = state * 1103515245u + 12345u;
    const char byte = static_cast<char>(state >> 16);
    garbage += byte == '/' ? 'x' : byte;
  }
  WritePreferencesText(garbage);
  const std::string document = Document("Layout CS3.indd", InDesignDocument(5));

  RunOptions options;
  options.display = &display;
  auto run = Start({document}, options);
  EXPECT_EQ(display.AnswerBoxesUntilExit(*run, 15000), 1) << "Could not determine what to do";
  ASSERT_EQ(run->WaitForExit(1000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 0), std::vector<Record>{});
  EXPECT_EQ(ReadFileBytes(PreferencesPath()), garbage);
}

TEST_F(HostilePreferences, CarriageReturnLineFeedEndsEveryLine) {
  Configure(IDCS3);
  std::string text;
  for (char c : prefs.Text()) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WritePreferencesText(text);
  const std::string document = Document("Layout CS3.indd", InDesignDocument(5));

  auto run = Start({document});
  ASSERT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", document}}));
}

// Lines of a mebibyte, the longest that is read whole: a name and a path far beyond the file
// system's limits, escapes that make no absolute path, flags of a million digits; the first line
// ends in CR LF, the last in nothing.
TEST_F(HostilePreferences, MebibyteLinesAreTakenWholeInBoundedMemory) {
  constexpr size_t kMiB = size_t(1) << 20;
  const std::string recorder = Configure(IDCS3);
  std::string deepPath;
  while (deepPath.size() < kMiB) deepPath += "/a";
  std::string escapes;
  while (escapes.size() < kMiB) escapes += "\\ ";
  const std::string flag = "1" + std::string(kMiB - 1, '9');
  std::string text = "/" + std::string(kMiB - 1, 'n') + "\r\n" + deepPath + "\n" + PosixPathToShell(recorder) +
                     "\n" + escapes + "\n";
  for (int i = 0; i < 4; ++i) text += std::string(kMiB, '\xA5') + "\n";
  for (int i = 0; i < 4; ++i) text += flag + "\n";
  text += flag;
  WritePreferencesText(text);
  // A CS2 document walks past InDesign CS2 (the deep path) and InCopy CS2 to InDesign CS3.
  const std::string document = Document("Layout CS2.indd", InDesignDocument(4));

  auto run = Start({document});
  ASSERT_EQ(run->WaitForExit(15000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output().substr(0, 2000);
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", document}}));
  std::cout << "[ measured ] 13 MiB of preferences: " << Milliseconds(run->Elapsed()) << " ms, peak "
            << run->PeakResidentKiB() / 1024 << " MiB\n";
  EXPECT_LT(run->PeakResidentKiB(), kPeakBoundKiB);
  EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(5000));
}

// 4 GiB without a line break (a hole, which reads as zeros): the first line is cut off and the
// rest passed over, so every other line is empty; nothing is held in memory beyond the cut.
TEST_F(HostilePreferences, AFourGiBFileWithoutALineBreakIsReadInBoundedMemory) {
  WritePreferencesText("");
  ASSERT_EQ(truncate(PreferencesPath().c_str(), off_t(4) << 30), 0);
  const std::string folder = Path("documents/folder");
  mkdir(folder.c_str(), 0755);

  auto run = Start({folder});
  ASSERT_EQ(run->WaitForExit(30000), 0) << run->Output();
  EXPECT_EQ(run->LogLines(), std::vector<std::string>{kRejected});
  std::cout << "[ measured ] 4 GiB of preferences: " << Milliseconds(run->Elapsed()) << " ms, peak "
            << run->PeakResidentKiB() / 1024 << " MiB\n";
  EXPECT_LT(run->PeakResidentKiB(), kPeakBoundKiB);
  EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(15000));
}

enum class Unopenable { Unreadable, NamedPipe, Folder };

class UnopenablePreferences : public HostilePreferences, public ::testing::WithParamInterface<Unopenable> {};

// The file is there but cannot be read as one: the error line, and the defaults stay.
TEST_P(UnopenablePreferences, AreReportedAndTheDefaultsStay) {
  Configure(IDCS3);
  WritePreferences();
  // A folder as the document: the defaults name no application here, so a real document would
  // end in a message box.
  const std::string folder = Path("documents/folder");
  mkdir(folder.c_str(), 0755);
  RunOptions options;
  switch (GetParam()) {
    case Unopenable::Unreadable:
      chmod(PreferencesPath().c_str(), 0);
      if (!MakeUnprivileged(options)) GTEST_SKIP() << "cannot run the program as an unprivileged user here";
      break;
    case Unopenable::NamedPipe:
      unlink(PreferencesPath().c_str());
      mkfifo(PreferencesPath().c_str(), 0644);
      break;
    case Unopenable::Folder:
      unlink(PreferencesPath().c_str());
      mkdir(PreferencesPath().c_str(), 0755);
      break;
  }

  auto run = Start({folder}, options);
  ASSERT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_EQ(run->LogLines(),
            (std::vector<std::string>{"Error:CPreferences.LoadPreferences: cannot open preferences file", kRejected}));
  EXPECT_EQ(WaitForRecords(RecordFile(), 0), std::vector<Record>{});
}

INSTANTIATE_TEST_SUITE_P(PreferencesFile, UnopenablePreferences,
                         ::testing::Values(Unopenable::Unreadable, Unopenable::NamedPipe, Unopenable::Folder),
                         [](const ::testing::TestParamInfo<Unopenable>& info) {
                           switch (info.param) {
                             case Unopenable::Unreadable: return std::string("Unreadable");
                             case Unopenable::NamedPipe: return std::string("NamedPipe");
                             case Unopenable::Folder: return std::string("Folder");
                           }
                           return std::string();
                         });

// A line break in an application path splits its line in two: the path ends in a lone escape
// and every later line moves down by one. Nothing is launched from the pieces.
TEST_F(HostilePreferences, ALineBreakInAnApplicationPathConfiguresNothing) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool) to answer the message box on";
  Configure(IDCS3, Path("apps/recorder\nline"));
  // The pieces exist too, as executables: were either taken as a path, it would be recorded.
  WriteRecorder(Path("apps/recorder\\"), RecordFile());
  WriteRecorder(Path("apps/recorder"), RecordFile());
  WritePreferences();
  const std::string document = Document("Layout CS3.indd", InDesignDocument(5));

  RunOptions options;
  options.display = &display;
  auto run = Start({document}, options);
  EXPECT_EQ(display.AnswerBoxesUntilExit(*run, 15000), 1) << "Could not determine what to do";
  ASSERT_EQ(run->WaitForExit(1000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 0), std::vector<Record>{});
}

// The configuration window is accepted (a document handed over hides it) and saved into a folder
// the program may not write: the error line, the old file as it was, nothing left beside it.
TEST_F(HostilePreferences, AnUnwritableFolderKeepsTheOldFileAndTheRunGoesOn) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool) to see the window on";
  Configure(IDCS3);
  const std::string old = prefs.Text() + "a fourteenth line, which a save drops\n";
  WritePreferencesText(old);
  const std::string document = Document("Layout CS3.indd", InDesignDocument(5));
  RunOptions options;
  options.display = &display;
  if (!MakeUnprivileged(options)) GTEST_SKIP() << "cannot run the program as an unprivileged user here";
  chmod(Path("home/config").c_str(), 0555);
  auto first = Start({}, options);
  ASSERT_TRUE(display.WaitForWindow(*first, VirtualDisplay::kConfigurationTitle, 20000)) << first->Output();

  RunOptions sending;
  sending.tag = "sender";
  sending.unprivileged = options.unprivileged;
  auto sender = Start({document}, sending);
  EXPECT_EQ(sender->WaitForExit(10000), 0) << sender->Output();

  ASSERT_EQ(first->WaitForExit(10000), 0) << first->Output();
  EXPECT_EQ(first->LogLines(),
            (std::vector<std::string>{"Error:CPreferences.SavePreferences: cannot write to preferences file"}));
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", document}}));
  EXPECT_EQ(ReadFileBytes(PreferencesPath()), old);
  EXPECT_EQ(ConfigFolderEntries(), std::vector<std::string>{kPreferencesName});
}

// Saves killed at moments spread over the whole save: each time the file holds the old content or
// the new one, whole; temporaries that a killed save leaves behind do not disturb a later run.
TEST_F(HostilePreferences, ASaveKilledAtAnyMomentLeavesTheOldFileOrTheNewOneWhole) {
  VirtualDisplay display;
  if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool) to see the windows on";
  constexpr int kInstances = 12;
  // Long paths make the save write megabytes, so that the kills land inside it.
  constexpr size_t kPathBytes = size_t(512) << 10;
  TestDocuments::PreferencesText text;
  for (size_t i = 0; i < 8; ++i) text.paths[i] = "/long/" + std::string(kPathBytes, static_cast<char>('a' + i));
  const std::string recorder = WriteRecorder(Path("apps/recorder"), RecordFile());
  text.paths[IDCS3] = recorder;
  const std::string saved = text.Text();
  const std::string old = saved + "a fourteenth line, which a save drops\n";

  auto homeOf = [&](int i) { return Path("home-" + std::to_string(i)); };
  auto environmentOf = [&](int i, const RunOptions& options) {
    std::map<std::string, std::string> env = Environment(options);
    env["HOME"] = homeOf(i);
    env["XDG_CONFIG_HOME"] = homeOf(i) + "/config";
    env["XDG_DATA_HOME"] = homeOf(i) + "/data";
    env["XDG_RUNTIME_DIR"] = homeOf(i) + "/runtime";
    return env;
  };
  auto startIn = [&](int i, const std::vector<std::string>& documents, const RunOptions& options) {
    ChildLaunch launch;
    launch.argv = {TESSARINE_EXECUTABLE};
    launch.argv.insert(launch.argv.end(), documents.begin(), documents.end());
    launch.environment = environmentOf(i, options);
    launch.outputPath = Path("output/" + options.tag + "-" + std::to_string(i) + ".txt");
    return std::make_unique<Child>(launch);
  };
  auto preferencesOf = [&](int i) { return homeOf(i) + "/config/" + kPreferencesName; };

  std::vector<std::unique_ptr<Child>> instances;
  RunOptions shown;
  shown.display = &display;
  for (int i = 0; i < kInstances; ++i) {
    for (const char* folder : {"", "/config", "/data", "/runtime"}) mkdir((homeOf(i) + folder).c_str(), 0700);
    root.Write("home-" + std::to_string(i) + "/config/" + kPreferencesName, old);
    instances.push_back(startIn(i, {}, shown));
  }
  for (int i = 0; i < kInstances; ++i) {
    ASSERT_TRUE(display.WaitForWindow(*instances[i], VirtualDisplay::kConfigurationTitle, 30000))
        << instances[i]->Output();
  }

  // A folder as the document: it hides the window at once and launches nothing.
  const std::string folder = Path("documents/folder");
  mkdir(folder.c_str(), 0755);
  RunOptions sending;
  sending.tag = "sender";
  // A sender gives up on an instance that has had no processor time for half a second and takes
  // the folder itself (its rejection line shows it); on a loaded machine that happens without a
  // fault, and the instance, its window still up, is handed the folder again.
  auto handOver = [&](int i) {
    for (int attempt = 1;; ++attempt) {
      auto sender = startIn(i, {folder}, sending);
      EXPECT_EQ(sender->WaitForExit(10000), 0) << sender->Output();
      if (sender->LogLines() != std::vector<std::string>{kRejected} || attempt == 5 || !instances[i]->Running()) {
        EXPECT_TRUE(sender->LogLines().empty()) << "not handed over: " << sender->Output();
        return sender->ExitedAt();
      }
    }
  };

  // The first instance saves undisturbed: how long from the hand-over to its end.
  const Clock::time_point handedOver = handOver(0);
  ASSERT_EQ(instances[0]->WaitForExit(10000), 0) << instances[0]->Output();
  ASSERT_EQ(ReadFileBytes(preferencesOf(0)), saved);
  const Clock::duration whole = instances[0]->ExitedAt() - handedOver;

  int stayedOld = 0, becameNew = 0;
  for (int i = 1; i < kInstances; ++i) {
    const Clock::duration delay = whole * (i - 1) / (kInstances - 2);
    const Clock::time_point at = handOver(i);
    std::this_thread::sleep_until(at + delay);
    instances[i]->Kill();
    const std::string now = ReadFileBytes(preferencesOf(i));
    EXPECT_TRUE(now == old || now == saved)
        << "killed " << Milliseconds(delay) << " ms after the hand-over: " << now.size() << " bytes";
    (now == saved ? becameNew : stayedOld) += 1;
  }
  int strays = 0;
  for (int i = 0; i < kInstances; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(homeOf(i) + "/config")) {
      if (entry.path().filename() != kPreferencesName) ++strays;
    }
  }
  std::cout << "[ measured ] hand-over to end of an undisturbed save: " << Milliseconds(whole) << " ms; "
            << (kInstances - 1) << " kills left " << stayedOld << " old and " << becameNew << " new files, "
            << strays << " temporaries\n";

  // Each killed home still works: its file loads (InDesign CS3 is the recorder in both contents).
  for (int i = 1; i < kInstances; ++i) {
    const std::string document = Document("Layout CS3 " + std::to_string(i) + ".indd", InDesignDocument(5));
    RunOptions later;
    later.tag = "later";
    auto run = startIn(i, {document}, later);
    EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();
    EXPECT_TRUE(run->LogLines().empty()) << run->Output();
  }
  const std::vector<Record> records = WaitForRecords(RecordFile(), kInstances - 1);
  EXPECT_EQ(records.size(), size_t(kInstances - 1)) << Shown(records);
}

// ---- Neighbours that do not answer ----

// However the others behave, a document is opened within this time.
constexpr int kOpensWithinMs = 2000;

// How long after since the first launch was recorded; none when none came within the time.
std::optional<int64_t> FirstLaunchAfter(Clock::time_point since, const std::string& recordFile, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < end) {
    if (!ReadRecords(recordFile).empty()) return Milliseconds(Clock::now() - since);
    Pause(5);
  }
  return std::nullopt;
}

// A session bus that takes us in (authentication, then Hello) and then answers nothing more, or
// answers a call with a message far larger than any answer; each connection is noted with
// a byte in a file. What SilentListener serves its connections with: system calls only.
namespace GreetingOnlyBus {

enum class After {
  Nothing,       // every call after Hello goes unanswered
  HugeAnswer,    // the next call is answered with more than any answer
  ServiceFails,  // the bus says the service runs, and the service's first call gets a huge answer
};

uint32_t Little32(const char* at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(at[i]);
  return value;
}

void PutLittle32(char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(value >> (8 * i) & 0xff);
}

// Reads until buffer holds at least size bytes; false when the peer has gone.
bool ReadTo(int peer, char* buffer, size_t& held, size_t capacity, size_t size) {
  while (held < size) {
    if (held == capacity) return false;
    const ssize_t got = read(peer, buffer + held, capacity - held);
    if (got <= 0) return false;
    held += static_cast<size_t>(got);
  }
  return true;
}

// Reads until buffer holds what, and returns where it ends; 0 when the peer has gone.
size_t ReadPast(int peer, char* buffer, size_t& held, size_t capacity, const char* what, size_t length) {
  const char* found = nullptr;
  while ((found = static_cast<const char*>(memmem(buffer, held, what, length))) == nullptr) {
    if (!ReadTo(peer, buffer, held, capacity, held + 1)) return 0;
  }
  return static_cast<size_t>(found - buffer) + length;
}

// The whole length of the message at buffer + at, whose fixed part is held.
size_t MessageLength(const char* buffer, size_t at) {
  return (16 + Little32(buffer + at + 12) + 7) / 8 * 8 + Little32(buffer + at + 4);
}

void Serve(int peer, After after, const char* connections) {
  const int noted = open(connections, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (noted < 0 || write(noted, "c", 1) != 1) return;
  close(noted);
  static char buffer[65536];
  size_t held = 0;
  if (ReadPast(peer, buffer, held, sizeof buffer, "\r\n", 2) == 0) return;
  static const char kAccepted[] = "OK 0123456789abcdef0123456789abcdef\r\n";
  if (write(peer, kAccepted, sizeof kAccepted - 1) < 0) return;
  // BEGIN, then Hello, answered with a reply to its serial.
  const size_t hello = ReadPast(peer, buffer, held, sizeof buffer, "BEGIN\r\n", 7);
  if (hello == 0 || !ReadTo(peer, buffer, held, sizeof buffer, hello + 16) ||
      !ReadTo(peer, buffer, held, sizeof buffer, hello + MessageLength(buffer, hello))) {
    return;
  }
  char reply[24] = {'l', 2, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, 8, 0, 0, 0, 5, 1, 'u', 0};
  PutLittle32(reply + 20, Little32(buffer + hello + 8));
  if (write(peer, reply, sizeof reply) < 0 || after == After::Nothing) return;
  size_t call = hello + MessageLength(buffer, hello);
  if (after == After::ServiceFails) {
    // The service has its name on the bus: NameHasOwner is answered True.
    if (!ReadTo(peer, buffer, held, sizeof buffer, call + 16) ||
        !ReadTo(peer, buffer, held, sizeof buffer, call + MessageLength(buffer, call))) {
      return;
    }
    char owned[36] = {'l', 2, 0, 1, 4, 0, 0, 0, 3, 0, 0, 0, 15, 0, 0, 0, 5, 1, 'u', 0, 0, 0, 0, 0,
                      8, 1, 'g', 0, 1, 'b', 0, 0, 1, 0, 0, 0};
    PutLittle32(owned + 20, Little32(buffer + call + 8));
    if (write(peer, owned, sizeof owned) < 0) return;
    call += MessageLength(buffer, call);
  }
  // The next call is answered with a message that claims 32 MiB.
  if (!ReadTo(peer, buffer, held, sizeof buffer, call + 16)) return;
  char huge[16] = {'l', 2, 0, 1};
  PutLittle32(huge + 4, 32u << 20);
  PutLittle32(huge + 8, 3);
  [[maybe_unused]] const ssize_t ignored = write(peer, huge, sizeof huge);
}

}  // namespace GreetingOnlyBus

// A socket of another user's (kUnprivilegedId) that answers whatever comes with a run of ACKs, as
// a stranger after the documents would, and reports how many bytes each connection brought. Only
// root can run it.
class StrangerListener {
 public:
  explicit StrangerListener(const std::string& path) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return;
    const std::string acks(64, '\x06');
    fPid = fork();
    if (fPid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (setgroups(0, nullptr) != 0 || setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
          setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0) {
        _exit(1);
      }
      const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
      if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
          listen(fd, 64) != 0) {
        _exit(1);
      }
      int64_t received = -1;  // listening
      if (write(report[1], &received, sizeof received) != sizeof received) _exit(1);
      for (;;) {
        const int connection = accept(fd, nullptr, nullptr);
        if (connection < 0) continue;
        received = 0;
        char bytes[4096];
        bool answered = false;
        for (;;) {
          pollfd entry{connection, POLLIN, 0};
          // Once the bytes stop coming for a moment the message is whole: it is answered then.
          if (poll(&entry, 1, 200) == 0 && !answered) {
            answered = send(connection, acks.data(), acks.size(), MSG_NOSIGNAL) > 0;
            continue;
          }
          const ssize_t got = read(connection, bytes, sizeof bytes);
          if (got <= 0) break;
          received += got;
        }
        close(connection);
        if (write(report[1], &received, sizeof received) != sizeof received) _exit(1);
      }
    }
    close(report[1]);
    fReport = report[0];
    if (fPid < 0 || Next(10000) != -1) Stop();
  }
  ~StrangerListener() {
    Stop();
    if (fReport >= 0) close(fReport);
  }
  StrangerListener(const StrangerListener&) = delete;
  StrangerListener& operator=(const StrangerListener&) = delete;
  bool Listening() const { return fPid > 0; }
  // The bytes that all connections so far brought; -1 when a connection is still open.
  int64_t Received() {
    int64_t total = 0;
    for (std::optional<int64_t> one; (one = Next(0));) total += *one;
    return total;
  }

 private:
  std::optional<int64_t> Next(int timeoutMs) {
    pollfd entry{fReport, POLLIN, 0};
    int64_t value = 0;
    if (poll(&entry, 1, timeoutMs) <= 0 || read(fReport, &value, sizeof value) != sizeof value) return std::nullopt;
    return value;
  }
  void Stop() {
    if (fPid <= 0) return;
    kill(fPid, SIGKILL);
    waitpid(fPid, nullptr, 0);
    fPid = -1;
  }

  pid_t fPid = -1;
  int fReport = -1;
};

// A session bus of the test's own, with the session configuration (which starts GIO's metadata
// daemon on demand), in the test's environment.
class PrivateBus {
 public:
  PrivateBus(const std::string& folder, const std::map<std::string, std::string>& environment)
      : fFolder(folder), fEnvironment(environment) {
    if (access("/usr/bin/dbus-daemon", X_OK) != 0 || access("/usr/bin/gdbus", X_OK) != 0) return;
    const std::string socketPath = folder + "/bus";
    fDaemon = std::make_unique<Child>(ChildLaunch{
        {"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socketPath},
        environment, folder + "/dbus-daemon.txt", "", false, -1});
    TestTime::WaitUntil([&] { return access(socketPath.c_str(), F_OK) == 0 || !fDaemon->Running(); }, 10000, 10);
    if (access(socketPath.c_str(), F_OK) == 0) fAddress = "unix:path=" + socketPath;
  }
  ~PrivateBus() {
    if (fStopped > 0) {
      kill(fStopped, SIGCONT);
      kill(fStopped, SIGTERM);
    }
    if (fDaemon) fDaemon->Terminate(3000);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& Address() const { return fAddress; }

  // Has the bus start GIO's metadata daemon and stops it (SIGSTOP): it keeps its name on the bus
  // and answers nothing. Empty, or what went wrong.
  std::string StopMetadataDaemon() {
    if (Call("StartServiceByName", {"org.gtk.vfs.Metadata", "0"}).empty()) return "the metadata daemon did not start";
    const std::string owner = Call("GetConnectionUnixProcessID", {"org.gtk.vfs.Metadata"});
    const size_t at = owner.find("uint32 ");
    const pid_t pid = at == std::string::npos ? 0 : pid_t(std::atoi(owner.c_str() + at + 7));
    if (pid <= 0 || kill(pid, SIGSTOP) != 0) return "no metadata daemon to stop: " + owner;
    fStopped = pid;
    return {};
  }

 private:
  // A method of the bus itself; its reply, or the empty text on failure.
  std::string Call(const std::string& method, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"/usr/bin/gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                                     "--object-path", "/org/freedesktop/DBus", "--method",
                                     "org.freedesktop.DBus." + method};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::map<std::string, std::string> environment = fEnvironment;
    environment["DBUS_SESSION_BUS_ADDRESS"] = fAddress;
    const CommandResult result = RunCommand(argv, environment, fFolder + "/gdbus.txt");
    return result.exitCode == 0 ? result.output : std::string();
  }

  std::string fFolder;
  std::map<std::string, std::string> fEnvironment;
  std::unique_ptr<Child> fDaemon;
  std::string fAddress;
  pid_t fStopped = 0;
};

enum class Stuck {
  SessionBus,          // takes connections in and never answers
  MetadataDaemon,      // the daemon has its name on the bus and answers nothing
  BusAfterGreeting,    // the bus takes us in and then answers nothing
  HugeAnswerOfTheBus,  // the bus takes us in and then answers with more than any answer
  FailingService,      // the bus says the service runs, whose first call fails
};

struct StuckServiceRow {
  const char* name;
  Stuck stuck;
  Launcher launcher;
  std::string line;
  // A third document that nothing can open, whose message box starts the window toolkit on the
  // display (where it would ask the bus) and is answered there.
  bool box = false;
  friend void PrintTo(const StuckServiceRow& row, std::ostream* out) { *out << row.name; }
};

class StuckService : public ProgramFixture, public ::testing::WithParamInterface<StuckServiceRow> {
 protected:
  // An application that records, in place of the tag, the session bus address it was given.
  std::string BusRecorder(Launcher kind) {
    const std::string script = Path("apps/bus recorder");
    root.Write("apps/bus recorder", RecorderScript(RecordFile(), "DBUS_SESSION_BUS_ADDRESS"), 0755);
    if (kind != Launcher::DesktopLauncher) return script;
    root.Write("apps/bus recorder.desktop",
               "[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" + script + "\" %f\n", 0644);
    return Path("apps/bus recorder.desktop");
  }
};

// Icons on, twenty documents: all are opened, the first within two seconds and the last soon
// after, unstamped, with one warning for the run; the applications still get the user's own bus.
// A message box after them still comes up on the display, where the toolkit keeps off the silent
// bus too.
TEST_P(StuckService, DocumentsOpenWithinTwoSecondsUnstampedWithOneWarning) {
  const StuckServiceRow& row = GetParam();
  prefs.paths[IDCS3] = BusRecorder(row.launcher);
  prefs.dontAddIcon = false;
  WritePreferences();
  std::vector<std::string> documents;
  for (int i = 0; i < 20; ++i) documents.push_back(Document("d" + std::to_string(i) + ".indd", InDesignDocument(5)));
  std::vector<std::string> launched = documents;
  if (row.box) documents.push_back(Document("box.indd", InDesignDocument(7)));
  RunOptions options;
  VirtualDisplay display;
  std::unique_ptr<SilentListener> silentBus;
  std::unique_ptr<PrivateBus> bus;
  std::unique_ptr<SilentListener> greetingBus;
  const std::string connections = Path("output/connections");
  switch (row.stuck) {
    case Stuck::SessionBus:
      // Qt asks the bus on a real desktop (its accessibility bridge), not headless.
      if (!display.Available()) GTEST_SKIP() << "no virtual display (Xvfb, xdotool)";
      options.display = &display;
      silentBus = std::make_unique<SilentListener>(Path("silent-bus"));
      ASSERT_TRUE(silentBus->Listening());
      options.busAddress = "unix:path=" + Path("silent-bus");
      break;
    case Stuck::MetadataDaemon:
      bus = std::make_unique<PrivateBus>(Path("output"), Environment(options));
      if (bus->Address().empty()) GTEST_SKIP() << "no dbus-daemon and gdbus to run a bus of the test's own";
      ASSERT_EQ(bus->StopMetadataDaemon(), "");
      options.busAddress = bus->Address();
      break;
    case Stuck::BusAfterGreeting:
    case Stuck::HugeAnswerOfTheBus:
    case Stuck::FailingService: {
      const auto after = row.stuck == Stuck::BusAfterGreeting     ? GreetingOnlyBus::After::Nothing
                         : row.stuck == Stuck::HugeAnswerOfTheBus ? GreetingOnlyBus::After::HugeAnswer
                                                                  : GreetingOnlyBus::After::ServiceFails;
      greetingBus = std::make_unique<SilentListener>(
          Path("greeting-bus"),
          [after, noted = connections.c_str()](int peer) { GreetingOnlyBus::Serve(peer, after, noted); });
      ASSERT_TRUE(greetingBus->Listening());
      options.busAddress = "unix:path=" + Path("greeting-bus");
      break;
    }
  }

  const Clock::time_point started = Clock::now();
  auto run = Start(documents, options);
  const std::optional<int64_t> opened = FirstLaunchAfter(started, RecordFile(), 60000);
  ASSERT_TRUE(opened) << run->Output();
  EXPECT_LT(*opened, Scaled(kOpensWithinMs));
  if (row.box) {
    EXPECT_EQ(display.AnswerBoxesUntilExit(*run, 20000), 1) << run->Output();
  }
  ASSERT_EQ(run->WaitForExit(20000), 0) << run->Output();
  if (!row.box) {
    EXPECT_LT(Milliseconds(run->Elapsed()), Scaled(2500));
  }
  EXPECT_EQ(run->LogLines(), std::vector<std::string>{row.line}) << run->Output();
  std::vector<Record> expected;
  for (const std::string& document : launched) expected.push_back({options.busAddress, document});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(WaitForRecords(RecordFile(), expected.size()), expected);
  // Given up on for the run: not asked again for each document.
  if (greetingBus) {
    EXPECT_EQ(ReadFileBytes(connections), "c");
  }
}

const std::string kSilentBusLine =
    "Warning:AddCustomIconMBS: the session bus does not answer; no icons are stamped in this run";
const std::string kStuckMetadataLine =
    "Warning:AddCustomIconMBS: the metadata service did not answer within 1000 ms; no more icons are stamped in "
    "this run";
const std::string kBusAfterGreetingLine =
    "Warning:AddCustomIconMBS: the session bus did not answer within 500 ms; no more icons are stamped in this run";
const std::string kFailingBusLine =
    "Warning:AddCustomIconMBS: the session bus failed a call; no more icons are stamped in this run";
const std::string kFailingServiceLine =
    "Warning:AddCustomIconMBS: the metadata service failed a call; no more icons are stamped in this run";

INSTANTIATE_TEST_SUITE_P(
    Neighbours, StuckService,
    ::testing::Values(StuckServiceRow{"SilentBusExecutable", Stuck::SessionBus, Launcher::Executable, kSilentBusLine},
                      StuckServiceRow{"SilentBusDesktopLauncher", Stuck::SessionBus, Launcher::DesktopLauncher,
                                      kSilentBusLine},
                      StuckServiceRow{"SilentBusMessageBox", Stuck::SessionBus, Launcher::Executable, kSilentBusLine,
                                      true},
                      StuckServiceRow{"StoppedMetadataDaemon", Stuck::MetadataDaemon, Launcher::Executable,
                                      kStuckMetadataLine},
                      StuckServiceRow{"BusSilentAfterItsGreeting", Stuck::BusAfterGreeting, Launcher::Executable,
                                      kBusAfterGreetingLine},
                      StuckServiceRow{"BusAnsweringWithMoreThanAnyAnswer", Stuck::HugeAnswerOfTheBus,
                                      Launcher::Executable, kFailingBusLine},
                      StuckServiceRow{"ServiceFailingItsFirstCall", Stuck::FailingService, Launcher::Executable,
                                      kFailingServiceLine}),
    [](const ::testing::TestParamInfo<StuckServiceRow>& info) { return std::string(info.param.name); });

// What listens at the hand-over socket: the running instance, stopped; a process that answers
// nothing; another user's process that answers everything, in a runtime folder open to all or
// behind a link at the socket's name.
enum class StuckInstance { Stopped, SilentListener, StrangerInAnOpenFolder, StrangerBehindALink };
const char* const kStuckInstanceNames[] = {"StoppedInstance", "SilentListener", "StrangerInAnOpenFolder",
                                           "StrangerBehindALink"};
void PrintTo(StuckInstance stuck, std::ostream* out) { *out << kStuckInstanceNames[int(stuck)]; }

class UnansweringInstance : public ProgramFixture, public ::testing::WithParamInterface<StuckInstance> {};

// What listens on the hand-over socket never answers: the start opens its document itself within
// two seconds. A stopped instance that resumes afterwards finds that hand-over given up and does
// not open the document too, and it still takes a later start's document.
TEST_P(UnansweringInstance, TheStartOpensItsDocumentItselfWithinTwoSecondsAndOnce) {
  Configure(IDCS3);
  WritePreferences();
  const std::string document = Document("a.indd", InDesignDocument(5));
  const std::string socketPath = Path("home/runtime/tessarine.socket");
  std::unique_ptr<Child> first;
  std::unique_ptr<SilentListener> listener;
  std::unique_ptr<StrangerListener> stranger;
  if (GetParam() == StuckInstance::StrangerInAnOpenFolder || GetParam() == StuckInstance::StrangerBehindALink) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
    // The stranger must reach its folder; the start's own private folder is the test's.
    for (const std::string& folder : {root.path(), Path("home")}) chmod(folder.c_str(), 0755);
    std::string strangerSocket = socketPath;
    if (GetParam() == StuckInstance::StrangerInAnOpenFolder) {
      chmod(Path("home/runtime").c_str(), 01777);
    } else {
      mkdir(Path("strangers").c_str(), 0755);
      ASSERT_EQ(chown(Path("strangers").c_str(), kUnprivilegedId, kUnprivilegedId), 0);
      strangerSocket = Path("strangers/socket");
      ASSERT_EQ(symlink(strangerSocket.c_str(), socketPath.c_str()), 0);
    }
    stranger = std::make_unique<StrangerListener>(strangerSocket);
    ASSERT_TRUE(stranger->Listening());
  } else if (GetParam() == StuckInstance::Stopped) {
    first = Start({});  // without documents it waits, and later shows its configuration window
    ASSERT_TRUE(WaitUntil([&] { return access(socketPath.c_str(), F_OK) == 0; }, 10000))
        << first->Output();
    ASSERT_EQ(kill(first->Pid(), SIGSTOP), 0);
  } else {
    listener = std::make_unique<SilentListener>(socketPath);
    ASSERT_TRUE(listener->Listening());
  }

  RunOptions second;
  second.tag = "second";
  const Clock::time_point started = Clock::now();
  auto run = Start({document}, second);
  const std::optional<int64_t> opened = FirstLaunchAfter(started, RecordFile(), 60000);
  ASSERT_TRUE(opened) << run->Output();
  EXPECT_LT(*opened, Scaled(kOpensWithinMs));
  EXPECT_EQ(run->WaitForExit(10000), 0) << run->Output();
  EXPECT_TRUE(run->LogLines().empty()) << run->Output();

  std::vector<Record> expected = {{"second", document}};
  if (stranger) {
    EXPECT_EQ(stranger->Received(), 0) << "the stranger was sent the documents";
  }
  if (first) {
    ASSERT_EQ(kill(first->Pid(), SIGCONT), 0);
    const std::string later = Document("b.indd", InDesignDocument(5));
    RunOptions third;
    third.tag = "third";
    auto handing = Start({later}, third);
    EXPECT_EQ(handing->WaitForExit(10000), 0) << handing->Output();
    EXPECT_EQ(first->WaitForExit(10000), 0) << first->Output();
    EXPECT_TRUE(first->LogLines().empty()) << first->Output();
    expected.push_back({"first", later});
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(WaitForRecords(RecordFile(), expected.size()), expected) << Shown(ReadRecords(RecordFile()));
}

INSTANTIATE_TEST_SUITE_P(Neighbours, UnansweringInstance,
                         ::testing::Values(StuckInstance::Stopped, StuckInstance::SilentListener,
                                           StuckInstance::StrangerInAnOpenFolder, StuckInstance::StrangerBehindALink),
                         [](const ::testing::TestParamInfo<StuckInstance>& info) {
                           return std::string(kStuckInstanceNames[int(info.param)]);
                         });

class Strangers : public ProgramFixture {};

// Another user (here root, who can reach any socket) sends a document to a running instance: the
// connection is cut unanswered and the document is not opened; the user's own start still is.
TEST_F(Strangers, TheRunningInstanceTakesNoStrangersDocuments) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
  Configure(IDCS3);
  WritePreferences();
  const std::string pipe = Path("documents/hold.indd");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  const std::string strangers = Document("strangers.indd", InDesignDocument(5));
  const std::string own = Document("own.indd", InDesignDocument(5));
  RunOptions options;
  ASSERT_TRUE(MakeUnprivileged(options));
  // Its one document cannot be opened: the instance holds an unanswered message box meanwhile.
  options.unansweredBoxMs = 60000;
  auto first = Start({pipe}, options);
  const std::string socketPath = Path("home/runtime/tessarine.socket");
  ASSERT_TRUE(WaitUntil([&] { return access(socketPath.c_str(), F_OK) == 0 || !first->Running(); }, 10000));

  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  std::string message("TSH2\0\0\0\1", 8);
  for (int shift = 24; shift >= 0; shift -= 8) message.push_back(char((strangers.size() >> shift) & 0xff));
  message += strangers;
  EXPECT_EQ(send(fd, message.data(), message.size(), MSG_NOSIGNAL), ssize_t(message.size()));
  pollfd entry{fd, POLLIN, 0};
  ASSERT_EQ(poll(&entry, 1, int(Scaled(5000))), 1) << "neither answered nor cut";
  char byte = 0;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0) << "answered";
  close(fd);

  options.tag = "second";
  auto second = Start({own}, options);
  EXPECT_EQ(second->WaitForExit(10000), 0) << second->Output();
  EXPECT_EQ(WaitForRecords(RecordFile(), 1), (std::vector<Record>{{"first", own}}));
  EXPECT_TRUE(first->Running()) << first->Output();
}

}  // namespace

#pragma once
// The fixtures of the core tests: a private home folder (preferences, icon store) and the fake
// desktop, and for the application object a registered App that has had its Open event.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "TestDocuments.h"
#include "core/App.h"
#include "framework/Runtime.h"

// Reaches App's private members (declared a friend there).
class AppTestAccess {
 public:
  static void HandleDroppedItem(App& app, FolderItemPtr item) { app.HandleDroppedItem(std::move(item)); }
  static bool LaunchWithVersion(App& app, FolderItemPtr item, int32_t docVersion, bool preferInDesign,
                                bool canUseInDesign) {
    return app.LaunchWithVersion(std::move(item), docVersion, preferInDesign, canUseInDesign);
  }
  static void LaunchWith(App& app, FolderItemPtr appItem, FolderItemPtr item, int32_t appVersion) {
    app.LaunchWith(std::move(appItem), std::move(item), appVersion);
  }
  static TmrEdit* Timer(App& app) { return app.fTimer.get(); }
  static TmrQuit* TimerQuit(App& app) { return app.fTimerQuit.get(); }
  static Semaphore* ItemCounterSemaphore(App& app) { return app.fItemCounterSemaphore.get(); }
  static int32_t& SelectedVersion(App& app) { return app.fSelectedVersion; }
  static int32_t& UseInDesign(App& app) { return app.fUseInDesign; }
  static bool& LaunchingFile(App& app) { return app.fLaunchingFile; }
  static void DropPreferences(App& app) { app.fPreferences.reset(); }
  // Stops both timers, so that nothing fires while a test runs events.
  static void StopTimers(App& app) {
    if (app.fTimer) app.fTimer->SetMode(0);
    if (app.fTimerQuit) app.fTimerQuit->SetMode(0);
  }
};

// Sets environment variables for the lifetime of the object and puts the old values back.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (auto& [name, old] : fSaved) {
      if (old) setenv(name.c_str(), old->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }

 private:
  void Save(const std::string& name) {
    if (fSaved.count(name)) return;
    const char* old = getenv(name.c_str());
    fSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> fSaved;
};

// A private home: the preferences folder is home/config.
class HomeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    env.Set("HOME", home.path());
    env.Set("XDG_CONFIG_HOME", home.Path("config"));
    env.Set("XDG_DATA_HOME", home.Path("data"));
  }

  std::string PreferencesPath() const { return home.Path("config/com.mirelund.quelbrast.prefs.v103"); }
  void WritePreferences(const std::string& text) const { home.Write("config/com.mirelund.quelbrast.prefs.v103", text); }

  // The log entries that reached the debug log, in order.
  const std::vector<std::string>& Log() { return fake->log; }
  size_t CountLogged(const std::string& line) { return std::count(fake->log.begin(), fake->log.end(), line); }

  TempDir home;
  ScopedEnvironment env;
  ScopedFakePlatform fake;
};

// Eight recording applications, one per configured path, and their shared record file.
struct RecordingApps {
  // Tags in the preferences file's order.
  static constexpr std::array<const char*, 8> kTags = {"IDCS", "IDCS2", "IDCS3", "IDCS4",
                                                       "ICCS", "ICCS2", "ICCS3", "ICCS4"};
  TempDir dir;
  std::string record = dir.Path("record.txt");
  std::array<std::string, 8> paths;

  RecordingApps() {
    // Names with blanks, as the real bundles have: the stored shell form must resolve them.
    for (size_t i = 0; i < kTags.size(); ++i) {
      paths[i] = TestDocuments::WriteRecordingScript(dir, std::string("Adobe App ") + kTags[i], kTags[i], record);
    }
  }
  // A test's last launches may still be starting when it ends; each is waited for (bounded), so
  // that none finds its script gone with the test's folder.
  ~RecordingApps() {
    EXPECT_TRUE(TestDocuments::WaitUntil([&] { return !AnyRuns(); }))
        << "a launched recording application did not end";
  }
  RecordingApps(const RecordingApps&) = delete;
  RecordingApps& operator=(const RecordingApps&) = delete;

  // Whether a process runs one of the scripts (the shell that runs it names it first).
  bool AnyRuns() const {
    const std::string folder = dir.path() + "/";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
      const std::string command = ReadFileBytes(entry.path().string() + "/cmdline");
      const size_t second = command.find('\0') + 1;
      if (second != 0 && command.compare(second, folder.size(), folder) == 0) return true;
    }
    return false;
  }
  std::string Record() const { return ReadFileBytes(record); }
  // Waits for the line "tag document" to be recorded.
  bool WaitFor(const std::string& tag, const std::string& document, int timeoutMs = 5000) const {
    const std::string line = tag + " " + document + "\n";
    return TestDocuments::WaitUntil([&] { return Record().find(line) != std::string::npos; }, timeoutMs);
  }
};

// A registered App that has had its Open event, with its timers stopped.
class AppFixture : public HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    Runtime::ProcessEvents(0);  // clears a quit left by an earlier test
  }
  void TearDown() override {
    if (App* app = App::Instance()) AppTestAccess::StopTimers(*app);
    Runtime::ProcessEvents(0);
  }

  // Writes the preferences, then creates, registers and opens the application object.
  App& OpenApp(const TestDocuments::PreferencesText& preferences) {
    WritePreferences(preferences.Text());
    return OpenApp();
  }
  App& OpenApp() {
    Application::Register(std::make_unique<App>());
    App& app = *App::Instance();
    app.Event_Open();
    AppTestAccess::StopTimers(app);
    return app;
  }
  FolderItemPtr Document(const std::string& name, const std::string& content) const {
    return std::make_shared<FolderItem>(documents.Write(name, content));
  }

  TempDir documents;
};

// The application object on its own: what Open sets up, the preferences accessor, the start-up
// timer's action once a document has come.
#include <gtest/gtest.h>

#include "CoreFixture.h"

namespace {

using AppTest = AppFixture;

TEST_F(AppTest, OpenSetsUpTheRun) {
  TestDocuments::PreferencesText prefs;
  prefs.paths[2] = "/opt/id3";
  prefs.dontAddIcon = true;
  WritePreferences(prefs.Text());
  Application::Register(std::make_unique<App>());
  App& app = *App::Instance();
  app.Event_Open();

  TmrEdit* timer = AppTestAccess::Timer(app);
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Mode(), 1);
  EXPECT_EQ(timer->Period(), 2000);
  EXPECT_NE(AppTestAccess::ItemCounterSemaphore(app), nullptr);
  EXPECT_EQ(AppTestAccess::TimerQuit(app), nullptr);
  EXPECT_EQ(app.SelectedVersion(), -2);
  EXPECT_EQ(app.UseInDesign(), -2);
  EXPECT_FALSE(app.LaunchingFile());
  EXPECT_EQ(app.NumItemsBeingHandled(), 0);
  ASSERT_NE(app.Preferences(), nullptr);
  EXPECT_EQ(app.Preferences()->fInDesignCS3Path, "/opt/id3") << "the file is loaded over the defaults";
  EXPECT_TRUE(app.Preferences()->fDontAddIcon);
  EXPECT_TRUE(Log().empty());
  AppTestAccess::StopTimers(app);
}

TEST_F(AppTest, LoadedPreferencesAreTheLiveRecordReadOnce) {
  WritePreferences(TestDocuments::PreferencesText{}.Text());
  App& app = OpenApp();
  WritePreferences("/changed\n");
  CPreferences* record = app.GetLoadedPreferences();
  EXPECT_EQ(record, app.Preferences());
  EXPECT_EQ(record->fInDesignCSPath, "") << "the file is not read a second time";

  // Without a record it makes and loads one.
  AppTestAccess::DropPreferences(app);
  record = app.GetLoadedPreferences();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->fInDesignCSPath, "/changed");
  EXPECT_EQ(app.GetLoadedPreferences(), record);
}

TEST_F(AppTest, StartUpTimerAfterADocumentOnlySwitchesItselfOff) {
  App& app = OpenApp();
  AppTestAccess::Timer(app)->SetMode(1);
  AppTestAccess::LaunchingFile(app) = true;
  app.EditPrefs();
  EXPECT_EQ(AppTestAccess::Timer(app)->Mode(), 0);
  EXPECT_FALSE(Runtime::IsQuitting());
  EXPECT_FALSE(std::filesystem::exists(PreferencesPath()));
}

}  // namespace

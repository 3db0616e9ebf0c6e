// The services that go through the platform: log, message box, URL and open dialog,
// with the fake desktop in place.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/Dialogs.h"
#include "framework/FileType.h"
#include "framework/Semaphore.h"
#include "framework/System.h"
#include "support/FakePlatform.h"

namespace {

class ServicesTest : public testing::Test {
 protected:
  ScopedFakePlatform fake;
};

TEST_F(ServicesTest, DebugLogKeepsAMessageOnOneLine) {
  System::DebugLog("Error:first\nsecond\r\nthird\rend");
  System::DebugLog("");
  ASSERT_EQ(fake->log.size(), 2u);
  EXPECT_EQ(fake->log[0], "Error:first\\nsecond\\r\\nthird\\rend");
  EXPECT_EQ(fake->log[1], "");
}

TEST_F(ServicesTest, MessageBoxAndUrl) {
  fake->expectedMessages = 1;
  MsgBox("Could not open file");
  ShowURL("https://example.org/help");
  EXPECT_EQ(fake->messages, std::vector<std::string>{"Could not open file"});
  EXPECT_EQ(fake->urls, std::vector<std::string>{"https://example.org/help"});
}

TEST_F(ServicesTest, OpenDialogIsLimitedToTheNamedRegisteredTypes) {
  FileType documents, applications;
  documents.SetName("Services Documents");
  applications.SetName("Services Apps");
  applications.SetMacType("APPL");
  documents.Register();
  applications.Register();

  EXPECT_EQ(GetOpenFolderItem("Services Apps"), nullptr);  // cancelled
  fake->onChooseFile = [](const std::vector<const FileType*>&) {
    return std::make_shared<FolderItem>("/Applications/Adobe InDesign CS4.app");
  };
  const FolderItemPtr chosen = GetOpenFolderItem("Services Apps");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->NativePath(), "/Applications/Adobe InDesign CS4.app");
  using Names = std::vector<std::vector<std::string>>;
  EXPECT_EQ(fake->chooseFileFilters, (Names{{"Services Apps"}, {"Services Apps"}}));
}

TEST(SemaphoreTest, SignalWaitsForARelease) {
  Semaphore semaphore(1);
  semaphore.Signal();  // takes the only unit without waiting
  std::atomic<bool> released{false};
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    released = true;
    semaphore.Release();
  });
  semaphore.Signal();
  EXPECT_TRUE(released);
  releaser.join();
}

}  // namespace

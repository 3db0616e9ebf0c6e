// The configuration window at work: filling it from a record, the modal run and its four ends,
// Browse and Clear, the radio buttons, the check box and the link.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <filesystem>

#include <string>

#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "WindowsTestSupport.h"
#include "core/CPreferences.h"
#include "framework/BevelButton.h"
#include "framework/CheckBox.h"
#include "framework/FolderItem.h"
#include "framework/GroupBox.h"
#include "framework/PushButton.h"
#include "framework/RadioButton.h"
#include "framework/StaticText.h"
#include "windows/WndLauncher.h"

class WndLauncherTestAccess {
 public:
  static bool Canceled(const WndLauncher& w) { return w.fCanceled; }
  static CPreferences* Preferences(const WndLauncher& w) { return w.fPreferences.get(); }
};

namespace {

// All thirteen fields, for comparing records.
struct Fields {
  std::string idCS, idCS2, idCS3, idCS4, icCS, icCS2, icCS3, icCS4;
  bool cs, cs2, cs3, cs4, dontAddIcon;
  explicit Fields(const CPreferences& p)
      : idCS(p.fInDesignCSPath), idCS2(p.fInDesignCS2Path), idCS3(p.fInDesignCS3Path), idCS4(p.fInDesignCS4Path),
        icCS(p.fInCopyCSPath), icCS2(p.fInCopyCS2Path), icCS3(p.fInCopyCS3Path), icCS4(p.fInCopyCS4Path),
        cs(p.fCSDefaultInDesign), cs2(p.fCS2DefaultInDesign), cs3(p.fCS3DefaultInDesign),
        cs4(p.fCS4DefaultInDesign), dontAddIcon(p.fDontAddIcon) {}
  bool operator==(const Fields&) const = default;
};

class WndLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    window = WndLauncher::Instance();
    // Eight installed "applications", with blanks in their paths as the real ones have.
    for (int i = 0; i < 8; ++i) {
      posix[i] = dir.Write(std::string(kNames[i]) + "/Adobe " + kNames[i] + ".app", "");
      shell[i] = PosixPathToShell(posix[i]);
    }
    record.fInDesignCSPath = shell[0];
    record.fInDesignCS2Path = shell[1];
    record.fInDesignCS3Path = shell[2];
    record.fInDesignCS4Path = shell[3];
    record.fInCopyCSPath = shell[4];
    record.fInCopyCS2Path = shell[5];
    record.fInCopyCS3Path = shell[6];
    record.fInCopyCS4Path = shell[7];
    record.fCSDefaultInDesign = true;
    record.fCS2DefaultInDesign = false;
    record.fCS3DefaultInDesign = true;
    record.fCS4DefaultInDesign = false;
    record.fDontAddIcon = true;
  }

  void TearDown() override {
    DiscardWindow(GetImplicitWindow("WndLauncher.WndLauncher"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
  }

  // Runs EditPreferences on record, with answer run inside the modal run.
  bool Edit(std::function<void()> answer) {
    ModalAnswer modal(window, std::move(answer));
    return window->EditPreferences(record);
  }

  static constexpr const char* kNames[8] = {"InDesign CS",  "InDesign CS2", "InDesign CS3", "InDesign CS4",
                                            "InCopy CS",    "InCopy CS2",   "InCopy CS3",   "InCopy CS4"};
  ScopedFakePlatform fake;
  TempDir dir;
  std::string posix[8], shell[8];
  CPreferences record;
  WndLauncher* window = nullptr;
};

}  // namespace

TEST_F(WndLauncherTest, AllPathsPresentShowDisplayFormsAndEnableEveryBand) {
  const Fields before(record);
  bool checked = false;
  const bool accepted = Edit([&] {
    EXPECT_TRUE(window->Visible());
    EXPECT_TRUE(window->IsModalRunning());
    EXPECT_EQ(window->LblInDesignCSPath()->Text(), posix[0]);
    EXPECT_EQ(window->LblInDesignCS2Path()->Text(), posix[1]);
    EXPECT_EQ(window->LblInDesignCS3Path()->Text(), posix[2]);
    EXPECT_EQ(window->LblInDesignCS4Path()->Text(), posix[3]);
    EXPECT_EQ(window->LblInCopyCSPath()->Text(), posix[4]);
    EXPECT_EQ(window->LblInCopyCS2Path()->Text(), posix[5]);
    EXPECT_EQ(window->LblInCopyCS3Path()->Text(), posix[6]);
    EXPECT_EQ(window->LblInCopyCS4Path()->Text(), posix[7]);
    EXPECT_EQ(window->LblInDesignCSPath()->Text().find('\\'), std::string::npos);
    for (GroupBox* group : {window->GrpCSDefault(), window->GrpCS2Default(), window->GrpCS3Default(),
                            window->GrpCS4Default()}) {
      EXPECT_TRUE(group->Enabled()) << group->Name();
    }
    EXPECT_TRUE(window->RbnInDesignCS()->Value());
    EXPECT_FALSE(window->RbnInCopyCS()->Value());
    EXPECT_FALSE(window->RbnInDesignCS2()->Value());
    EXPECT_TRUE(window->RbnInCopyCS2()->Value());
    EXPECT_TRUE(window->RbnInDesignCS3()->Value());
    EXPECT_TRUE(window->RbnInCopyCS4()->Value());
    EXPECT_FALSE(window->ChkAdjustIcon()->Value());  // fDontAddIcon is True
    checked = true;
    window->BtnOK()->Push();
  });
  EXPECT_TRUE(checked);
  EXPECT_TRUE(accepted);
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(Fields(record), before);
}

TEST_F(WndLauncherTest, StaleAndEmptyPathsShowEmptyAndAreCopiedBackUnchanged) {
  std::filesystem::remove(posix[5]);  // InCopy CS2 is gone
  record.fInDesignCS3Path = "";
  const Fields before(record);
  const bool accepted = Edit([&] {
    EXPECT_EQ(window->LblInCopyCS2Path()->Text(), "");
    EXPECT_EQ(window->LblInDesignCS3Path()->Text(), "");
    EXPECT_EQ(window->LblInCopyCS3Path()->Text(), posix[6]);
    EXPECT_TRUE(window->GrpCSDefault()->Enabled());
    EXPECT_FALSE(window->GrpCS2Default()->Enabled());
    EXPECT_FALSE(window->GrpCS3Default()->Enabled());
    EXPECT_TRUE(window->GrpCS4Default()->Enabled());
    // A disabled band still shows its flag, and its buttons cannot change it.
    EXPECT_TRUE(window->RbnInCopyCS2()->Value());
    window->RbnInDesignCS2()->Push();
    EXPECT_TRUE(window->RbnInCopyCS2()->Value());
    window->BtnOK()->Push();
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(record.fInCopyCS2Path, shell[5]);
  EXPECT_EQ(Fields(record), before);
}

TEST_F(WndLauncherTest, BrowseFillsAPathAndClearEmptiesIt) {
  record.fInDesignCSPath = "";
  const std::string chosen = dir.Write("Other Apps/Adobe InDesign CS.app", "");
  fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(chosen); };
  const bool accepted = Edit([&] {
    EXPECT_FALSE(window->GrpCSDefault()->Enabled());
    window->BtnInDesignCSBrowse()->Push();
    EXPECT_EQ(window->LblInDesignCSPath()->Text(), chosen);
    EXPECT_TRUE(window->GrpCSDefault()->Enabled());

    window->BtnInCopyCS3Clear()->Push();
    EXPECT_EQ(window->LblInCopyCS3Path()->Text(), "");
    EXPECT_FALSE(window->GrpCS3Default()->Enabled());
    // Nothing outside the row changes: the band's other path, flag and buttons stay.
    EXPECT_EQ(window->LblInDesignCS3Path()->Text(), posix[2]);
    EXPECT_TRUE(window->RbnInDesignCS3()->Value());
    EXPECT_TRUE(window->GrpCS4Default()->Enabled());

    // Clearing an empty path runs all the same.
    window->BtnInCopyCS3Clear()->Push();
    EXPECT_EQ(window->LblInCopyCS3Path()->Text(), "");
    window->BtnOK()->Push();
  });
  EXPECT_TRUE(accepted);
  ASSERT_EQ(fake->chooseFileFilters.size(), 1u);
  EXPECT_EQ(fake->chooseFileFilters[0], std::vector<std::string>{"Apps"});
  EXPECT_EQ(record.fInDesignCSPath, PosixPathToShell(chosen));
  EXPECT_NE(record.fInDesignCSPath.find("\\ "), std::string::npos);  // stored in shell form
  EXPECT_EQ(record.fInCopyCS3Path, "");
  EXPECT_EQ(record.fInDesignCS3Path, shell[2]);
  EXPECT_TRUE(record.fCS3DefaultInDesign);
}

TEST_F(WndLauncherTest, EachBrowseAndClearButtonServesItsOwnRow) {
  const std::string chosen = dir.Write("Chosen.app", "");
  fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(chosen); };
  struct Row {
    BevelButton* browse;
    BevelButton* clear;
    StaticText* label;
    std::string CPreferences::*field;
  };
  CPreferences* working = nullptr;
  Edit([&] {
    working = WndLauncherTestAccess::Preferences(*window);
    const Row rows[] = {
        {window->BtnInDesignCSBrowse(), window->BtnInDesignCSClear(), window->LblInDesignCSPath(),
         &CPreferences::fInDesignCSPath},
        {window->BtnInDesignCS2Browse(), window->BtnInDesignCS2Clear(), window->LblInDesignCS2Path(),
         &CPreferences::fInDesignCS2Path},
        {window->BtnInDesignCS3Browse(), window->BtnInDesignCS3Clear(), window->LblInDesignCS3Path(),
         &CPreferences::fInDesignCS3Path},
        {window->BtnInDesignCS4Browse(), window->BtnInDesignCS4Clear(), window->LblInDesignCS4Path(),
         &CPreferences::fInDesignCS4Path},
        {window->BtnInCopyCSBrowse(), window->BtnInCopyCSClear(), window->LblInCopyCSPath(),
         &CPreferences::fInCopyCSPath},
        {window->BtnInCopyCS2Browse(), window->BtnInCopyCS2Clear(), window->LblInCopyCS2Path(),
         &CPreferences::fInCopyCS2Path},
        {window->BtnInCopyCS3Browse(), window->BtnInCopyCS3Clear(), window->LblInCopyCS3Path(),
         &CPreferences::fInCopyCS3Path},
        {window->BtnInCopyCS4Browse(), window->BtnInCopyCS4Clear(), window->LblInCopyCS4Path(),
         &CPreferences::fInCopyCS4Path},
    };
    for (const Row& row : rows) {
      row.clear->Push();
      EXPECT_EQ(working->*row.field, "") << row.clear->Name();
      EXPECT_EQ(row.label->Text(), "") << row.clear->Name();
      row.browse->Push();
      EXPECT_EQ(working->*row.field, PosixPathToShell(chosen)) << row.browse->Name();
      EXPECT_EQ(row.label->Text(), chosen) << row.browse->Name();
    }
    window->BtnOK()->Push();
  });
  EXPECT_EQ(record.fInCopyCS4Path, PosixPathToShell(chosen));
}

TEST_F(WndLauncherTest, CancelledBrowseChangesNothing) {
  record.fInCopyCSPath = "";
  const Fields before(record);
  const bool accepted = Edit([&] {
    window->BtnInCopyCSBrowse()->Push();  // the fake cancels
    EXPECT_EQ(window->LblInCopyCSPath()->Text(), "");
    EXPECT_FALSE(window->GrpCSDefault()->Enabled());
    window->BtnOK()->Push();
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(fake->chooseFileFilters.size(), 1u);
  EXPECT_EQ(Fields(record), before);
  EXPECT_TRUE(fake->log.empty());
}

TEST_F(WndLauncherTest, BrowseTakesTheChosenItemAsItComes) {
  // Neither existence nor kind nor version is checked: an InCopy chosen for InDesign CS2, and an
  // item that is not there at all, are both stored, shown, and copied back.
  record.fInDesignCS2Path = "";
  const std::string gone = dir.path() + "/Gone Away/Not An App";
  for (const std::string& chosen : {posix[6], gone}) {
    fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(chosen); };
    const bool accepted = Edit([&] {
      window->BtnInDesignCS2Browse()->Push();
      EXPECT_EQ(window->LblInDesignCS2Path()->Text(), chosen);
      EXPECT_TRUE(window->GrpCS2Default()->Enabled());
      window->BtnOK()->Push();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(record.fInDesignCS2Path, PosixPathToShell(chosen));
  }
  EXPECT_TRUE(fake->log.empty());
}

TEST_F(WndLauncherTest, BrowseRefusesAPathWithALineBreak) {
  // The preferences file keeps one field per line: such a path would shift every later field.
  record.fInDesignCS2Path = "";
  const Fields before(record);
  for (const char* brokenName : {"Evil\nApp.app", "Evil\rApp.app"}) {
    const std::string broken = dir.path() + "/" + brokenName;
    fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(broken); };
    fake->log.clear();
    const bool accepted = Edit([&] {
      window->BtnInDesignCS2Browse()->Push();
      window->BtnInDesignCSBrowse()->Push();
      EXPECT_EQ(window->LblInDesignCS2Path()->Text(), "");
      EXPECT_EQ(window->LblInDesignCSPath()->Text(), posix[0]);
      EXPECT_FALSE(window->GrpCS2Default()->Enabled());
      EXPECT_TRUE(window->GrpCSDefault()->Enabled());
      window->BtnOK()->Push();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(Fields(record), before);
    EXPECT_EQ(fake->log, (std::vector<std::string>{
                             "Error:WndLauncher.BtnInDesignCS2Browse.Action: path holds a line break, not used",
                             "Error:WndLauncher.BtnInDesignCSBrowse.Action: path holds a line break, not used"}));
  }
}

TEST_F(WndLauncherTest, CancelReturnsFalseAndLeavesTheRecordUntouched) {
  const Fields before(record);
  const std::string chosen = dir.Write("Elsewhere.app", "");
  fake->onChooseFile = [&](const std::vector<const FileType*>&) { return std::make_shared<FolderItem>(chosen); };
  const bool accepted = Edit([&] {
    window->BtnInDesignCS4Browse()->Push();
    window->BtnInCopyCSClear()->Push();
    window->RbnInCopyCS()->Push();
    window->ChkAdjustIcon()->Push();
    window->BtnCancel()->Push();
  });
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(WndLauncherTestAccess::Canceled(*window));
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(Fields(record), before);

  // The next run starts from a fresh copy: nothing of the cancelled edits is shown, and OK then
  // gives back the same thirteen values.
  const bool again = Edit([&] {
    EXPECT_EQ(window->LblInDesignCS4Path()->Text(), posix[3]);
    EXPECT_EQ(window->LblInCopyCSPath()->Text(), posix[4]);
    EXPECT_TRUE(window->RbnInDesignCS()->Value());
    EXPECT_FALSE(window->ChkAdjustIcon()->Value());
    window->BtnOK()->Push();
  });
  EXPECT_TRUE(again);
  EXPECT_FALSE(WndLauncherTestAccess::Canceled(*window));
  EXPECT_EQ(Fields(record), before);
}

TEST_F(WndLauncherTest, EscapeCancelsAndReturnAccepts) {
  const Fields before(record);
  EXPECT_FALSE(Edit([&] {
    window->ChkAdjustIcon()->Push();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window->NativeWidget(), &escape);
  }));
  EXPECT_EQ(Fields(record), before);
  EXPECT_TRUE(Edit([&] {
    window->ChkAdjustIcon()->Push();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(window->NativeWidget(), &enter);
  }));
  EXPECT_FALSE(record.fDontAddIcon);
}

TEST_F(WndLauncherTest, CloseBoxAcceptsAndALaterCallMakesANewWindow) {
  const bool accepted = Edit([&] {
    window->RbnInDesignCS2()->Push();
    window->NativeWidget()->close();  // the close box
  });
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(record.fCS2DefaultInDesign);
  EXPECT_TRUE(window->IsClosed());
  EXPECT_EQ(GetImplicitWindow("WndLauncher.WndLauncher"), nullptr);

  WndLauncher* fresh = WndLauncher::Instance();
  EXPECT_NE(fresh, window);
  EXPECT_FALSE(fresh->Visible());
  EXPECT_EQ(WndLauncher::Instance(), fresh);
  EXPECT_TRUE(fresh->ChkAdjustIcon()->Value());
  window = fresh;
}

TEST_F(WndLauncherTest, HiddenByADocumentEndsTheRunAsAcceptance) {
  const bool accepted = Edit([&] {
    window->RbnInDesignCS4()->Push();
    window->SetVisible(false);  // what the drop road does when a document arrives
  });
  EXPECT_TRUE(accepted);
  EXPECT_FALSE(WndLauncherTestAccess::Canceled(*window));
  EXPECT_TRUE(record.fCS4DefaultInDesign);
  EXPECT_FALSE(window->IsClosed());
}

TEST_F(WndLauncherTest, CheckBoxShowsAndWritesTheInverseOfDontAddIcon) {
  Edit([&] {
    CPreferences* working = WndLauncherTestAccess::Preferences(*window);
    EXPECT_FALSE(window->ChkAdjustIcon()->Value());
    window->ChkAdjustIcon()->Push();
    EXPECT_TRUE(window->ChkAdjustIcon()->Value());
    EXPECT_FALSE(working->fDontAddIcon);
    window->ChkAdjustIcon()->Push();
    EXPECT_TRUE(working->fDontAddIcon);
    window->ChkAdjustIcon()->Push();
    window->BtnOK()->Push();
  });
  EXPECT_FALSE(record.fDontAddIcon);
}

TEST_F(WndLauncherTest, RadioButtonsWriteTheirOwnBandsFlagOnly) {
  Edit([&] {
    CPreferences* working = WndLauncherTestAccess::Preferences(*window);
    window->RbnInDesignCS2()->Push();
    EXPECT_TRUE(working->fCS2DefaultInDesign);
    window->RbnInCopyCS2()->Push();
    EXPECT_TRUE(window->RbnInCopyCS2()->Value());
    EXPECT_FALSE(window->RbnInDesignCS2()->Value());
    EXPECT_FALSE(working->fCS2DefaultInDesign);
    // The other pairs keep their selection.
    EXPECT_TRUE(window->RbnInDesignCS()->Value());
    EXPECT_TRUE(window->RbnInDesignCS3()->Value());
    EXPECT_TRUE(window->RbnInCopyCS4()->Value());
    // Clicking the selected button writes the same value again.
    window->RbnInDesignCS()->Push();
    EXPECT_TRUE(working->fCSDefaultInDesign);
    window->RbnInCopyCS()->Push();
    window->RbnInDesignCS3()->Push();
    window->RbnInDesignCS4()->Push();
    window->RbnInCopyCS3()->Push();
    window->BtnOK()->Push();
  });
  EXPECT_FALSE(record.fCSDefaultInDesign);
  EXPECT_FALSE(record.fCS2DefaultInDesign);
  EXPECT_FALSE(record.fCS3DefaultInDesign);
  EXPECT_TRUE(record.fCS4DefaultInDesign);
}

TEST_F(WndLauncherTest, EveryRadioButtonIsATabStopInItsBandsOrder) {
  std::vector<std::string> walk;
  Edit([&] {
    walk = TabWalk(window, window->BtnOK(), 12);
    window->BtnOK()->Push();
  });
  EXPECT_EQ(walk, (std::vector<std::string>{"BtnOK", "BtnCancel", "RbnInDesignCS", "RbnInCopyCS", "RbnInDesignCS2",
                                            "RbnInCopyCS2", "RbnInDesignCS3", "RbnInCopyCS3", "RbnInDesignCS4",
                                            "RbnInCopyCS4", "ChkAdjustIcon", "BtnOK", "BtnCancel"}));
}

TEST_F(WndLauncherTest, LinkChangesColourAndOpensThePageOnMouseUp) {
  StaticText* link = window->LblLink();
  EXPECT_EQ(link->Text(), "https://tessarine.example/\r");
  SendEnter(link->NativeWidget());
  EXPECT_EQ(link->TextColor(), RGB(245, 35, 73));
  SendMouse(link->NativeWidget(), QEvent::MouseButtonPress, QPointF(5, 5));
  EXPECT_EQ(link->TextColor(), RGB(245, 35, 73));
  EXPECT_TRUE(fake->urls.empty());
  SendLeave(link->NativeWidget());
  EXPECT_EQ(link->TextColor(), RGB(32, 16, 245));
  // Released away from the label, the page opens all the same.
  SendMouse(link->NativeWidget(), QEvent::MouseButtonRelease, QPointF(-300, 200));
  EXPECT_EQ(fake->urls, std::vector<std::string>{"https://tessarine.example/"});
  EXPECT_EQ(link->Text(), "https://tessarine.example/\r");
}

// The real desktop's open dialog, answered from a timer while it runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <string>

#include "framework/Dialogs.h"
#include "framework/FileType.h"
#include "framework/Platform.h"
#include "support/TempDir.h"

namespace {

class QtPlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    previous = Platform::Replace(MakeDesktopPlatform());
    applications.SetName("Dialog Apps");
    applications.SetExtensions("app");
    applications.SetMacType("APPL");
    applications.Register();
    any.SetName("Dialog Any");
    any.SetExtensions("?");
    any.Register();
  }
  void TearDown() override { Platform::Replace(std::move(previous)); }

  // Runs the open dialog for filter and, once it shows, types name into it and presses Open (or
  // cancels when name is empty).
  FolderItemPtr Choose(const std::string& filter, const std::string& folder, const QString& name) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      answered = true;
      auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
      shownTypes = types ? types->currentText().toStdString() : std::string();
      if (name.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->setDirectory(QString::fromStdString(folder));
      auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (edit) edit->setText(name);
      QMetaObject::invokeMethod(dialog, "accept");
      // A dialog that did not close is closed here, so the test ends with no window open.
      QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
    });
    FolderItemPtr chosen = GetOpenFolderItem(filter);
    EXPECT_TRUE(answered);
    return chosen;
  }

  std::unique_ptr<Platform> previous;
  FileType applications, any;
  std::string shownTypes;  // the dialog's type box, as the user reads it
  TempDir dir;
};

TEST_F(QtPlatformTest, OpeningAnAppBundleChoosesTheFolder) {
  dir.Write("Adobe InDesign CS4.app/Contents/Info.plist", "x");
  const FolderItemPtr chosen = Choose("Dialog Apps", dir.path(), "Adobe InDesign CS4.app");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->NativePath(), dir.Path("Adobe InDesign CS4.app"));
  // Named after the type asked for, not "All Files (*)", though it shows no pattern of names.
  EXPECT_EQ(shownTypes, "Dialog Apps (applications and launchers)");
}

TEST_F(QtPlatformTest, AnyFileIsChosenByName) {
  dir.Write("notes.txt", "x");
  const FolderItemPtr chosen = Choose("Dialog Any", dir.path(), "notes.txt");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->NativePath(), dir.Path("notes.txt"));
  EXPECT_EQ(shownTypes, "Dialog Any (*)");
}

TEST_F(QtPlatformTest, CancelGivesNone) { EXPECT_EQ(Choose("Dialog Apps", dir.path(), QString()), nullptr); }

}  // namespace

// The real desktop's open dialog, answered from a timer while it runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
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

// A name typed into the dialog and opened: taken when the type asked for admits it, refused (the
// dialog stays open) when not.
struct TypedName {
  const char* name;
  const char* filter;
  const char* file;  // written into the folder; a name ending in "/" is a folder with a file inside
  int mode;
  const char* typed;
  bool chosen;
  const char* shownTypes;  // the dialog's type box, as the user reads it
};

const TypedName kTypedNames[] = {
    // Named after the type asked for, not "All Files (*)", though it shows no pattern of names.
    {"AppBundleFolder", "Dialog Apps", "Adobe InDesign CS4.app/", 0644, "Adobe InDesign CS4.app", true,
     "Dialog Apps (applications and launchers)"},
    {"ExecutableFile", "Dialog Apps", "indesign", 0755, "indesign", true, "Dialog Apps (applications and launchers)"},
    {"DesktopLauncher", "Dialog Apps", "InDesign CS4.desktop", 0644, "InDesign CS4.desktop", true,
     "Dialog Apps (applications and launchers)"},
    {"PlainFileRefusedForApps", "Dialog Apps", "plain.txt", 0644, "plain.txt", false,
     "Dialog Apps (applications and launchers)"},
    {"AppNamedFileRefusedForApps", "Dialog Apps", "Fake.app", 0644, "Fake.app", false,
     "Dialog Apps (applications and launchers)"},
    {"AnyFile", "Dialog Any", "notes.txt", 0644, "notes.txt", true, "Dialog Any (*)"},
};

class QtPlatformTypedName : public QtPlatformTest, public ::testing::WithParamInterface<TypedName> {};

TEST_P(QtPlatformTypedName, IsTakenOnlyWhenItsTypeIsAdmitted) {
  const TypedName& row = GetParam();
  std::string item = row.file;
  if (item.back() == '/') {
    item.pop_back();
    dir.Write(item + "/Contents/Info.plist", "x");
  } else {
    dir.Write(item, "x", row.mode);
  }
  const FolderItemPtr chosen = Choose(row.filter, dir.path(), row.typed);
  if (row.chosen) {
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->NativePath(), dir.Path(item));
  } else {
    EXPECT_EQ(chosen, nullptr);
  }
  EXPECT_EQ(shownTypes, row.shownTypes);
  // The dialog kept nothing where the user's settings are read from: no history, no last folder.
  EXPECT_FALSE(QSettings(QSettings::UserScope, QStringLiteral("QtProject")).contains("FileDialog/lastVisited"));
}

INSTANTIATE_TEST_SUITE_P(Dialog, QtPlatformTypedName, ::testing::ValuesIn(kTypedNames),
                         [](const ::testing::TestParamInfo<TypedName>& info) { return std::string(info.param.name); });

TEST_F(QtPlatformTest, CancelGivesNone) { EXPECT_EQ(Choose("Dialog Apps", dir.path(), QString()), nullptr); }

}  // namespace

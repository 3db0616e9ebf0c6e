// Screenshots of the program's two windows for the documentation, taken from a real run of the
// program's own start-up in this process, on a display (Xvfb with QT_QPA_PLATFORM=xcb):
//
//   tessarine_screenshot configuration <out.png>   started without documents: the configuration window
//   tessarine_screenshot chooser <out.png>         a CS2 document with Shift held: the version chooser
//
// Everything the run reads is made in a temporary home: a few application bundles (empty
// folders), the preferences file naming some of them and, for the chooser, the document. Each
// window is captured once it runs modally and then cancelled, so nothing is saved or opened.
// The executable lies in a bundle folder of its own, so that the windows find the logo.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/CPreferences.h"
#include "core/Startup.h"
#include "framework/FolderItem.h"
#include "framework/Platform.h"
#include "framework/PushButton.h"
#include "framework/Runtime.h"
#include "framework/Window.h"
#include "windows/WndLauncher.h"
#include "windows/WndOptions.h"

namespace {

// The real desktop, with Shift held down.
class ShiftHeldPlatform : public Platform {
 public:
  explicit ShiftHeldPlatform(std::unique_ptr<Platform> real) : fReal(std::move(real)) {}
  bool ShiftKeyDown() override { return true; }
  bool OptionKeyDown() override { return fReal->OptionKeyDown(); }
  void ShowMessage(const std::string& message) override { fReal->ShowMessage(message); }
  FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) override { return fReal->ChooseFile(types); }
  void OpenURL(const std::string& url) override { fReal->OpenURL(url); }
  void WriteLog(const std::string& line) override { fReal->WriteLog(line); }
  std::string WhyNoWindows() override { return fReal->WhyNoWindows(); }

 private:
  std::unique_ptr<Platform> fReal;
};

// An application bundle as a folder, which is all the windows look for.
std::string MakeBundle(const QString& home, const QString& folder, const QString& name) {
  const QString path = home + "/Applications/" + folder + "/" + name + ".app";
  QDir().mkpath(path + "/Contents/MacOS");
  return path.toStdString();
}

// The preferences of the run, written by the program's own record into $XDG_CONFIG_HOME.
void WritePreferences(const QString& home, bool dontAddIcon) {
  CPreferences prefs;
  for (std::string* path : {&prefs.fInDesignCSPath, &prefs.fInDesignCS2Path, &prefs.fInDesignCS3Path,
                            &prefs.fInDesignCS4Path, &prefs.fInCopyCSPath, &prefs.fInCopyCS2Path,
                            &prefs.fInCopyCS3Path, &prefs.fInCopyCS4Path}) {
    *path = "";
  }
  prefs.fInDesignCS2Path = PosixPathToShell(MakeBundle(home, "Adobe InDesign CS2", "Adobe InDesign CS2"));
  prefs.fInCopyCS2Path = PosixPathToShell(MakeBundle(home, "Adobe InCopy CS2", "Adobe InCopy CS2"));
  prefs.fInDesignCS4Path = PosixPathToShell(MakeBundle(home, "Adobe InDesign CS4", "Adobe InDesign CS4"));
  prefs.fDontAddIcon = dontAddIcon;
  prefs.SavePreferences();
}

// An InDesign CS2 document: the header's class identifier, "DOCUMENT", the byte-order flag
// (1: little-endian) and the version 4 at offset 29.
std::string WriteDocument(const QString& home) {
  static const unsigned char kClassId[16] = {0x06, 0x06, 0xED, 0xF5, 0xD8, 0x1D, 0x46, 0xE5,
                                             0xBD, 0x31, 0xEF, 0xE7, 0xFE, 0x74, 0xB7, 0x1D};
  std::string bytes(reinterpret_cast<const char*>(kClassId), sizeof kClassId);
  bytes += "DOCUMENT";
  bytes += '\x01';
  bytes += std::string(4, '\0');
  bytes += std::string("\x04\x00\x00\x00", 4);
  bytes += std::string(512, '\0');
  const std::string path = (home + "/Documents/Brochure.indd").toStdString();
  QDir().mkpath(home + "/Documents");
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

// Captures the window's class instance once it runs modally (after it has had time to be drawn),
// then presses its Cancel button.
class Capture {
 public:
  Capture(std::string className, QString output) : fClassName(std::move(className)), fOutput(std::move(output)) {
    fPoll.setInterval(20);
    QObject::connect(&fPoll, &QTimer::timeout, [this] { Poll(); });
    fPoll.start();
  }
  bool Saved() const { return fSaved; }

 private:
  void Poll() {
    Window* window = GetImplicitWindow(fClassName);
    if (window == nullptr || !window->IsModalRunning() || !window->Visible()) return;
    fPoll.stop();
    QTimer::singleShot(800, [this, window] {
      QWidget* widget = window->NativeWidget();
      QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
      const QPixmap shot = screen->grabWindow(widget->winId());
      fSaved = !shot.isNull() && shot.save(fOutput, "PNG");
      std::fprintf(stderr, "%s: %dx%d (content %dx%d) -> %s\n", fClassName.c_str(), shot.width(), shot.height(),
                   window->ContentWidget()->width(), window->ContentWidget()->height(),
                   fSaved ? qPrintable(fOutput) : "not saved");
      if (PushButton* cancel = window->CancelButton()) cancel->Push();
    });
  }

  std::string fClassName;
  QString fOutput;
  QTimer fPoll;
  bool fSaved = false;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "configuration" && mode != "chooser") {
    std::fprintf(stderr, "usage: %s configuration|chooser <out.png>\n", argc > 0 ? argv[0] : "tessarine_screenshot");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[2]);

  // A private home, so that neither the user's preferences nor the user's files are touched.
  QTemporaryDir temporary(QDir::tempPath() + "/tessarine-screenshot-XXXXXX");
  if (!temporary.isValid()) return 1;
  const QString home = temporary.path();
  setenv("HOME", qPrintable(home), 1);
  setenv("XDG_CONFIG_HOME", qPrintable(home + "/config"), 1);
  setenv("XDG_DATA_HOME", qPrintable(home + "/data"), 1);

  int qtArgc = 1;
  Runtime::Initialize(qtArgc, argv);

  std::vector<std::string> documents;
  std::unique_ptr<Capture> capture;
  if (mode == "configuration") {
    WritePreferences(home, false);
    capture = std::make_unique<Capture>("WndLauncher.WndLauncher", output);
  } else {
    WritePreferences(home, true);
    documents.push_back(WriteDocument(home));
    Platform::Replace(std::make_unique<ShiftHeldPlatform>(MakeDesktopPlatform()));
    capture = std::make_unique<Capture>("WndOptions.WndOptions", output);
  }

  // A guard, should the window never come.
  QTimer::singleShot(15000, [] { Runtime::RequestQuit(1); });
  const int exitCode = Runtime::Run(TessarineStartup, documents);
  return capture->Saved() && exitCode == 0 ? 0 : 1;
}

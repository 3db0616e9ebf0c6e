// The window toolkit on Qt Widgets. Qt's event dispatcher on the main thread is a set of sources
// of GLib's default context, the one the framework's own loops run; so Qt's loops (a message box's,
// a dialog's) keep delivering the framework's timers and documents, and the framework's loops
// deliver Qt's events.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <string>

#include "framework/FileType.h"
#include "framework/Runtime.h"
#include "framework/UnhandledException.h"
#include "framework/WindowSystem.h"
#include "framework/views/QtToolkit.h"

namespace {

QString ToQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// What the open dialog offers and takes when it is asked for applications: folders (to walk
// into, .app bundles among them), desktop launchers and executable files, plus any file with one
// of the extensions of the other types asked for.
struct ApplicationTypes {
  QStringList extensions;
  bool anyFile = false;

  bool Admits(const QFileInfo& info) const {
    if (info.isDir() || anyFile) return true;
    if (!info.isFile()) return false;
    const QString name = info.fileName();
    if (name.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive)) return true;
    if (info.isExecutable()) return true;
    for (const QString& extension : extensions) {
      if (name.endsWith("." + extension, Qt::CaseInsensitive)) return true;
    }
    return false;
  }
};

class ApplicationFilter : public QSortFilterProxyModel {
 public:
  ApplicationFilter(ApplicationTypes types, QObject* parent) : QSortFilterProxyModel(parent), fTypes(std::move(types)) {}

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files) return true;
    return fTypes.Admits(files->fileInfo(files->index(row, 0, parent)));
  }

 private:
  ApplicationTypes fTypes;
};

// The open dialog, which in the applications' mode takes an .app bundle folder as a choice: walking
// into one (double click) or opening it (the Open button, or its name typed) chooses it, where
// the plain dialog would only show its inside. A name typed in that mode is held to what the list
// offers: a file of a type not asked for is refused, and the dialog stays open.
class ChooserDialog : public QFileDialog {
 public:
  // applications: the types of the applications' mode, or none for the plain dialog.
  explicit ChooserDialog(const ApplicationTypes* applications) : fApplications(applications) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (!applications) return;
    setProxyModel(new ApplicationFilter(*applications, this));
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
      if (!IsBundle(folder)) return;
      fChosenBundle = Absolute(folder);
      // Entered from inside the view's own handling: end the dialog once that has returned.
      QTimer::singleShot(0, this, [this] { QFileDialog::done(QDialog::Accepted); });
    });
  }

  const QString& ChosenBundle() const { return fChosenBundle; }

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (fApplications && files.size() == 1) {
      if (IsBundle(files.first())) {
        fChosenBundle = Absolute(files.first());
        QFileDialog::done(QDialog::Accepted);
        return;
      }
      // Folders are walked into and missing names reported by the dialog itself.
      const QFileInfo typed(files.first());
      if (typed.exists() && !typed.isDir() && !fApplications->Admits(typed)) return;
    }
    QFileDialog::accept();
  }

 private:
  static bool IsBundle(const QString& path) {
    return path.endsWith(QStringLiteral(".app")) && QFileInfo(path).isDir();
  }
  static QString Absolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

  const ApplicationTypes* fApplications;
  QString fChosenBundle;
};

// The open dialog keeps its history, last folder and view in Qt's own settings file in the user's
// configuration folder, and reads them back the next time. The program keeps no state but its
// preferences file: Qt's user settings are pointed below a file, where no folder can be made, so
// that nothing is read and every write fails quietly.
void KeepNoDialogState() {
  const QString nowhere = QStringLiteral("/dev/null");
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
}

// The open dialog reads file details and icons on threads of Qt's shared pool, which then stay
// for half a minute. They are ended with the dialog, so that nothing of it runs on beside the
// program; a thread held up (a folder on a stuck network share) is left after a second.
struct DialogThreadsEnd {
  ~DialogThreadsEnd() { QThreadPool::globalInstance()->waitForDone(1000); }
};

// The application's event delivery, where every call into the program's code from a toolkit event
// starts.
class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      UnhandledException::Handle(std::current_exception());
      return true;
    }
  }
};

class QtWindowSystem : public WindowSystem {
 public:
  // platforms: those to start Qt on, as QT_QPA_PLATFORM lists them; not empty.
  explicit QtWindowSystem(const std::string& platforms) {
    if (QCoreApplication::instance() != nullptr) return;
    // Qt sees only the program's name and the platforms whose display answered and for which it
    // has a plug-in: every argument is a document, even one that looks like a Qt option. The
    // application object lives until the process ends, so that windows still around at exit are
    // destroyed while it exists.
    static std::string name = Runtime::ProgramName();
    static std::string platformOption = "-platform";
    static std::string platformList = platforms;
    static int argc = 3;
    static char* argv[] = {name.data(), platformOption.data(), platformList.data(), nullptr};
    new GuardedApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessarine"));
    // Hiding the last window (a modal window's OK) must not end the run; only Quit does.
    QApplication::setQuitOnLastWindowClosed(false);
  }

  void ExitLoops(int exitCode) override {
    if (!InLoop()) return;
    QCoreApplication::exit(exitCode);
    // With no main loop of Qt's to take the exit back, it would stick: ClearExit does.
    fExited = true;
  }

  void ClearExit() override {
    if (!fExited || InLoop()) return;
    fExited = false;
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    QApplication::exec();
  }

  bool InLoop() const override { return QThread::currentThread()->loopLevel() > 0; }

  void ShowMessage(const std::string& message) override {
    // exec() runs a nested event loop, so documents handed over meanwhile are still delivered.
    QMessageBox box;
    box.setText(ToQString(message));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
  }

  FolderItemPtr ChooseFile(const std::vector<const FileType*>& types) override {
    bool applications = false;
    ApplicationTypes admitted;
    QStringList nameFilters;
    QStringList applicationNames;
    for (const FileType* type : types) {
      if (type->IsApplicationType()) {
        applications = true;
        applicationNames << ToQString(type->Name()) + " (applications and launchers)";
        continue;
      }
      QStringList patterns;
      for (const std::string& extension : type->ExtensionList()) {
        if (extension == "?") {
          admitted.anyFile = true;
          patterns << QStringLiteral("*");
        } else {
          admitted.extensions << ToQString(extension);
          patterns << "*." + ToQString(extension);
        }
      }
      if (!patterns.isEmpty()) nameFilters << ToQString(type->Name()) + " (" + patterns.join(' ') + ")";
    }

    KeepNoDialogState();
    const DialogThreadsEnd threadsEnd;  // after the dialog is gone
    ChooserDialog dialog(applications ? &admitted : nullptr);
    if (applications) {
      const QString local = QDir::homePath() + "/.local/share/applications";
      dialog.setDirectory(QFileInfo(local).isDir() ? local : QStringLiteral("/usr/share/applications"));
      // The type box names the types that the proxy shows; the name filter's own pattern lets
      // every name through to the proxy and stays out of sight.
      dialog.setOption(QFileDialog::HideNameFilterDetails);
      dialog.setNameFilter((applicationNames + nameFilters).join(QStringLiteral(", ")) + " (*)");
    } else if (!nameFilters.isEmpty()) {
      dialog.setNameFilters(nameFilters);
    }

    if (dialog.exec() != QDialog::Accepted) return nullptr;
    QString chosen = dialog.ChosenBundle();
    if (chosen.isEmpty()) {
      const QStringList files = dialog.selectedFiles();
      if (files.isEmpty()) return nullptr;
      chosen = QFileInfo(files.first()).absoluteFilePath();
    }
    const QByteArray path = QFile::encodeName(chosen);
    return std::make_shared<FolderItem>(std::string(path.constData(), static_cast<size_t>(path.size())));
  }

  void OpenURL(const std::string& url) override {
    QDesktopServices::openUrl(QUrl(ToQString(url), QUrl::TolerantMode));
  }

  bool ShiftKeyDown() override { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }
  bool AltKeyDown() override { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); }

  toolkit::Toolkit& Views() override { return fViews; }

 private:
  QtToolkit fViews;
  bool fExited = false;  // Qt's loops were told to exit and no main loop of Qt's has taken it back
};

// The folders Qt looks for platform plug-ins in, in its order.
QStringList PlatformPluginFolders() {
  QStringList folders;
  const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.isEmpty()) folders << own;
  for (const QString& path : qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
    folders << path + "/platforms";
  }
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
  folders << QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2) + "/platforms";
  return folders;
}

// Whether Qt has a plug-in for platform (its name before any ':' options): a file
// "libq<name>.so", or "libq<name>-<variant>.so" as the Wayland ones are named.
bool HasPlugin(const QString& platform, const QStringList& folders) {
  const QString name = platform.section(':', 0, 0).toLower();
  if (name.isEmpty()) return false;
  const QString plain = "libq" + name + ".so";
  const QString variant = "libq" + name + "-";
  for (const QString& folder : folders) {
    for (const QString& file : QDir(folder).entryList({QStringLiteral("libq*.so")}, QDir::Files)) {
      if (file == plain || file.startsWith(variant)) return true;
    }
  }
  return false;
}

// The platforms of the list for which Qt has a plug-in, in the list's order: Qt ends the process
// when it is told to start on platforms of which none has one. Where none is left, missing says so.
std::string PlatformsWithPlugin(const std::string& platforms, std::string& missing) {
  const QStringList folders = PlatformPluginFolders();
  QStringList usable;
  QStringList without;
  for (const QString& platform : ToQString(platforms).split(';', Qt::SkipEmptyParts)) {
    if (HasPlugin(platform, folders)) {
      usable << platform;
    } else {
      without << '"' + platform + '"';
    }
  }
  if (usable.isEmpty()) {
    missing = QStringLiteral("no window toolkit plug-in for the platform%1 %2")
                  .arg(without.size() > 1 ? QStringLiteral("s") : QString(), without.join(QStringLiteral(", ")))
                  .toStdString();
  }
  return usable.join(';').toStdString();
}

}  // namespace

// The library's one entry, looked up by name when the framework loads it; platforms as
// QT_QPA_PLATFORM lists them, those whose display answered. None, with the reason in missing,
// where Qt has a plug-in for none of them.
extern "C" __attribute__((visibility("default"))) WindowSystem* TessarineWindowSystem(const char* platforms,
                                                                                      std::string& missing) {
  if (QCoreApplication::instance() != nullptr) return new QtWindowSystem(std::string());
  const std::string usable = PlatformsWithPlugin(platforms != nullptr ? platforms : "", missing);
  if (usable.empty()) return nullptr;
  return new QtWindowSystem(usable);
}

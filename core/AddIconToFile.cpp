// The icon stamp: App.OptionalAddIconToFile honours the user's choice, Utilities.AddIconToFile
// finds the icon file of the document's kind and version in the bundle and attaches it.
#include <array>
#include <functional>

#include "core/App.h"
#include "core/Utilities.h"
#include "framework/BinaryStream.h"
#include "framework/Text.h"
#include "plugin/IconFamily.h"

int32_t App::OptionalAddIconToFile(FolderItemPtr item, int32_t iconKind) {
  if (fPreferences->fDontAddIcon) return -1;
  return Utilities::AddIconToFile(std::move(item), iconKind);
}

namespace Utilities {

namespace {

// By icon kind code 1 to 12: InDesign documents, InCopy documents, InDesign templates, each CS to CS4.
constexpr std::array<const char*, 12> kIconFileNames = {
    "ID_3_CS.icns",  "ID_4_CS2.icns",  "ID_5_CS3.icns",  "ID_6_CS4.icns",
    "IC_3_CS.icns",  "IC_4_CS2.icns",  "IC_5_CS3.icns",  "IC_6_CS4.icns",
    "IDT_3_CS.icns", "IDT_4_CS2.icns", "IDT_5_CS3.icns", "IDT_6_CS4.icns",
};

bool IsExistingFolder(const FolderItemPtr& item) { return item && item->Exists() && item->Directory(); }

// Every check comes before the first write, so a stamp that gives up leaves the document as it
// was. Only the Resources folder is looked up by name: a bundle may name its other folders as it
// likes. The executable is asked for only once the document is known to exist, so a missing
// document leaves the bundle unlooked at.
int32_t StampFromBundle(const FolderItemPtr& in_file, int32_t in_iconKind,
                        const std::function<FolderItemPtr()>& executableOf) {
  if (!in_file || !in_file->Exists()) {
    LogError("Utilities.AddIconToFile: Cannot find file");
    return -1;
  }
  const FolderItemPtr executable = executableOf();
  if (!executable || !executable->Exists() || executable->Directory()) {
    LogError("Utilities.AddIconToFile: Cannot find application inside package folder");
    return -1;
  }
  const FolderItemPtr macOSFolder = executable->Parent();
  if (!IsExistingFolder(macOSFolder)) {
    LogError("Utilities.AddIconToFile: Cannot find application MacOS folder");
    return -1;
  }
  const FolderItemPtr contentsFolder = macOSFolder->Parent();
  if (!IsExistingFolder(contentsFolder)) {
    LogError("Utilities.AddIconToFile: Cannot find application Contents folder");
    return -1;
  }
  const FolderItemPtr resourcesFolder = contentsFolder->Child("Resources");
  if (!IsExistingFolder(resourcesFolder)) {
    LogError("Utilities.AddIconToFile: Cannot find application resources folder");
    return -1;
  }
  // A code outside the table names no file and is treated as a missing icon file.
  const std::string iconName = IconFileName(in_iconKind);
  const FolderItemPtr iconFile = iconName.empty() ? nullptr : resourcesFolder->Child(iconName);
  if (!iconFile || !iconFile->Exists()) {
    LogError("Utilities.AddIconToFile: Cannot find icon file " + Str(in_iconKind));
    return -1;
  }
  LogVerbose("Utilities.AddIconToFile: iconfile found");

  // A folder or an unreadable file in the icon file's place cannot be opened: give up as above.
  const std::unique_ptr<BinaryStream> stream = iconFile->OpenAsBinaryFile(false);
  if (!stream) {
    LogError("Utilities.AddIconToFile: Cannot open icon file " + Str(in_iconKind));
    return -1;
  }
  const std::string iconData = stream->Read(stream->Length());

  // Malformed data leaves the family empty; the plug-in then refuses it with a code of its own.
  const std::unique_ptr<IconFamilyMBS> family = NewIconFamilyMBS();
  family->SetData(iconData);

  // The stamp leaves the document's date as it found it. A plug-in that keeps the icon outside the
  // file leaves it so by itself, and writing the noted date back would give an edit that another
  // program makes meanwhile the old date, and change the file's status-change time every time.
  const std::optional<Date> modified = CustomIconChangesFileMBS() ? in_file->ModificationDate() : std::nullopt;
  const int32_t result = AddCustomIconMBS(*in_file, *family, false);
  if (modified) {
    Date restored;
    restored.SetTotalSeconds(modified->TotalSeconds());
    in_file->SetModificationDate(restored);
  }
  return result;
}

}  // namespace

std::string IconFileName(int32_t in_iconKind) {
  if (in_iconKind < 1 || in_iconKind > static_cast<int32_t>(kIconFileNames.size())) return {};
  return kIconFileNames[static_cast<size_t>(in_iconKind - 1)];
}

int32_t AddIconToFile(FolderItemPtr in_file, int32_t in_iconKind) {
  LogVerbose("Utilities.AddIconToFile: called");
  const int32_t result = StampFromBundle(in_file, in_iconKind, [] {
    const App* app = App::Instance();
    return app ? app->ExecutableFile() : nullptr;
  });
  LogVerbose("Utilities.AddIconToFile: returned");
  return result;
}

int32_t AddIconToFileFromBundle(FolderItemPtr in_file, int32_t in_iconKind, FolderItemPtr in_executable) {
  LogVerbose("Utilities.AddIconToFile: called");
  const int32_t result = StampFromBundle(in_file, in_iconKind, [&in_executable] { return in_executable; });
  LogVerbose("Utilities.AddIconToFile: returned");
  return result;
}

}  // namespace Utilities

#include "core/FileTypes1.h"

#include <string>

namespace FileTypes1 {

std::unique_ptr<FileType> pInDesignFile;
std::unique_ptr<FileType> pApplication;
std::unique_ptr<FileType> pAny;
std::unique_ptr<FileType> pInCopyFile;

namespace {

void Define(std::unique_ptr<FileType>& field, const char* name, const char* extensions, const char* macType,
            const char* macCreator) {
  field = std::make_unique<FileType>();
  field->SetName(name);
  field->SetExtensions(extensions);
  field->SetMacType(macType);
  field->SetMacCreator(macCreator);
  // Converting a type to its text registers it; only then is it complete.
  (void)static_cast<std::string>(*field);
}

// Releases the four types at shut-down in the order they were defined, not in the reverse order
// in which module-level objects are destroyed. Defined after them, so it goes first.
struct ReleaseInOrder {
  ~ReleaseInOrder() {
    pInDesignFile.reset();
    pApplication.reset();
    pAny.reset();
    pInCopyFile.reset();
  }
} releaseInOrder;

}  // namespace

void Initialize() {
  Define(pInDesignFile, "InDesign Files", "indd;indt", "????", "????");
  Define(pApplication, "Apps", "app", "APPL", "????");
  Define(pAny, "Any", "?", "????", "????");
  Define(pInCopyFile, "InCopy Files", "incx;icml;incd", "????", "????");
}

}  // namespace FileTypes1

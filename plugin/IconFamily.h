#pragma once
// Custom file icons from icon-family (.icns) data. On Linux a custom icon is the file's GIO
// metadata attribute metadata::custom-icon: the URI of a PNG image, kept in a content-addressed
// store under the user's data folder ($XDG_DATA_HOME/tessarine/icons) so the URI stays valid
// wherever Tessarine moves. The file's content and modification date are not touched.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/FolderItem.h"

class IconFamilyMBS {
 public:
  // Loads the family from a whole .icns file's bytes. False, leaving the family empty, when the
  // bytes are not a well-formed icon family (bad magic, a length that lies, a truncated element).
  bool SetData(const std::string& bytes);
  bool IsEmpty() const { return fElements.empty(); }

  struct Element {
    std::string type;  // four characters, such as "ic08"
    std::string data;
  };
  const std::vector<Element>& Elements() const { return fElements; }
  // The largest PNG image of the family, or the empty text when it holds none.
  std::string LargestPNG() const;

 private:
  std::vector<Element> fElements;
};

std::unique_ptr<IconFamilyMBS> NewIconFamilyMBS();

// AddCustomIconMBS results.
constexpr int32_t kCustomIconOK = 0;
constexpr int32_t kCustomIconBadFamily = -2;          // empty, malformed, or no PNG image in it
constexpr int32_t kCustomIconStoreNotWritable = -3;   // the icon store cannot be written
constexpr int32_t kCustomIconMetadataUnavailable = -4;  // no metadata service to keep the attribute
constexpr int32_t kCustomIconFileMissing = -5;        // the file does not exist
constexpr int32_t kCustomIconSetFailed = -6;          // the metadata service refused the attribute

// Gives file the family as its custom icon. compat is accepted for the caller's sake and has no
// meaning here.
int32_t AddCustomIconMBS(const FolderItem& file, const IconFamilyMBS& icon, bool compat);

// Whether AddCustomIconMBS can change the file itself, its bytes or its dates. Only then does a
// caller that keeps the file's date need to note it and set it back; here the icon is kept beside
// the file, and setting the date back would only undo the date of another program's edit made in
// the meantime.
bool CustomIconChangesFileMBS();

// The custom icon's URI that file carries, or the empty text (used by tests and tools).
std::string CustomIconOf(const FolderItem& file);

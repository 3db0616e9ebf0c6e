#pragma once
#include <string>

// CPreferences: the whole configuration, kept in the preferences file
// "com.mirelund.quelbrast.prefs.v103" in the user's preferences folder as thirteen lines, one per
// field, a line's meaning being its position. Paths are stored in shell form.
class CPreferences {
 public:
  CPreferences();                           // the defaults; does not read the file
  explicit CPreferences(const CPreferences& other);  // copies other through CopyPreferences
  virtual ~CPreferences() = default;
  CPreferences& operator=(const CPreferences&) = delete;

  virtual void LoadPreferences();
  virtual void SavePreferences();
  virtual void CopyPreferences(const CPreferences& other);

  // Declaration order; the file's order puts fInDesignCSPath first.
  std::string fInDesignCS2Path;
  std::string fInDesignCS3Path;
  std::string fInDesignCS4Path;
  std::string fInDesignCSPath;
  std::string fInCopyCSPath;
  std::string fInCopyCS2Path;
  std::string fInCopyCS3Path;
  std::string fInCopyCS4Path;
  bool fCSDefaultInDesign;
  bool fCS2DefaultInDesign;
  bool fCS3DefaultInDesign;
  bool fCS4DefaultInDesign;
  bool fDontAddIcon;
};

// The name of the preferences file in the preferences folder.
inline constexpr const char* kPreferencesFileName = "com.mirelund.quelbrast.prefs.v103";

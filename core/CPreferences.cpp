#include "core/CPreferences.h"

#include <array>
#include <memory>

#include "core/Utilities.h"
#include "framework/Text.h"
#include "framework/TextInputStream.h"
#include "framework/TextOutputStream.h"
#include "plugin/PreferencesFolder.h"

namespace {

// The thirteen fields in the order of the file's lines, which is not the declaration order:
// fInDesignCSPath is line 1.
struct PathLine {
  const char* name;
  std::string CPreferences::*field;
};
struct FlagLine {
  const char* name;
  bool CPreferences::*field;
};

constexpr std::array<PathLine, 8> kPathLines = {{
    {"fInDesignCSPath", &CPreferences::fInDesignCSPath},
    {"fInDesignCS2Path", &CPreferences::fInDesignCS2Path},
    {"fInDesignCS3Path", &CPreferences::fInDesignCS3Path},
    {"fInDesignCS4Path", &CPreferences::fInDesignCS4Path},
    {"fInCopyCSPath", &CPreferences::fInCopyCSPath},
    {"fInCopyCS2Path", &CPreferences::fInCopyCS2Path},
    {"fInCopyCS3Path", &CPreferences::fInCopyCS3Path},
    {"fInCopyCS4Path", &CPreferences::fInCopyCS4Path},
}};

constexpr std::array<FlagLine, 5> kFlagLines = {{
    {"fCSDefaultInDesign", &CPreferences::fCSDefaultInDesign},
    {"fCS2DefaultInDesign", &CPreferences::fCS2DefaultInDesign},
    {"fCS3DefaultInDesign", &CPreferences::fCS3DefaultInDesign},
    {"fCS4DefaultInDesign", &CPreferences::fCS4DefaultInDesign},
    {"fDontAddIcon", &CPreferences::fDontAddIcon},
}};

// None when the preferences folder cannot be had.
FolderItemPtr PreferencesFile() {
  const FolderItemPtr folder = PreferencesFolderMBS(kUserDomain);
  return folder ? folder->Child(kPreferencesFileName) : nullptr;
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

CPreferences::CPreferences() {
  Utilities::LogVerbose("CPreferences.Constructor: called");
  fInDesignCSPath = "/Applications/Adobe\\ InDesign\\ CS/InDesign\\ CS.app";
  fInDesignCS2Path = "/Applications/Adobe\\ InDesign\\ CS2/Adobe\\ InDesign\\ CS2.app";
  fInDesignCS3Path = "/Applications/Adobe\\ InDesign\\ CS3/Adobe\\ InDesign\\ CS3.app";
  fInDesignCS4Path = "/Applications/Adobe\\ InDesign\\ CS4/Adobe\\ InDesign\\ CS4.app";
  fInCopyCSPath = "/Applications/Adobe\\ InCopy\\ CS/InCopy\\ CS.app";
  fInCopyCS2Path = "/Applications/Adobe\\ InCopy\\ CS2/Adobe\\ InCopy\\ CS2.app";
  fInCopyCS3Path = "/Applications/Adobe\\ InCopy\\ CS3/Adobe\\ InCopy\\ CS3.app";
  fInCopyCS4Path = "/Applications/Adobe\\ InCopy\\ CS4/Adobe\\ InCopy\\ CS4.app";
  fCSDefaultInDesign = true;
  fCS2DefaultInDesign = true;
  fCS3DefaultInDesign = true;
  fCS4DefaultInDesign = true;
  fDontAddIcon = false;
  Utilities::LogVerbose("CPreferences.Constructor: returned");
}

CPreferences::CPreferences(const CPreferences& other) {
  Utilities::LogVerbose("CPreferences.Constructor(CPreferences): called");
  CopyPreferences(other);
  Utilities::LogVerbose("CPreferences.Constructor(CPreferences): returned");
}

void CPreferences::LoadPreferences() {
  const std::string head = "CPreferences.LoadPreferences: ";
  Utilities::LogVerbose(head + "called");
  const FolderItemPtr file = PreferencesFile();
  if (!file || !file->Exists()) {
    Utilities::LogVerbose(head + "cannot find preferences file");
  } else if (const std::unique_ptr<TextInputStream> input = file->OpenAsTextFile(); !input) {
    Utilities::LogError(head + "cannot open preferences file");
  } else {
    // Exactly thirteen reads: a short file reads as empty lines, a long one's rest is ignored.
    for (const PathLine& line : kPathLines) {
      this->*line.field = input->ReadLine();
      Utilities::LogVerbose(head + line.name + " = " + this->*line.field);
    }
    for (const FlagLine& line : kFlagLines) {
      this->*line.field = Val(input->ReadLine()) != 0;
      Utilities::LogVerbose(head + line.name + " = " + Str(this->*line.field));
    }
    input->Close();
  }
  Utilities::LogVerbose(head + "returned");
}

void CPreferences::SavePreferences() {
  const std::string head = "CPreferences.SavePreferences: ";
  Utilities::LogVerbose(head + "called");
  // A line break in a path would shift every later line of the file, and a path longer than a
  // line can be read back would come back cut; such a record is not written.
  bool refused = false;
  for (const PathLine& line : kPathLines) {
    if (HoldsLineBreak(this->*line.field)) {
      Utilities::LogError(head + "path holds a line break: " + line.name);
      refused = true;
    } else if ((this->*line.field).size() > TextInputStream::kMaxLineLength) {
      Utilities::LogError(head + "path too long: " + line.name);
      refused = true;
    }
  }
  if (!refused) {
    const FolderItemPtr file = PreferencesFile();
    if (!file) {
      Utilities::LogError(head + "cannot access preferences file");
    } else if (const std::unique_ptr<TextOutputStream> output = file->CreateTextFile(); !output) {
      Utilities::LogError(head + "cannot write to preferences file");
    } else {
      for (const PathLine& line : kPathLines) {
        Utilities::LogVerbose(head + line.name + " = " + this->*line.field);
        output->WriteLine(this->*line.field);
      }
      for (const FlagLine& line : kFlagLines) {
        Utilities::LogVerbose(head + line.name + " = " + Str(this->*line.field));
        output->WriteLine(this->*line.field ? "1" : "0");
      }
      // The new content replaces the old file only when all of it was written.
      if (!output->Close()) Utilities::LogError(head + "cannot write to preferences file");
    }
  }
  Utilities::LogVerbose(head + "returned");
}

void CPreferences::CopyPreferences(const CPreferences& other) {
  const std::string head = "CPreferences.CopyPreferences: ";
  Utilities::LogVerbose(head + "called");
  for (const PathLine& line : kPathLines) {
    this->*line.field = other.*line.field;
    Utilities::LogVerbose(head + line.name + " = " + this->*line.field);
  }
  for (const FlagLine& line : kFlagLines) {
    this->*line.field = other.*line.field;
    Utilities::LogVerbose(head + line.name + " = " + Str(this->*line.field));
  }
  Utilities::LogVerbose(head + "returned");
}

#pragma once
#include <string>
#include <vector>

// FileType: a kind of file by name, extensions (without dots, separated by semicolons) and Mac
// type and creator codes. A registered type's Name can be given as the filter of GetOpenFolderItem.
// A type whose MacType is "APPL" stands for applications: on Linux, .desktop launchers,
// executable files and .app bundle folders.
class FileType {
 public:
  FileType() = default;
  ~FileType();  // unregisters
  FileType(const FileType&) = delete;
  FileType& operator=(const FileType&) = delete;

  const std::string& Name() const { return fName; }
  void SetName(const std::string& name) { fName = name; }
  const std::string& Extensions() const { return fExtensions; }
  void SetExtensions(const std::string& extensions) { fExtensions = extensions; }
  const std::string& MacType() const { return fMacType; }
  void SetMacType(const std::string& macType) { fMacType = macType; }
  const std::string& MacCreator() const { return fMacCreator; }
  void SetMacCreator(const std::string& macCreator) { fMacCreator = macCreator; }

  // Registers the type once per object and returns its Name.
  explicit operator std::string();
  void Register();
  bool IsRegistered() const { return fRegistered; }
  bool IsApplicationType() const { return fMacType == "APPL"; }
  std::vector<std::string> ExtensionList() const;

  // The registered types named in filter (names separated by semicolons), in registration order.
  static std::vector<const FileType*> Registered(const std::string& filter);

 private:
  std::string fName, fExtensions, fMacType, fMacCreator;
  bool fRegistered = false;
};

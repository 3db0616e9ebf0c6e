#include "framework/FileType.h"

#include <algorithm>
#include <mutex>

namespace {

// The registry holds the registered types in registration order. It is never destroyed, so a
// type that lives in a module-level field may unregister itself at exit in any order.
struct Registry {
  std::mutex mutex;
  std::vector<const FileType*> types;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  size_t from = 0;
  while (from <= text.size()) {
    size_t at = text.find(';', from);
    if (at == std::string::npos) at = text.size();
    if (at > from) parts.push_back(text.substr(from, at - from));
    from = at + 1;
  }
  return parts;
}

}  // namespace

FileType::~FileType() {
  if (!fRegistered) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::erase(registry.types, this);
}

FileType::operator std::string() {
  Register();
  return fName;
}

void FileType::Register() {
  if (fRegistered) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.types.push_back(this);
  fRegistered = true;
}

std::vector<std::string> FileType::ExtensionList() const { return Split(fExtensions); }

std::vector<const FileType*> FileType::Registered(const std::string& filter) {
  const std::vector<std::string> names = Split(filter);
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::vector<const FileType*> result;
  for (const FileType* type : registry.types) {
    if (std::find(names.begin(), names.end(), type->Name()) != names.end()) result.push_back(type);
  }
  return result;
}

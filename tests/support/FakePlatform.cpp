#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/FileType.h"

void FakePlatform::ShowMessage(const std::string& message) {
  messages.push_back(message);
  if (onMessage) {
    onMessage(message);
  } else if (expectedMessages > 0) {
    --expectedMessages;
  } else {
    ADD_FAILURE() << "an unexpected message box: \"" << message << "\"";
  }
}

FolderItemPtr FakePlatform::ChooseFile(const std::vector<const FileType*>& types) {
  std::vector<std::string> names;
  for (const FileType* type : types) names.push_back(type->Name());
  chooseFileFilters.push_back(names);
  return onChooseFile ? onChooseFile(types) : nullptr;
}

bool FakePlatform::Logged(const std::string& line) const {
  return std::find(log.begin(), log.end(), line) != log.end();
}

ScopedFakePlatform::ScopedFakePlatform() {
  auto fake = std::make_unique<FakePlatform>();
  fFake = fake.get();
  fPrevious = Platform::Replace(std::move(fake));
}

ScopedFakePlatform::~ScopedFakePlatform() { Platform::Replace(std::move(fPrevious)); }

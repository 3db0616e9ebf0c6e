#pragma once
#include <memory>

#include "framework/FileType.h"

// The program's file types, registered once at start-up.
namespace FileTypes1 {
extern std::unique_ptr<FileType> pInDesignFile;
extern std::unique_ptr<FileType> pApplication;
extern std::unique_ptr<FileType> pAny;
extern std::unique_ptr<FileType> pInCopyFile;
void Initialize();
}  // namespace FileTypes1

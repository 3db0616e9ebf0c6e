#include <gtest/gtest.h>

#include "core/FileTypes1.h"

namespace {

void ExpectType(const FileType& type, const char* name, const char* extensions, const char* macType) {
  EXPECT_EQ(type.Name(), name);
  EXPECT_EQ(type.Extensions(), extensions);
  EXPECT_EQ(type.MacType(), macType);
  EXPECT_EQ(type.MacCreator(), "????");
  EXPECT_TRUE(type.IsRegistered());
}

TEST(FileTypes1Test, DefinesAndRegistersTheFourTypes) {
  FileTypes1::Initialize();
  ExpectType(*FileTypes1::pInDesignFile, "InDesign Files", "indd;indt", "????");
  ExpectType(*FileTypes1::pApplication, "Apps", "app", "APPL");
  ExpectType(*FileTypes1::pAny, "Any", "?", "????");
  ExpectType(*FileTypes1::pInCopyFile, "InCopy Files", "incx;icml;incd", "????");

  // The Browse buttons' filter finds the application type.
  const auto apps = FileType::Registered("Apps");
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0], FileTypes1::pApplication.get());
  EXPECT_TRUE(apps[0]->IsApplicationType());
}

TEST(FileTypes1Test, DefiningAgainReplacesTheTypes) {
  // Each in-process run starts the program anew: the old types must not stay registered.
  FileTypes1::Initialize();
  FileTypes1::Initialize();
  EXPECT_EQ(FileType::Registered("InDesign Files;Apps;Any;InCopy Files").size(), 4u);
}

}  // namespace

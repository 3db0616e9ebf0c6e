#include "framework/FileType.h"

#include <gtest/gtest.h>

namespace {

void Fill(FileType& type, const std::string& name, const std::string& extensions, const std::string& macType) {
  type.SetName(name);
  type.SetExtensions(extensions);
  type.SetMacType(macType);
  type.SetMacCreator("????");
}

TEST(FileTypeTest, RegisteredTypesFilterInRegistrationOrder) {
  FileType documents, applications, any;
  Fill(documents, "Test Documents", "indd;indt", "????");
  Fill(applications, "Test Apps", "app", "APPL");
  Fill(any, "Test Any", "?", "????");
  EXPECT_EQ(static_cast<std::string>(documents), "Test Documents");
  EXPECT_EQ(static_cast<std::string>(applications), "Test Apps");
  EXPECT_TRUE(applications.IsRegistered());
  EXPECT_FALSE(any.IsRegistered());
  EXPECT_TRUE(FileType::Registered("Test Any").empty());
  any.Register();
  any.Register();
  static_cast<void>(static_cast<std::string>(any));

  using Types = std::vector<const FileType*>;
  EXPECT_EQ(FileType::Registered("Test Apps"), Types{&applications});
  EXPECT_EQ(FileType::Registered("Test Any;Test Documents"), (Types{&documents, &any}));
  EXPECT_EQ(FileType::Registered(";Test Any;;Nothing;"), Types{&any});
  EXPECT_TRUE(FileType::Registered("").empty());
  EXPECT_TRUE(FileType::Registered("test apps").empty());

  EXPECT_TRUE(applications.IsApplicationType());
  EXPECT_FALSE(documents.IsApplicationType());
  EXPECT_EQ(documents.ExtensionList(), (std::vector<std::string>{"indd", "indt"}));
  EXPECT_EQ(any.ExtensionList(), std::vector<std::string>{"?"});
}

TEST(FileTypeTest, ADestroyedTypeIsNoLongerOffered) {
  {
    FileType temporary;
    temporary.SetName("Test Gone");
    temporary.Register();
    EXPECT_EQ(FileType::Registered("Test Gone").size(), 1u);
  }
  EXPECT_TRUE(FileType::Registered("Test Gone").empty());
}

}  // namespace

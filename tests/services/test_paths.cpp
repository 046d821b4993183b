// Splitting paths into folder, file name, base name and extension.
#include <gtest/gtest.h>

#include "services/paths.h"

namespace {

TEST(FolderOf, SplitsAtTheLastSeparatorOfEitherKind) {
    std::string name;
    EXPECT_EQ(services::FolderOf("C:\\a\\b.dat", name), "C:\\a\\");
    EXPECT_EQ(name, "b.dat");
    EXPECT_EQ(services::FolderOf("/home/user/frames/frame1.txt", name), "/home/user/frames/");
    EXPECT_EQ(name, "frame1.txt");
    EXPECT_EQ(services::FolderOf("C:\\data/sub\\x.txt", name), "C:\\data/sub\\");
    EXPECT_EQ(name, "x.txt");
    EXPECT_EQ(services::FolderOf("b.dat", name), "");
    EXPECT_EQ(name, "b.dat");
    EXPECT_EQ(services::FolderOf("/data/", name), "/data/");
    EXPECT_EQ(name, "");
    EXPECT_EQ(services::FolderOf("", name), "");
    EXPECT_EQ(name, "");
    // Japanese names are bytes like any other (UTF-8).
    EXPECT_EQ(services::FolderOf("/構造/骨組み.txt", name), "/構造/");
    EXPECT_EQ(name, "骨組み.txt");
}

TEST(ExtensionOf, ExtensionAfterTheLastDot) {
    std::string base;
    EXPECT_EQ(services::ExtensionOf("b.dat", base), "dat");
    EXPECT_EQ(base, "b");
    EXPECT_EQ(services::ExtensionOf("frame.v2.txt", base), "txt");
    EXPECT_EQ(base, "frame.v2");
    EXPECT_EQ(services::ExtensionOf("b.", base), "");
    EXPECT_EQ(base, "b");
    EXPECT_EQ(services::ExtensionOf("b", base), "");
    EXPECT_EQ(base, "b");
    EXPECT_EQ(services::ExtensionOf(".profile", base), "");
    EXPECT_EQ(base, ".profile");
    EXPECT_EQ(services::ExtensionOf("", base), "");
    EXPECT_EQ(base, "");
}

}  // namespace

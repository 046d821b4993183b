// Saving replaces the file as a whole and keeps what the user had: its permissions, a
// symbolic link to it, the other files of its folder, and the old file when it fails.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "model/datafile.h"
#include "model/samples.h"
#include "tests/file_text.h"

namespace {

namespace fs = std::filesystem;

using testfiles::ReadWhole;

using testfiles::WriteWhole;

using testfiles::FilesIn;

// A fresh, empty folder for one test.
std::string FreshFolder(const std::string& name) {
    const std::string dir =
        ::testing::TempDir() + "impactframe_" + std::to_string(getpid()) + "_" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir + "/";
}

TEST(DataFileSaving, KeepsPermissionsLinksAndOtherFiles) {
    const std::string dir = FreshFolder("saving_keeps");
    const mode_t umaskBefore = umask(022);
    fem::Model m;
    fem::BuildSample(m, 1);
    const std::string text = fem::StructDataText(m);
    std::string err;

    // A private file stays private.
    WriteWhole(dir + "private.txt", "old");
    ASSERT_EQ(chmod((dir + "private.txt").c_str(), 0600), 0);
    ASSERT_TRUE(fem::StructDataWriteFile(m, dir + "private.txt", &err)) << err;
    struct stat st {};
    ASSERT_EQ(stat((dir + "private.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadWhole(dir + "private.txt"), text);

    // Saving to a link writes the file it points to and keeps the link.
    WriteWhole(dir + "real.txt", "old");
    ASSERT_EQ(symlink("real.txt", (dir + "link.txt").c_str()), 0);
    ASSERT_TRUE(fem::StructDataWriteFile(m, dir + "link.txt", &err)) << err;
    ASSERT_EQ(lstat((dir + "link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadWhole(dir + "real.txt"), text);

    // A file named like a temporary file of the target is not ours to replace.
    WriteWhole(dir + "model.txt.writing", "keep");
    ASSERT_TRUE(fem::StructDataWriteFile(m, dir + "model.txt", &err)) << err;
    EXPECT_EQ(ReadWhole(dir + "model.txt.writing"), "keep");
    EXPECT_EQ(ReadWhole(dir + "model.txt"), text);
    // A new file gets the usual permissions.
    ASSERT_EQ(stat((dir + "model.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    // No temporary file is left behind.
    const std::set<std::string> expected{"private.txt", "real.txt", "link.txt", "model.txt",
                                         "model.txt.writing"};
    EXPECT_EQ(FilesIn(dir), expected);
    umask(umaskBefore);
}

TEST(DataFileSaving, FailedSaveLeavesTheOldFile) {
    const std::string dir = FreshFolder("saving_fails");
    WriteWhole(dir + "model.txt", "old");
    fem::Model m;
    fem::BuildSample(m, 4);
    for (int i = 0; i < 100; ++i) m.AddNode(m.Nodes[i % m.NodeCount()]);  // over 4 KiB of text
    ASSERT_GT(fem::StructDataText(m).size(), 4096u);

    // The disk is "full" after 4 KiB: writing fails part-way.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string err;
    const bool saved = fem::StructDataWriteFile(m, dir + "model.txt", &err);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(err.find("model.txt"), std::string::npos) << err;
    EXPECT_EQ(ReadWhole(dir + "model.txt"), "old");
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"model.txt"});
}

}  // namespace

// Safe writing: a write that fails part-way (the disk full) leaves the old file byte for
// byte and says why; a save killed part-way leaves a temporary file that the next save
// of the same file removes, and only that one; devices are written as they are.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "model/safewrite.h"
#include "tests/file_text.h"

namespace {

namespace fs = std::filesystem;

using testfiles::ReadWhole;

using testfiles::WriteWhole;

using testfiles::FilesIn;

std::string FreshFolder(const std::string& name) {
    const std::string dir =
        ::testing::TempDir() + "impactframe_" + std::to_string(getpid()) + "_" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir + "/";
}

// Text of n bytes that differs from line to line, as a CSV table does.
std::string Lines(size_t n, char tag) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += tag + std::to_string(i) + ",0.125,-3E-05\n";
    s.resize(n);
    return s;
}

struct ChildEnd {
    int signal = 0;      // the signal that ended the child, 0 when it exited
    std::string output;  // what body returned
};

// Runs body in a child process whose files may grow to fileLimit bytes at most (0: no
// limit); beyond, a write fails with EFBIG when SIGXFSZ is ignored, else the signal ends
// the child.
ChildEnd InChild(rlim_t fileLimit, bool ignoreSignal, const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return {-1, "no pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        std::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = fileLimit;
        const std::string out = fileLimit == 0 || setrlimit(RLIMIT_FSIZE, &limit) == 0
                                    ? body()
                                    : std::string("no limit");
        if (write(channel[1], out.data(), out.size()) < 0) _exit(2);
        _exit(0);
    }
    close(channel[1]);
    ChildEnd end;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        end.output.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

std::string SaveOrSayWhy(const std::string& path, const std::string& text) {
    fem::FileWriteError why;
    return fem::WriteFileSafely(path, text, &why) ? "saved" : why.Message();
}

TEST(SafeWrite, DiskFullPartWayKeepsTheOldFileAndSaysWhy) {
    const std::string dir = FreshFolder("safewrite_full");
    const std::string old = Lines(4053, 'a');
    WriteWhole(dir + "static.csv", old);
    const std::string path = dir + "static.csv";
    const ChildEnd end = InChild(4096, true, [&] { return SaveOrSayWhy(path, Lines(9000, 'b')); });
    ASSERT_EQ(end.signal, 0);
    EXPECT_EQ(end.output, path + ": cannot write the file: " + std::strerror(EFBIG));
    EXPECT_EQ(ReadWhole(path), old);
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"static.csv"});
}

// A real full disk: a tmpfs of 64 KiB, mounted in a mount namespace of a child's own,
// where the system lets us (as root).
TEST(SafeWrite, NoSpaceLeftOnATinyDiskKeepsTheOldFile) {
    const std::string dir = FreshFolder("safewrite_tmpfs");
    const ChildEnd end = InChild(0, true, [&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
            return "skip";
        const std::string old = Lines(20000, 'a');
        WriteWhole(dir + "model.txt", old);
        const std::string said = SaveOrSayWhy(dir + "model.txt", Lines(60000, 'b'));
        const bool kept = ReadWhole(dir + "model.txt") == old &&
                          FilesIn(dir) == std::set<std::string>{"model.txt"};
        return said + (kept ? "" : " (old file changed)");
    });
    if (end.output == "skip") GTEST_SKIP() << "cannot mount a tmpfs here";
    EXPECT_EQ(end.output, dir + "model.txt: cannot write the file: " + std::strerror(ENOSPC));
}

// A save of path killed part-way (by SIGXFSZ, as a full disk would stop it).
void KillSave(const std::string& path) {
    const ChildEnd end = InChild(4096, false, [&] { return SaveOrSayWhy(path, Lines(9000, 'k')); });
    ASSERT_EQ(end.signal, SIGXFSZ) << end.output;
}

TEST(SafeWrite, NextSaveRemovesTheLeftoversOfAKilledSaveOnly) {
    const std::string dir = FreshFolder("safewrite_leftover");
    WriteWhole(dir + "model.txt", "old");
    const auto before = FilesIn(dir);
    KillSave(dir + "model.txt");
    const auto withLeftover = FilesIn(dir);
    ASSERT_EQ(withLeftover.size(), 2u);
    EXPECT_EQ(ReadWhole(dir + "model.txt"), "old");

    // Not leftovers of model.txt: other files' temporary files, names that only look
    // alike, and the file of a save still in progress (locked).
    KillSave(dir + "other.txt");
    for (const char* name : {".model.txt.saving-abc", "model.txt.saving-abcdefgh",
                             ".model.txt.saving-ABCDEFGH", ".model.txt.saving-abcdefgh.bak"})
        WriteWhole(dir + name, "keep");
    const int busy = open((dir + ".model.txt.saving-busy0001").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(flock(busy, LOCK_EX), 0);
    const auto kept = FilesIn(dir);

    ASSERT_TRUE(fem::WriteFileSafely(dir + "model.txt", "new"));
    EXPECT_EQ(ReadWhole(dir + "model.txt"), "new");
    auto expected = kept;
    for (const auto& name : withLeftover)
        if (!before.count(name)) expected.erase(name);
    EXPECT_EQ(FilesIn(dir), expected);
    close(busy);

    // Names too long to go whole into a temporary name: two that start alike keep
    // apart their leftovers.
    const std::string longA = std::string(210, 'n') + "_a.csv";
    const std::string longB = std::string(210, 'n') + "_b.csv";
    const auto beforeLong = FilesIn(dir);
    KillSave(dir + longA);
    auto expectedLong = FilesIn(dir);
    ASSERT_EQ(expectedLong.size(), beforeLong.size() + 1);
    ASSERT_TRUE(fem::WriteFileSafely(dir + longB, "b"));
    expectedLong.insert(longB);
    EXPECT_EQ(FilesIn(dir), expectedLong);
    ASSERT_TRUE(fem::WriteFileSafely(dir + longA, "a"));
    expectedLong = beforeLong;
    expectedLong.insert({longA, longB});
    EXPECT_EQ(FilesIn(dir), expectedLong);
}

TEST(SafeWrite, DevicesAndPipesAreWrittenAsTheyAreFoldersRefused) {
    const std::string dir = FreshFolder("safewrite_devices");
    EXPECT_TRUE(fem::WriteFileSafely("/dev/null", "nothing"));

    const std::string fifo = dir + "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(fem::WriteFileSafely(fifo, "through the pipe"));
    char buffer[64] = {};
    EXPECT_EQ(read(reader, buffer, sizeof buffer), 16);
    EXPECT_STREQ(buffer, "through the pipe");
    close(reader);

    fem::FileWriteError why;
    EXPECT_FALSE(fem::WriteFileSafely(dir, "x", &why));
    EXPECT_EQ(why.step, fem::FileWriteStep::NotRegularFile);
    EXPECT_FALSE(fem::WriteFileSafely(dir + "missing/x.csv", "x", &why));
    EXPECT_EQ(why.step, fem::FileWriteStep::CreateTemporary);
    EXPECT_EQ(why.Message(), dir + "missing/x.csv: cannot create a temporary file in its folder: " +
                                 std::strerror(ENOENT));
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"pipe"});
}

}  // namespace

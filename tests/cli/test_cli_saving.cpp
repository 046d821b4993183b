// impactframe-cli writes its CSV files safely: killed part-way it leaves the old file
// whole, on a full disk it keeps the old file and says why, and the next run removes
// what a killed run left behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>
#include "tests/file_text.h"

namespace {

namespace fs = std::filesystem;

using testfiles::ReadWhole;

using testfiles::FilesIn;

struct CliRun {
    int code = -1;    // the exit code, -1 when a signal ended the tool
    int signal = 0;   // that signal
    std::string err;  // standard error
};

// Runs impactframe-cli with args, its files limited to fileLimit bytes (0: no limit);
// beyond, SIGXFSZ ends it unless ignored, when the write fails instead. Its standard
// output goes to the file out.
CliRun RunCli(const std::vector<std::string>& args, rlim_t fileLimit, bool ignoreSignal,
              const std::string& out = "/dev/null") {
    int channel[2];
    if (pipe(channel) != 0) return {};
    std::fflush(nullptr);  // nothing of ours written twice
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(channel[1], STDERR_FILENO);
        if (!freopen(out.c_str(), "wb", stdout)) _exit(97);
        close(channel[0]);
        close(channel[1]);
        // An ignored signal stays ignored in the program exec starts.
        std::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = fileLimit;
        if (fileLimit != 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(99);
        std::vector<char*> argv{const_cast<char*>(CLI_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(CLI_PATH, argv.data());
        _exit(98);
    }
    close(channel[1]);
    CliRun run;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) run.err.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

TEST(CliSaving, CsvOutputsSurviveAKilledRunAndAFullDisk) {
    const std::string dir = std::string(WORK_DIR) + "/saving_" + std::to_string(getpid());
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string csv = dir + "/forces.csv";
    const std::vector<std::string> args{"analyse",   "sample:4", "--nw",     "256",
                                        "--element", "8",        "--forces", csv};
    const std::string old = "time,old\n0,1\n";
    std::ofstream(csv, std::ios::binary) << old;

    // Killed part-way by the file size limit: the old file stays, a leftover with it.
    const CliRun killed = RunCli(args, 4096, false);
    ASSERT_EQ(killed.signal, SIGXFSZ) << killed.err;
    EXPECT_EQ(ReadWhole(csv), old);
    EXPECT_EQ(FilesIn(dir).size(), 2u);

    // The disk "full" after 4 KiB: the old file stays, the reason is given, and the
    // killed run's leftover is gone.
    const CliRun full = RunCli(args, 4096, true);
    EXPECT_EQ(full.code, 1);
    EXPECT_EQ(full.err, "impactframe-cli: " + csv +
                            ": cannot write the file: " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(ReadWhole(csv), old);
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"forces.csv"});

    // With room, the whole table, as the tool writes it to standard output.
    const CliRun written = RunCli(args, 0, false);
    ASSERT_EQ(written.code, 0) << written.err;
    std::vector<std::string> toOutput = args;
    toOutput.back() = "-";
    const std::string shown = dir + ".out";
    ASSERT_EQ(RunCli(toOutput, 0, false, shown).code, 0);
    EXPECT_GT(ReadWhole(csv).size(), 4096u);
    EXPECT_EQ(ReadWhole(csv), ReadWhole(shown));
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"forces.csv"});
    fs::remove_all(dir);
    fs::remove(shown);
}

}  // namespace

// impactframe-cli analyse and batch over the processes of mpirun: the files written are
// byte for byte those of one process, a failure or a stop on any process ends them all
// with its message, and a broken file of a batch is reported while the others run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"

namespace {

using clirun::Count;
using clirun::Path;
using clirun::ReadFile;
using clirun::Shell;

const std::string kCli = CLI_PATH;

// mpirun with three processes on however many cores there are (as root where CI runs).
std::string Mpirun(int processes = 3) {
    return std::string(MPIRUN) + " --oversubscribe" +
           (geteuid() == 0 ? " --allow-run-as-root" : "") + " -np " + std::to_string(processes) +
           " ";
}

// Runs analyse in one process and over three with the same options, the files named
// PREFIX-KIND.csv, and expects the same bytes in each.
void ExpectSameFiles(const std::string& input, const std::string& options,
                     const std::vector<std::string>& kinds, const std::string& tag,
                     std::string* sharedErr = nullptr) {
    auto files = [&](const std::string& run) {
        std::string args;
        for (const std::string& kind : kinds)
            args += " --" + kind + " " + Path(tag + "_" + run + "_" + kind + ".csv");
        return args;
    };
    const clirun::Result one =
        Shell(kCli + " analyse " + input + options + files("one"), tag + "_one");
    ASSERT_EQ(one.code, 0) << one.err;
    const clirun::Result three = Shell(
        Mpirun() + kCli + " analyse " + input + options + files("three") + " --threads 1 --verbose",
        tag + "_three");
    ASSERT_EQ(three.code, 0) << three.err;
    for (const std::string& kind : kinds) {
        const std::string expected = ReadFile(Path(tag + "_one_" + kind + ".csv"));
        ASSERT_FALSE(expected.empty()) << kind;
        EXPECT_EQ(ReadFile(Path(tag + "_three_" + kind + ".csv")), expected) << kind;
    }
    if (sharedErr) *sharedErr = three.err;
}

TEST(MpiAnalyse, GridOverThreeProcessesWritesTheFilesOfOne) {
    // 4 x 4 x 4 bays: 125 nodes, element 200 is a beam of the top storey, node 124 the
    // loaded corner.
    const std::string grid = clirun::WriteGrid("mpi_grid4.txt", 4);
    std::string err;
    ExpectSameFiles(grid, " --nw 256 --element 200 --node 124",
                    {"static", "forces", "displacements"}, "mpi_grid", &err);
    // The 129 points are dealt out 43 to each process, and only the spectra of the three
    // nodes written travel.
    for (int rank = 0; rank < 3; ++rank)
        EXPECT_NE(err.find("rank " + std::to_string(rank) + " on "), std::string::npos) << err;
    EXPECT_EQ(Count(err, "solved 43 of its 43 points"), 3) << err;
    EXPECT_NE(err.find("gathered 37152 bytes of spectra (288 per transform point, 3 nodes)"),
              std::string::npos)
        << err;
    EXPECT_EQ(Count(err, "100 % of 129 transform points"), 1) << err;
}

TEST(MpiAnalyse, AliasingCorrectionOverThreeProcessesWritesTheFilesOfOne) {
    ExpectSameFiles("sample:3", " --nw 256 --correct-aliasing --element 1 --node 2",
                    {"static", "forces", "displacements", "error"}, "mpi_alias");
}

// gamma Te = 0 makes point 0, rank 0's, singular while the others go on solving.
TEST(MpiAnalyse, FailureOnOneProcessEndsThemAll) {
    const std::string grid = clirun::WriteGrid("mpi_fail_grid.txt", 4);
    const std::string args = " analyse " + grid + " --nw 256 --gamma-te 0 --element 200 --forces ";
    const clirun::Result one = Shell(kCli + args + Path("mpi_fail_one.csv"), "mpi_fail_one");
    const clirun::Result three =
        Shell(Mpirun() + kCli + args + Path("mpi_fail_three.csv"), "mpi_fail_three");
    EXPECT_EQ(one.code, 1);
    EXPECT_NE(three.code, 0);
    EXPECT_EQ(Count(one.err, "dynamic solution: Gauss Error"), 1) << one.err;
    EXPECT_EQ(Count(three.err, "dynamic solution: Gauss Error"), 1) << three.err;
    EXPECT_TRUE(ReadFile(Path("mpi_fail_three.csv")).empty());
}

// Starts an analysis long enough to be stopped, waits until it reports progress, calls
// stop(mpirun's process id) and returns what the analysis gave.
template <class Stop>
clirun::Result StopMidway(const std::string& tag, Stop stop) {
    const std::string grid = clirun::WriteGrid("mpi_stop_grid.txt", 3);
    const std::string base = Path(tag);
    std::remove((base + ".csv").c_str());
    const std::string command = "exec " + Mpirun() + kCli + " analyse " + grid +
                                " --nw 8192 --threads 1 --node 63 --displacements " + base +
                                ".csv >" + base + ".out 2>" + base + ".err </dev/null";
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    clirun::Result r;
    bool stopped = false;
    for (int wait = 0; wait < 1200 && !stopped; ++wait) {  // 2 minutes at most
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (ReadFile(base + ".err").find("10 % of") != std::string::npos) {
            stop(child);
            stopped = true;
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(base + ".err");
    EXPECT_TRUE(stopped) << r.err;
    EXPECT_TRUE(ReadFile(base + ".csv").empty()) << "histories written after a stop";
    return r;
}

// The process of the job whose rank is rank, found among mpirun's children.
pid_t ProcessOfRank(pid_t mpirun, int rank) {
    const clirun::Result children =
        Shell("pgrep -P " + std::to_string(mpirun), "mpi_children_" + std::to_string(rank));
    std::istringstream pids(children.out);
    for (pid_t pid = 0; pids >> pid;) {
        const std::string environment = ReadFile("/proc/" + std::to_string(pid) + "/environ");
        if (environment.find(std::string("OMPI_COMM_WORLD_RANK=") + std::to_string(rank) + '\0') !=
            std::string::npos)
            return pid;
    }
    return 0;
}

TEST(MpiAnalyse, StopOnAnyProcessEndsThemAllWithUserStop) {
    // Ctrl+C: mpirun passes the signal on to every process.
    const clirun::Result interrupted =
        StopMidway("mpi_sigint", [](pid_t mpirun) { kill(mpirun, SIGINT); });
    EXPECT_NE(interrupted.code, 0);
    EXPECT_EQ(Count(interrupted.err, "dynamic solution: User Stop"), 1) << interrupted.err;
    EXPECT_EQ(Count(interrupted.err, "100 % of"), 0) << interrupted.err;

    // A signal to rank 2 alone stops the others through the job.
    const clirun::Result one = StopMidway("mpi_sigterm", [](pid_t mpirun) {
        const pid_t rank2 = ProcessOfRank(mpirun, 2);
        ASSERT_NE(rank2, 0);
        kill(rank2, SIGTERM);
    });
    EXPECT_NE(one.code, 0);
    EXPECT_EQ(Count(one.err, "dynamic solution: User Stop"), 1) << one.err;
    EXPECT_EQ(Count(one.err, "100 % of"), 0) << one.err;
}

TEST(MpiBatch, BrokenFileIsReportedAndTheOtherFourAnalysed) {
    std::vector<std::string> files;
    for (int n = 1; n <= 4; ++n)
        files.push_back(clirun::WriteGrid("mpi_batch_grid" + std::to_string(n) + ".txt", n));
    const std::string broken = Path("mpi_batch_broken.txt");
    std::ofstream(broken) << "2,1\n0,0,0\n";
    files.insert(files.begin() + 2, broken);
    std::string list;
    for (const std::string& f : files) list += " " + f;
    const std::string options = " --nw 256 --element 5 --node 7";
    const clirun::Result one = Shell(
        kCli + " batch" + list + " --out " + Path("mpi_batch_one") + options, "mpi_batch_one");
    const clirun::Result three = Shell(Mpirun() + kCli + " batch" + list + " --out " +
                                           Path("mpi_batch_three") + options + " --threads 1",
                                       "mpi_batch_three");
    EXPECT_EQ(one.code, 1);
    EXPECT_NE(three.code, 0);
    EXPECT_EQ(Count(three.err, "mpi_batch_broken.txt: "), 1) << three.err;
    // The summaries agree but for the seconds, and every file that ran wrote what it
    // writes in one process.
    auto withoutSeconds = [](const std::string& summary) {
        std::string out;
        std::istringstream in(summary);
        for (std::string line; std::getline(in, line);) {
            const size_t a = line.find(','), b = line.find(',', a + 1), c = line.find(',', b + 1);
            out += line.substr(0, b) + line.substr(c) + "\n";
        }
        return out;
    };
    const std::string summary = ReadFile(Path("mpi_batch_three/summary.csv"));
    EXPECT_EQ(withoutSeconds(summary), withoutSeconds(ReadFile(Path("mpi_batch_one/summary.csv"))));
    EXPECT_EQ(Count(summary, ",ok,"), 4) << summary;
    EXPECT_EQ(Count(summary, ",failed,"), 1) << summary;
    for (int n = 1; n <= 4; ++n)
        for (const char* kind : {"static", "forces", "displacements"}) {
            const std::string name = "/mpi_batch_grid" + std::to_string(n) + "-" + kind + ".csv";
            const std::string expected = ReadFile(Path("mpi_batch_one") + name);
            EXPECT_FALSE(expected.empty()) << name;
            EXPECT_EQ(ReadFile(Path("mpi_batch_three") + name), expected) << name;
        }
}

}  // namespace

// impactframe-cli batch in one process: every file gives what analyse gives for it, a
// broken or failing file is reported and the others still run; and the share of the
// transform points that each process of an mpirun job solves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/mpi_analysis.h"
#include "cli_run.h"

namespace {

using clirun::Path;
using clirun::ReadFile;
using clirun::Shell;

const std::string kCli = CLI_PATH;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

TEST(CliBatch, EveryFileAsAnalyseWritesItAndFailuresAreReported) {
    const std::string grid2 = clirun::WriteGrid("batch_grid2.txt", 2);  // 42 elements
    const std::string grid1 = clirun::WriteGrid("batch_grid1.txt", 1);  // 8 elements
    const std::string broken = Path("batch_broken.txt");
    std::ofstream(broken) << "this is no structure\n";
    const std::string out = Path("batch_out");
    const std::string options = " --nw 256 --element 20 --node 20";
    const clirun::Result r = Shell(
        kCli + " batch " + grid2 + " " + broken + " " + grid1 + " --out " + out + options, "batch");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(clirun::Count(r.err, "batch_broken.txt"), 1) << r.err;

    const std::vector<std::string> summary = Lines(ReadFile(out + "/summary.csv"));
    ASSERT_EQ(summary.size(), 4u);
    EXPECT_EQ(summary[0],
              "file,status,seconds,nodes,elements,max_static_displacement,max_force,"
              "max_displacement,message");
    const std::vector<std::string> ok = Fields(summary[1]);
    ASSERT_EQ(ok.size(), 9u) << summary[1];
    EXPECT_EQ(ok[0], grid2);
    EXPECT_EQ(ok[1], "ok");
    EXPECT_EQ(ok[3], "27");
    EXPECT_EQ(ok[4], "42");
    EXPECT_EQ(Fields(summary[2])[1], "failed");
    EXPECT_NE(summary[2].find("batch_broken.txt"), std::string::npos);
    EXPECT_EQ(Fields(summary[3])[1], "failed");
    EXPECT_NE(summary[3].find("no element 20 (the structure has 8 elements)"), std::string::npos);

    // The files of the file that ran are those of analyse.
    const std::string one = Path("batch_single_");
    ASSERT_EQ(
        Shell(kCli + " analyse " + grid2 + options + " --static " + one + "static.csv --forces " +
                  one + "forces.csv --displacements " + one + "displacements.csv",
              "batch_single")
            .code,
        0);
    for (const char* kind : {"static", "forces", "displacements"})
        EXPECT_EQ(ReadFile(out + "/batch_grid2-" + kind + ".csv"), ReadFile(one + kind + ".csv"))
            << kind;
    EXPECT_TRUE(ReadFile(out + "/batch_broken-static.csv").empty());

    // The peaks of the summary are those of the files written.
    double largest = 0.0;
    const std::vector<std::string> statics = Lines(ReadFile(one + "static.csv"));
    for (size_t i = 1; i < statics.size(); ++i) {
        const std::vector<std::string> f = Fields(statics[i]);
        const double x = std::stod(f[1]), y = std::stod(f[2]), z = std::stod(f[3]);
        largest = std::max(largest, std::sqrt(x * x + y * y + z * z));
    }
    EXPECT_DOUBLE_EQ(std::stod(ok[5]), largest);
    double force = 0.0;
    const std::vector<std::string> forces = Lines(ReadFile(one + "forces.csv"));
    for (size_t i = 1; i < forces.size(); ++i) {
        const std::vector<std::string> f = Fields(forces[i]);
        for (const int c : {1, 2, 3, 7, 8, 9}) force = std::max(force, std::fabs(std::stod(f[c])));
    }
    EXPECT_EQ(std::stod(ok[6]), force);
    double moved = 0.0;
    const std::vector<std::string> motion = Lines(ReadFile(one + "displacements.csv"));
    for (size_t i = 1; i < motion.size(); ++i) {
        const std::vector<std::string> f = Fields(motion[i]);
        const double x = std::stod(f[1]), y = std::stod(f[2]), z = std::stod(f[3]);
        moved = std::max(moved, std::sqrt(x * x + y * y + z * z));
    }
    EXPECT_GT(moved, 0.0);
    EXPECT_EQ(std::stod(ok[7]), moved);
}

TEST(CliBatch, RefusesResultsThatWouldOverwriteEachOther) {
    const std::string out = Path("batch_refused");
    EXPECT_EQ(Shell(kCli + " batch a/x.txt b/x.dat --out " + out, "batch_same").code, 2);
    EXPECT_EQ(Shell(kCli + " batch a.txt", "batch_no_out").code, 2);
    EXPECT_EQ(Shell(kCli + " batch --out " + out, "batch_no_file").code, 2);
}

// Every point once, and no process more than one point above another.
TEST(PointsOfRank, EveryPointOnceAndBalanced) {
    for (const int points : {1, 2, 129, 258, 4097})
        for (const int ranks : {1, 2, 3, 8, 300}) {
            std::set<int> seen;
            size_t fewest = points, most = 0;
            for (int rank = 0; rank < ranks; ++rank) {
                const std::vector<int> mine = cli::PointsOfRank(points, rank, ranks);
                EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
                for (const int i : mine) EXPECT_TRUE(seen.insert(i).second) << i;
                fewest = std::min(fewest, mine.size());
                most = std::max(most, mine.size());
            }
            EXPECT_EQ(seen.size(), static_cast<size_t>(points));
            EXPECT_EQ(*seen.begin(), 0);
            EXPECT_EQ(*seen.rbegin(), points - 1);
            EXPECT_LE(most - fewest, 1u) << points << " points, " << ranks << " ranks";
        }
}

}  // namespace

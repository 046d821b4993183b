// impactframe-cli modes run as a program: the frequencies of a cantilever against the
// roots of cos(l) cosh(l) = -1, the shapes file, the choice of modes and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ToolRun Modes(const std::string& args) {
    // Named after the test, so that tests running in parallel keep their files apart.
    const std::string base = std::string(WORK_DIR) + "/modes_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string command =
        std::string(CLI_PATH) + " modes " + args + " >" + base + ".out 2>" + base + ".err";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(base + ".out"),
            Slurp(base + ".err")};
}

// Rows of numbers after the header line, which goes to header.
std::vector<std::vector<double>> Rows(const std::string& csv, std::string& header) {
    std::istringstream in(csv);
    std::getline(in, header);
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<double> row;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, ',');) row.push_back(std::stod(f));
        rows.push_back(row);
    }
    return rows;
}

// A cantilever of 1000 mm along x, the default bar of 10 mm diameter.
std::string Cantilever() {
    const std::string path = std::string(WORK_DIR) + "/modes_cantilever.txt";
    std::ofstream(path, std::ios::binary)
        << "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
           "1,1000,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
           "0,0,1\r\n21000,8000,7.86E-06,10\r\n";
    return path;
}

TEST(CliModes, CantileverFrequenciesAndShapes) {
    // lambda^2 sqrt(EI / m) / (2 pi L^2) Hz with sqrt(EI / m) = c d / 4; lambda from
    // 1.8751040687119612 and 4.6940911329741746 (mpmath, 30 digits), each in two planes.
    const double c = std::sqrt(21000 * 9800 / 7.86E-06), L = 1000, pi = 3.14159265358979323846;
    const double lambda[2] = {1.8751040687119612, 4.6940911329741746};
    const std::string shapes = std::string(WORK_DIR) + "/modes_shapes.csv";
    const ToolRun r = Modes(Cantilever() + " --count 4 --shapes " + shapes);
    ASSERT_EQ(r.code, 0) << r.err;
    std::string header;
    const auto rows = Rows(r.out, header);
    EXPECT_EQ(header, "mode,frequency_hz");
    ASSERT_EQ(rows.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const double l = lambda[k / 2], expected = l * l * c * 10 / 4 / (2 * pi * L * L);
        EXPECT_EQ(rows[k][0], k + 1);
        EXPECT_NEAR(rows[k][1], expected, 1e-10 * expected) << k;
    }
    const auto shapeRows = Rows(Slurp(shapes), header);
    EXPECT_EQ(header, "mode,node,ux,uy,uz,rx,ry,rz");
    ASSERT_EQ(shapeRows.size(), 8u);
    for (int k = 0; k < 4; ++k) {
        const auto& root = shapeRows[2 * k];
        const auto& tip = shapeRows[2 * k + 1];
        EXPECT_EQ(root, (std::vector<double>{k + 1.0, 0, 0, 0, 0, 0, 0, 0}));
        double largest = 0;
        for (int j = 2; j < 8; ++j)
            if (std::fabs(tip[j]) > std::fabs(largest)) largest = tip[j];
        EXPECT_EQ(largest, 1.0) << k;
    }

    // Below 100 Hz: the first two pairs; with --count 3 the smaller set.
    EXPECT_EQ(Rows(Modes(Cantilever() + " --below 100").out, header).size(), 4u);
    EXPECT_EQ(Rows(Modes(Cantilever() + " --below=100 --count 3").out, header).size(), 3u);
}

// --timoshenko is the data file's "timoshenko": true on every member with a shear area;
// shear and rotary inertia lower every bending frequency.
TEST(CliModes, TimoshenkoOptionIsTheKeyOnEveryMember) {
    const std::string keyed = std::string(WORK_DIR) + "/modes_timoshenko.json";
    std::ofstream(keyed, std::ios::binary)
        << "{\"format\": \"ImpactFrame\", \"version\": 2,\n"
           " \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0, \"codes\": "
           "[\"u\",\"u\",\"u\",\"u\",\"u\",\"u\"]}, {\"x\": 1000, \"y\": 0, \"z\": 0}],\n"
           " \"elements\": [{\"nodes\": [0, 1], \"timoshenko\": true,\n"
           "   \"material\": {\"E\": 21000, \"G\": 8000, \"density\": 7.86e-6},\n"
           "   \"section\": {\"shape\": \"round\", \"d\": 10}}]}\n";
    const ToolRun option = Modes(Cantilever() + " --count 4 --timoshenko");
    const ToolRun key = Modes(keyed + " --count 4");
    const ToolRun plain = Modes(Cantilever() + " --count 4");
    ASSERT_EQ(option.code, 0) << option.err;
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(option.out, key.out);
    std::string header;
    const auto shear = Rows(option.out, header), bending = Rows(plain.out, header);
    ASSERT_EQ(shear.size(), 4u);
    ASSERT_EQ(bending.size(), 4u);
    for (int k = 0; k < 4; ++k) EXPECT_LT(shear[k][1], bending[k][1]) << k;
    EXPECT_NE(Modes("--help").out.find("--timoshenko"), std::string::npos);
}

TEST(CliModes, BadInputAndVerbose) {
    for (const char* bad :
         {"sample:5", "sample:1 --count 0", "sample:1 --below -1", "sample:1 --below x",
          "sample:1 --frobnicate", "sample:1 --threads 0", "/nonexistent/structure.txt", ""}) {
        const ToolRun r = Modes(bad);
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        ASSERT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad << ": " << r.err;
    }
    // One worker gives the same digits every time; --verbose leaves standard output alone.
    const ToolRun told = Modes("sample:4 --count 2 --threads 1 --verbose");
    EXPECT_EQ(told.code, 0);
    EXPECT_NE(told.err.find("Wittrick-Williams"), std::string::npos) << told.err;
    EXPECT_NE(told.err.find("threads: 1\n"), std::string::npos) << told.err;
    EXPECT_EQ(told.out, Modes("sample:4 --count 2 --threads 1").out);
    EXPECT_NE(Modes("--help").out.find("--shapes"), std::string::npos);
}

}  // namespace

// impactframe-cli analyse run as a program on samples and data files; its CSV output is
// compared with beam theory and exact wave solutions computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

const double kPi = 3.14159265358979323846;

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

using clirun::ReadFile;

// Runs the tool with args (a shell fragment); tag keeps the files of parallel tests apart.
CliResult Cli(const std::string& args, const std::string& tag) {
    const std::string base = std::string(WORK_DIR) + "/analyse_" + tag;
    const std::string command =
        std::string(CLI_PATH) + " analyse " + args + " >" + base + ".out 2>" + base + ".err";
    CliResult r;
    const int status = std::system(command.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(base + ".out");
    r.err = ReadFile(base + ".err");
    return r;
}

struct Csv {
    std::string header;
    std::vector<std::vector<double>> rows;
};

Csv ParseCsv(const std::string& text) {
    Csv csv;
    std::istringstream in(text);
    std::getline(in, csv.header);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream fields(line);
        std::string f;
        while (std::getline(fields, f, ',')) row.push_back(std::strtod(f.c_str(), nullptr));
        csv.rows.push_back(row);
    }
    return csv;
}

std::string WriteData(const std::string& name, const std::string& text) {
    const std::string path = std::string(WORK_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The default steel bar of the samples: E 21000, G 8000, diameter 10.
const double E = 21000, G = 8000, d = 10;
const double EA = E * kPi * d * d / 4, EI = E * kPi * d * d * d * d / 64;
const double GJ = G * kPi * d * d * d * d / 32;

TEST(CliAnalyse, StaticDisplacementsMatchBeamTheory) {
    // Sample 2: cantilever of 100 mm, tip load -1 along y, middle node at 50 mm.
    const CliResult r = Cli("sample:2 --static -", "static2");
    ASSERT_EQ(r.code, 0) << r.err;
    const Csv csv = ParseCsv(r.out);
    EXPECT_EQ(csv.header, "node,ux,uy,uz,rx,ry,rz");
    ASSERT_EQ(csv.rows.size(), 3u);
    const double P = -1, L = 100;
    for (int n : {1, 2}) {
        const double x = 50.0 * n;
        EXPECT_NEAR(csv.rows[n][2], P * x * x * (3 * L - x) / (6 * EI), 1e-9 * 0.0324);
        EXPECT_NEAR(csv.rows[n][6], P * x * (2 * L - x) / (2 * EI), 1e-9 * 4.9e-4);
    }

    // An L-shaped frame clamped at the origin (100 mm along x, then 60 mm along y) with a
    // load along z at its free corner: bending of both legs and torsion of the first.
    const std::string lframe =
        WriteData("lframe.txt",
                  "3,2\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
                  "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
                  "2,100,60,0\r\np,0\r\np,0\r\np,-2.5\r\np,0\r\np,0\r\np,0\r\n"
                  "0,0,1\r\n21000,8000,7.86E-06,10\r\n1,1,2\r\n21000,8000,7.86E-06,10\r\n");
    const std::string out = std::string(WORK_DIR) + "/lframe_static.csv";
    const CliResult l = Cli(lframe + " --nw 256 --static " + out, "lframe");
    ASSERT_EQ(l.code, 0) << l.err;
    const Csv s = ParseCsv(ReadFile(out));
    ASSERT_EQ(s.rows.size(), 3u);
    const double a = 100, b = 60, Q = -2.5;
    const double w = Q * b * b * b / (3 * EI) + Q * a * a * a / (3 * EI) + Q * b * b * a / GJ;
    EXPECT_NEAR(s.rows[2][3], w, 1e-9 * std::fabs(w));
    EXPECT_NEAR(s.rows[1][4], Q * b * a / GJ, 1e-9 * std::fabs(Q * b * a / GJ));
}

// Sample 1 (Te 0.0004 of its own): the global end force at the loaded node is the step
// load, delayed by Te/10, plus e^-5 of the next span.
TEST(CliAnalyse, ForceHistoryAtTheLoadedNodeFollowsTheStep) {
    const CliResult r = Cli("sample:1 --element 1 --forces - --global", "forces");
    ASSERT_EQ(r.code, 0) << r.err;
    const Csv csv = ParseCsv(r.out);
    EXPECT_EQ(csv.header, "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2");
    ASSERT_EQ(csv.rows.size(), 512u);
    const double Te = 0.0004, wrap = std::exp(-5.0);
    for (int j = 0; j < 512; ++j) {
        ASSERT_EQ(csv.rows[j].size(), 13u);
        EXPECT_DOUBLE_EQ(csv.rows[j][0], j * Te / 512);
        const double t = j * Te / 512;
        if (t > 0.15 * Te && t < 0.95 * Te) {
            EXPECT_NEAR(csv.rows[j][7], 1 + wrap, 1e-3) << j;
        } else if (t > 0.01 * Te && t < 0.07 * Te) {
            EXPECT_NEAR(csv.rows[j][7], wrap, 1e-3) << j;
        }
    }

    // A rise time above 0.1 is taken as 0.1.
    const CliResult slow = Cli("sample:1 --tau 0.5 --element 1 --forces - --global", "forces_tau");
    ASSERT_EQ(slow.code, 0) << slow.err;
    const Csv c2 = ParseCsv(slow.out);
    for (int j : {102, 200, 300}) {
        const double t = c2.rows[j][0];
        EXPECT_NEAR(c2.rows[j][7], 1 - std::exp(-(t - Te / 10) / (0.1 * Te)) + wrap, 1e-3) << j;
    }
}

// The free end of sample 1 moves as a triangle wave up to twice the static stretch.
TEST(CliAnalyse, DisplacementHistoryPeaksAtTwiceTheStaticStretch) {
    const CliResult r = Cli("sample:1 --nw 1024 --node 2 --displacements -", "disp");
    ASSERT_EQ(r.code, 0) << r.err;
    const Csv csv = ParseCsv(r.out);
    EXPECT_EQ(csv.header, "t,ux,uy,uz,rx,ry,rz");
    ASSERT_EQ(csv.rows.size(), 1024u);
    const double stretch = 1.0 * 200 / EA, c = std::sqrt(E * 9800 / 7.86E-06);
    // The first rise: the load starts at Te/10, the wave returns after 4 L / c.
    double peak = 0, tPeak = 0;
    for (const auto& row : csv.rows)
        if (row[0] < 0.0004 / 10 + 3 * 200 / c && row[1] > peak) {
            peak = row[1];
            tPeak = row[0];
        }
    EXPECT_GT(peak, 1.96 * stretch);
    EXPECT_LT(peak, 2.03 * stretch);
    // It comes 2 L / c after the load starts.
    EXPECT_NEAR(tPeak, 0.0004 / 10 + 2 * 200 / c, 3 * 0.0004 / 1024);
}

// A flat bar 50 x 9 turned by 90 about its axis (data file version 2): the tip load along
// global y bends it about local y, the weak axis, in the static solution after the impact
// analysis and in the impact response, whose first peak is about twice the static
// deflection (the first mode carries 97 % of a cantilever's tip deflection).
TEST(CliAnalyse, TurnedFlatBarBendsAboutItsWeakAxisStaticallyAndUnderImpact) {
    const std::string file = WriteData(
        "flat.json",
        "{\"format\": \"ImpactFrame\", \"version\": 2,\n"
        " \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0, \"codes\": "
        "[\"u\",\"u\",\"u\",\"u\",\"u\",\"u\"]},\n"
        "           {\"x\": 1000, \"y\": 0, \"z\": 0, \"codes\": "
        "[\"p\",\"pf\",\"p\",\"p\",\"p\",\"p\"],\n"
        "            \"values\": [0, 1, 0, 0, 0, 0]}],\n"
        " \"elements\": [{\"nodes\": [0, 1], \"roll\": 90,\n"
        "               \"material\": {\"E\": 21000, \"G\": 8000, \"density\": 7.86e-6},\n"
        "               \"section\": {\"shape\": \"rectangle\", \"b\": 50, \"h\": 9}}]}\n");
    const std::string history = std::string(WORK_DIR) + "/flat_tip.csv";
    const CliResult r =
        Cli(file + " --te 0.2 --static - --node 1 --displacements " + history, "flat");
    ASSERT_EQ(r.code, 0) << r.err;
    const double Iy = 50.0 * 9 * 9 * 9 / 12, L = 1000;  // b h^3 / 12
    const double deflection = L * L * L / (3 * E * Iy);
    const Csv s = ParseCsv(r.out);
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_NEAR(s.rows[1][2], deflection, 1e-9 * deflection);
    EXPECT_NEAR(s.rows[1][3], 0.0, 1e-9 * deflection);

    const Csv h = ParseCsv(ReadFile(history));
    ASSERT_EQ(h.rows.size(), 512u);
    double peak = 0, sideways = 0;
    for (const auto& row : h.rows) {
        peak = std::max(peak, row[2]);
        sideways = std::max(sideways, std::fabs(row[3]));
    }
    EXPECT_GT(peak, 1.85 * deflection);
    EXPECT_LT(peak, 2.05 * deflection);
    EXPECT_LT(sideways, 1e-6 * deflection);
}

// --timoshenko: a short deep cantilever's static tip deflection gains the shear term
// P L / (G k A) with Cowper's k = 10 (1 + nu) / (12 + 11 nu) of a rectangle.
TEST(CliAnalyse, TimoshenkoOptionAddsTheShearDeflection) {
    const std::string file = WriteData(
        "deep.json",
        "{\"format\": \"ImpactFrame\", \"version\": 2,\n"
        " \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0, \"codes\": "
        "[\"u\",\"u\",\"u\",\"u\",\"u\",\"u\"]},\n"
        "           {\"x\": 200, \"y\": 0, \"z\": 0, \"values\": [0, 0, 1000, 0, 0, 0]}],\n"
        " \"elements\": [{\"nodes\": [0, 1],\n"
        "               \"material\": {\"E\": 21000, \"G\": 8000, \"density\": 7.86e-6},\n"
        "               \"section\": {\"shape\": \"rectangle\", \"b\": 20, \"h\": 60}}]}\n");
    const double L = 200, P = 1000, b = 20, h = 60, nu = E / (2 * G) - 1;
    const double bending = P * L * L * L / (3 * E * b * h * h * h / 12);
    const double shear = P * L / (G * 10 * (1 + nu) / (12 + 11 * nu) * b * h);
    for (const bool timoshenko : {false, true}) {
        const CliResult r = Cli(file + " --nw 256 --static -" + (timoshenko ? " --timoshenko" : ""),
                                timoshenko ? "deep_t" : "deep");
        ASSERT_EQ(r.code, 0) << r.err;
        const Csv s = ParseCsv(r.out);
        ASSERT_EQ(s.rows.size(), 2u);
        const double expected = bending + (timoshenko ? shear : 0.0);
        EXPECT_NEAR(s.rows[1][3], expected, 1e-9 * expected) << timoshenko;
    }
    EXPECT_GT(shear, 0.05 * bending);
}

// Sample 1 with the aliasing correction: the force at the loaded node is the step itself
// without the e^-5 of the next span, the error file holds that e^-5 / (1 - e^-5) in the
// layout of the histories, and --error alone leaves the histories as they were.
TEST(CliAnalyse, AliasingCorrectionAndErrorFile) {
    const std::string dir = std::string(WORK_DIR) + "/";
    const std::string histories = " --element 1 --global --forces " + dir + "alias_f.csv" +
                                  " --node 2 --displacements " + dir + "alias_d.csv";
    ASSERT_EQ(Cli("sample:1" + histories, "alias_plain").code, 0);
    const std::string plainForces = ReadFile(dir + "alias_f.csv");
    const std::string plainDisplacements = ReadFile(dir + "alias_d.csv");
    ASSERT_EQ(Cli("sample:1" + histories + " --error -", "alias_error").code, 0);
    EXPECT_EQ(ReadFile(dir + "alias_f.csv"), plainForces);
    EXPECT_EQ(ReadFile(dir + "alias_d.csv"), plainDisplacements);
    const CliResult r = Cli("sample:1" + histories + " --correct-aliasing --error -", "alias");
    ASSERT_EQ(r.code, 0) << r.err;

    // Two blocks, forces first, each with its header and 512 rows.
    const size_t second = r.out.find("t,ux,uy,uz,rx,ry,rz\n");
    ASSERT_NE(second, std::string::npos);
    const Csv forceError = ParseCsv(r.out.substr(0, second));
    const Csv displacementError = ParseCsv(r.out.substr(second));
    EXPECT_EQ(forceError.header, "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2");
    ASSERT_EQ(forceError.rows.size(), 512u);
    ASSERT_EQ(displacementError.rows.size(), 512u);

    const Csv plain = ParseCsv(plainForces), corrected = ParseCsv(ReadFile(dir + "alias_f.csv"));
    const Csv plainTip = ParseCsv(plainDisplacements);
    const Csv correctedTip = ParseCsv(ReadFile(dir + "alias_d.csv"));
    const double Te = 0.0004, wrap = std::exp(-5.0);
    for (int j = 0; j < 512; ++j) {
        const double t = j * Te / 512;
        EXPECT_EQ(forceError.rows[j][0], plain.rows[j][0]);
        for (int c = 1; c <= 12; ++c)
            EXPECT_NEAR(corrected.rows[j][c] + forceError.rows[j][c], plain.rows[j][c], 1e-12);
        for (int c = 1; c <= 6; ++c)
            EXPECT_NEAR(correctedTip.rows[j][c] + displacementError.rows[j][c], plainTip.rows[j][c],
                        1e-18);
        if (t > 0.15 * Te && t < 0.95 * Te) {
            EXPECT_NEAR(corrected.rows[j][7], 1.0, 2e-4) << j;
            EXPECT_NEAR(forceError.rows[j][7], wrap / (1 - wrap), 2e-4) << j;
        }
    }
}

TEST(CliAnalyse, MessagesAndBadOptions) {
    // gamma Te = 0: "Gauss Error" from the dynamic solution, exit 1, no histories written.
    const CliResult g = Cli("sample:1 --gamma-te 0 --element 0 --forces - --static -", "gauss");
    EXPECT_EQ(g.code, 1);
    EXPECT_NE(g.err.find("Gauss Error"), std::string::npos) << g.err;
    EXPECT_EQ(g.out.rfind("node,ux", 0), 0u);  // the static part still succeeded
    EXPECT_EQ(g.out.find("t,fx1"), std::string::npos);

    for (const char* bad :
         {"sample:1 --nw 300", "sample:5", "sample:1 --te 0", "sample:1 --te x",
          "sample:1 --element 2 --forces -", "sample:1 --element 0",
          "sample:1 --node 3 --displacements -", "sample:1 --frobnicate",
          "/nonexistent/structure.txt", "sample:1 --threads 0", "sample:1 --error -",
          "sample:1 --correct-aliasing=1", "sample:1 --quantity speed --node 2 --displacements -",
          "sample:1 --quantity velocity", ""}) {
        const CliResult r = Cli(bad, "bad");
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        // One line with the reason.
        ASSERT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad << ": " << r.err;
    }
    const CliResult help = Cli("--help", "help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--displacements"), std::string::npos);
    EXPECT_NE(help.out.find("--threads"), std::string::npos);

    // --verbose names the solver, the instruction set and the threads on standard error;
    // the results are the same as without it.
    const CliResult quiet = Cli("sample:3 --static -", "quiet");
    const CliResult told = Cli("sample:3 --static - --threads 3 --verbose", "verbose");
    EXPECT_EQ(told.code, 0);
    EXPECT_EQ(told.out, quiet.out);
    EXPECT_NE(told.err.find("solver: KLU"), std::string::npos) << told.err;
    EXPECT_NE(told.err.find("instruction set: "), std::string::npos) << told.err;
    EXPECT_NE(told.err.find("threads: 3\n"), std::string::npos) << told.err;
    EXPECT_NE(told.err.find("MB estimated"), std::string::npos) << told.err;
}

// The rod of sample 1 as a version 2 file whose tip load names a step history: the tip's
// velocity is P c / EA while the first wave runs, the support's force -2 P while the
// reflected wave doubles it (the fixed-free rod's wave solution); frf starts at the
// static stretch.
TEST(CliAnalyse, VelocityReactionsAndFrequencyResponse) {
    const std::string rod = WriteData("rod.json", R"({"format": "ImpactFrame", "version": 2,
 "histories": {"hit": {"kind": "step", "rise": 0}},
 "nodes": [{"x": 0, "y": 0, "z": 0, "codes": ["u","u","u","u","u","u"]},
           {"x": 200, "y": 0, "z": 0, "codes": ["pf","u","u","u","u","u"], "values": [1,0,0,0,0,0],
            "histories": ["hit", "", "", "", "", ""]}],
 "elements": [{"nodes": [0, 1], "material": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "section": {"shape": "round", "d": 10}}]})");
    const CliResult r = Cli(rod +
                                " --te 0.0004 --nw 1024 --node 1 --displacements - --quantity "
                                "velocity --reactions " +
                                std::string(WORK_DIR) + "/rod_r.csv",
                            "velocity");
    ASSERT_EQ(r.code, 0) << r.err;
    const Csv v = ParseCsv(r.out);
    EXPECT_EQ(v.header, "t,vx,vy,vz,vrx,vry,vrz");
    const Csv f = ParseCsv(ReadFile(std::string(WORK_DIR) + "/rod_r.csv"));
    EXPECT_EQ(f.header, "t,0_fx,0_fy,0_fz,0_mx,0_my,0_mz,1_fy,1_fz,1_mx,1_my,1_mz");
    ASSERT_EQ(v.rows.size(), 1024u);
    ASSERT_EQ(f.rows.size(), 1024u);
    const double c = std::sqrt(E * 9800 / 7.86E-06), t0 = 0.0004 / 10, L = 200;
    for (size_t j = 0; j < v.rows.size(); ++j) {
        const double t = v.rows[j][0];
        if (std::fabs(t - (t0 + L / c)) < 0.3 * L / c) {
            EXPECT_NEAR(v.rows[j][1], c / EA, 0.02 * c / EA) << t;
        }
        if (std::fabs(t - (t0 + 2 * L / c)) < 0.5 * L / c) {
            EXPECT_NEAR(f.rows[j][1], -2.0, 0.04) << t;
        }
        if (t < t0 * 0.8) {  // before the load only the image e^(-gamma Te) f(t + Te)
            EXPECT_NEAR(f.rows[j][1], 0.0, 2.0 * std::exp(-5.0) * 1.05) << t;
        }
    }

    const std::string frf = std::string(CLI_PATH) + " frf " + rod;
    const std::string base = std::string(WORK_DIR) + "/frf";
    ASSERT_EQ(std::system((frf + " --node 1 --to 1000 --count 3 >" + base + ".csv").c_str()), 0);
    const Csv h = ParseCsv(ReadFile(base + ".csv"));
    EXPECT_EQ(h.header.rfind("frequency_hz,ux_re,ux_im,ux_abs,ux_deg,uy_re,", 0), 0u);
    ASSERT_EQ(h.rows.size(), 3u);
    EXPECT_EQ(h.rows[1][0], 500.0);
    EXPECT_NEAR(h.rows[0][1], L / EA, 1e-12 * L / EA);
    EXPECT_EQ(std::system((frf + " --to 100 2>/dev/null").c_str()) >> 8, 2);  // no --node
}

TEST(CliAnalyse, DroppedWeightOnARodAndSpringForces) {
    // A weight W strikes the free end of a fixed rod along its axis with v0: until the
    // wave comes back from the fixed end (2 L / c), the force on the end is
    // Z v0 e^(-Z tau / M) with the impedance Z = EA / c and M = W / g.
    const std::string rod = WriteData("drop.json", R"({"format": "ImpactFrame", "version": 2,
 "nodes": [{"x": 0, "y": 0, "z": 0, "codes": ["u","u","u","u","u","u"]},
           {"x": 200, "y": 0, "z": 0, "codes": ["p","u","u","u","u","u"]}],
 "elements": [{"nodes": [0, 1], "material": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "section": {"shape": "round", "d": 10}, "releases": {"end": ["T"]}}],
 "impact": {"node": 1, "weight": 0.25, "velocity": [-3000, 0, 0]}})");
    const CliResult r = Cli(rod + " --te 0.0004 --nw 1024 --impact-force -", "drop");
    ASSERT_EQ(r.code, 0) << r.err;
    const Csv f = ParseCsv(r.out);
    EXPECT_EQ(f.header, "t,fx,fy,fz");
    ASSERT_EQ(f.rows.size(), 1024u);
    const double c = std::sqrt(E * 9800 / 7.86E-06), t0 = 0.0004 / 10, L = 200, v0 = 3000;
    const double Z = EA / c, M = 0.25 / 9800;
    int checked = 0;
    for (const std::vector<double>& row : f.rows) {
        const double tau = row[0] - t0;
        if (tau < 0.1 * L / c || tau > 1.8 * L / c) continue;
        EXPECT_NEAR(row[1], -Z * v0 * std::exp(-Z * tau / M), 0.03 * Z * v0) << row[0];
        EXPECT_EQ(row[2], 0.0);
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // A spring k at the end of the rod, in parallel with it: k P / (k + EA / L) of a load P.
    const std::string spring = WriteData("spring.json", R"({"format": "ImpactFrame", "version": 2,
 "nodes": [{"x": 0, "y": 0, "z": 0, "codes": ["u","u","u","u","u","u"]},
           {"x": 200, "y": 0, "z": 0, "codes": ["p","u","u","u","u","u"], "values": [50,0,0,0,0,0],
            "springs": [400, 0, 0, 0, 0, 0], "mass": {"weight": 1, "inertia": [0, 5, 5]}}],
 "elements": [{"nodes": [0, 1], "material": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "section": {"shape": "round", "d": 10}}]})");
    const CliResult s = Cli(spring + " --te 0.001 --spring-forces -", "springs");
    ASSERT_EQ(s.code, 0) << s.err;
    const Csv k = ParseCsv(s.out);
    EXPECT_EQ(k.header, "node,fx,fy,fz,mx,my,mz");
    ASSERT_EQ(k.rows.size(), 1u);
    EXPECT_EQ(k.rows[0][0], 1.0);
    EXPECT_NEAR(k.rows[0][1], 400 * 50 / (400 + EA / L), 1e-12 * 50);
    EXPECT_EQ(Cli(spring + " --impact-force -", "nodrop").code, 2);  // no dropped weight

    const std::string check = std::string(CLI_PATH) + " check ";
    const std::string base = std::string(WORK_DIR) + "/check_joints";
    ASSERT_EQ(std::system((check + rod + " >" + base + "1.csv 2>" + base + "1.err").c_str()), 0);
    EXPECT_NE(ReadFile(base + "1.csv").find("\nelement,releases_start,releases_end\n0,,T\n"),
              std::string::npos);
    EXPECT_NE(ReadFile(base + "1.csv")
                  .find("\nimpact_node,weight,vx,vy,vz,gravity\n1,0.25,-3000,0,0,false\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(base + "1.err"),
              "2 nodes, 1 elements, 1 released element, a dropped weight\n");
    ASSERT_EQ(std::system((check + spring + " >" + base + "2.csv 2>/dev/null").c_str()), 0);
    EXPECT_NE(ReadFile(base + "2.csv")
                  .find("\nnode,kx,ky,kz,krx,kry,krz,weight,jx,jy,jz\n1,400,0,0,0,0,0,1,0,5,5\n"),
              std::string::npos);
}

}  // namespace

#ifdef IMPACTFRAME_NO_DRAWING
namespace {

// Built without Qt: plot explains itself and refuses to draw.
TEST(CliWithoutDrawing, PlotShowsItsHelpButDoesNotDraw) {
    const std::string base = std::string(WORK_DIR) + "/nodraw";
    const std::string cli = std::string(CLI_PATH) + " plot ";
    int status = std::system(
        (cli + "sample:1 --element 0 -o x.png >" + base + ".out 2>" + base + ".err").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(ReadFile(base + ".err").find("no drawing support"), std::string::npos);
    status = std::system((cli + "--help >" + base + ".out").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(base + ".out").rfind("usage: impactframe-cli plot", 0), 0u);
}

}  // namespace
#endif

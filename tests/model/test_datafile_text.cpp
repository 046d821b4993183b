// The data file's text: edge cases of the reader, files that read back to the model
// that was written, and numbers that do not depend on the locale.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "tests/comma_locale.h"
#include "tests/file_text.h"

using fem::DataFileError;
using fem::Model;

namespace {

using testfiles::ReadWhole;

const std::string kNode0 = "0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n";
const std::string kNode1 = "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\npf,1\r\n";
const std::string kElement = "0,0,1\r\n21000,8000,7.86E-06,10\r\n";

TEST(DataFileReader, EdgeCasesOfTheText) {
    struct Case {
        const char* name;
        std::string text;
        int line;  // 0: the read succeeds; otherwise the line of the failure
        const char* expects;
        std::function<void(const Model&)> check;
    };
    // Node 1 with an empty value field on Ux, then a load on Uy: the empty field is 0
    // and ends at its own line end.
    auto node1Empty = [](const char* nl) {
        return std::string("1,100,0,0") + nl + "p," + nl + "p,5" + nl + "p,0" + nl + "p,0" + nl +
               "p,0" + nl + "pf," + nl;
    };
    auto emptyIsZero = [](const Model& m) {
        EXPECT_EQ(m.Nodes[1].LoadValue[0], 0.0);
        EXPECT_EQ(m.Nodes[1].LoadValue[1], 5.0);
        EXPECT_EQ(m.Nodes[1].LoadValue[5], 1.0);  // an empty step load is a unit step
        EXPECT_EQ(m.Elements[0].CrossSection.Diameter, 10.0);
    };
    const Case cases[] = {
        {"empty value, CR LF", "2,1\r\n" + kNode0 + node1Empty("\r\n") + kElement, 0, "",
         emptyIsZero},
        {"empty value, LF", "2,1\n" + kNode0 + node1Empty("\n") + kElement, 0, "", emptyIsZero},
        {"empty value followed by blanks",
         "2,1\r\n" + kNode0 + "1,100,0,0\r\np,  \r\np,5\r\np,0\r\np,0\r\np,0\r\npf,1\r\n" +
             kElement,
         0, "", [](const Model& m) { EXPECT_EQ(m.Nodes[1].LoadValue[1], 5.0); }},
        {"UTF-8 byte-order mark",
         "\xEF\xBB\xBF"
         "2,1\r\n" +
             kNode0 + kNode1 + kElement,
         0, "", [](const Model& m) { EXPECT_EQ(m.NodeCount(), 2); }},
        {"blank lines at the end", "2,1\r\n" + kNode0 + kNode1 + kElement + "\r\n  \r\n\t\n", 0, "",
         [](const Model& m) { EXPECT_EQ(m.ElementCount(), 1); }},
        {"text after the last element", "2,1\r\n" + kNode0 + kNode1 + kElement + "\r\n1,1,0\r\n",
         19, "the end of the file", nullptr},
        {"text after the last node", "1,0\r\n" + kNode0 + "x", 9, "the end of the file", nullptr},
        // Written under a decimal-comma locale: 7,86E-06 splits into two fields.
        {"material with a decimal comma",
         "2,1\r\n" + kNode0 + kNode1 + "0,0,1\r\n21000,8000,7,86E-06,10\r\n", 17,
         "the end of the file", nullptr},
        {"byte-order mark inside the file", "2,1\r\n\xEF\xBB\xBF" + kNode0, 2, "number of node 0",
         nullptr},
    };
    for (const Case& c : cases) {
        Model m;
        fem::BuildSample(m, 3);
        DataFileError err;
        const bool ok = fem::StructDataReadText(m, c.text, "edge.txt", &err);
        if (c.line == 0) {
            EXPECT_TRUE(ok) << c.name << ": " << err.Message();
            if (ok) c.check(m);
        } else {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_EQ(err.line, c.line) << c.name << ": " << err.Message();
            EXPECT_NE(err.expected.find(c.expects), std::string::npos)
                << c.name << ": " << err.Message();
            EXPECT_EQ(m.NodeCount(), 5) << c.name;
        }
    }
}

// A double of any magnitude: zeros of both signs, the extremes, subnormals, arbitrary
// bit patterns and short decimals as users type them.
double RandomValue(std::mt19937_64& rng) {
    switch (rng() % 10) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
            return (rng() % 2 ? 1E-300 : -1E+300);
        case 3:
            return (rng() % 2 ? DBL_MAX : std::numeric_limits<double>::denorm_min());
        case 4:
            return static_cast<double>(static_cast<int>(rng() % 200001) - 100000) / 1000.0;
        case 5: {
            std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
            return mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 601) - 300);
        }
        default: {
            double x;
            do {
                const std::uint64_t bits = rng();
                std::memcpy(&x, &bits, sizeof x);
            } while (!std::isfinite(x));
            return x;
        }
    }
}

Model RandomTextModel(std::mt19937_64& rng) {
    static const char* const kCodes[3] = {"p", "u", "pf"};
    Model m;
    const int nodes = static_cast<int>(rng() % 12);
    for (int i = 0; i < nodes; ++i) {
        fem::NodeRecord n = fem::DefaultNode();
        for (double& c : n.Coord) c = RandomValue(rng);
        for (int j = 0; j < 6; ++j) {
            n.BcCode[j] = kCodes[rng() % 3];
            double v = RandomValue(rng);
            if (n.BcCode[j] == "u") {
                n.FixedDisp[j] = v;
            } else {
                // A step load of size 0 is not one (the sheets refuse it, a file makes it 1).
                if (n.BcCode[j] == "pf" && v == 0.0) v = 2.5;
                n.LoadValue[j] = v;
            }
        }
        m.AddNode(n);
    }
    const int tries = nodes >= 2 ? static_cast<int>(rng() % 16) : 0;
    for (int k = 0; k < tries; ++k) {
        fem::ElementRecord e = fem::DefaultElement();
        e.EndNode = {static_cast<int>(rng() % nodes), static_cast<int>(rng() % nodes)};
        if (e.EndNode[0] == e.EndNode[1]) continue;
        if (rng() % 2) {
            e.Young = std::fabs(RandomValue(rng));
            e.Shear = std::fabs(RandomValue(rng));
            e.Density = std::fabs(RandomValue(rng));
            e.CrossSection.Diameter = std::fabs(RandomValue(rng));
        }
        try {
            m.AddElement(e);
        } catch (const numeric::ComputationFailure&) {
            // Nodes too far apart or too close, or a material without usable derived values.
        }
    }
    return m;
}

// "The same model": the same codes and end nodes, and every written double equal to
// the one read (bit for bit, except that a zero may lose its sign).
TEST(DataFileText, RandomModelsReadBackUnchanged) {
    std::mt19937_64 rng(20240610);
    int elements = 0;
    // 600 models: elements whose stiffness or mass would overflow or vanish at the random
    // coordinates are refused, about a third of those tried.
    for (int t = 0; t < 600; ++t) {
        const Model m = RandomTextModel(rng);
        const std::string text = fem::StructDataText(m);
        Model r;
        DataFileError err;
        ASSERT_TRUE(fem::StructDataReadText(r, text, "random", &err)) << err.Message();
        ASSERT_EQ(r.NodeCount(), m.NodeCount());
        ASSERT_EQ(r.ElementCount(), m.ElementCount());
        for (int i = 0; i < m.NodeCount(); ++i) {
            const fem::NodeRecord& a = m.Nodes[i];
            const fem::NodeRecord& b = r.Nodes[i];
            EXPECT_EQ(b.Coord, a.Coord) << "node " << i << " of model " << t;
            EXPECT_EQ(b.BcCode, a.BcCode);
            for (int j = 0; j < 6; ++j) {
                if (a.BcCode[j] == "u")
                    EXPECT_EQ(b.FixedDisp[j], a.FixedDisp[j]) << "node " << i << " dof " << j;
                else
                    EXPECT_EQ(b.LoadValue[j], a.LoadValue[j]) << "node " << i << " dof " << j;
            }
        }
        for (int k = 0; k < m.ElementCount(); ++k) {
            const fem::ElementRecord& a = m.Elements[k];
            const fem::ElementRecord& b = r.Elements[k];
            EXPECT_EQ(b.EndNode, a.EndNode);
            EXPECT_EQ(b.Young, a.Young) << "element " << k << " of model " << t;
            EXPECT_EQ(b.Shear, a.Shear);
            EXPECT_EQ(b.Density, a.Density);
            EXPECT_EQ(b.CrossSection.Diameter, a.CrossSection.Diameter);
        }
        EXPECT_EQ(fem::StructDataText(r), text);
        elements += m.ElementCount();
    }
    EXPECT_GT(elements, 200);  // the elements were exercised, not only the nodes
}

// 15 significant digits unless the double needs more to read back as itself (the
// expected texts are Python's shortest round-trip repr, exponent in capitals).
TEST(DataFileWriter, NumbersKeepTheDigitsTheyNeed) {
    EXPECT_EQ(fem::FormatFileNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(fem::FormatFileNumber(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(fem::FormatFileNumber(DBL_MAX), "1.7976931348623157E+308");
    EXPECT_EQ(fem::FormatFileNumber(2.0 / 3.0 * 1e-300), "6.666666666666667E-301");
    EXPECT_EQ(fem::FormatFileNumber(0.3), "0.3");
}

TEST(DataFileWriter, RefusesValuesThatAreNotFinite) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::function<void(Model&)> spoil;
        const char* names;
    };
    const Case cases[] = {
        {[&](Model& m) { m.Nodes[1].Coord[1] = inf; }, "the y coordinate of node 1"},
        {[&](Model& m) { m.Nodes[2].LoadValue[2] = nan; }, "the value of Uz of node 2"},
        {[&](Model& m) { m.Nodes[0].FixedDisp[4] = -inf; }, "the value of θy of node 0"},
        {[&](Model& m) { m.Elements[1].Density = inf; }, "the density of element 1"},
    };
    const std::string path =
        ::testing::TempDir() + "impactframe_" + std::to_string(getpid()) + "_not_finite.txt";
    for (const Case& c : cases) {
        { std::ofstream(path, std::ios::binary) << "old"; }
        Model m;
        fem::BuildSample(m, 1);
        c.spoil(m);
        std::string err;
        EXPECT_FALSE(fem::StructDataWriteFile(m, path, &err)) << c.names;
        EXPECT_NE(err.find(c.names), std::string::npos) << err;
        EXPECT_EQ(ReadWhole(path), "old") << c.names;
    }
    std::remove(path.c_str());
}

TEST(DataFileText, CommaLocaleChangesNothing) {
    const std::string listing = ReadWhole(std::string(TEST_DATA_DIR) + "/sample1.txt");
    ASSERT_FALSE(listing.empty());
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;

    Model m;
    fem::BuildSample(m, 1);
    m.Nodes[1].LoadValue[3] = 0.25;  // a value with a decimal mark
    const std::string path =
        ::testing::TempDir() + "impactframe_" + std::to_string(getpid()) + "_comma_locale.txt";
    std::string werr;
    ASSERT_TRUE(fem::StructDataWriteFile(m, path, &werr)) << werr;
    EXPECT_NE(ReadWhole(path).find("\r\np,0.25\r\n"), std::string::npos);
    Model r;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadFile(r, path, &err)) << err.Message();
    EXPECT_EQ(r.Nodes[1].LoadValue[3], 0.25);
    EXPECT_EQ(r.Elements[0].Density, 7.86E-06);

    fem::BuildSample(m, 1);
    EXPECT_EQ(fem::StructDataText(m), listing);
    ASSERT_TRUE(fem::StructDataReadText(r, listing, "sample1.txt", &err)) << err.Message();
    EXPECT_EQ(fem::StructDataText(r), listing);

    // Whole-number coordinates with the density written as 7,86E-06: refused, not read
    // as density 7 and diameter 8.6E-05.
    const std::string commaWritten =
        "2,1\r\n" + kNode0 + kNode1 + "0,0,1\r\n21000,8000,7,86E-06,10\r\n";
    EXPECT_FALSE(fem::StructDataReadText(r, commaWritten, "comma.txt", &err));
    EXPECT_EQ(err.line, 17) << err.Message();
    std::remove(path.c_str());
}

}  // namespace

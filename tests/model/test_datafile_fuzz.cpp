// Random mutations of the sample files: the reader must never crash, hang or
// accept a model that breaks the model's invariants.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "model/datafile.h"
#include "model/samples.h"

namespace {

std::string Mutate(std::string s, std::mt19937& rng) {
    static const char* const pieces[] = {",", "\r\n", "-", "1e308", "nan",  "0", "32767", "pf",
                                         "u", "p",    ".", " ",     "\x00", "9", "E",     ",,"};
    std::uniform_int_distribution<int> kind(0, 5);
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        const size_t pos = rng() % s.size();
        switch (kind(rng)) {
            case 0:
                s[pos] = static_cast<char>(rng() % 256);
                break;  // flip a byte
            case 1:
                s.erase(pos, 1 + rng() % 8);
                break;  // delete
            case 2:
                s.insert(pos, pieces[rng() % 16]);
                break;  // insert a token
            case 3:
                s.resize(pos);
                break;  // truncate
            case 4:
                s.insert(pos, s.substr(rng() % s.size(), rng() % 40));
                break;  // duplicate
            default:
                std::swap(s[pos], s[rng() % s.size()]);
                break;  // swap
        }
    }
    return s;
}

}  // namespace

TEST(DataFileReaderFuzz, MutatedSamplesNeverBreakTheModel) {
    std::mt19937 rng(20261208);
    std::string seeds[4];
    for (int i = 0; i < 4; ++i) {
        fem::Model m;
        fem::BuildSample(m, i + 1);
        seeds[i] = fem::StructDataText(m);
    }
    int accepted = 0;
    for (int t = 0; t < 4000; ++t) {
        const std::string text = Mutate(seeds[t % 4], rng);
        fem::Model m;
        fem::BuildSample(m, 2);
        fem::DataFileError err;
        if (fem::StructDataReadText(m, text, "fuzz", &err)) {
            ++accepted;
            for (const auto& e : m.Elements) {
                ASSERT_GE(e.EndNode[0], 0);
                ASSERT_LT(e.EndNode[0], m.NodeCount());
                ASSERT_GE(e.EndNode[1], 0);
                ASSERT_LT(e.EndNode[1], m.NodeCount());
                ASSERT_NE(e.EndNode[0], e.EndNode[1]);
                ASSERT_TRUE(std::isfinite(e.Length) && e.Length > 0);
                ASSERT_TRUE(std::isfinite(e.WaveAxial) && std::isfinite(e.BendCoefZ));
            }
            for (const auto& n : m.Nodes) {
                for (double c : n.Coord) ASSERT_TRUE(std::isfinite(c));
                for (const auto& code : n.BcCode)
                    ASSERT_TRUE(code == "p" || code == "u" || code == "pf");
            }
        } else {
            ASSERT_GE(err.line, 1) << err.Message();
            ASSERT_FALSE(err.expected.empty());
            ASSERT_EQ(m.NodeCount(), 3) << "a failed read must leave the model";
        }
    }
    // Some mutations (a changed digit in a coordinate, say) still make valid files.
    EXPECT_GT(accepted, 50);
}

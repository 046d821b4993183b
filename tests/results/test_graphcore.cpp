// Scale computation, number text, static lists, readout and dot drawing of the
// result graphs, without Qt.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "analysis/statics.h"
#include "model/model.h"
#include "results/graphcore.h"
#include "tests/comma_locale.h"
#include "tests/results/recording_surface.h"

namespace {

using numeric::RealMatrix;
using results::FormatSingle;
using results::PenTable;
using results::TruncateTwoDigits;

TEST(FormatSingle, GeneralFormatOfTheSingleValue) {
    EXPECT_EQ(FormatSingle(12345678.0), "1.234568E+07");
    EXPECT_EQ(FormatSingle(1e-20 / 3.0), "3.333333E-21");
    EXPECT_EQ(FormatSingle(0.045), "0.045");
    EXPECT_EQ(FormatSingle(1200.0), "1200");
    EXPECT_EQ(FormatSingle(1.0 / 3.0), "0.3333333");
    // Single precision: a double carrying more digits is shown as its float.
    EXPECT_EQ(FormatSingle(0.1), "0.1");
    EXPECT_EQ(FormatSingle(0.0), "0");
    EXPECT_EQ(FormatSingle(-0.0), "0");
    // The window's program runs under the desktop's locale; its numbers keep the ".",
    // so that the pen dialog reads back the scale it shows.
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    EXPECT_EQ(FormatSingle(1.5), "1.5");
    EXPECT_EQ(results::FormatDouble(0.00025), "0.00025");
}

TEST(TruncateTwoDigits, CutsDownToTwoSignificantDigits) {
    EXPECT_FLOAT_EQ(TruncateTwoDigits(0.0456), 0.045f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(1234.0), 1200.0f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(1.0), 1.0f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(3.4), 3.4f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(87654.3), 87000.0f);
}

TEST(TruncateTwoDigits, ValuesNearAndAtPowersOfTen) {
    // Just below a power of ten the exponent is the lower one.
    EXPECT_FLOAT_EQ(TruncateTwoDigits(0.099999), 0.099f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(999.9), 990.0f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(9.9999999), 9.9f);
    // Exact powers keep their own exponent (ln x / ln 10 may fall just short).
    EXPECT_FLOAT_EQ(TruncateTwoDigits(1000.0), 1000.0f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(0.001), 0.001f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(1e-10), 1e-10f);
    EXPECT_FLOAT_EQ(TruncateTwoDigits(1e15), 1e15f);
}

TEST(TruncateTwoDigits, TwoDigitValuesStayAndSlightlyLargerOnesCutBack) {
    for (int exponent = -8; exponent <= 8; ++exponent) {
        for (int digits = 10; digits <= 99; ++digits) {
            const double exact = exponent >= 0 ? digits * std::pow(10.0, exponent)
                                               : digits / std::pow(10.0, -exponent);
            const float expected = static_cast<float>(exact);
            ASSERT_FLOAT_EQ(TruncateTwoDigits(exact), expected) << digits << "e" << exponent;
            // Anything up to the next two-digit step still cuts back to it.
            ASSERT_FLOAT_EQ(TruncateTwoDigits(exact * (1.0 + 0.0099)), expected)
                << digits << "e" << exponent;
        }
    }
}

RealMatrix Histories(int nw) {
    return RealMatrix(12, nw);
}

TEST(MaxAbsValue, SearchesTheLeadingPointsByMagnitude) {
    RealMatrix h = Histories(8);
    h(3, 2) = -0.0456;
    h(3, 6) = 50.0;  // outside the first five points
    EXPECT_FLOAT_EQ(results::MaxAbsValue(h, 5, 3), 0.045f);
    EXPECT_FLOAT_EQ(results::MaxAbsValue(h, 8, 3), 50.0f);
    // Nothing above 1E-10 in magnitude gives 1, as does an empty search.
    h(4, 0) = 9e-11;
    EXPECT_FLOAT_EQ(results::MaxAbsValue(h, 8, 4), 1.0f);
    EXPECT_FLOAT_EQ(results::MaxAbsValue(h, 0, 3), 1.0f);
    EXPECT_FLOAT_EQ(results::MaxAbsValue(h, -3, 3), 1.0f);
}

TEST(ComputeScales, AllZeroHistoriesGiveOneAndTen) {
    const RealMatrix h = Histories(256);
    PenTable pens;
    EXPECT_EQ(results::ComputeScales(h, 256, 1.0, pens), 256);
    for (int c : {0, 1, 2, 6, 7, 8}) {
        EXPECT_FLOAT_EQ(pens[c].Scale, 1.0f) << c;
    }
    for (int c : {3, 4, 5, 9, 10, 11}) {
        EXPECT_FLOAT_EQ(pens[c].Scale, 10.0f) << c;
    }
    EXPECT_EQ(pens.ScaleCaption(0), "Fx=1");
    EXPECT_EQ(pens.ScaleCaption(3), "Mx=10");
    EXPECT_EQ(pens.ScaleCaption(11), "Mz=10");
    EXPECT_FLOAT_EQ(pens[12].Scale, 1.0f);  // the relative pen is never rescaled
}

TEST(ComputeScales, ForcesShareTheLargestScaleAndMomentsAtLeastTenTimesIt) {
    RealMatrix h = Histories(256);
    h(0, 10) = 3.4;     // Fx, first node
    h(8, 20) = -120.0;  // Fz, second node
    h(4, 30) = 5000.0;  // My, first node: above ten times the force scale
    h(9, 40) = 800.0;   // Mx, second node: below it
    PenTable pens;
    results::ComputeScales(h, 256, 1.0, pens);
    for (int c : {0, 1, 2, 6, 7, 8}) {
        EXPECT_FLOAT_EQ(pens[c].Scale, 120.0f) << c;
    }
    EXPECT_FLOAT_EQ(pens[4].Scale, 5000.0f);
    for (int c : {3, 5, 9, 10, 11}) {
        EXPECT_FLOAT_EQ(pens[c].Scale, 1200.0f) << c;
    }
    EXPECT_FLOAT_EQ(pens.LargestForceScale(), 120.0f);
    EXPECT_EQ(pens.ScaleCaption(6), "Fx=120");
    pens[6].Negated = true;
    EXPECT_EQ(pens.ScaleCaption(6), "Fx=-120");
}

TEST(ComputeScales, NodeTranslationsShareOneScaleAndRotationsAnother) {
    RealMatrix h(6, 256);
    h(1, 10) = -0.0456;  // uy: translations 0.045, whatever ux and uz (all zero)
    h(2, 20) = 0.003;
    h(5, 30) = 7.2e-4;  // θz: rotations 0.00072, not ten times anything
    PenTable pens;
    pens.SetTitles(results::GraphKind::NodeDisplacements);
    results::ComputeScales(h, 256, 1.0, pens, results::GraphKind::NodeDisplacements);
    for (int c : {0, 1, 2}) EXPECT_FLOAT_EQ(pens[c].Scale, 0.045f) << c;
    for (int c : {3, 4, 5}) EXPECT_FLOAT_EQ(pens[c].Scale, 0.00072f) << c;
    EXPECT_EQ(pens.ScaleCaption(1), "uy=0.045");
    EXPECT_EQ(pens.ScaleCaption(5), "θz=0.00072");
    // A group that stays at zero gets 1.
    h(5, 30) = 0.0;
    results::ComputeScales(h, 256, 1.0, pens, results::GraphKind::NodeDisplacements);
    EXPECT_FLOAT_EQ(pens[3].Scale, 1.0f);
    pens.SetTitles(results::GraphKind::ElementForces);
    EXPECT_EQ(pens.ScaleCaption(3), "Mx=1");
}

TEST(HistoryCsv, HeaderTimesAndNumbersAsTheCliWritesThem) {
    RealMatrix h(6, 4);
    h(0, 1) = 1.5;
    h(5, 2) = -0.0;  // written as 0
    h(3, 3) = 1.0 / 3.0;
    EXPECT_EQ(results::HistoryCsv(results::GraphKind::NodeDisplacements, h, 4, 0.001),
              "t,ux,uy,uz,rx,ry,rz\n"
              "0,0,0,0,0,0,0\n"
              "0.00025000000000000001,1.5,0,0,0,0,0\n"
              "0.00050000000000000001,0,0,0,0,0,0\n"
              "0.00075000000000000002,0,0,0,0.33333333333333331,0,0\n");
    EXPECT_EQ(std::string(results::HistoryCsvHeader(results::GraphKind::ElementForces)),
              "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2\n");
    EXPECT_THROW(results::HistoryCsv(results::GraphKind::ElementForces, h, 4, 0.001),
                 std::out_of_range);
}

TEST(ComputeScales, RightEndOneSearchesOnlyTheFirstEightyPercent) {
    // Nw = 512, right end 1: 512 points shown, 0.8 * 512 = 409.6 -> 410 searched.
    EXPECT_EQ(results::ShownPointsFor(1.0, 512), 512);
    EXPECT_EQ(results::SearchLengthFor(512, 512), 410);
    RealMatrix h = Histories(512);
    h(0, 409) = 7.7;    // last searched point
    h(1, 410) = 900.0;  // first point not searched
    PenTable pens;
    EXPECT_EQ(results::ComputeScales(h, 512, 1.0, pens), 512);
    EXPECT_FLOAT_EQ(pens[0].Scale, 7.7f);
    EXPECT_FLOAT_EQ(pens[1].Scale, 7.7f);
}

TEST(ComputeScales, RightEndPointNineSearchesAllShownPoints) {
    // 0.9 * 512 = 460.8 -> 461 shown; 461 <= 0.99 * 512, so all 461 are searched.
    EXPECT_EQ(results::ShownPointsFor(0.9, 512), 461);
    EXPECT_EQ(results::SearchLengthFor(461, 512), 461);
    RealMatrix h = Histories(512);
    h(2, 460) = 45.0;  // last shown point
    h(5, 461) = 1e6;   // beyond the right end
    PenTable pens;
    EXPECT_EQ(results::ComputeScales(h, 512, 0.9, pens), 461);
    EXPECT_FLOAT_EQ(pens[2].Scale, 45.0f);
    EXPECT_FLOAT_EQ(pens[5].Scale, 450.0f);
}

TEST(ComputeScales, ShownPointsRoundHalvesToEven) {
    EXPECT_EQ(results::ShownPointsFor(0.5, 5), 2);        // 2.5
    EXPECT_EQ(results::ShownPointsFor(0.5, 7), 4);        // 3.5
    EXPECT_EQ(results::ShownPointsFor(0.7, 256), 179);    // 179.2
    EXPECT_EQ(results::ShownPointsFor(0.4, 8192), 3277);  // 3276.8
}

TEST(PenTable, RelativePenAndIndexChecking) {
    const PenTable pens(platform::RGB(1, 2, 3));
    EXPECT_EQ(pens[12].CurveColor, platform::RGB(1, 2, 3));  // the plot's back colour
    EXPECT_EQ(pens[12].Title, "   y=");
    EXPECT_THROW((void)pens[13], std::out_of_range);
    EXPECT_THROW((void)pens[-1], std::out_of_range);
}

// One bar from node 2 to node 0 of a three-node model, with distinct static results.
fem::Model ListModel() {
    fem::Model m;
    m.Nodes.resize(3);
    fem::ElementRecord e;
    e.EndNode = {2, 0};
    m.Elements.push_back(e);
    return m;
}
fem::StaticSolution ListStatics() {
    fem::StaticSolution s;
    s.NodeDisp.resize(3);
    for (int j = 0; j < 6; ++j) {
        s.NodeDisp[2][j] = 0.5 * (j + 1);    // first node: 0.5, 1, ..., 3
        s.NodeDisp[0][j] = -0.25 * (j + 1);  // second node
    }
    fem::StaticElementResult r;
    for (int c = 0; c < 12; ++c) {
        r.EndForceGlobal[c] = 100.0 * (c + 1);
        r.EndForceLocal[c] = -1.5 * (c + 1);
        r.EndDispLocal[c] = c < 6 ? 0.125 : 0.125 + 0.001 * (c - 5);
    }
    s.Elements.push_back(r);
    return s;
}

TEST(StaticLists, GlobalComponentsHaveFourteenLinesEach) {
    const fem::Model m = ListModel();
    const fem::StaticSolution statics = ListStatics();
    const results::StaticLists s = results::MakeStaticLists(m, &statics, 0, true, PenTable());
    EXPECT_EQ(s.ElementCaption, "要素番号 0");
    EXPECT_EQ(s.NodeCaption[0], "　節点 2");
    EXPECT_EQ(s.NodeCaption[1], "　節点 0");
    EXPECT_EQ(s.SystemCaption, "［全体座標系］");
    EXPECT_EQ(s.DisplacementHeading, "静的節点変位");
    const std::vector<std::string> forces = {"　節点 2", "Fx=100",  "Fy=200",   "Fz=300", "Mx=400",
                                             "My=500",   "Mz=600",  "　節点 0", "Fx=700", "Fy=800",
                                             "Fz=900",   "Mx=1000", "My=1100",  "Mz=1200"};
    EXPECT_EQ(s.Forces, forces);
    const std::vector<std::string> displacements = {
        "　節点 2", "Ｕx=0.5",   "Ｕy=1",    "Ｕz=1.5",   "θx=2",  "θy=2.5",   "θz=3",
        "　節点 0", "Ｕx=-0.25", "Ｕy=-0.5", "Ｕz=-0.75", "θx=-1", "θy=-1.25", "θz=-1.5"};
    EXPECT_EQ(s.Displacements, displacements);
}

TEST(StaticLists, ElementComponentsListTheDeformationInSixLines) {
    const fem::Model m = ListModel();
    const fem::StaticSolution statics = ListStatics();
    const results::StaticLists s = results::MakeStaticLists(m, &statics, 0, false, PenTable());
    EXPECT_EQ(s.SystemCaption, "［要素座標系］");
    EXPECT_EQ(s.DisplacementHeading, "要素の変形");
    ASSERT_EQ(s.Forces.size(), 14u);
    EXPECT_EQ(s.Forces[1], "Fx=-1.5");
    EXPECT_EQ(s.Forces[13], "Mz=-18");
    // Second end relative to the first: 0.001 .. 0.006.
    const std::vector<std::string> displacements = {"Ｕx=0.001", "Ｕy=0.002", "Ｕz=0.003",
                                                    "θx=0.004",  "θy=0.005",  "θz=0.006"};
    EXPECT_EQ(s.Displacements, displacements);
    EXPECT_THROW(results::MakeStaticLists(m, &statics, 1, false, PenTable()), std::out_of_range);
    // Without static results every value is 0.
    const results::StaticLists none = results::MakeStaticLists(m, nullptr, 0, false, PenTable());
    EXPECT_EQ(none.Forces[1], "Fx=0");
    EXPECT_EQ(none.Displacements[0], "Ｕx=0");
}

TEST(StaticLists, ANodeShowsTheForcesItsElementsTakeAndItsDisplacements) {
    fem::Model m = ListModel();
    fem::StaticSolution statics = ListStatics();
    // A second bar from node 0 to node 1: node 0 is the second end of bar 0 and the
    // first end of bar 1.
    fem::ElementRecord e;
    e.EndNode = {0, 1};
    m.Elements.push_back(e);
    fem::StaticElementResult r;
    for (int c = 0; c < 12; ++c) r.EndForceGlobal[c] = -1.0 * (c + 1);
    statics.Elements.push_back(r);
    PenTable pens;
    pens.SetTitles(results::GraphKind::NodeDisplacements);
    const results::StaticLists s = results::MakeNodeStaticLists(m, &statics, 0, pens);
    EXPECT_EQ(s.ElementCaption, "節点番号 0");
    EXPECT_EQ(s.SystemCaption, "［全体座標系］");
    EXPECT_EQ(s.DisplacementHeading, "静的節点変位");
    // 700 - 1 .. 1200 - 6.
    const std::vector<std::string> forces = {"　節点 0", "Fx=699",  "Fy=798", "Fz=897",
                                             "Mx=996",   "My=1095", "Mz=1194"};
    EXPECT_EQ(s.Forces, forces);
    const std::vector<std::string> displacements = {"　節点 0", "ux=-0.25", "uy=-0.5", "uz=-0.75",
                                                    "θx=-1",    "θy=-1.25", "θz=-1.5"};
    EXPECT_EQ(s.Displacements, displacements);
    EXPECT_EQ(results::GraphTitle(s, 0.002), "節点番号 0　［全体座標系］　Te=0.002 s");
    EXPECT_EQ(results::GraphTitle(results::MakeStaticLists(m, &statics, 1, false, pens), 0.001),
              "要素番号 1　節点 0　節点 1　［要素座標系］　Te=0.001 s");
    EXPECT_THROW(results::MakeNodeStaticLists(m, &statics, 3, pens), std::out_of_range);
}

TEST(ReadoutText, TimeInThousandthsOfTeAndScaleTimesY) {
    PenTable pens;
    // Relative pen at the top edge of the plot shows the plotted y itself.
    EXPECT_EQ(results::ReadoutText(0.25, 2.2, 0.002, pens[12]), "　t=0.0005\n   y=2.2");
    pens[0].Scale = 120.0f;
    EXPECT_EQ(results::ReadoutText(0.5, 1.1, 1.0, pens[0]), "　t=0.5\nFx=132");
    // x = 0.12345 is taken as 123 thousandths of Te.
    EXPECT_EQ(results::ReadoutText(0.12345, 0.0, 2.0, pens[0]), "　t=0.246\nFx=0");
    // The sign inversion of the pen is not applied to the readout.
    pens[0].Negated = true;
    EXPECT_EQ(results::ReadoutText(0.0, -0.5, 1.0, pens[0]), "　t=0\nFx=-60");
}

TEST(DrawComponents, DotsLandAtTimeFractionAndScaledValue) {
    const int nw = 16;
    RealMatrix h = Histories(nw);
    for (int i = 0; i < nw; ++i) {
        h(2, i) = 10.0 * i - 40.0;
        h(3, i) = 1.0;
    }
    PenTable pens;
    pens[2].Scale = 50.0f;
    pens[2].DotWidth = 3;
    pens[3].Scale = 4.0f;
    pens[3].Negated = true;
    RecordingSurface s;
    const int shown = 12;  // right end 0.75
    results::DrawComponents(s, h, nw, shown, pens, 2, 3);

    // Axes in black: time axis along y = 0 from 0 to 1, vertical axis at x = 0.
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[0], (RecordingSurface::LineCall{0, 0, 1, 0, 0}));
    EXPECT_EQ(s.lines[1], (RecordingSurface::LineCall{0, 2.5, 0, -2.5, 0}));

    ASSERT_EQ(s.dots.size(), 2u * shown);
    for (int i = 0; i < shown; ++i) {
        const auto& d = s.dots[static_cast<std::size_t>(i)];
        EXPECT_DOUBLE_EQ(d.x, i / 16.0);
        EXPECT_DOUBLE_EQ(d.y, (10.0 * i - 40.0) / 50.0);
        EXPECT_EQ(d.color, platform::RGB(255, 255, 0));
        EXPECT_EQ(d.width, 3);
        // The negated pen mirrors the curve about the time axis.
        const auto& m = s.dots[static_cast<std::size_t>(shown + i)];
        EXPECT_DOUBLE_EQ(m.y, -0.25);
        EXPECT_EQ(m.color, platform::RGB(0, 0, 255));
        EXPECT_EQ(m.width, 2);
    }
}

}  // namespace

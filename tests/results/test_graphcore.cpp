// Scale computation, number text, static lists, readout and dot drawing of the
// result graphs, without Qt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
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

TEST(ComputeScales, AllZeroHistoriesGiveOne) {
    const RealMatrix h = Histories(256);
    PenTable pens;
    EXPECT_EQ(results::ComputeScales(h, 256, 1.0, pens), 256);
    for (int c = 0; c < 12; ++c) EXPECT_FLOAT_EQ(pens[c].Scale, 1.0f) << c;
    EXPECT_EQ(pens.ScaleCaption(0), "Fx=1");
    EXPECT_EQ(pens.ScaleCaption(11), "Mz=1");
    EXPECT_FLOAT_EQ(pens[12].Scale, 1.0f);  // the relative pen is never rescaled
}

TEST(ComputeScales, ForcesShareOneScaleAndMomentsAnother) {
    RealMatrix h = Histories(256);
    h(0, 10) = 3.4;     // Fx, first node
    h(8, 20) = -120.0;  // Fz, second node
    h(4, 30) = 5000.0;  // My, first node
    h(9, 40) = 800.0;   // Mx, second node
    PenTable pens;
    results::ComputeScales(h, 256, 1.0, pens);
    for (int c : {0, 1, 2, 6, 7, 8}) EXPECT_FLOAT_EQ(pens[c].Scale, 120.0f) << c;
    for (int c : {3, 4, 5, 9, 10, 11}) EXPECT_FLOAT_EQ(pens[c].Scale, 5000.0f) << c;
    EXPECT_FLOAT_EQ(pens.LargestForceScale(), 120.0f);
    EXPECT_EQ(results::GroupUnit(results::GraphKind::ElementForces, 1), "kgf·mm");
    EXPECT_EQ(results::GroupUnit(results::GraphKind::NodeDisplacements, 0), "mm");
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
    EXPECT_FLOAT_EQ(pens[5].Scale, 1.0f);
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
    // Rounding of the static solution, below 1E-9 of the largest value of its kind in the
    // structure, shows as 0; a small value of another kind does not.
    fem::StaticSolution rounded = ListStatics();
    rounded.Elements[0].EndForceGlobal[1] = 3e-13;  // forces up to 900 kgf
    rounded.Elements[0].EndForceGlobal[3] = 3e-13;  // moments up to 1200 kgf mm
    rounded.NodeDisp[2][0] = 2e-12;                 // translations up to 1.5 mm
    rounded.NodeDisp[2][3] = 2e-6;                  // rotations up to 3
    const results::StaticLists r = results::MakeStaticLists(m, &rounded, 0, true, PenTable());
    EXPECT_EQ(r.Forces[2], "Fy=0");
    EXPECT_EQ(r.Forces[4], "Mx=0");
    EXPECT_EQ(r.Displacements[1], "Ｕx=0");
    EXPECT_EQ(r.Displacements[4], "θx=2E-06");
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

// A member far from the load, with the aliasing correction: curves whose peak lies below
// their estimated error take no part in the scale of their group; a group of nothing
// else is drawn at the common scale of its kind, not blown up to full height.
TEST(ComputeScales, CurvesBelowTheirErrorAreDrawnAtTheCommonScale) {
    RealMatrix h = Histories(256);
    h(0, 10) = 3.0e-4;  // Fx: a response of its own
    h(1, 20) = 9.0e-4;  // Fy: below its error
    h(4, 30) = 0.02;    // My: below its error, as every moment
    std::vector<double> relative(12, 0.01);
    relative[1] = 2.0;
    for (int c : {3, 4, 5, 9, 10, 11}) relative[c] = 1.5;
    results::CommonScales common;
    common.Force = 2.4;
    common.Moment = 1234.0;
    PenTable pens;
    results::ComputeScales(h, 256, 1.0, pens, results::GraphKind::ElementForces, relative, common);
    EXPECT_FLOAT_EQ(pens[1].Scale, 3.0e-4f);  // its group's, set by Fx alone
    EXPECT_TRUE(pens[1].BelowError);
    EXPECT_FALSE(pens[0].BelowError);
    for (int c : {3, 4, 5, 9, 10, 11}) EXPECT_FLOAT_EQ(pens[c].Scale, 1200.0f) << c;
    EXPECT_EQ(pens.ScaleCaption(4), "My=1200 誤差以下");
    // Without a common scale such a group keeps its own.
    results::ComputeScales(h, 256, 1.0, pens, results::GraphKind::ElementForces, relative, {});
    EXPECT_FLOAT_EQ(pens[4].Scale, 0.02f);
    // Without the correction nothing is below its error.
    results::ComputeScales(h, 256, 1.0, pens);
    EXPECT_FALSE(pens[4].BelowError);
    EXPECT_FLOAT_EQ(pens[1].Scale, 9.0e-4f);

    // Twice the largest static values of the structure.
    fem::StaticSolution statics;
    statics.NodeDisp = {{0.5, -0.25, 0, 0.001, 0, 0}, {0, 0, -0.75, 0, 0, -0.002}};
    fem::StaticElementResult r;
    r.EndForceLocal[7] = -60.0;
    r.EndForceGlobal[3] = 900.0;
    statics.Elements = {r};
    const results::CommonScales fromStatics = results::StaticCommonScales(&statics);
    EXPECT_DOUBLE_EQ(fromStatics.Force, 120.0);
    EXPECT_DOUBLE_EQ(fromStatics.Moment, 1800.0);
    EXPECT_DOUBLE_EQ(fromStatics.Translation, 1.5);
    EXPECT_DOUBLE_EQ(fromStatics.Rotation, 0.004);
    EXPECT_DOUBLE_EQ(results::StaticCommonScales(nullptr).Force, 0.0);
}

TEST(GrowsTowardsEnd, ALateRiseAsAnAliasedImageHas) {
    RealMatrix h = Histories(100);
    for (int i = 0; i < 100; ++i) h(2, i) = 0.1 * std::sin(0.3 * i);  // steady
    EXPECT_FALSE(results::GrowsTowardsEnd(h, 100, 12));
    h(5, 90) = 0.5;  // a moment growing in the last quarter
    EXPECT_TRUE(results::GrowsTowardsEnd(h, 100, 12));
    EXPECT_FALSE(results::GrowsTowardsEnd(h, 100, 5));  // not among the first five
    EXPECT_FALSE(results::GrowsTowardsEnd(h, 80, 12));  // beyond the points looked at
}

TEST(DrawComponents, CurvesRunThroughTimeFractionAndScaledValue) {
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

    // Each curve one line through its points, nothing else.
    ASSERT_EQ(s.lines.size(), 2u * (shown - 1));
    for (int i = 1; i < shown; ++i) {
        const auto& l = s.lines[static_cast<std::size_t>(i - 1)];
        EXPECT_DOUBLE_EQ(l.x1, (i - 1) / 16.0);
        EXPECT_DOUBLE_EQ(l.x2, i / 16.0);
        // Beyond the data area's edge (y = 1.2) the curve runs along it.
        EXPECT_DOUBLE_EQ(l.y2, std::min((10.0 * i - 40.0) / 50.0, results::kPlotTop));
        EXPECT_EQ(l.color, platform::RGB(255, 255, 0));
        EXPECT_EQ(s.lineWidths[static_cast<std::size_t>(i - 1)], 3);
        // The negated pen mirrors the curve about the time axis.
        const auto& m = s.lines[static_cast<std::size_t>(shown - 1 + i - 1)];
        EXPECT_DOUBLE_EQ(m.y2, -0.25);
        EXPECT_EQ(m.color, platform::RGB(0, 0, 255));
    }
    EXPECT_TRUE(s.dots.empty());
}

TEST(DrawAxes, TimeInMillisecondsValuesInTheUnitsOfEachGroupAndTheLoadStart) {
    PenTable pens;
    pens[0].Scale = 120.0f;   // forces: the left axis
    pens[3].Scale = 5000.0f;  // moments: the right axis
    results::PlotArea area;
    area.Width = 800;
    area.Height = 500;
    RecordingSurface s;
    results::SetPlotScale(s, area);
    // The data area inside the margins: x 0 .. 1 over 800 - 64 - 70 pixels.
    const double px = 1.0 / (800 - 64 - 70);
    EXPECT_NEAR(s.ScaleLeft(), -64 * px, 1e-12);
    EXPECT_NEAR(s.ScaleWidth(), 800 * px, 1e-12);
    results::DrawAxes(s, area, results::GraphKind::ElementForces, pens, 0.001);
    const std::vector<std::string> printed = s.Printed();
    auto has = [&](const std::string& t) {
        return std::find(printed.begin(), printed.end(), t) != printed.end();
    };
    // Te = 1 ms: ticks every 0.2 ms.
    for (const char* t : {"0", "0.2", "0.4", "0.6", "0.8", "1", "t [ms]"}) EXPECT_TRUE(has(t)) << t;
    // +-1.2 x 120 kgf: ticks every 50; +-1.2 x 5000 kgf mm: every 2000.
    for (const char* t : {"-100", "-50", "50", "100", "kgf", "-4000", "2000", "4000", "kgf·mm"})
        EXPECT_TRUE(has(t)) << t;
    EXPECT_FALSE(has("150"));
    EXPECT_TRUE(has("荷重開始"));
    // The load start: a dashed line at Te/10 across the data area.
    int dashes = 0;
    for (const auto& l : s.lines)
        if (l.x1 == 0.1 && l.x2 == 0.1) ++dashes;
    EXPECT_GT(dashes, 5);
    // A span of seconds is shown in s.
    RecordingSurface seconds;
    results::DrawAxes(seconds, area, results::GraphKind::NodeDisplacements, pens, 2.0);
    const std::vector<std::string> t = seconds.Printed();
    EXPECT_NE(std::find(t.begin(), t.end(), "t [s]"), t.end());
    EXPECT_NE(std::find(t.begin(), t.end(), "rad"), t.end());
    EXPECT_NE(std::find(t.begin(), t.end(), "0.4"), t.end());
}

}  // namespace

// Drawing calls and replay of the display list, on a recording surface with the
// unrotated parallel view, so that a model point (x, y, z) lands on (x, y).
#include <gtest/gtest.h>

#include <cmath>

#include "numeric/failure.h"
#include "tests/view3d/recording_surface.h"
#include "view3d/sceneview.h"

namespace view3d {
namespace {

using testing::Op;
using testing::RecordingSurface;

void ExpectPoint(const Vec3& p, double x, double y, double z) {
    EXPECT_NEAR(p[0], x, 1e-12);
    EXPECT_NEAR(p[1], y, 1e-12);
    EXPECT_NEAR(p[2], z, 1e-12);
}

struct ListFixture : ::testing::Test {
    RecordingSurface pic;
    SceneView view;
    ListFixture() {
        view.SetPicture(&pic);
        view.ResetView();
    }
    const DrawItem& Last() const { return view.DisplayList().back(); }
};

TEST_F(ListFixture, PyramidMarksPointTheirBaseAwayFromTheNode) {
    // Base 1 x 1 at distance 1 (times the size) on -x, +y, +z for the axis codes 0, 1, 2.
    const Vec3 expected[3] = {{-10, 0, 0}, {0, 10, 0}, {0, 0, 10}};
    for (int dir = 0; dir < 3; ++dir) {
        view.AddMark(3, {0, 0, 0}, dir, 10, 1, platform::RGB(0, 0, 255));
        const DrawItem& it = Last();
        ASSERT_EQ(it.PointCount, 10);
        ASSERT_TRUE(it.Closed);
        Vec3 centre{0, 0, 0};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 3; ++k) centre[k] += it.ShapePoints[i][k] / 4;
        ExpectPoint(centre, expected[dir][0], expected[dir][1], expected[dir][2]);
        ExpectPoint(it.ShapePoints[5], 0, 0, 0);  // apex on the node
    }
    // T mark along y, stem 4 long: bar along z at y = 4.
    view.AddMark(2, {1, 1, 1}, 1, 4, 2, 0);
    ExpectPoint(Last().ShapePoints[1], 1, 5, -1);
    ExpectPoint(Last().ShapePoints[2], 1, 5, 3);
    EXPECT_THROW(view.AddMark(6, {0, 0, 0}, 0, 1, 1, 0), numeric::ComputationFailure);

    // Replay: a dot at the anchor, the ten points in order, then back to the anchor.
    pic.ops.clear();
    view.AddMark(3, {5, 5, 5}, 2, 2, 1, platform::RGB(0, 0, 255));
    ASSERT_EQ(pic.Of('P').size(), 1u);
    const auto strokes = pic.Of('T');
    ASSERT_EQ(strokes.size(), 11u);
    EXPECT_NEAR(strokes.back().x2, 5, 1e-12);
    EXPECT_NEAR(strokes.back().y2, 5, 1e-12);
}

TEST_F(ListFixture, ArrowsHaveAHeadHalfTheirLengthWithDiagonalBarbs) {
    view.AddVector({0, 0, 0}, {0, 0, 4}, platform::RGB(255, 0, 0));
    const DrawItem& it = Last();
    ASSERT_EQ(it.PointCount, 5);
    ExpectPoint(it.ShapePoints[0], 0, 0, 0);
    ExpectPoint(it.ShapePoints[1], 0, 0, 4);
    ExpectPoint(it.ShapePoints[2], -0.666, 0.666, 2);
    ExpectPoint(it.ShapePoints[3], 0.666, -0.666, 2);
    ExpectPoint(it.ShapePoints[4], 0, 0, 4);

    // Along -x the frame is -I: the head points back along +x from the tip.
    view.AddVector({0, 0, 0}, {-2, 0, 0}, 0);
    ExpectPoint(Last().ShapePoints[2], -1, -0.333, -0.333);

    // A slanted arrow: the frame is a proper rotation whose first column is d / |d|.
    double len = 0;
    const Mat3 R = SceneView::VectorFrame({1, 2, -2}, len);
    EXPECT_DOUBLE_EQ(len, 3);
    EXPECT_NEAR(R[0][0], 1.0 / 3, 1e-12);
    EXPECT_NEAR(R[1][0], 2.0 / 3, 1e-12);
    EXPECT_NEAR(R[2][0], -2.0 / 3, 1e-12);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += R[k][i] * R[k][j];
            EXPECT_NEAR(dot, i == j ? 1 : 0, 1e-12);
        }
    const double det = R[0][0] * (R[1][1] * R[2][2] - R[1][2] * R[2][1]) -
                       R[0][1] * (R[1][0] * R[2][2] - R[1][2] * R[2][0]) +
                       R[0][2] * (R[1][0] * R[2][1] - R[1][1] * R[2][0]);
    EXPECT_NEAR(det, 1, 1e-12);

    const int before = view.ItemCount();
    EXPECT_THROW(view.AddVector({1, 1, 1}, {0, 0, 0}, 0), numeric::ComputationFailure);
    EXPECT_EQ(view.ItemCount(), before);
}

TEST_F(ListFixture, AxisLinesCirclesAndPointsFillTheirItems) {
    view.AddAxisLine(2, {1, 2, 3}, 5, 0, 1);
    ASSERT_EQ(Last().PointCount, 1);
    ExpectPoint(Last().ShapePoints[0], 1, 2, 8);
    view.AddAxisLine(3, {1, 2, 3}, 5, 0, 1);
    ExpectPoint(Last().ShapePoints[0], 0, 0, 0);

    pic.SetScale(0, 0, 2000, -1000);
    view.AddCircle({1, 1, 0}, -0.005, 0);
    EXPECT_DOUBLE_EQ(Last().Radius, 10);
    view.AddCircle({1, 1, 0}, 3, 0);
    EXPECT_DOUBLE_EQ(pic.Of('C').back().x2, 3);

    // Dots take the picture's own colour and pen; the list inherits the pen width.
    pic.fore = platform::RGB(1, 2, 3);
    view.SetPenWidth(4);
    view.AddDot({7, 8, 9});
    EXPECT_EQ(Last().ForeColor, platform::RGB(1, 2, 3));
    EXPECT_EQ(Last().DrawWidth, 4);
    EXPECT_EQ(view.CurrentItem, view.ItemCount() - 1);
}

TEST_F(ListFixture, ReplayRestoresTheSurfaceAndLinesFromTheCurrentPositionStartAtTheOrigin) {
    view.ClearAll();
    pic.fore = platform::RGB(9, 9, 9);
    pic.drawWidth = 1;
    view.AddLineTo({30, 40, 0}, platform::RGB(100, 0, 0), 3);
    const Op line = pic.Of('T').back();
    EXPECT_EQ(line.x1, 0);
    EXPECT_EQ(line.y1, 0);
    EXPECT_EQ(line.x2, 30);
    EXPECT_EQ(line.width, 3);
    EXPECT_EQ(pic.fore, platform::RGB(9, 9, 9));
    EXPECT_EQ(pic.drawWidth, 1);

    // Redraw after ClearAll shows only the axes; CurrentItem survives the clearing.
    const int now = view.CurrentItem;
    view.ClearAll();
    pic.ops.clear();
    view.Redraw();
    EXPECT_EQ(view.CurrentItem, now);
    EXPECT_EQ(pic.ops.front().kind, 'X');
    EXPECT_EQ(pic.Of('L').size(), 3u);
    EXPECT_EQ(pic.Of('T').size(), 0u);
}

TEST_F(ListFixture, TextSitsBesideItsPointInTheViewAndExactlyOnItInACopy) {
    // Scale 600 units on 600 pixels: one pixel per unit. Size 11: 220 twips = 14.67 px,
    // offset 0.2 of that to the right and downwards.
    view.AddText({100, 50, 0}, "3", platform::RGB(255, 0, 0), 11);
    const Op text = pic.Of('S').back();
    EXPECT_NEAR(text.x1, 100 + 0.2 * 220 / 15, 1e-9);
    EXPECT_NEAR(text.y1, 50 - 0.2 * 220 / 15, 1e-9);
    EXPECT_EQ(text.fontSize, 11);
    // Sizes above 16 measure at 16.
    view.AddText({0, 0, 0}, "big", 0, 30);
    EXPECT_NEAR(pic.Of('S').back().x1, 0.2 * 320 / 15, 1e-9);

    RecordingSurface small;
    small.fontSize = 8;
    view.CurrentItem = 0;
    view.CopyCurrentItem(small);
    ASSERT_EQ(small.Of('S').size(), 1u);
    EXPECT_EQ(small.Of('S')[0].x1, 100);
    EXPECT_EQ(small.Of('S')[0].y1, 50);
    EXPECT_EQ(small.fontSize, 8);
    EXPECT_FALSE(view.CopyingItem);
}

// A picture whose pixel size can change while its user scale stays, as when the
// view window is enlarged without changing its proportions.
struct ResizableSurface : RecordingSurface {
    double pixelWidth = kPixelWidth;
    double TextHeight(const std::string&) const override {
        return TextHeightTwips(fontSize) / 15.0 * width / pixelWidth;
    }
};

TEST(TextOffset, FollowsThePictureSize) {
    ResizableSurface pic;
    SceneView view;
    view.SetPicture(&pic);
    view.SetPictureSize(600, 400);
    view.ResetView();
    // 600 units on 600 pixels: size 11 is 220 twips = 14.67 px, offset 0.2 of it.
    view.AddText({100, 50, 0}, "3", 0, 11);
    EXPECT_NEAR(pic.Of('S').back().x1, 100 + 0.2 * 220 / 15, 1e-9);

    // Twice the pixels at the same scale: a pixel is half a unit, so is the offset.
    pic.pixelWidth = 1200;
    view.SetPictureSize(1200, 800);
    view.Redraw();
    const auto texts = pic.Of('S');
    ASSERT_EQ(texts.size(), 5u);  // the number, then the axis letters
    EXPECT_EQ(texts[1].text, "3");
    EXPECT_NEAR(texts[1].x1, 100 + 0.2 * 220 / 15 * 600 / 1200, 1e-9);
    EXPECT_NEAR(texts[1].y1, 50 - 0.2 * 220 / 15 * 600 / 1200, 1e-9);
}

}  // namespace
}  // namespace view3d

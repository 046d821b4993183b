// View matrix, slider handlers and picture fitting. Expected positions are worked
// out by hand from the turn formulas of each axis (x' = x cos - y sin, ... ).
#include <gtest/gtest.h>

#include <cmath>

#include "numeric/constants.h"
#include "tests/view3d/recording_surface.h"
#include "view3d/sceneview.h"

namespace view3d {
namespace {

using testing::RecordingSurface;

struct ViewFixture : ::testing::Test {
    RecordingSurface pic;
    SceneView view;
    ViewFixture() {
        view.SetPicture(&pic);
        view.SetPictureSize(RecordingSurface::kPixelWidth, RecordingSurface::kPixelHeight);
    }
    Vec3 Project(const Vec3& p) {
        Vec3 y;
        EXPECT_TRUE(view.Project(y, p));
        return y;
    }
    void ExpectAt(const Vec3& p, double x, double y) {
        const Vec3 v = Project(p);
        EXPECT_NEAR(v[0], x, 1e-9);
        EXPECT_NEAR(v[1], y, 1e-9);
        EXPECT_EQ(v[2], 0.0);
    }
};

TEST_F(ViewFixture, OriginViewDropsDepthAndDefaultViewMatchesItsSliders) {
    view.SetDefaultView();
    EXPECT_NEAR(view.ViewAngle[0], 10 * numeric::Pi / 180, 1e-15);
    EXPECT_NEAR(view.ViewAngle[1], -20 * numeric::Pi / 180, 1e-15);
    EXPECT_EQ(view.ViewAngle[2], 0.0);
    EXPECT_NEAR(view.ViewShift[2], 0.2 * pic.width, 1e-12);
    EXPECT_NEAR(view.ViewDepth, -0.001, 1e-15);
    EXPECT_TRUE(pic.Of('X').empty()) << "setting the default view does not redraw";

    view.ResetView();
    ExpectAt({3, -4, 7}, 3, -4);
    ExpectAt({-250, 0.5, -1e4}, -250, 0.5);
}

TEST_F(ViewFixture, SpaceModeTurnsAboutZThenXThenYWhateverTheSliderOrder) {
    view.ResetView();
    view.SetObjectMode(false);
    // (1, 2, 3) about z by 90: (-2, 1, 3); about x by 90: (-2, -3, 1); about y: (1, -3, 2).
    view.SetAngleSlider(1, 90);
    view.SetAngleSlider(0, 90);
    view.SetAngleSlider(2, 90);
    ExpectAt({1, 2, 3}, 1, -3);

    // Any order of arbitrary slider moves ends in the same matrix.
    SceneView other;
    RecordingSurface pic2;
    other.SetPicture(&pic2);
    other.SetObjectMode(false);
    view.SetAngleSlider(0, 30);
    view.SetAngleSlider(1, -45);
    view.SetAngleSlider(2, 60);
    view.SetShiftSlider(0, 7);
    other.SetShiftSlider(0, 7);
    other.SetAngleSlider(2, 60);
    other.SetAngleSlider(1, -45);
    other.SetAngleSlider(0, 30);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(view.ViewMatrix[i][j], other.ViewMatrix[i][j], 1e-12);

    // A shift acts after the turns, along the screen: z by 90 and x shifted by 14.
    view.ResetView();
    view.SetAngleSlider(2, 90);
    view.SetShiftSlider(0, 1);  // 2 * 600 / 100 = 12 per step
    ExpectAt({1, 0, 0}, 12, 1);
}

TEST_F(ViewFixture, ObjectModeTurnsAccumulateInOrderAndReturnExactly) {
    view.ResetView();
    ASSERT_TRUE(view.ObjectMode());
    // x by 90 then y by 90 about the object's own axes: y acts on the model first.
    // (1, 2, 3) about y: (3, 2, -1); about x: (3, 1, 2).
    view.SetAngleSlider(0, 90);
    view.SetAngleSlider(1, 90);
    ExpectAt({1, 2, 3}, 3, 1);

    view.ResetView();
    view.SetAngleSlider(1, 90);
    view.SetAngleSlider(0, 90);
    ExpectAt({1, 2, 3}, 2, -3);

    // Going straight back on one slider restores the previous matrix.
    view.SetAngleSlider(0, 10);
    view.SetShiftSlider(1, 20);
    const Mat44 before = view.ViewMatrix;
    view.SetAngleSlider(2, 35);
    view.SetAngleSlider(2, 0);
    view.SetShiftSlider(0, -40);
    view.SetShiftSlider(0, 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(view.ViewMatrix[i][j], before[i][j], 1e-12);

    // In object mode the depth waits for a rebuild; the redraw button rebuilds from the
    // sliders in the space composition: x by 90 then y by 90 in that order gives (2, -3).
    view.ResetView();
    view.SetAngleSlider(0, 90);
    view.SetAngleSlider(1, 90);
    view.SetDepthSlider(-100);
    EXPECT_EQ(view.ViewMatrix[2][3], 0.0);
    view.RedrawClicked();
    EXPECT_NEAR(view.ViewDepth, -0.005, 1e-15);
    view.SetDepthSlider(0);
    view.RedrawClicked();
    ExpectAt({1, 2, 3}, 2, -3);
}

TEST_F(ViewFixture, PerspectiveEnlargesNearPointsAndSkipsPointsBehindTheEye) {
    view.ResetView();
    view.SetObjectMode(false);
    view.SetDepthSlider(-40);  // depth -0.002: the eye is at z = 500
    ExpectAt({10, 20, 250}, 20, 40);
    ExpectAt({10, 20, -500}, 5, 10);
    Vec3 y;
    EXPECT_FALSE(view.Project(y, {1, 1, 500}));
    EXPECT_FALSE(view.Project(y, {1, 1, 900}));

    // An item with a point behind the eye draws nothing; its neighbour still draws.
    pic.ops.clear();
    view.AddLine({0, 0, 0}, {0, 0, 900}, 0, 1);
    view.AddLine({0, 0, 0}, {100, 0, 0}, 0, 1);
    ASSERT_EQ(view.ItemCount(), 2);
    ASSERT_EQ(pic.Of('L').size(), 1u);
    EXPECT_NEAR(pic.Of('L')[0].x2, 100, 1e-12);
}

TEST_F(ViewFixture, FitPictureCentresTheExtentOnHalfThePicture) {
    view.ResetView();
    // dx = dy: the width decides. Picture 600 x 400: W = 20, H = 20 * 400 / 600.
    view.FitPicture(0, 10, 0, 10);
    EXPECT_NEAR(pic.width, 20, 1e-12);
    EXPECT_NEAR(pic.left, -5, 1e-12);
    EXPECT_NEAR(pic.height, -40.0 / 3, 1e-12);
    EXPECT_NEAR(pic.top, 5 + 40.0 / 6, 1e-12);
    EXPECT_EQ(pic.Of('L').size(), 3u) << "the axes are drawn";
    EXPECT_EQ(pic.Of('S').size(), 3u);

    // Taller than wide: H = 2 dy = 60, W = 90.
    view.FitPicture(0, 10, 0, 30);
    EXPECT_NEAR(pic.width, 90, 1e-12);
    EXPECT_NEAR(pic.left, 5 - 45, 1e-12);
    EXPECT_NEAR(pic.height, -60, 1e-12);
    EXPECT_NEAR(pic.top, 15 + 30, 1e-12);

    // A point-sized extent, and the never-widened extent of a structure without nodes,
    // keep the scale and still draw the axes.
    pic.ops.clear();
    view.FitPicture(7, 7, 3, 3);
    view.FitPicture(10000, -10000, 10000, -10000);
    EXPECT_NEAR(pic.width, 90, 1e-12);
    EXPECT_NEAR(pic.top, 45, 1e-12);
    EXPECT_EQ(pic.Of('L').size(), 6u);

    // The axes run from -0.5 L to L, L = 0.2 * scale width.
    EXPECT_NEAR(pic.Of('L')[0].x1, -9, 1e-12);
    EXPECT_NEAR(pic.Of('L')[1].y2, 18, 1e-12);
}

}  // namespace
}  // namespace view3d

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
    view.DrawAxes();
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
    view.DrawAxes();
    view.FitPicture(10000, -10000, 10000, -10000);
    view.DrawAxes();
    EXPECT_NEAR(pic.width, 90, 1e-12);
    EXPECT_NEAR(pic.top, 45, 1e-12);
    EXPECT_EQ(pic.Of('L').size(), 6u);

    // The axes run from -0.5 L to L, L = 0.2 * scale width.
    EXPECT_NEAR(pic.Of('L')[0].x1, -9, 1e-12);
    EXPECT_NEAR(pic.Of('L')[1].y2, 18, 1e-12);
}

// A structure and its copy k times larger somewhere else look the same: their view
// positions differ by the factor k alone, and the eye of the default view stands
// kEyeDistanceInRadii radii in front of the centre (a 2 x 6 x 3 box has radius 3.5).
TEST_F(ViewFixture, TheDefaultViewFollowsTheStructuresSizeAndTurnsAboutItsCentre) {
    const std::vector<Vec3> box{{0, 0, 0}, {2, 6, 3}, {2, 0, 0}, {0, 6, 3}};
    for (double k : {1e-3, 1.0, 1e4}) {
        SceneView far;
        RecordingSurface farPic;
        far.SetPicture(&farPic);
        std::vector<Vec3> moved;
        for (const Vec3& p : box) moved.push_back({k * p[0] + 5e4, k * p[1] - 7, k * p[2] + 1e3});
        far.SetStructure(moved);
        far.SetDefaultView();
        view.SetStructure(box);
        view.SetDefaultView();
        EXPECT_NEAR(far.StructureRadius(), 3.5 * k, 1e-9 * k);
        // Eye at z'' = -1 / depth; the centre at z'' = the z shift.
        EXPECT_NEAR(-1 / far.ViewDepth - far.ViewShift[2], 12 * 3.5 * k, 1e-6 * k);
        for (std::size_t i = 0; i < box.size(); ++i) {
            Vec3 a, b;
            ASSERT_TRUE(view.Project(a, box[i]));
            ASSERT_TRUE(far.Project(b, moved[i]));
            // Rounding of the offset 5e4 limits the agreement of the tiny copy.
            EXPECT_NEAR(b[0], k * a[0], 1e-9 * k + 1e-10);
            EXPECT_NEAR(b[1], k * a[1], 1e-9 * k + 1e-10);
        }
        // Turned half round about y the centre stays where it was in the picture.
        Vec3 before, after;
        far.Project(before, far.Centre());
        far.SetAngleSlider(1, 100);
        far.Project(after, far.Centre());
        EXPECT_NEAR(after[0], before[0], 1e-9 * k);
        EXPECT_NEAR(after[1], before[1], 1e-9 * k);
    }
}

// Zooming about a picture point keeps that point in place and survives a re-fit
// after a resize; the fit brings the whole structure back.
TEST_F(ViewFixture, ZoomKeepsThePointerPointAndTheFitUndoesIt) {
    view.ResetView();
    view.SetStructure({{0, 0, 0}, {100, 50, 0}});
    view.FitStructure();
    const double width = pic.width;
    auto pixelX = [&](double x) { return (x - pic.left) / pic.width; };
    const double at = pixelX(30);
    view.Zoom(0.5, 30, 10);
    EXPECT_NEAR(pic.width, width / 2, 1e-9);
    EXPECT_NEAR(pixelX(30), at, 1e-12);
    view.SetPictureSize(600, 300);
    view.RefitPicture();
    EXPECT_NEAR(pixelX(30), at, 1e-12);
    view.SetShiftSlider(0, 80);
    view.FitStructure();
    double xmin, xmax, ymin, ymax;
    ASSERT_TRUE(view.ProjectedExtent(xmin, xmax, ymin, ymax));
    EXPECT_GT(xmin, pic.left);
    EXPECT_LT(xmax, pic.left + pic.width);
}

}  // namespace
}  // namespace view3d

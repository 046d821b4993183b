// Picture box: where user coordinates land in pixels, what each drawing operation
// paints, and that the drawing survives repaints and resizes.
#include <gtest/gtest.h>

#include <vector>

#include <QApplication>
#include <QMouseEvent>

#include "platform/picturebox.h"
#include "platform/qtcolor.h"

namespace {

using platform::Color;
using platform::PictureBox;
using platform::RGB;

constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kRed = RGB(255, 0, 0);
constexpr Color kBlue = RGB(0, 0, 255);

Color At(const PictureBox& box, int x, int y) {
    return platform::FromQColor(box.Image().pixelColor(x, y));
}

// Pixels of the picture that differ from the back colour.
std::vector<QPoint> Painted(const PictureBox& box) {
    std::vector<QPoint> out;
    const QImage& img = box.Image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (platform::FromQColor(img.pixelColor(x, y)) != box.BackColor())
                out.emplace_back(x, y);
    return out;
}

TEST(UserScaleMapping, CornersCentreAndUpwardY) {
    // The result graph's plot: x 0..1, y from 2.2 at the top to -2.2 at the bottom.
    const platform::UserScale s{0.0, 2.2, 1.0, -4.4};
    const QPointF topLeft = platform::UserToPixel(s, 400, 220, 0.0, 2.2);
    EXPECT_DOUBLE_EQ(topLeft.x(), 0.0);
    EXPECT_DOUBLE_EQ(topLeft.y(), 0.0);
    const QPointF bottomRight = platform::UserToPixel(s, 400, 220, 1.0, -2.2);
    EXPECT_DOUBLE_EQ(bottomRight.x(), 400.0);
    EXPECT_DOUBLE_EQ(bottomRight.y(), 220.0);
    const QPointF axis = platform::UserToPixel(s, 400, 220, 0.25, 0.0);
    EXPECT_DOUBLE_EQ(axis.x(), 100.0);
    EXPECT_DOUBLE_EQ(axis.y(), 110.0);
    // Larger y is higher up on the screen.
    EXPECT_LT(platform::UserToPixel(s, 400, 220, 0.0, 1.0).y(),
              platform::UserToPixel(s, 400, 220, 0.0, 0.5).y());

    const QPointF back = platform::PixelToUser(s, 400, 220, QPointF(100.0, 55.0));
    EXPECT_DOUBLE_EQ(back.x(), 0.25);
    EXPECT_NEAR(back.y(), 1.1, 1e-12);
}

TEST(UserScaleMapping, PixelIndexAbsorbsRoundingAtEdges) {
    EXPECT_EQ(platform::PixelIndex(QPointF(29.9999999999, 3.0)), QPoint(30, 3));
    EXPECT_EQ(platform::PixelIndex(QPointF(29.99, 3.5)), QPoint(29, 3));
    EXPECT_EQ(platform::PixelIndex(QPointF(-0.5, -1.0)), QPoint(-1, -1));
    // 0.1 steps of a 0..1 scale over 1000 pixels fall exactly on every 100th pixel.
    const platform::UserScale s{0.0, 0.0, 1.0, 1.0};
    for (int k = 0; k <= 10; ++k) {
        const QPointF p = platform::UserToPixel(s, 1000, 1000, k * 0.1, k * 0.1);
        EXPECT_EQ(platform::PixelIndex(p), QPoint(100 * k, 100 * k)) << k;
    }
}

class PictureBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        box.resize(100, 50);
        box.SetScale(0.0, 50.0, 100.0, -50.0);  // one unit per pixel, y upwards
        box.Clear();
    }
    PictureBox box;
};

TEST_F(PictureBoxTest, DotsLandOnTheirPixelWithTheirWidth) {
    box.Dot(10.0, 20.0, kRed);
    EXPECT_EQ(At(box, 10, 30), kRed);  // y = 20 is the top edge of row 30
    EXPECT_EQ(Painted(box).size(), 1u);
    EXPECT_DOUBLE_EQ(box.CurrentX(), 10.0);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 20.0);

    box.Clear();
    box.SetDrawWidth(3);
    box.Dot(40.5, 40.5, kBlue);  // pixel (40, 9)
    const auto painted = Painted(box);
    ASSERT_EQ(painted.size(), 9u);
    for (const QPoint& p : painted) {
        EXPECT_GE(p.x(), 39);
        EXPECT_LE(p.x(), 41);
        EXPECT_GE(p.y(), 8);
        EXPECT_LE(p.y(), 10);
    }

    box.Clear();
    box.SetDrawWidth(2);
    box.Dot(0.5, 49.5, kBlue);  // top-left pixel: the square is clipped to 2 x 2
    EXPECT_EQ(Painted(box).size(), 4u);
    EXPECT_EQ(At(box, 1, 1), kBlue);
}

TEST_F(PictureBoxTest, ManyDotsPaintWhatSingleDotsPaint) {
    std::vector<double> xs, ys;
    for (int i = 0; i < 300; ++i) {
        xs.push_back(i * 0.37 - 5.0);
        ys.push_back(25.0 + 30.0 * std::sin(i * 0.05));
    }
    box.SetDrawWidth(2);
    for (size_t i = 0; i < xs.size(); ++i) box.Dot(xs[i], ys[i], kRed);
    const QImage one = box.Image().copy();
    box.Clear();
    box.Dots(xs.data(), ys.data(), static_cast<int>(xs.size()), kRed);
    EXPECT_EQ(box.Image(), one);
    EXPECT_DOUBLE_EQ(box.CurrentX(), xs.back());
    EXPECT_DOUBLE_EQ(box.CurrentY(), ys.back());
}

TEST_F(PictureBoxTest, LinesIncludeBothEndsAndMoveTheCurrentPosition) {
    box.Line(10.5, 20.5, 20.5, 20.5, kRed);  // row 29, columns 10..20
    auto painted = Painted(box);
    ASSERT_EQ(painted.size(), 11u);
    for (const QPoint& p : painted) EXPECT_EQ(p.y(), 29);
    EXPECT_EQ(At(box, 10, 29), kRed);
    EXPECT_EQ(At(box, 20, 29), kRed);

    // From the current position (20.5, 20.5) up-right by 45 degrees: a diagonal.
    box.LineTo(25.5, 25.5, kBlue);
    for (int k = 0; k <= 5; ++k) EXPECT_EQ(At(box, 20 + k, 29 - k), kBlue) << k;
    EXPECT_EQ(Painted(box).size(), 11u + 5u);
    EXPECT_DOUBLE_EQ(box.CurrentX(), 25.5);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 25.5);

    // A line reaching far outside is clipped, not lost: it still crosses the picture.
    box.Clear();
    box.Line(-1e7, 10.5, 1e7, 10.5, kRed);
    EXPECT_EQ(Painted(box).size(), 100u);
    // Lines with a non-finite end are skipped.
    box.Clear();
    box.Line(0.0, 0.0, std::nan(""), 3.0, kRed);
    EXPECT_TRUE(Painted(box).empty());
}

TEST_F(PictureBoxTest, ClearPaintsTheBackColourAndGoesToTheOrigin) {
    box.SetBackColor(RGB(0, 128, 0));
    box.Dot(5.0, 5.0, kRed);
    box.SetCurrentX(33.0);
    box.Clear();
    EXPECT_TRUE(Painted(box).empty());
    EXPECT_EQ(At(box, 5, 44), RGB(0, 128, 0));
    EXPECT_DOUBLE_EQ(box.CurrentX(), 0.0);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 0.0);
    // A line from the current position after a clear starts at the user origin,
    // here the centre of the picture.
    box.SetScale(-50.0, 25.0, 100.0, -50.0);
    box.LineTo(3.5, 0.5, kRed);
    EXPECT_EQ(At(box, 50, 25), kRed);
    EXPECT_EQ(At(box, 53, 24), kRed);
    EXPECT_EQ(Painted(box).size(), 4u);
}

TEST_F(PictureBoxTest, CircleRadiusIsMeasuredAlongX) {
    // x stretched twice: 50 units across 100 pixels, so radius 10 is 20 pixels.
    box.SetScale(0.0, 25.0, 50.0, -25.0);
    box.Circle(25.25, 12.51, 10.0, kRed);  // centre pixel (50, 24)
    EXPECT_EQ(At(box, 70, 24), kRed);
    EXPECT_EQ(At(box, 30, 24), kRed);
    EXPECT_EQ(At(box, 50, 4), kRed);
    EXPECT_EQ(At(box, 50, 44), kRed);
    EXPECT_EQ(At(box, 50, 24), kWhite);  // transparent fill by default
    EXPECT_EQ(At(box, 75, 24), kWhite);
    EXPECT_DOUBLE_EQ(box.CurrentX(), 25.25);

    box.Clear();
    box.SetFillStyle(0);
    box.SetFillColor(kBlue);
    box.Circle(25.25, 12.51, 10.0, kRed);
    EXPECT_EQ(At(box, 50, 24), kBlue);
    EXPECT_EQ(At(box, 70, 24), kRed);
}

TEST_F(PictureBoxTest, PrintWritesBelowTheCurrentPositionAndMovesOneLineDown) {
    box.resize(200, 100);
    box.SetScale(0.0, 0.0, 200.0, 100.0);  // y downwards this time
    box.Clear();
    box.SetFontSize(12.0);
    box.SetForeColor(kBlue);
    box.SetCurrentX(20.0);
    box.SetCurrentY(30.0);
    const double h = box.TextHeight("W");
    box.Print("WWW");
    EXPECT_DOUBLE_EQ(box.CurrentX(), 20.0);
    EXPECT_NEAR(box.CurrentY(), 30.0 + h, 1e-9);
    const auto painted = Painted(box);
    ASSERT_FALSE(painted.empty());
    for (const QPoint& p : painted) {
        EXPECT_GE(p.x(), 19);
        EXPECT_GE(p.y(), 29);
        EXPECT_LE(p.y(), 30 + h + 1);
    }
    // Two lines of text move twice as far; with y upwards the move is downwards too.
    box.SetScale(0.0, 100.0, 200.0, -100.0);
    box.SetCurrentY(80.0);
    box.Print("a\nb");
    EXPECT_NEAR(box.CurrentY(), 80.0 - 2.0 * h, 1e-9);
    EXPECT_DOUBLE_EQ(box.TextHeight("a\nb"), 2.0 * h);

    // 12 points at 96 dpi are 16 pixels; a line is a little taller than that.
    EXPECT_GT(box.TextHeightTwips(12.0), 16.0 * 15.0);
    EXPECT_LT(box.TextHeightTwips(12.0), 2.0 * 16.0 * 15.0);
    EXPECT_LT(box.TextHeightTwips(6.0), box.TextHeightTwips(16.0));
}

TEST_F(PictureBoxTest, DefaultScaleIsTwipsOfTheWidget) {
    PictureBox fresh;
    fresh.resize(96, 48);
    EXPECT_DOUBLE_EQ(fresh.ScaleLeft(), 0.0);
    EXPECT_DOUBLE_EQ(fresh.ScaleTop(), 0.0);
    EXPECT_NEAR(fresh.ScaleWidth(), 96.0 * 1440.0 / fresh.Image().logicalDpiX(), 1e-6);
    EXPECT_NEAR(fresh.ScaleHeight(), 48.0 * 1440.0 / fresh.Image().logicalDpiY(), 1e-6);
    // A zero extent is refused and leaves the scale as it was.
    box.SetScale(1.0, 2.0, 0.0, 5.0);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100.0);
    EXPECT_DOUBLE_EQ(box.ScaleTop(), 50.0);
}

TEST_F(PictureBoxTest, DrawingSurvivesRepaintsAndIsShownOnScreen) {
    box.show();
    box.SetDrawWidth(3);
    box.Dot(30.5, 20.5, kRed);  // pixels 29..31 x 28..30
    QApplication::processEvents();
    box.repaint();
    box.hide();
    box.show();
    QApplication::processEvents();
    const QImage shown = box.grab().toImage();
    EXPECT_EQ(platform::FromQColor(shown.pixelColor(30, 29)), kRed);
    EXPECT_EQ(platform::FromQColor(shown.pixelColor(29, 28)), kRed);
    EXPECT_EQ(platform::FromQColor(shown.pixelColor(33, 29)), kWhite);
    EXPECT_EQ(At(box, 31, 30), kRed);
}

TEST_F(PictureBoxTest, ResizeKeepsOrDiscardsTheDrawing) {
    box.Dot(10.5, 45.5, kRed);  // pixel (10, 4)
    box.resize(120, 60);
    EXPECT_EQ(box.Image().size(), QSize(120, 60));
    EXPECT_EQ(At(box, 10, 4), kRed);
    EXPECT_EQ(At(box, 110, 55), kWhite);
    // The user scale stays as set and now spans the larger picture.
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100.0);
    EXPECT_EQ(platform::PixelIndex(box.ToPixel(50.0, 25.0)), QPoint(60, 30));

    box.SetKeepDrawingOnResize(false);
    box.resize(80, 40);
    EXPECT_TRUE(Painted(box).empty());
}

TEST_F(PictureBoxTest, MouseReportsUserCoordinates) {
    double mx = -1.0, my = -1.0;
    Qt::MouseButton pressed = Qt::NoButton;
    QObject::connect(&box, &PictureBox::MouseMoved,
                     [&](double x, double y, Qt::MouseButtons) { mx = x, my = y; });
    QObject::connect(&box, &PictureBox::MouseReleased,
                     [&](double, double, Qt::MouseButton b) { pressed = b; });
    QMouseEvent move(QEvent::MouseMove, QPointF(25.0, 10.0), QPointF(25.0, 10.0), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &move);
    EXPECT_DOUBLE_EQ(mx, 25.0);
    EXPECT_DOUBLE_EQ(my, 40.0);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1.0, 1.0), QPointF(1.0, 1.0),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &release);
    EXPECT_EQ(pressed, Qt::RightButton);
}

}  // namespace

// The view window on the offscreen platform: its controls, the resize rules, the
// right-click colour, and where the drawing of a sample actually lands in pixels.
#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "model/model.h"
#include "model/samples.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "view3d/graphic3d.h"
#include "view3d/structure.h"

namespace view3d {
namespace {

int TwipsOf(int pixels) {
    return static_cast<int>(platform::PixelsToTwips(pixels) + 0.5);
}

// True when a pixel of exactly colour c lies within radius pixels of p.
bool ColourNear(const QImage& img, QPointF p, platform::Color c, int radius) {
    const QRgb want = qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = static_cast<int>(p.x()) + dx;
            const int y = static_cast<int>(p.y()) + dy;
            if (img.valid(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF)) return true;
        }
    return false;
}

TEST(Graphic3DWindow, SlidersLabelsAndModeButtonsDriveTheView) {
    Graphic3D w;
    // Loaded with the default view, the depth slider usable only in space mode.
    EXPECT_TRUE(w.Option1[0]->isChecked());
    EXPECT_TRUE(w.Core().ObjectMode());
    EXPECT_FALSE(w.ScrollDisp->isEnabled());
    EXPECT_FALSE(w.DispValue->isEnabled());
    EXPECT_EQ(w.ScrollAngl[0]->value(), 10);
    EXPECT_EQ(w.RotAngle[1]->text(), QStringLiteral("-20゜"));
    EXPECT_EQ(w.ScrollDisp->value(), -20);
    w.Option1[1]->setChecked(true);
    EXPECT_FALSE(w.Core().ObjectMode());
    EXPECT_TRUE(w.ScrollDisp->isEnabled());
    w.Option1[0]->setChecked(true);
    EXPECT_FALSE(w.DispValue->isEnabled());

    // A slider moved by the user turns the view and shows its value; a click on the
    // label puts it back; "設定値クリアー" zeroes every slider.
    int redraws = 0;
    w.Core().PictureChanged = [&] { ++redraws; };
    w.ScrollAngl[0]->setValue(30);
    EXPECT_EQ(w.RotAngle[0]->text(), QStringLiteral("30゜"));
    EXPECT_EQ(redraws, 1);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.RotAngle[0], &release);
    EXPECT_EQ(w.ScrollAngl[0]->value(), 0);
    EXPECT_EQ(w.RotAngle[0]->text(), QStringLiteral("0゜"));
    QApplication::sendEvent(w.RotAngle[2], &release);  // already 0: nothing happens
    EXPECT_EQ(redraws, 2);
    w.Command1->click();
    EXPECT_EQ(w.ScrollAngl[1]->value(), 0);
    EXPECT_EQ(w.ScrollSlide[2]->value(), 0);
    EXPECT_EQ(w.ScrollDisp->value(), 0);
    EXPECT_EQ(w.SlideValue[2]->text(), QStringLiteral("0"));
}

TEST(Graphic3DWindow, ResizingFollowsTheMinimumSizeRules) {
    Graphic3D w;
    w.show();
    QApplication::processEvents();
    const auto margin = [&] { return TwipsOf(w.width()) - TwipsOf(w.Pic1->width()); };
    EXPECT_NEAR(margin(), Graphic3D::kSideMargin, 15);
    EXPECT_EQ(w.Frame1->y(), w.Pic1->y() + w.Pic1->height());
    EXPECT_NEAR(TwipsOf(w.height()) - TwipsOf(w.Pic1->height()) - TwipsOf(w.Frame1->height()),
                Graphic3D::kBottomMargin, 15);

    const int tall = w.height();
    w.resize(platform::TwipsToPixels(6000), platform::TwipsToPixels(7000));
    QApplication::processEvents();
    EXPECT_NEAR(margin(), Graphic3D::kSideMargin, 15);
    const QRect picture = w.Pic1->geometry();

    // Below both minimum sizes: the layout stays as it was.
    w.resize(platform::TwipsToPixels(3000), platform::TwipsToPixels(3000));
    QApplication::processEvents();
    EXPECT_EQ(w.Pic1->geometry(), picture);

    // Only the height below its minimum: the width follows, the height comes back.
    w.resize(platform::TwipsToPixels(8000), platform::TwipsToPixels(3000));
    QApplication::processEvents();
    EXPECT_EQ(w.height(), platform::TwipsToPixels(7000));
    EXPECT_EQ(w.Pic1->height(), picture.height());
    EXPECT_NEAR(margin(), Graphic3D::kSideMargin, 15);
    EXPECT_NE(w.height(), tall);
}

TEST(Graphic3DWindow, RightClickChangesTheBackgroundUnlessTheChoiceIsCancelled) {
    Graphic3D w;
    platform::Color answer = platform::RGB(0, 0, 255);
    w.ColorRequest = [&] { return answer; };
    emit w.Pic1->MouseReleased(0, 0, Qt::RightButton);
    EXPECT_EQ(w.Pic1->BackColor(), platform::RGB(0, 0, 255));
    EXPECT_EQ(w.Pic1->Image().pixel(1, 1) & 0xFFFFFF, 0xFFu);
    answer = -1;
    emit w.Pic1->MouseReleased(0, 0, Qt::RightButton);
    emit w.Pic1->MouseReleased(0, 0, Qt::LeftButton);
    EXPECT_EQ(w.Pic1->BackColor(), platform::RGB(0, 0, 255));
}

TEST(Graphic3DWindow, PortalFrameLinesLandWhereTheViewProjectsThem) {
    fem::Model model;
    fem::BuildSample(model, 3);
    Graphic3D w;
    platform::PictureBox picture1;
    picture1.resize(240, 240);
    FormLink form;
    form.Picture1 = &picture1;
    form.DeformationMode = 2;
    ShowNewStructure(w.Core(), model, form);

    const QImage& img = w.Pic1->Image();
    const QImage& small = picture1.Image();
    const Color black = platform::RGB(0, 0, 0);
    for (const fem::ElementRecord& e : model.Elements) {
        const Vec3& A = model.Nodes[e.EndNode[0]].Coord;
        const Vec3& B = model.Nodes[e.EndNode[1]].Coord;
        Vec3 a, b;
        ASSERT_TRUE(w.Core().TransForm(a, A));
        ASSERT_TRUE(w.Core().TransForm(b, B));
        // Away from the node marks at the ends and the number at the middle.
        for (double t : {0.2, 0.35, 0.65, 0.8}) {
            const double x = a[0] + t * (b[0] - a[0]);
            const double y = a[1] + t * (b[1] - a[1]);
            const QPointF p = w.Pic1->ToPixel(x, y);
            EXPECT_TRUE(ColourNear(img, p, black, 1))
                << "t " << t << " at " << p.x() << ", " << p.y();
            // The element pen is 3 pixels wide: 8 pixels to one side or the other (an
            // axis letter may sit on one) is background.
            const QPointF d = w.Pic1->ToPixel(b[0], b[1]) - w.Pic1->ToPixel(a[0], a[1]);
            const QPointF n = QPointF(-d.y(), d.x()) * (8 / std::hypot(d.x(), d.y()));
            EXPECT_FALSE(ColourNear(img, p + n, black, 1) && ColourNear(img, p - n, black, 1));
            EXPECT_TRUE(ColourNear(small, picture1.ToPixel(x, y), black, 1));
        }
    }
    // The picture's far corner stays background.
    EXPECT_EQ(img.pixel(img.width() - 3, 3) & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
}  // namespace view3d

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

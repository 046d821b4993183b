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
#include <QWheelEvent>

#include "model/model.h"
#include "model/samples.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "view3d/structure.h"
#include "view3d/viewwindow.h"

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

TEST(ViewWindow, SlidersLabelsAndModeButtonsDriveTheView) {
    ViewWindow w;
    // Loaded with the default view, the depth slider usable only in space mode.
    EXPECT_TRUE(w.objectModeButton->isChecked());
    EXPECT_TRUE(w.Scene().ObjectMode());
    EXPECT_FALSE(w.depthSlider->isEnabled());
    EXPECT_FALSE(w.depthLabel->isEnabled());
    EXPECT_EQ(w.angleSliders[0]->value(), 10);
    EXPECT_EQ(w.angleLabels[1]->text(), QStringLiteral("-20゜"));
    EXPECT_EQ(w.depthSlider->value(), -20);
    w.spaceModeButton->setChecked(true);
    EXPECT_FALSE(w.Scene().ObjectMode());
    EXPECT_TRUE(w.depthSlider->isEnabled());
    w.objectModeButton->setChecked(true);
    EXPECT_FALSE(w.depthLabel->isEnabled());

    // A slider moved by the user turns the view and shows its value; a click on the
    // label puts it back; "設定値クリアー" zeroes every slider.
    int redraws = 0;
    w.Scene().PictureChanged = [&] { ++redraws; };
    w.angleSliders[0]->setValue(30);
    EXPECT_EQ(w.angleLabels[0]->text(), QStringLiteral("30゜"));
    EXPECT_EQ(redraws, 1);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.angleLabels[0], &release);
    EXPECT_EQ(w.angleSliders[0]->value(), 0);
    EXPECT_EQ(w.angleLabels[0]->text(), QStringLiteral("0゜"));
    QApplication::sendEvent(w.angleLabels[2], &release);  // already 0: nothing happens
    EXPECT_EQ(redraws, 2);
    w.clearSettingsButton->click();
    EXPECT_EQ(w.angleSliders[1]->value(), 0);
    EXPECT_EQ(w.shiftSliders[2]->value(), 0);
    EXPECT_EQ(w.depthSlider->value(), 0);
    EXPECT_EQ(w.shiftLabels[2]->text(), QStringLiteral("0"));
}

TEST(ViewWindow, ResizingFollowsTheMinimumSizeRules) {
    ViewWindow w;
    w.show();
    QApplication::processEvents();
    const auto margin = [&] { return TwipsOf(w.width()) - TwipsOf(w.viewPicture->width()); };
    EXPECT_NEAR(margin(), ViewWindow::kSideMargin, 15);
    EXPECT_EQ(w.sliderPanel->y(), w.viewPicture->y() + w.viewPicture->height());
    EXPECT_NEAR(
        TwipsOf(w.height()) - TwipsOf(w.viewPicture->height()) - TwipsOf(w.sliderPanel->height()),
        ViewWindow::kBottomMargin, 15);

    const int tall = w.height();
    w.resize(platform::TwipsToPixels(6000), platform::TwipsToPixels(7000));
    QApplication::processEvents();
    EXPECT_NEAR(margin(), ViewWindow::kSideMargin, 15);
    const QRect picture = w.viewPicture->geometry();

    // Below both minimum sizes: the layout stays as it was.
    w.resize(platform::TwipsToPixels(3000), platform::TwipsToPixels(3000));
    QApplication::processEvents();
    EXPECT_EQ(w.viewPicture->geometry(), picture);

    // Only the height below its minimum: the width follows, the height comes back.
    w.resize(platform::TwipsToPixels(8000), platform::TwipsToPixels(3000));
    QApplication::processEvents();
    EXPECT_EQ(w.height(), platform::TwipsToPixels(7000));
    EXPECT_EQ(w.viewPicture->height(), picture.height());
    EXPECT_NEAR(margin(), ViewWindow::kSideMargin, 15);
    EXPECT_NE(w.height(), tall);
}

TEST(ViewWindow, RightClickChangesTheBackgroundUnlessTheChoiceIsCancelled) {
    ViewWindow w;
    platform::Color answer = platform::RGB(0, 0, 255);
    w.ColorRequest = [&] { return answer; };
    emit w.viewPicture->MouseReleased(0, 0, Qt::RightButton);
    EXPECT_EQ(w.viewPicture->BackColor(), platform::RGB(0, 0, 255));
    EXPECT_EQ(w.viewPicture->Image().pixel(1, 1) & 0xFFFFFF, 0xFFu);
    answer = -1;
    emit w.viewPicture->MouseReleased(0, 0, Qt::RightButton);
    emit w.viewPicture->MouseReleased(0, 0, Qt::LeftButton);
    EXPECT_EQ(w.viewPicture->BackColor(), platform::RGB(0, 0, 255));
}

TEST(ViewWindow, PortalFrameLinesLandWhereTheViewProjectsThem) {
    fem::Model model;
    fem::BuildSample(model, 3);
    ViewWindow w;
    platform::PictureBox smallPicture;
    smallPicture.resize(240, 240);
    PanelLink panel;
    panel.SmallPicture = &smallPicture;
    panel.DeformationMode = 2;
    ShowNewStructure(w.Scene(), model, panel);

    const QImage& img = w.viewPicture->Image();
    const QImage& small = smallPicture.Image();
    const Color black = platform::RGB(0, 0, 0);
    for (const fem::ElementRecord& e : model.Elements) {
        const Vec3& A = model.Nodes[e.EndNode[0]].Coord;
        const Vec3& B = model.Nodes[e.EndNode[1]].Coord;
        Vec3 a, b;
        ASSERT_TRUE(w.Scene().Project(a, A));
        ASSERT_TRUE(w.Scene().Project(b, B));
        // Away from the node marks at the ends and the number at the middle.
        for (double t : {0.2, 0.35, 0.65, 0.8}) {
            const double x = a[0] + t * (b[0] - a[0]);
            const double y = a[1] + t * (b[1] - a[1]);
            const QPointF p = w.viewPicture->ToPixel(x, y);
            EXPECT_TRUE(ColourNear(img, p, black, 1))
                << "t " << t << " at " << p.x() << ", " << p.y();
            // The element pen is 3 pixels wide: 8 pixels to one side or the other (an
            // axis letter may sit on one) is background.
            const QPointF d =
                w.viewPicture->ToPixel(b[0], b[1]) - w.viewPicture->ToPixel(a[0], a[1]);
            const QPointF n = QPointF(-d.y(), d.x()) * (8 / std::hypot(d.x(), d.y()));
            EXPECT_FALSE(ColourNear(img, p + n, black, 1) && ColourNear(img, p - n, black, 1));
            EXPECT_TRUE(ColourNear(small, smallPicture.ToPixel(x, y), black, 1));
        }
    }
    // The picture's far corner stays background.
    EXPECT_EQ(img.pixel(img.width() - 3, 3) & 0xFFFFFF, 0xFFFFFFu);
}

// A portal of span and height `size` (mm), clamped at both feet.
fem::Model Portal(double size) {
    fem::Model m;
    const double at[4][2] = {{0, 0}, {0, size}, {size, size}, {size, 0}};
    for (int i = 0; i < 4; ++i) {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = {at[i][0], at[i][1], 0};
        if (i == 0 || i == 3)
            for (auto& c : n.BcCode) c = "u";
        m.AddNode(n);
    }
    for (int e = 0; e < 3; ++e) {
        fem::ElementRecord r = fem::DefaultElement();
        r.EndNode = {e, e + 1};
        m.AddElement(r);
    }
    return m;
}

int DrawnPixels(const QImage& img, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == 0;
    return n;
}

// The nodes' pixels all inside the picture, and the element lines through its middle.
void ExpectWholeAndCentred(ViewWindow& w, const fem::Model& model) {
    const QImage& img = w.viewPicture->Image();
    for (const fem::NodeRecord& n : model.Nodes) {
        Vec3 p;
        ASSERT_TRUE(w.Scene().Project(p, n.Coord));
        const QPointF px = w.viewPicture->ToPixel(p[0], p[1]);
        EXPECT_TRUE(QRectF(10, 10, img.width() - 20, img.height() - 20).contains(px))
            << px.x() << ", " << px.y();
    }
    const QRect middle(img.width() / 3, img.height() / 3, img.width() / 3, img.height() / 3);
    EXPECT_GT(DrawnPixels(img, middle), 50);
}

TEST(ViewWindow, PortalsOfThreeMetresTenMetresAndTenMillimetresAreDrawnWhole) {
    for (double size : {3000.0, 10000.0, 10.0}) {
        SCOPED_TRACE(size);
        const fem::Model model = Portal(size);
        ViewWindow w;
        PanelLink panel;
        panel.DeformationMode = 2;
        ShowNewStructure(w.Scene(), model, panel);
        ExpectWholeAndCentred(w, model);
        // A new window drawn into without a new structure ("３Ｄ初期化") as well.
        ViewWindow fresh;
        DrawStructure(fresh.Scene(), model, panel);
        ExpectWholeAndCentred(fresh, model);

        // Turned by dragging, the whole portal stays in the picture; the sliders follow.
        w.show();
        auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton b, Qt::MouseButtons held) {
            QMouseEvent e(type, at, w.viewPicture->mapToGlobal(at), b, held, Qt::NoModifier);
            QApplication::sendEvent(w.viewPicture, &e);
        };
        send(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, {200, 140}, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, {200, 140}, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(w.angleSliders[1]->value(), -20 + 50);
        EXPECT_EQ(w.angleSliders[0]->value(), 10 + 20);
        ExpectWholeAndCentred(w, model);
    }
}

TEST(ViewWindow, AfterAResizeOrAZoomThePictureHoldsNothingStaleAndTheFitBringsAllBack) {
    fem::Model model;
    fem::BuildSample(model, 4);
    ViewWindow w;
    w.show();
    PanelLink panel;
    panel.DeformationMode = 2;
    ShowNewStructure(w.Scene(), model, panel);
    w.resize(w.width() + 200, w.height() + 120);
    QApplication::processEvents();
    const QImage resized = w.viewPicture->Image().copy();
    w.Scene().Redraw();  // a fresh drawing at the new size
    EXPECT_EQ(resized, w.viewPicture->Image());

    // Zoomed in far about a corner with the wheel, the structure is mostly outside;
    // "全体表示" fits it again.
    const QPoint corner(5, 5);
    QWheelEvent wheel(corner, w.viewPicture->mapToGlobal(corner), {}, QPoint(0, 120 * 8),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.viewPicture, &wheel);
    EXPECT_LT(DrawnPixels(w.viewPicture->Image(), w.viewPicture->Image().rect()), 50);
    w.fitButton->click();
    ExpectWholeAndCentred(w, model);
}

}  // namespace
}  // namespace view3d

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

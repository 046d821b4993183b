// The animation: a frame drawn from the node histories of an analysis, mode-shape frames,
// the view window's play control letting go when the structure changes, and the view
// saved as a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/model.h"
#include "model/samples.h"
#include "platform/picturebox.h"
#include "tests/view3d/recording_surface.h"
#include "view3d/animation.h"
#include "view3d/structure.h"
#include "view3d/viewwindow.h"

namespace view3d {
namespace {

// Sample 2 built anew in model and analysed with 256 time points.
std::shared_ptr<const fem::ImpactSolution> Analyse(fem::Model& model) {
    fem::AnalysisSettings settings;
    settings.Nw = 256;
    settings.Te = fem::BuildSample(model, 2).Te;
    const fem::AnalysisResult r = fem::RunAnalysis(model, settings);
    EXPECT_TRUE(r.Impact->Complete() && r.Static && r.Static->Complete());
    return r.Impact;
}

// Runs the event loop until the window's inversion has ended (at most a minute).
void WaitForFrames(ViewWindow& w) {
    if (w.InvertingHistories()) {
        QEventLoop loop;
        QObject::connect(&w, &ViewWindow::InversionEnded, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ASSERT_FALSE(w.InvertingHistories());
}

TEST(Animation, FrameAtTjIsTheNodeHistoriesAtTj) {
    fem::Model model;
    const auto solution = Analyse(model);
    // Inverted two pieces at a time (nodes, then the stations of members), as the window's
    // thread does.
    auto frames = std::make_shared<HistoryFrames>(solution, HistoryFrames::Inversion::Later);
    ASSERT_GT(frames->StationsPerMember(), 0);
    EXPECT_EQ(frames->Work(), model.NodeCount() + model.ElementCount());
    for (int left = frames->Work(); left > 0;) {
        const int next = frames->InvertMore(2);
        ASSERT_EQ(next, std::max(left - 2, 0));
        left = next;
    }
    ASSERT_TRUE(frames->Complete());
    ASSERT_EQ(frames->FrameCount(), 256);
    EXPECT_DOUBLE_EQ(frames->FrameTime(64), solution->Settings().Te / 4);

    // The histories node by node, as the engine gives them for the graphs.
    std::vector<numeric::RealMatrix> histories(model.NodeCount());
    double largest = 0.0;
    for (int n = 0; n < model.NodeCount(); ++n) {
        histories[n] = fem::NodeDisplacementHistory(*solution, n).Best();
        for (int j = 0; j < 256; ++j)
            largest = std::max(
                largest, std::hypot(histories[n](0, j), histories[n](1, j), histories[n](2, j)));
    }
    ASSERT_GT(largest, 0.0);
    EXPECT_NEAR(frames->LargestTranslation(), largest, 1e-6 * largest);

    testing::RecordingSurface surface;
    SceneView view;
    view.SetPicture(&surface);
    Animation animation;
    animation.SetFrames(frames);
    animation.Magnification = 250.0;
    // Kept in single precision: a few parts in 10^7 of the displacement drawn.
    const double tolerance = 1e-6 * (1.0 + animation.Magnification * largest);
    for (int j : {0, 37, 128, 255}) {
        animation.SetFrame(j);
        animation.Draw(view, model, 0);
        // Each element a line from its first node through its stations to its second.
        const int per = frames->StationsPerMember() + 2;
        const std::vector<DrawItem>& items = view.DisplayList();
        ASSERT_EQ(view.ItemCount(), per * model.ElementCount());
        for (int e = 0; e < model.ElementCount(); ++e) {
            const fem::ElementRecord& el = model.Elements[e];
            const Vec3& first = items[per * e].Point1;
            const Vec3& last = items[per * e + per - 1].Point1;
            for (int k = 0; k < 3; ++k) {
                const int n0 = el.EndNode[0];
                const int n1 = el.EndNode[1];
                EXPECT_NEAR(first[k], model.Nodes[n0].Coord[k] + 250.0 * histories[n0](k, j),
                            tolerance)
                    << "j " << j << " element " << e;
                EXPECT_NEAR(last[k], model.Nodes[n1].Coord[k] + 250.0 * histories[n1](k, j),
                            tolerance)
                    << "j " << j << " element " << e;
            }
        }
    }
}

// Frames that know the motion inside the members draw each member through it: from its
// displaced first node through its displaced stations, evenly spaced along it, to its
// displaced second node.
TEST(Animation, MembersRunThroughTheirStations) {
    fem::Model model;
    for (double x : {0.0, 300.0}) {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = {x, 0.0, 0.0};
        model.AddNode(n);
    }
    model.AddElement(fem::DefaultElement());  // nodes 0 and 1
    NodeDisplacements shape(2, std::array<double, 6>{});
    shape[1] = {0.0, 1.0, 0.0, 0.0, 0.0, 0.0};
    // Four frames per cycle: frame 1 is the shape itself (sin 90 degrees).
    auto frames = std::make_shared<ModeShapeFrames>(shape, 10.0, model.Revision(), 4);
    frames->SetMemberShapes({{{0.0, 0.3, 0.0}, {0.0, 0.8, 0.0}}});
    testing::RecordingSurface surface;
    SceneView view;
    view.SetPicture(&surface);
    Animation animation;
    animation.SetFrames(frames);
    animation.Magnification = 10.0;
    animation.SetFrame(1);
    animation.Draw(view, model, 0);
    const std::vector<DrawItem>& items = view.DisplayList();
    ASSERT_EQ(items.size(), 4u);
    const Vec3 expected[] = {{0, 0, 0}, {100, 3, 0}, {200, 8, 0}, {300, 10, 0}};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(items[static_cast<std::size_t>(i)].Point1[k], expected[i][k], 1e-9)
                << i << " " << k;
}

TEST(Animation, ModeShapeOscillatesAndTheDefaultMagnificationIsRound) {
    const NodeDisplacements shape = {{0, 0, 0, 0, 0, 0}, {0.3, 0, 0.4, 0.01, 0, 0}};
    const ModeShapeFrames mode(shape, 50.0, 7, 40);
    NodeDisplacements u;
    mode.Displacements(10, u);  // a quarter period: the shape itself
    for (int c = 0; c < 6; ++c) EXPECT_NEAR(u[1][c], shape[1][c], 1e-15);
    mode.Displacements(30, u);  // three quarters: the shape reversed
    EXPECT_NEAR(u[1][2], -0.4, 1e-15);
    EXPECT_DOUBLE_EQ(mode.FrameTime(10), 0.25 / 50.0);
    EXPECT_DOUBLE_EQ(mode.LargestTranslation(), 0.5);

    // A fifth of 1000 mm over 0.5 mm is 400, rounded down to 200; 0.2 * 1000 / 0.3 = 667
    // to 500, 0.2 * 1000 / 0.1 = 2000 stays, 0.2 * 20 / 3 = 1.33 to 1.
    EXPECT_DOUBLE_EQ(DefaultMagnification(0.5, 1000.0), 200.0);
    EXPECT_DOUBLE_EQ(DefaultMagnification(0.3, 1000.0), 500.0);
    EXPECT_DOUBLE_EQ(DefaultMagnification(0.1, 1000.0), 2000.0);
    EXPECT_DOUBLE_EQ(DefaultMagnification(3.0, 20.0), 1.0);
    EXPECT_DOUBLE_EQ(DefaultMagnification(0.0, 1000.0), 1.0);
}

TEST(Animation, WindowStopsAndLetsGoOfItsFramesWhenTheStructureChanges) {
    fem::Model model;
    std::shared_ptr<const fem::ImpactSolution> solution = Analyse(model);
    ViewWindow w;
    w.SetModel(&model);
    w.ImpactResponse = [&solution] { return solution; };
    PanelLink panel;
    panel.DeformationMode = 2;
    DrawStructure(w.Scene(), model, panel);
    EXPECT_TRUE(w.playButton->isEnabled());
    EXPECT_EQ(w.timeSlider->maximum(), 255);

    // Playing inverts the histories once, on the window's thread, then draws over the
    // structure.
    const int structure = w.Scene().ItemCount();
    w.playButton->click();
    ASSERT_TRUE(w.Playing());
    ASSERT_TRUE(w.InvertingHistories());
    EXPECT_EQ(w.Animator().Frames(), nullptr);
    WaitForFrames(w);
    ASSERT_TRUE(w.Playing());
    ASSERT_NE(w.Animator().Frames(), nullptr);
    EXPECT_EQ(w.playButton->text(), QStringLiteral("停止"));
    EXPECT_FALSE(w.dynamicMagnificationEdit->text().isEmpty());
    w.NextFrame();
    EXPECT_EQ(w.Animator().Frame(), 1);
    EXPECT_EQ(w.Scene().ItemCount(),
              structure + (w.Animator().Frames()->StationsPerMember() + 2) * model.ElementCount());
    EXPECT_TRUE(w.timeLabel->text().contains(QStringLiteral("j = 1")));

    // An analysis starting stops it; the frames stay while they still show the results.
    w.SetAnalysisRunning(true);
    EXPECT_FALSE(w.Playing());
    EXPECT_FALSE(w.playButton->isEnabled());
    w.SetAnalysisRunning(false);
    EXPECT_NE(w.Animator().Frames(), nullptr);

    // A changed structure drawn anew: stopped, frames gone, nothing left to play.
    w.playButton->click();
    ASSERT_TRUE(w.Playing());
    model.Touch();
    DrawStructure(w.Scene(), model, panel);
    EXPECT_FALSE(w.Playing());
    EXPECT_EQ(w.Animator().Frames(), nullptr);
    EXPECT_FALSE(w.playButton->isEnabled());

    // Analysed again, changed while its histories are inverted: the inversion stops.
    solution = Analyse(model);
    DrawStructure(w.Scene(), model, panel);
    w.timeSlider->setValue(100);
    ASSERT_TRUE(w.InvertingHistories());
    model.Touch();
    WaitForFrames(w);
    EXPECT_EQ(w.Animator().Frames(), nullptr);
    EXPECT_FALSE(w.playButton->isEnabled());

    // Analysed again, a magnification typed, the slider moved: frame 100 at that
    // magnification once inverted; then changed while playing: the next tick stops it.
    solution = Analyse(model);
    DrawStructure(w.Scene(), model, panel);
    w.dynamicMagnificationEdit->setText(QStringLiteral("500"));
    emit w.dynamicMagnificationEdit->editingFinished();
    w.timeSlider->setValue(100);
    WaitForFrames(w);
    EXPECT_EQ(w.Animator().Frame(), 100);
    EXPECT_EQ(w.Animator().Magnification, 500.0);
    EXPECT_TRUE(w.timeLabel->text().contains(QStringLiteral("j = 100")));
    w.playButton->click();
    ASSERT_TRUE(w.Playing());
    model.Touch();
    w.NextFrame();
    EXPECT_FALSE(w.Playing());
    EXPECT_EQ(w.Animator().Frames(), nullptr);
}

// Distance of p from the segment a-b.
double DistanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double t =
        std::clamp(QPointF::dotProduct(p - a, d) / QPointF::dotProduct(d, d), 0.0, 1.0);
    const QPointF q = a + t * d;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

TEST(ViewPicture, SavedPictureHasTheBarWhereItIsAndNothingElse) {
    // One bar of 1000 mm along x, without loads or supports, in the default view.
    fem::Model model;
    for (double x : {0.0, 1000.0}) {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = {x, 0.0, 0.0};
        model.AddNode(n);
    }
    model.AddElement(fem::DefaultElement());
    ViewWindow w;
    PanelLink panel;
    panel.DeformationMode = 2;
    ShowNewStructure(w.Scene(), model, panel);
    w.Scene().SetNumbersShown(false, true);

    // A picture twice the view's size: the same view fitted into it, twice as large.
    const QSize view = w.viewPicture->size();
    const QSize size = 2 * view;
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("bar.png"));
    ASSERT_TRUE(w.SavePicture(png, size, false));
    const QImage image(png);
    ASSERT_EQ(image.size(), size);
    Vec3 a, b;
    ASSERT_TRUE(w.Scene().Project(a, model.Nodes[0].Coord));
    ASSERT_TRUE(w.Scene().Project(b, model.Nodes[1].Coord));
    const QPointF pa = 2 * w.viewPicture->ToPixel(a[0], a[1]);
    const QPointF pb = 2 * w.viewPicture->ToPixel(b[0], b[1]);
    for (double t : {0.1, 0.3, 0.5, 0.7, 0.9}) {
        const QPoint p = (pa + t * (pb - pa)).toPoint();
        bool dark = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                dark = dark || (image.pixel(p.x() + dx, p.y() + dy) & 0xFFFFFF) == 0;
        EXPECT_TRUE(dark) << "t " << t;
    }
    // The bar is 3 pixels wide and the node circles (twice as large) a few pixels across.
    int strays = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF &&
                DistanceToSegment(QPointF(x + 0.5, y + 0.5), pa, pb) > 12.0)
                ++strays;
    EXPECT_EQ(strays, 0);

    // SVG and PDF of the same.
    const QString svg = dir.filePath(QStringLiteral("bar.svg"));
    ASSERT_TRUE(w.SavePicture(svg, size, true));
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    int paths = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            (xml.name() == QLatin1String("polyline") || xml.name() == QLatin1String("path")))
            ++paths;
    EXPECT_FALSE(xml.hasError());
    EXPECT_GT(paths, 0);
    const QString pdf = dir.filePath(QStringLiteral("bar.pdf"));
    ASSERT_TRUE(w.SavePicture(pdf, size, true));
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdfFile.read(5), QByteArray("%PDF-"));
}

}  // namespace
}  // namespace view3d

// Structure and deformation drawing on recording surfaces. The deformation checks use
// the closed-form cantilever deflection v(x) = P x^2 (3L - x) / (6 EI).
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "model/model.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "tests/view3d/recording_surface.h"
#include "view3d/structure.h"

namespace view3d {
namespace {

using testing::RecordingSurface;

int CountColor(const std::vector<DrawItem>& list, ItemKind kind, Color c) {
    int n = 0;
    for (const DrawItem& it : list) n += (it.Kind == kind && it.ForeColor == c);
    return n;
}

struct DrawFixture : ::testing::Test {
    RecordingSurface pic, smallPicture;
    SceneView view;
    PanelLink panel;
    fem::Model model;
    int nodeList = -1, elementList = -1;
    DrawFixture() {
        view.SetPicture(&pic);
        view.SetPictureSize(600, 400);
        panel.SmallPicture = &smallPicture;
        panel.RefillNodeList = [this](int n) { nodeList = n; };
        panel.RefillElementList = [this](int n) { elementList = n; };
    }
    void AddNode(const Vec3& at, const char* code = "p") {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = at;
        for (auto& c : n.BcCode) c = code;
        model.AddNode(n);
    }
};

TEST_F(DrawFixture, PortalFrameIsDrawnAndMirroredItemByItem) {
    fem::BuildSample(model, 3);
    view.ResetView();
    DrawStructure(view, model, panel);
    // Nodes span x 0..100, y 0..100; the view places their centre (50, 50) at the
    // origin: the picture fits W = 200 around (0, 0), and the small picture gets the
    // square system of side 200 about the same centre.
    EXPECT_NEAR(pic.width, 200, 1e-9);
    EXPECT_NEAR(pic.left, -100, 1e-9);
    EXPECT_NEAR(smallPicture.top, 100, 1e-9);
    EXPECT_NEAR(smallPicture.height, -200, 1e-9);
    EXPECT_EQ(nodeList, 5);
    EXPECT_EQ(elementList, 4);

    const auto& list = view.DisplayList();
    // Nodes 0 and 4 are clamped: three pyramids and three T marks each; node 2 carries
    // one load along +y.
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedTranslationColor), 6);
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedRotationColor), 6);
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kForceColor), 1);
    // Every item is copied onto the small picture after one clear: 5 circles and 5 node numbers,
    // one arrow (dot and 5 strokes), 6 pyramids (dot, 10 strokes, closing stroke),
    // 6 T marks (dot, 3 strokes), 4 lines and 4 element numbers.
    EXPECT_EQ(smallPicture.ops.size(), 1u + 10 + 6 + 6 * 12 + 6 * 4 + 8);

    // Element numbers carry a leading blank and sit at the element's midpoint.
    EXPECT_EQ(list.back().Text, " 3");
    EXPECT_EQ(list.back().Point1, (Vec3{100, 50, 0}));

    // The load arrow: from node 2 (50, 100) up by 200 / 25 = 8.
    for (const DrawItem& it : list) {
        if (it.Kind != ItemKind::Shape || it.ForeColor != kForceColor) continue;
        EXPECT_EQ(it.ShapePoints[0], (Vec3{50, 100, 0}));
        EXPECT_EQ(it.ShapePoints[1], (Vec3{50, 108, 0}));
    }
    // Supports scale with the small picture: 200 / 40.
    for (const DrawItem& it : list) {
        if (it.Kind != ItemKind::Shape || it.ForeColor != kFixedTranslationColor) continue;
        EXPECT_NEAR(std::abs(it.ShapePoints[5][0] - it.ShapePoints[0][0]) +
                        std::abs(it.ShapePoints[5][1] - it.ShapePoints[0][1]) +
                        std::abs(it.ShapePoints[5][2] - it.ShapePoints[0][2]),
                    200.0 / 40 * 2, 1e-9);
    }
}

TEST_F(DrawFixture, LoadsAndSupportsOfOneNode) {
    smallPicture.SetScale(0, 0, 250, -250);  // arrows 10 long, marks 250 / 40
    DrawNodeLoads(view, panel, smallPicture, {1, 2, 3}, {0, -5, 0, 0, 0, 2});
    const auto& list = view.DisplayList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].ForeColor, kForceColor);
    EXPECT_EQ(list[0].ShapePoints[0], (Vec3{1, 12, 3}));
    EXPECT_EQ(list[0].ShapePoints[1], (Vec3{1, 2, 3}));  // ends on the node
    EXPECT_EQ(list[1].ForeColor, kMomentColor);
    EXPECT_EQ(list[1].ShapePoints[0], (Vec3{1, 2, 3}));
    EXPECT_EQ(list[1].ShapePoints[1], (Vec3{1, 2, 13}));
    EXPECT_EQ(smallPicture.Of('P').size(), 2u);

    // Against the structure's largest loads (20 kgf, 2 kgf mm) the force of 5 is a quarter
    // of full length and the moment full; a tiny force still shows at a fifth.
    DrawNodeLoads(view, panel, smallPicture, {1, 2, 3}, {0, -5, 0.01, 0, 0, 2}, 0.0, {20.0, 2.0});
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[2].ShapePoints[0], (Vec3{1, 4.5, 3}));
    EXPECT_EQ(list[3].ShapePoints[1], (Vec3{1, 2, 5}));
    EXPECT_EQ(list[4].ShapePoints[1], (Vec3{1, 2, 13}));

    DrawSupports(view, panel, smallPicture, {0, 0, 0}, {"u", "u", "u", "p", "p", "p"});
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedTranslationColor), 3);
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedRotationColor), 0);
    DrawSupports(view, panel, smallPicture, {0, 0, 0}, {"U", "pf", "p", "p", "u", "U"});
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedTranslationColor), 3);
    EXPECT_EQ(CountColor(list, ItemKind::Shape, kFixedRotationColor), 1);
    EXPECT_EQ(list.back().DrawWidth, 2);
}

TEST_F(DrawFixture, EmptyStructureKeepsTheScaleAndElementAxesFollowTheLocalFrame) {
    view.ResetView();
    pic.SetScale(0, 0, 600, 400);
    DrawStructure(view, model, panel);
    EXPECT_EQ(pic.width, 600);
    EXPECT_EQ(view.ItemCount(), 0);
    EXPECT_EQ(nodeList, 0);

    // An element along +y: local x = (0, 1, 0), y = (-1, 0, 0), z = (0, 0, 1).
    AddNode({0, 0, 0});
    AddNode({0, 100, 0});
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {0, 1};
    model.AddElement(e);
    panel.ShowElementAxes = true;
    pic.SetScale(0, 0, 1000, -1000);  // axes 30 long
    DrawElements(view, model, panel);
    const auto& list = view.DisplayList();
    ASSERT_EQ(list.size(), 6u);  // line, number, x, y, "y", z
    EXPECT_EQ(list[2].Point2, (Vec3{0, 80, 0}));
    EXPECT_EQ(list[3].Point2, (Vec3{-30, 50, 0}));
    EXPECT_EQ(list[5].Point2, (Vec3{0, 50, 30}));
    EXPECT_EQ(list[4].Point1, list[3].Point2);  // "y" at the end of local y
}

// Members whose section has an orientation show it across their middle, in their local
// y-z plane, the larger side as long as the axes' strokes: a column of H200 turned by 90
// degrees (local y = global y, local z = -x), a beam of a 100 x 150 box with local z up;
// a round bar shows nothing.
TEST_F(DrawFixture, SectionsWithAnOrientationAreDrawnAcrossTheMiddle) {
    AddNode({0, 0, 0});
    AddNode({0, 0, 3000});
    AddNode({2000, 0, 3000});
    AddNode({2000, 0, 0});
    fem::ElementRecord column = fem::DefaultElement();
    column.EndNode = {0, 1};
    fem::Section& h200 = column.CrossSection;
    h200.Shape = fem::SectionShape::I;
    h200.Width = 100, h200.Height = 200, h200.WebThickness = 5.5, h200.FlangeThickness = 8;
    column.Roll = 90;
    model.AddElement(column);
    fem::ElementRecord beam = fem::DefaultElement();
    beam.EndNode = {1, 2};
    fem::Section& box = beam.CrossSection;
    box.Shape = fem::SectionShape::Box;
    box.Width = 100, box.Height = 150, box.Thickness = 6;
    beam.ZTowards = Vec3{0, 0, 1};
    model.AddElement(beam);
    fem::ElementRecord bar = fem::DefaultElement();
    bar.EndNode = {2, 3};
    model.AddElement(bar);
    view.ResetView();
    pic.SetScale(0, 0, 1000, -1000);  // strokes 30 long
    DrawElements(view, model, panel);

    std::vector<std::pair<Vec3, Vec3>> lines;
    for (const DrawItem& it : view.DisplayList())
        if (it.ForeColor == kSectionColor) lines.emplace_back(it.Point1, it.Point2);
    // The column's: flanges 15 wide at z = -15 and +15 (global x = 15, -15), web 30 long.
    // The beam's: outline 20 x 30 about (1000, 0, 3000), inside it 17.6 x 27.6.
    const std::pair<Vec3, Vec3> expected[] = {{{15, -7.5, 1500}, {15, 7.5, 1500}},
                                              {{-15, -7.5, 1500}, {-15, 7.5, 1500}},
                                              {{15, 0, 1500}, {-15, 0, 1500}},
                                              {{1000, -10, 2985}, {1000, 10, 2985}},
                                              {{1000, 10, 2985}, {1000, 10, 3015}},
                                              {{1000, 10, 3015}, {1000, -10, 3015}},
                                              {{1000, -10, 3015}, {1000, -10, 2985}},
                                              {{1000, -8.8, 2986.2}, {1000, 8.8, 2986.2}},
                                              {{1000, 8.8, 2986.2}, {1000, 8.8, 3013.8}},
                                              {{1000, 8.8, 3013.8}, {1000, -8.8, 3013.8}},
                                              {{1000, -8.8, 3013.8}, {1000, -8.8, 2986.2}}};
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(lines[i].first[k], expected[i].first[k], 1e-9) << i;
            EXPECT_NEAR(lines[i].second[k], expected[i].second[k], 1e-9) << i;
        }
}

// A row of 200 bars of 10 mm: 401 numbers are hidden until asked for; shown, the
// numbers of two nodes 0.01 mm apart would cover each other and only the first is
// printed. Arrows and marks stay within a fraction of an element.
TEST_F(DrawFixture, ReleasedEndsGetACircleJustInsideTheMember) {
    // Two bars along x through (0, 0, 0), (100, 0, 0), (100, 0, -100): the first releases
    // Mz at its second node, the second My and T at its first node; both meet at node 1.
    AddNode({0, 0, 0}, "u");
    AddNode({100, 0, 0});
    AddNode({100, 0, -100}, "u");
    fem::ElementRecord bar = fem::DefaultElement();
    bar.EndNode = {0, 1};
    bar.Released[6 + 5] = true;
    model.AddElement(bar);
    bar = fem::DefaultElement();
    bar.EndNode = {1, 2};
    bar.Released[4] = bar.Released[3] = true;
    model.AddElement(bar);
    bar.EndNode = {0, 2};  // no releases: no circle
    bar.Released = {};
    model.AddElement(bar);
    view.ResetView();
    DrawStructure(view, model, panel);

    std::vector<DrawItem> circles;
    for (const DrawItem& it : view.DisplayList())
        if (it.Kind == ItemKind::Circle && it.ForeColor == kReleaseColor) circles.push_back(it);
    ASSERT_EQ(circles.size(), 2u);
    // Centres 1.25 radii from node 1 along each member; radii a fixed share of the width.
    const double d = 1.25 * 0.008 * pic.width;
    ASSERT_GT(d, 0.0);
    ASSERT_LT(d, 25.0);
    EXPECT_NEAR(circles[0].Point1[0], 100 - d, 1e-9);
    EXPECT_NEAR(circles[0].Point1[2], 0, 1e-9);
    EXPECT_NEAR(circles[1].Point1[0], 100, 1e-9);
    EXPECT_NEAR(circles[1].Point1[2], -d, 1e-9);
    EXPECT_EQ(circles[0].RadiusOfWidth, 0.008);
    // Mirrored onto the small picture as well.
    int mirrored = 0;
    for (const auto& op : smallPicture.ops) mirrored += op.color == kReleaseColor;
    EXPECT_EQ(mirrored, 2);

    // A member short against the picture keeps its circle within its first quarter.
    model.ClearModel();
    AddNode({0, 0, 0}, "u");
    AddNode({1000, 0, 0});
    AddNode({1002, 0, 0});
    bar = fem::DefaultElement();
    bar.EndNode = {1, 2};
    bar.Released[5] = true;
    model.AddElement(bar);
    bar.EndNode = {0, 1};
    bar.Released = {};
    model.AddElement(bar);
    DrawStructure(view, model, panel);
    circles.clear();
    for (const DrawItem& it : view.DisplayList())
        if (it.Kind == ItemKind::Circle && it.ForeColor == kReleaseColor) circles.push_back(it);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_NEAR(circles[0].Point1[0], 1000.5, 1e-9);
}

TEST_F(DrawFixture, SpringsAreZigzagsAlongTheirAxesAndAMassIsADisc) {
    AddNode({0, 0, 0}, "u");
    AddNode({100, 0, 0});
    AddNode({200, 0, 0});
    fem::NodeRecord sprung = model.GetNode(1);
    sprung.Springs = {0, 50, 0, 0, 0, 7};
    model.PutNode(1, sprung);
    fem::NodeRecord heavy = model.GetNode(2);
    heavy.RotaryInertia = {0, 0, 300};  // an inertia alone is a mass too
    model.PutNode(2, heavy);
    for (int i = 0; i < 2; ++i) {
        fem::ElementRecord bar = fem::DefaultElement();
        bar.EndNode = {i, i + 1};
        model.AddElement(bar);
    }
    view.ResetView();
    DrawStructure(view, model, panel);

    std::vector<DrawItem> springs, rotary, discs;
    for (const DrawItem& it : view.DisplayList()) {
        if (it.Kind == ItemKind::Shape && it.ForeColor == kSpringColor) springs.push_back(it);
        if (it.Kind == ItemKind::Shape && it.ForeColor == kRotarySpringColor) rotary.push_back(it);
        if (it.Kind == ItemKind::Circle && it.ForeColor == kMassColor) discs.push_back(it);
    }
    ASSERT_EQ(springs.size(), 1u);
    ASSERT_EQ(rotary.size(), 1u);
    ASSERT_EQ(discs.size(), 1u);
    // The ky spring hangs below node 1 along -y, two support sizes long, swinging along x.
    const double size = std::min(smallPicture.width / 60.0, 0.25 * 100.0);
    const DrawItem& k = springs[0];
    EXPECT_EQ(k.Anchor, (Vec3{100, 0, 0}));
    EXPECT_NEAR(k.ShapePoints.back()[1], -2 * size, 1e-9);
    EXPECT_EQ(k.ShapePoints.back()[0], 100.0);
    double swing = 0.0;
    for (const Vec3& p : k.ShapePoints) {
        EXPECT_LE(p[1], 0.0);
        EXPECT_EQ(p[2], 0.0);
        swing = std::max(swing, std::fabs(p[0] - 100.0));
    }
    EXPECT_GT(swing, 0.0);
    // The rotational spring about z runs along -z from the same node.
    EXPECT_EQ(rotary[0].Anchor, (Vec3{100, 0, 0}));
    EXPECT_NEAR(rotary[0].ShapePoints.back()[2], -2 * size, 1e-9);
    // The mass: a filled disc on node 2.
    EXPECT_EQ(discs[0].Point1, (Vec3{200, 0, 0}));
    EXPECT_EQ(discs[0].FillStyle, 0);
    EXPECT_EQ(discs[0].FillColor, kMassColor);
    int mirrored = 0;
    for (const auto& op : smallPicture.ops)
        mirrored += op.color == kSpringColor || op.color == kMassColor;
    EXPECT_GT(mirrored, 1);
}

TEST_F(DrawFixture, DroppedWeightIsAnArrowOntoItsNodeWithADiscAtItsTail) {
    AddNode({0, 0, 0}, "u");
    AddNode({100, 0, 0});
    fem::ElementRecord bar = fem::DefaultElement();
    bar.EndNode = {0, 1};
    model.AddElement(bar);
    model.SetImpact(fem::DroppedWeight{1, 5.0, {0, -3000, -4000}, false});
    view.ResetView();
    DrawStructure(view, model, panel);

    std::vector<DrawItem> arrows, discs;
    for (const DrawItem& it : view.DisplayList()) {
        if (it.ForeColor != kDroppedWeightColor) continue;
        (it.Kind == ItemKind::Circle ? discs : arrows).push_back(it);
    }
    ASSERT_EQ(arrows.size(), 1u);
    ASSERT_EQ(discs.size(), 1u);
    // Twice a load arrow, or the element's length when shorter, along (0, -0.6, -0.8).
    const double len = std::min(2.0 * smallPicture.width / 25.0, 100.0);
    const Vec3 tail{100, 0.6 * len, 0.8 * len};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(arrows[0].ShapePoints[1][i], (Vec3{100, 0, 0})[i], 1e-9);  // the tip
        EXPECT_NEAR(arrows[0].Anchor[i], tail[i], 1e-9);
        EXPECT_NEAR(discs[0].Point1[i], tail[i], 1e-9);
    }
    EXPECT_EQ(discs[0].FillStyle, 0);

    // Without a dropped weight nothing of that colour is drawn.
    model.SetImpact(std::nullopt);
    DrawStructure(view, model, panel);
    EXPECT_EQ(CountColor(view.DisplayList(), ItemKind::Shape, kDroppedWeightColor), 0);
}

TEST_F(DrawFixture, NumbersOfLargeStructuresWaitAndOverlappingOnesAreSkipped) {
    for (int i = 0; i <= 200; ++i) AddNode({10.0 * i, 0, 0}, i == 0 ? "u" : "p");
    for (int i = 0; i < 200; ++i) {
        fem::ElementRecord e = fem::DefaultElement();
        e.EndNode = {i, i + 1};
        model.AddElement(e);
    }
    model.Nodes[200].LoadValue[1] = 5;
    auto numbers = [](const RecordingSurface& s) {  // texts other than the axis letters
        std::vector<std::string> out;
        for (const auto& op : s.Of('S'))
            if (op.text != "X" && op.text != "Y" && op.text != "Z") out.push_back(op.text);
        return out;
    };
    view.ResetView();
    DrawStructure(view, model, panel);
    EXPECT_FALSE(view.NumbersShown());
    EXPECT_TRUE(numbers(pic).empty());
    // Thin bars and small node marks, so that a dense frame does not run into a block.
    for (const DrawItem& it : view.DisplayList()) {
        if (it.Kind == ItemKind::Line && it.ForeColor == kElementColor) {
            EXPECT_EQ(it.DrawWidth, 1);
        }
        if (it.Kind == ItemKind::Circle) {
            EXPECT_LE(it.RadiusOfWidth, 0.002);
        }
    }
    EXPECT_TRUE(numbers(smallPicture).empty());
    for (const DrawItem& it : view.DisplayList()) {
        if (it.Kind != ItemKind::Shape) continue;
        // Arrow at most half, marks at most 0.35 of the 10 mm elements.
        const double most = it.ForeColor == kForceColor ? 5.0 : 3.5 * 1.5;
        for (const Vec3& p : it.ShapePoints)
            EXPECT_LE(std::hypot(p[0] - it.Anchor[0], p[1] - it.Anchor[1], p[2] - it.Anchor[2]),
                      most + 1e-9);
    }
    view.SetNumbersShown(true, true);
    view.Redraw();
    const std::size_t many = numbers(pic).size();
    EXPECT_GT(many, 3u);
    EXPECT_LT(many, 401u) << "numbers 10 mm apart in a 2 m row overlap";
    DrawStructure(view, model, panel);
    EXPECT_TRUE(view.NumbersShown()) << "the user's choice holds for this structure";

    fem::Model two;
    model = two;
    AddNode({0, 0, 0});
    AddNode({0.01, 0, 0});
    AddNode({100, 0, 0});
    view.ForgetNumbersChoice();
    pic.ops.clear();
    DrawStructure(view, model, panel);
    EXPECT_EQ(numbers(pic), (std::vector<std::string>{"0", "2"}));
}

// A cantilever along +y from node 0, tip at node 1: end values of the closed form with
// P L^3 / EI = 3 (tip deflection 1, tip slope 1.5 / L) in local y and local z at once.
struct CantileverFixture : DrawFixture {
    static constexpr double L = 100;
    CantileverFixture() {
        AddNode({10, 0, 0});
        AddNode({10, L, 0});
        fem::ElementRecord e = fem::DefaultElement();
        e.EndNode = {0, 1};
        model.AddElement(e);
        // Local v = 1 (along -x global), w = 1 (along +z); theta z = 1.5 / L, theta y = -1.5 / L.
        local[6] = 0.2;  // axial stretch
        local[7] = 1;
        local[8] = 1;
        local[10] = -1.5 / L;
        local[11] = 1.5 / L;
        // The same in global components: node 1 moves by (-1, 0.2, 1) and turns by
        // 1.5 / L about global x (local -y) and about z.
        displacements = {{0, 0, 0, 0, 0, 0}, {-1, 0.2, 1, 1.5 / L, 0, 1.5 / L}};
        view.ResetView();
    }
    std::array<double, 12> local{};
    std::vector<std::array<double, 6>> displacements;
    std::vector<Vec3> Curve() const {
        std::vector<Vec3> pts;
        for (const DrawItem& it : view.DisplayList()) pts.push_back(it.Point1);
        return pts;
    }
};

TEST_F(CantileverFixture, DetailedDeformationPassesThroughTheDisplacedEndsAlongTheBeamCurve) {
    const Deflection d = ElementDeflection(model.Elements[0], local);
    // v = P x^2 (3L - x) / (6 EI) = 1.5 x^2 / L^2 - 0.5 x^3 / L^3
    EXPECT_NEAR(d.b[2], 1.5 / (L * L), 1e-15);
    EXPECT_NEAR(d.b[3], -0.5 / (L * L * L), 1e-15);
    EXPECT_NEAR(d.c[2], 1.5 / (L * L), 1e-15);
    EXPECT_NEAR(d.c[3], -0.5 / (L * L * L), 1e-15);

    DrawDeformation(view, model, displacements, 10);
    const auto pts = Curve();
    ASSERT_EQ(pts.size(), 21u);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pts[0][k], model.Nodes[0].Coord[k], 1e-12);
    // Tip: node 1 moved by 10 times its static displacement.
    EXPECT_NEAR(pts[20][0], 10 - 10, 1e-9);
    EXPECT_NEAR(pts[20][1], L + 2, 1e-9);
    EXPECT_NEAR(pts[20][2], 10, 1e-9);
    // Mid-span: deflection 5 P L^3 / (48 EI) = 5 / 16, axial stretch 0.1.
    EXPECT_NEAR(pts[10][0], 10 - 10 * 5.0 / 16, 1e-9);
    EXPECT_NEAR(pts[10][1], L / 2 + 1, 1e-9);
    EXPECT_NEAR(pts[10][2], 10 * 5.0 / 16, 1e-9);
    EXPECT_TRUE(smallPicture.ops.empty()) << "the deformation is not mirrored";
}

// The same member pinned to node 1 in both bending planes, node 1 not turning: the member
// still bends as the cantilever (zero moment at the pin), through its own end rotation.
TEST_F(CantileverFixture, ReleasedEndBendsWithTheMembersOwnRotation) {
    model.Elements[0].Released[10] = model.Elements[0].Released[11] = true;
    displacements[1] = {-1, 0.2, 1, 0, 0, 0};
    DrawDeformation(view, model, displacements, 10);
    const auto pts = Curve();
    ASSERT_EQ(pts.size(), 21u);
    EXPECT_NEAR(pts[10][0], 10 - 10 * 5.0 / 16, 1e-9);
    EXPECT_NEAR(pts[10][1], L / 2 + 1, 1e-9);
    EXPECT_NEAR(pts[10][2], 10 * 5.0 / 16, 1e-9);
    EXPECT_NEAR(pts[20][2], 10, 1e-9);
}

// The displaced structure drawn again and again: only the items after the mark go.
TEST_F(CantileverFixture, DisplacedStructureIsReplacedFromAMark) {
    DrawDisplacedStructure(view, model, displacements, 10, true);
    ASSERT_EQ(view.ItemCount(), 21);  // a start point and 20 segments
    // Replaced by a straight one: the items after the mark go, the rest stay.
    view.DiscardItemsFrom(0);
    DrawDisplacedStructure(view, model, {{0, 0, 0, 0, 0, 0}, {-1, 0.2, 1, 0, 0, 0}}, 10, false);
    ASSERT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.DisplayList()[0].Point2, (Vec3{0, L + 2, 10}));
}

TEST_F(CantileverFixture, NoMagnificationRetracesTheElementAndModesSelectTheDrawing) {
    DrawDeformation(view, model, displacements, 0);
    const auto pts = Curve();
    for (int j = 0; j <= 20; ++j) {
        EXPECT_NEAR(pts[j][0], 10, 1e-12);
        EXPECT_NEAR(pts[j][1], j * L / 20, 1e-12);
        EXPECT_NEAR(pts[j][2], 0, 1e-12);
    }

    view.ClearAll();
    DrawDeformationSimple(view, model, displacements, 5);
    ASSERT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.DisplayList()[0].Point2, (Vec3{5, L + 1, 5}));
    EXPECT_EQ(view.DisplayList()[0].ForeColor, kSimpleDeformationColor);

    bool shown = false;
    panel.ShowViewWindow = [&] { shown = true; };
    panel.StaticDisplacements = &displacements;
    panel.DeformationMode = 2;
    ShowNewStructure(view, model, panel);
    const int structureItems = view.ItemCount();
    EXPECT_TRUE(shown);
    EXPECT_NEAR(view.ViewAngle[0], 10 * numeric::Pi / 180, 1e-15) << "default view";
    panel.DeformationMode = 1;
    ShowNewStructure(view, model, panel);
    EXPECT_EQ(view.ItemCount(), structureItems + 1);
    panel.DeformationMode = 0;
    ShowNewStructure(view, model, panel);
    EXPECT_EQ(view.ItemCount(), structureItems + 21);
    panel.StaticDisplacements = nullptr;
    ShowNewStructure(view, model, panel);
    EXPECT_EQ(view.ItemCount(), structureItems);

    fem::ElementRecord zero = model.Elements[0];
    zero.Length = 0;
    EXPECT_THROW(ElementDeflection(zero, local), numeric::ComputationFailure);
}

// The axis letters are written clear of the node and element numbers: in the portal the
// axes start at node 0, and the Z axis, seen end-on, would put its letter on node 0's
// number.
TEST_F(DrawFixture, AxisLettersStayClearOfNumbers) {
    fem::BuildSample(model, 3);
    view.ResetView();
    view.SetNumbersShown(true, true);
    DrawStructure(view, model, panel);
    const double line = std::fabs(pic.TextHeight("0"));
    // What the last drawing wrote, after its clearing of the picture.
    std::vector<testing::Op> texts;
    for (const auto& op : pic.ops) {
        if (op.kind == 'X') texts.clear();
        if (op.kind == 'S') texts.push_back(op);
    }
    int letters = 0;
    for (const auto& letter : texts) {
        if (letter.text != "X" && letter.text != "Y" && letter.text != "Z") continue;
        ++letters;
        for (const auto& number : texts) {
            if (number.text.empty() || !std::isdigit(static_cast<unsigned char>(number.text[0])))
                continue;
            // Apart when the glyph boxes (under half a line wide, 0.8 of a line high) lie
            // wholly beside or above one another.
            const double width = 0.45 * line * static_cast<double>(number.text.size());
            const bool apart = letter.x1 >= number.x1 + width ||
                               number.x1 >= letter.x1 + 0.45 * line ||
                               std::fabs(letter.y1 - number.y1) >= 0.8 * line;
            EXPECT_TRUE(apart) << letter.text << " over " << number.text;
        }
    }
    EXPECT_EQ(letters, 3);
}

}  // namespace
}  // namespace view3d

namespace {

// The automatic magnification of the static deformation: the largest translation drawn
// as a tenth of the structure's largest extent, rounded down to 1, 2 or 5 times a power
// of ten.
TEST(StaticMagnification, DrawsTheLargestTranslationAsATenthOfTheStructure) {
    fem::Model portal;
    for (const std::array<double, 3>& c :
         {std::array<double, 3>{0, 0, 0}, {0, 0, 3000}, {3000, 0, 3000}, {3000, 0, 0}}) {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = c;
        portal.AddNode(n);
    }
    // 3000 mm / 10 / 0.7 mm = 428.6: drawn 200 times.
    std::vector<std::array<double, 6>> u(4, std::array<double, 6>{});
    u[1] = {0.42, 0.0, -0.56, 0.01, 0.0, 0.0};  // |u| = 0.7 mm; rotations take no part
    EXPECT_DOUBLE_EQ(view3d::StaticMagnification(portal, u), 200.0);
    // 3000 / 10 / 0.003 = 100000 exactly.
    u[1] = {0.0, 0.003, 0.0, 0.0, 0.0, 0.0};
    EXPECT_DOUBLE_EQ(view3d::StaticMagnification(portal, u), 100000.0);
    // Nothing moves: drawn as computed.
    u[1] = {};
    EXPECT_DOUBLE_EQ(view3d::StaticMagnification(portal, u), 1.0);
}

}  // namespace

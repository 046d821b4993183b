#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "model/model.h"
#include "model/samples.h"
#include "numeric/failure.h"

using fem::ElementRecord;
using fem::Model;
using fem::NodeRecord;

namespace {

NodeRecord NodeAt(double x, double y, double z) {
    NodeRecord n = fem::DefaultNode();
    n.Coord = {x, y, z};
    return n;
}

ElementRecord Bar(int a, int b) {
    ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    return e;
}

// A chain of nodes along x at 0, 100, 200, ... joined in order.
Model Chain(int nodes) {
    Model m;
    for (int i = 0; i < nodes; ++i) m.AddNode(NodeAt(100.0 * i, 0, 0));
    for (int i = 0; i + 1 < nodes; ++i) m.AddElement(Bar(i, i + 1));
    return m;
}

}  // namespace

TEST(Templates, DefaultsOfNewNodesAndElements) {
    const NodeRecord n = fem::DefaultNode();
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(n.BcCode[j], "p");
        EXPECT_EQ(n.LoadValue[j], 0.0);
        EXPECT_EQ(n.FixedDisp[j], 0.0);
        EXPECT_EQ(n.LoadC[j].re, 0.0);
        EXPECT_EQ(n.FixedDispC[j].im, 0.0);
    }
    const ElementRecord e = fem::DefaultElement();
    EXPECT_EQ(e.EndNode[0], 0);
    EXPECT_EQ(e.EndNode[1], 1);
    EXPECT_EQ(e.Young, 21000.0);
    EXPECT_EQ(e.Shear, 8000.0);
    EXPECT_EQ(e.Density, 7.86E-06);
    EXPECT_EQ(e.CrossSection.Diameter, 10.0);
    EXPECT_EQ(e.Length, 0.0);
    EXPECT_EQ(Model().NodeCount(), 0);
    EXPECT_EQ(Model().ElementCount(), 0);
}

TEST(UpdateElement, DerivedQuantitiesOfTheDefaultSteelBar) {
    Model m;
    m.AddNode(NodeAt(0, 0, 0));
    m.AddNode(NodeAt(0, 0, 100));
    m.AddElement(Bar(0, 1));
    const ElementRecord& e = m.Elements[0];
    const double pi = std::acos(-1.0);
    EXPECT_EQ(e.Radius, 5.0);
    EXPECT_NEAR(e.Area, 25 * pi, 1e-12);            // 78.5398...
    EXPECT_NEAR(e.PolarJ, 10000 * pi / 32, 1e-10);  // 981.747...
    EXPECT_NEAR(e.Iz, 10000 * pi / 64, 1e-10);      // 490.873...
    EXPECT_EQ(e.Iy, e.Iz);
    EXPECT_DOUBLE_EQ(e.Poisson, 21000.0 / 16000.0 - 1.0);  // 0.3125
    EXPECT_EQ(e.Length, 100.0);
    EXPECT_EQ(e.AxisCos[0], 0.0);
    EXPECT_EQ(e.AxisCos[2], 1.0);
    EXPECT_NEAR(e.WaveAxial, std::sqrt(21000 * 9800 / 7.86E-06), 1e-6);  // 5.117E+06 mm/s
    EXPECT_NEAR(e.WaveAxial, 5.117e6, 1e3);
    EXPECT_NEAR(e.WaveTorsion, std::sqrt(8000 * 9800 / 7.86E-06), 1e-6);
    EXPECT_NEAR(e.EA, 21000 * 25 * pi, 1e-8);
    EXPECT_NEAR(e.EIz, 21000 * 10000 * pi / 64, 1e-6);
    EXPECT_NEAR(e.GJ, 8000 * 10000 * pi / 32, 1e-6);
    // EI g / (w A) = 21000 * (d^2 / 16) * 9800 / 7.86E-06 for a solid circle
    EXPECT_NEAR(e.BendCoefZ / (21000.0 * 100 / 16 * 9800 / 7.86E-06), 1.0, 1e-14);
    EXPECT_EQ(e.BendCoefY, e.BendCoefZ);
    // Local x along +z: rows (0,0,1), (1,0,0), (0,1,0).
    EXPECT_EQ(e.RotMatrix[0][2], 1.0);
    EXPECT_EQ(e.RotMatrix[1][0], 1.0);
    EXPECT_EQ(e.RotMatrix[2][1], 1.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(e.RotMatrixT[i][j], e.RotMatrix[j][i]);
}

TEST(UpdateElement, RefusesQuantitiesThatCannotBeComputed) {
    Model m;
    m.AddNode(NodeAt(0, 0, 0));
    m.AddNode(NodeAt(50, 0, 0));
    m.AddNode(NodeAt(0, 0, 0));  // coincides with node 0
    auto refused = [&](ElementRecord e) {
        try {
            m.AddElement(e);
        } catch (const numeric::ComputationFailure&) {
            return true;
        }
        return false;
    };
    ElementRecord e = Bar(0, 1);
    EXPECT_FALSE(refused(e));
    EXPECT_TRUE(refused(Bar(0, 2)));  // zero length
    e.Density = 0;
    EXPECT_TRUE(refused(e));
    e = Bar(0, 1);
    e.Density = -1e-6;
    EXPECT_TRUE(refused(e));  // square root of a negative number
    e = Bar(0, 1);
    e.CrossSection.Diameter = 0;
    EXPECT_TRUE(refused(e));
    e = Bar(0, 1);
    e.Young = -21000;
    EXPECT_TRUE(refused(e));
    e = Bar(0, 1);
    e.Shear = 0;
    EXPECT_TRUE(refused(e));
    e = Bar(0, 1);
    e.CrossSection.Diameter = std::nan("");
    EXPECT_TRUE(refused(e));
    EXPECT_TRUE(refused(Bar(0, 7)));  // unknown node
    EXPECT_EQ(m.ElementCount(), 1) << "refused elements are not counted";
}

TEST(ModelOperations, PutNodeRefreshesOnlyAttachedElementsAndIsAllOrNothing) {
    Model m = Chain(4);  // elements (0,1), (1,2), (2,3)
    NodeRecord n = m.GetNode(1);
    n.Coord = {100, 100, 0};
    m.PutNode(1, n);
    EXPECT_NEAR(m.Elements[0].Length, std::sqrt(2.0) * 100, 1e-12);
    EXPECT_NEAR(m.Elements[0].AxisCos[1], 1 / std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(m.Elements[1].Length, std::sqrt(2.0) * 100, 1e-12);
    EXPECT_NEAR(m.Elements[1].AxisCos[1], -1 / std::sqrt(2.0), 1e-15);
    EXPECT_EQ(m.Elements[2].Length, 100.0);
    EXPECT_EQ(m.Elements[2].AxisCos[0], 1.0);

    // Moving node 1 onto node 2 would give element 1 zero length: refused as a whole.
    const Model before = m;
    NodeRecord bad = m.GetNode(1);
    bad.Coord = {200, 0, 0};
    EXPECT_THROW(m.PutNode(1, bad), numeric::ComputationFailure);
    EXPECT_EQ(m.Nodes[1].Coord[1], 100.0);
    EXPECT_EQ(m.Elements[0].Length, before.Elements[0].Length);

    // Adding a node changes no element.
    m.AddNode(NodeAt(7, 8, 9));
    EXPECT_EQ(m.Elements[1].Length, before.Elements[1].Length);

    // PutElement with an invalid record keeps the old one.
    ElementRecord e = m.GetElement(2);
    e.Density = 0;
    EXPECT_THROW(m.PutElement(2, e), numeric::ComputationFailure);
    EXPECT_EQ(m.Elements[2].Density, 7.86E-06);
    EXPECT_EQ(m.Elements[2].Length, 100.0);

    EXPECT_THROW((void)m.GetNode(99), numeric::ComputationFailure);
    EXPECT_THROW(m.DeleteElement(-1), numeric::ComputationFailure);
}

TEST(ModelOperations, DeletionRenumbers) {
    // Deleting node 1 of the chain 0-1-2 removes both elements; former node 2 becomes 1.
    Model a = Chain(3);
    a.DeleteNode(1);
    EXPECT_EQ(a.NodeCount(), 2);
    EXPECT_EQ(a.ElementCount(), 0);
    EXPECT_EQ(a.Nodes[1].Coord[0], 200.0);

    // Deleting node 0 of a model whose elements are (1,2) and (2,3) keeps both, as (0,1), (1,2).
    Model b;
    for (int i = 0; i < 4; ++i) b.AddNode(NodeAt(10.0 * i, i * i, 0));
    b.AddElement(Bar(1, 2));
    b.AddElement(Bar(2, 3));
    const double len0 = b.Elements[0].Length;
    b.DeleteNode(0);
    ASSERT_EQ(b.ElementCount(), 2);
    EXPECT_EQ(b.Elements[0].EndNode[0], 0);
    EXPECT_EQ(b.Elements[0].EndNode[1], 1);
    EXPECT_EQ(b.Elements[1].EndNode[0], 1);
    EXPECT_EQ(b.Elements[1].EndNode[1], 2);
    EXPECT_EQ(b.Elements[0].Length, len0);

    // Deleting element 0 of three moves elements 1 and 2 to 0 and 1.
    Model c = Chain(4);
    c.DeleteElement(0);
    ASSERT_EQ(c.ElementCount(), 2);
    EXPECT_EQ(c.Elements[0].EndNode[0], 1);
    EXPECT_EQ(c.Elements[1].EndNode[0], 2);
    c.DeleteElement(0);
    c.DeleteElement(0);
    EXPECT_EQ(c.ElementCount(), 0);

    c.ClearModel();
    EXPECT_EQ(c.NodeCount(), 0);
}

TEST(ModelOperations, EveryChangeGivesANewRevisionAndAFailedOneNone) {
    Model m = Chain(3);
    std::vector<std::uint64_t> seen{m.Revision()};
    const auto changed = [&] {
        const std::uint64_t r = m.Revision();
        for (std::uint64_t old : seen)
            if (old == r) return false;
        seen.push_back(r);
        return true;
    };
    m.AddNode(NodeAt(0, 100, 0));
    EXPECT_TRUE(changed());
    m.PutNode(3, NodeAt(0, 200, 0));
    EXPECT_TRUE(changed());
    m.AddElement(Bar(2, 3));
    EXPECT_TRUE(changed());
    ElementRecord thick = Bar(0, 1);
    thick.CrossSection.Diameter = 20.0;
    m.PutElement(0, thick);
    EXPECT_TRUE(changed());
    m.DeleteElement(0);
    EXPECT_TRUE(changed());
    m.DeleteNode(3);
    EXPECT_TRUE(changed());
    // Refused: the model and its revision stay.
    EXPECT_THROW(m.PutNode(1, NodeAt(200, 0, 0)), numeric::ComputationFailure);
    EXPECT_EQ(m.Revision(), seen.back());
    // A model built anew never repeats the revision of the one it replaces.
    const std::uint64_t before = m.Revision();
    m = Chain(3);
    EXPECT_NE(m.Revision(), before);
    m.ClearModel();
    EXPECT_TRUE(changed());
}

TEST(ModelOperations, CountsGoBeyond32767) {
    Model m;
    m.Nodes.resize(32767, fem::DefaultNode());
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {1, 0, 0};
    m.AddNode(n);
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {0, 32767};
    for (int i = 0; i <= 32767; ++i) m.Elements.push_back(e);
    m.AddElement(e);
    EXPECT_EQ(m.NodeCount(), 32768);
    EXPECT_EQ(m.ElementCount(), 32769);
}

TEST(Samples, GeometryLoadsAndSettings) {
    Model m;
    fem::SampleSettings s = fem::BuildSample(m, 1);
    EXPECT_EQ(m.NodeCount(), 3);
    EXPECT_EQ(m.ElementCount(), 2);
    EXPECT_EQ(s.Te, 0.0004);
    EXPECT_EQ(s.Magnification, 10000);
    for (const auto& e : m.Elements) {
        EXPECT_EQ(e.Length, 100.0);
        EXPECT_EQ(e.AxisCos[0], 1.0);
    }
    EXPECT_EQ(m.Nodes[2].BcCode[0], "pf");
    EXPECT_EQ(m.Nodes[2].LoadValue[0], 1.0);
    EXPECT_EQ(m.Nodes[2].LoadC[0].re, 0.0);

    s = fem::BuildSample(m, 2);
    EXPECT_EQ(s.Te, 0.01);
    EXPECT_EQ(m.Nodes[2].BcCode[1], "pf");
    EXPECT_EQ(m.Nodes[2].LoadValue[1], -1.0);

    s = fem::BuildSample(m, 3);
    EXPECT_EQ(m.ElementCount(), 4);
    EXPECT_EQ(m.Nodes[m.Elements[1].EndNode[0]].Coord[1], 100.0);
    EXPECT_EQ(m.Elements[1].Length, 50.0);
    EXPECT_EQ(m.Elements[3].AxisCos[1], -1.0);

    s = fem::BuildSample(m, 4);
    EXPECT_EQ(m.NodeCount(), 8);
    EXPECT_EQ(m.ElementCount(), 12);
    EXPECT_EQ(s.Magnification, 1000);
    EXPECT_EQ(m.Elements[8].EndNode[0], 6);
    EXPECT_EQ(m.Elements[8].EndNode[1], 2);
    EXPECT_EQ(m.Elements[8].AxisCos[2], 1.0);
    EXPECT_EQ(m.Elements[8].Length, 40.0);
    EXPECT_EQ(m.Elements[10].AxisCos[1], -1.0);
    EXPECT_EQ(m.Elements[10].Length, 20.0);

    const Model before = m;
    EXPECT_THROW(fem::BuildSample(m, 5), numeric::ComputationFailure);
    EXPECT_EQ(m.ElementCount(), before.ElementCount());
}

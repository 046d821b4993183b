// Section properties against hand values and tables, the faults that name their
// dimension, Cowper's shear areas against the limits his table gives for other shapes,
// the local axes of turned members, and the named materials and sections of a model.
// The reference values come from section_reference.py beside this file.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/model.h"
#include "model/section.h"
#include "numeric/failure.h"

using fem::Section;
using fem::SectionShape;

namespace {

Section Make(SectionShape shape, double a = 0, double b = 0, double c = 0, double d = 0) {
    Section s;
    s.Shape = shape;
    switch (shape) {
        case SectionShape::Round:
            s.Diameter = a;
            break;
        case SectionShape::Tube:
            s.Diameter = a, s.Thickness = b;
            break;
        case SectionShape::Rectangle:
            s.Width = a, s.Height = b;
            break;
        case SectionShape::Box:
            s.Width = a, s.Height = b, s.Thickness = c;
            break;
        case SectionShape::I:
            s.Height = a, s.Width = b, s.WebThickness = c, s.FlangeThickness = d;
            break;
        case SectionShape::General:
            s.Area = a, s.Iy = b, s.Iz = c, s.J = d;
            break;
    }
    return s;
}

::testing::AssertionResult Rel(double a, double b, double rel) {
    if (std::fabs(a - b) <= rel * std::fabs(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " differs from " << b << " (rel " << rel << ")";
}

}  // namespace

TEST(SectionProperties, AgreeWithHandValuesAndTables) {
    // Saint-Venant's series against Timoshenko and Goodier's table of J / (a b^3) (3 digits)
    // and against the series summed by mpmath.
    const struct {
        double ratio, table, series;
    } rectangles[] = {{1, 0.141, 0.1405770149551537},
                      {2, 0.229, 0.2286816771195708},
                      {10, 0.312, 0.3123250374572054}};
    for (const auto& r : rectangles) {
        for (bool upright : {false, true}) {  // b along y or along z: the same J
            const auto p =
                fem::PropertiesOf(upright ? Make(SectionShape::Rectangle, 3, 3 * r.ratio)
                                          : Make(SectionShape::Rectangle, 3 * r.ratio, 3));
            const double beta = p.J / (3 * r.ratio * 27);
            EXPECT_NEAR(beta, r.table, 5e-4) << r.ratio;
            EXPECT_TRUE(Rel(beta, r.series, 1e-14)) << r.ratio;
        }
    }
    const auto flat = fem::PropertiesOf(Make(SectionShape::Rectangle, 50, 9));
    EXPECT_EQ(flat.Area, 450.0);
    EXPECT_EQ(flat.Iy, 3037.5);  // b h^3 / 12: bending about y, the weak axis of a flat bar
    EXPECT_EQ(flat.Iz, 93750.0);
    EXPECT_TRUE(Rel(flat.J, 10771.645779771306, 1e-14));

    // Box 100 x 150 x 6: exact area and moments, Bredt's J = 4 Am^2 t / pm on the mid-line.
    const auto box = fem::PropertiesOf(Make(SectionShape::Box, 100, 150, 6));
    EXPECT_EQ(box.Area, 2856.0);
    EXPECT_EQ(box.Iy, 8852472.0);
    EXPECT_EQ(box.Iz, 4663072.0);
    EXPECT_TRUE(Rel(box.J, 9238149.37815126, 1e-15));

    const auto i = fem::PropertiesOf(Make(SectionShape::I, 200, 100, 5.5, 8));
    EXPECT_EQ(i.Area, 2612.0);
    EXPECT_TRUE(Rel(i.Iy, 17609322.666666668, 1e-15));
    EXPECT_TRUE(Rel(i.Iz, 1335884.4166666667, 1e-15));
    EXPECT_TRUE(Rel(i.J, 44781.333333333336, 1e-15));
    EXPECT_TRUE(Rel(i.PolarMoment, 18945207.083333332, 1e-15));

    // A tube's J is its polar moment, exactly: the torsion of round members is unchanged.
    const auto tube = fem::PropertiesOf(Make(SectionShape::Tube, 60.5, 3.2));
    EXPECT_TRUE(Rel(tube.Area, 576.0424289622245, 1e-15));
    EXPECT_TRUE(Rel(tube.Iy, 237151.6276324944, 1e-15));
    EXPECT_EQ(tube.Iy, tube.Iz);
    EXPECT_EQ(tube.J, tube.PolarMoment);
    // The round bar keeps the very doubles of the solid bars before sections existed.
    const auto bar = fem::PropertiesOf(Make(SectionShape::Round, 10));
    EXPECT_EQ(bar.Area, 5.0 * 5.0 * 3.14159265358979323846);
    EXPECT_EQ(bar.J, std::pow(10.0, 4) * 3.14159265358979323846 / 32.0);
    EXPECT_EQ(bar.Iz, bar.J / 2.0);
    EXPECT_EQ(bar.PolarMoment, bar.J);

    const auto given = fem::PropertiesOf(Make(SectionShape::General, 2716, 1.84e7, 1.34e6, 4.4e4));
    EXPECT_EQ(given.Area, 2716.0);
    EXPECT_EQ(given.PolarMoment, 1.84e7 + 1.34e6);
}

// Cowper's thin-walled box of equal sides is his square tube, 20(1 + nu)/(48 + 39 nu); his
// hollow circle tends to the thin round tube 2(1 + nu)/(4 + 3 nu) and his I without
// flanges to the rectangle 10(1 + nu)/(12 + 11 nu): separate entries of his table.
TEST(SectionProperties, CowperShearAreasMeetTheLimitsOfHisTable) {
    for (double nu : {0.0, 0.3, 0.3125, 0.49}) {
        const Section square = Make(SectionShape::Box, 80, 80, 2);
        const auto s = fem::ShearAreasOf(square, nu);
        const double area = fem::PropertiesOf(square).Area;
        EXPECT_TRUE(Rel(s.Az / area, 20 * (1 + nu) / (48 + 39 * nu), 1e-15)) << nu;
        EXPECT_EQ(s.Ay, s.Az);

        const Section thin = Make(SectionShape::Tube, 100, 1e-7);
        EXPECT_TRUE(Rel(fem::ShearAreasOf(thin, nu).Ay / fem::PropertiesOf(thin).Area,
                        2 * (1 + nu) / (4 + 3 * nu), 1e-7))
            << nu;
        const Section solid = Make(SectionShape::Tube, 100, 50 - 1e-7);
        EXPECT_TRUE(Rel(fem::ShearAreasOf(solid, nu).Az / fem::PropertiesOf(solid).Area,
                        6 * (1 + nu) / (7 + 6 * nu), 1e-12))
            << nu;

        const Section web = Make(SectionShape::I, 200, 100, 5.5, 1e-9);
        EXPECT_TRUE(Rel(fem::ShearAreasOf(web, nu).Az / fem::PropertiesOf(web).Area,
                        10 * (1 + nu) / (12 + 11 * nu), 1e-8))
            << nu;
    }
    // A box carries shear along z in its walls along z: the taller box has the larger Az.
    const auto tall = fem::ShearAreasOf(Make(SectionShape::Box, 100, 150, 6), 0.3);
    EXPECT_GT(tall.Az, tall.Ay);
    Section given = Make(SectionShape::General, 2716, 1.84e7, 1.34e6, 4.4e4);
    EXPECT_EQ(fem::ShearAreasOf(given, 0.3).Ay, 0.0);  // none given: no shear deformation
    given.ShearAreaZ = 1100;
    EXPECT_EQ(fem::ShearAreasOf(given, 0.3).Az, 1100.0);
}

TEST(SectionProperties, ImpossibleDimensionsAreRefusedByTheirName) {
    const double inf = HUGE_VAL;
    using fem::FaultKind;
    const struct {
        Section section;
        const char* key;
        const char* says;
        FaultKind kind;
        const char* bound = nullptr;  // the bound or the derived property
        double limit = 0.0;
    } cases[] = {
        {Make(SectionShape::Round, -10), "d", "must be positive, not -10", FaultKind::NotPositive},
        {Make(SectionShape::Round, 0), "d", "must be positive", FaultKind::NotPositive},
        {Make(SectionShape::Tube, 10, 5), "t", "less than d/2", FaultKind::NotBelow, "d/2", 5},
        {Make(SectionShape::Tube, 10, 0), "t", "must be positive", FaultKind::NotPositive},
        {Make(SectionShape::Rectangle, 50, inf), "h", "not a finite number", FaultKind::NotFinite},
        {Make(SectionShape::Box, 100, 150, 50), "t", "less than b/2", FaultKind::NotBelow, "b/2",
         50},
        {Make(SectionShape::Box, 100, 10, 5), "t", "less than h/2", FaultKind::NotBelow, "h/2", 5},
        {Make(SectionShape::I, 200, 100, 5.5, 100), "tf", "less than h/2", FaultKind::NotBelow,
         "h/2", 100},
        {Make(SectionShape::I, 200, 100, 101, 8), "tw", "must not exceed b", FaultKind::Exceeds,
         "b", 100},
        {Make(SectionShape::I, 200, std::nan(""), 5.5, 8), "b", "not a finite number",
         FaultKind::NotFinite},
        {Make(SectionShape::General, 2716, 1.84e7, 0, 4.4e4), "Iz", "must be positive",
         FaultKind::NotPositive},
        {Make(SectionShape::Round, 1e100), "", "overflows", FaultKind::Overflows, "Iy"},
        {Make(SectionShape::Round, 1e-100), "", "vanishes", FaultKind::Vanishes, "Iy"},
    };
    for (const auto& c : cases) {
        const fem::ValueFault f = fem::FindSectionFault(c.section);
        EXPECT_EQ(f.Key, c.key) << f.Reason;
        EXPECT_NE(f.Reason.find(c.says), std::string::npos) << f.Reason;
        EXPECT_EQ(f.Kind, c.kind) << f.Reason;
        const bool derived = c.kind == FaultKind::Vanishes || c.kind == FaultKind::Overflows;
        EXPECT_EQ(derived ? f.Property : f.Bound, c.bound ? c.bound : "") << f.Reason;
        EXPECT_EQ(f.Limit, c.limit) << f.Reason;
    }
    // The value at fault, as given.
    EXPECT_EQ(fem::FindSectionFault(Make(SectionShape::Tube, 10, 5.5)).Value, 5.5);
    Section negativeShear = Make(SectionShape::General, 1, 1, 1, 1);
    negativeShear.ShearAreaY = -1;
    EXPECT_EQ(fem::FindSectionFault(negativeShear).Key, "Ay");
    EXPECT_EQ(fem::FindSectionFault(negativeShear).Kind, FaultKind::Negative);
    EXPECT_TRUE(fem::FindSectionFault(Make(SectionShape::I, 200, 100, 100, 8)).Empty());
}

namespace {

fem::NodeRecord NodeAt(double x, double y, double z) {
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {x, y, z};
    return n;
}

fem::ElementRecord Member(int a, int b, const Section& s) {
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    e.CrossSection = s;
    return e;
}

}  // namespace

// A roll and the z_towards of the rolled local z give the same axes, for members along
// each branch of the default axes and a skew one; round bars and tubes keep theirs.
TEST(MemberAxes, ZTowardsAndRollAgreeAndRoundSectionsIgnoreBoth) {
    const fem::Vec3 ends[] = {
        {300, 0, 0}, {0, 0, 300}, {0, 300, 0}, {0, 100, 200}, {100, -200, 300}};
    const Section flat = Make(SectionShape::Rectangle, 50, 9);
    for (const fem::Vec3& end : ends) {
        for (double roll : {30.0, 90.0, -135.0, 270.0}) {
            fem::Model m;
            m.AddNode(NodeAt(0, 0, 0));
            m.AddNode(NodeAt(end[0], end[1], end[2]));
            fem::ElementRecord rolled = Member(0, 1, flat);
            rolled.Roll = roll;
            m.AddElement(rolled);
            const fem::Mat3 R = m.Elements[0].RotMatrix;
            // The rolled local z, by hand from the unrolled axes.
            m.AddElement(Member(0, 1, flat));
            const fem::Mat3 R0 = m.Elements[1].RotMatrix;
            const double c = std::cos(roll * M_PI / 180), s = std::sin(roll * M_PI / 180);
            fem::ElementRecord aimed = Member(0, 1, flat);
            aimed.ZTowards = fem::Vec3{};
            for (int k = 0; k < 3; ++k) {
                (*aimed.ZTowards)[k] = 5.0 * (c * R0[2][k] - s * R0[1][k]) + 2.0 * R0[0][k];
                EXPECT_NEAR(R[1][k], c * R0[1][k] + s * R0[2][k], 1e-15);
            }
            m.AddElement(aimed);
            const fem::Mat3& A = m.Elements[2].RotMatrix;
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(A[i][k], R[i][k], 2e-15) << roll;
            // A round bar or a tube is the same in every direction.
            for (SectionShape shape : {SectionShape::Round, SectionShape::Tube}) {
                fem::ElementRecord round =
                    Member(0, 1, Make(shape, 10, shape == SectionShape::Tube ? 2 : 0));
                round.Roll = roll;
                m.AddElement(round);
                EXPECT_EQ(m.Elements.back().RotMatrix, R0);
            }
        }
    }
    // Whole quarter turns are exact: a member along x turned by 90 has local y = global z.
    fem::Model m;
    m.AddNode(NodeAt(0, 0, 0));
    m.AddNode(NodeAt(100, 0, 0));
    fem::ElementRecord e = Member(0, 1, flat);
    e.Roll = 90;
    m.AddElement(e);
    const fem::Mat3 quarter = {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}};
    EXPECT_EQ(m.Elements[0].RotMatrix, quarter);

    // Refused: z_towards along the member, and z_towards with a roll.
    e.Roll = 0;
    e.ZTowards = fem::Vec3{-3, 0, 0};
    EXPECT_THROW(m.AddElement(e), numeric::ComputationFailure);
    e.ZTowards = fem::Vec3{0, 0, 1};
    e.Roll = 10;
    EXPECT_THROW(m.AddElement(e), numeric::ComputationFailure);
    EXPECT_EQ(m.ElementCount(), 1);
}

// What the analysis builds from an element must neither overflow nor vanish, and the
// reasons name quantities, not the routines that would have failed.
TEST(MemberValues, RefusedWhenTheAnalysisCouldNotUseThem) {
    fem::Model m;
    m.AddNode(NodeAt(0, 0, 0));
    m.AddNode(NodeAt(1e-150, 0, 0));
    m.AddNode(NodeAt(100, 0, 0));
    fem::ElementRecord tiny = fem::DefaultElement();
    fem::ElementRecord soft = fem::DefaultElement();
    soft.EndNode = {0, 2};
    soft.Young = 0;
    fem::ElementRecord thin = soft;
    thin.Young = 21000;
    thin.CrossSection.Diameter = -10;
    for (const auto& [e, says] : {std::pair{tiny, "E Iz / L^3"}, std::pair{soft, "axial wave"},
                                  std::pair{thin, "diameter d"}}) {
        try {
            m.AddElement(e);
            ADD_FAILURE() << says << " accepted";
        } catch (const numeric::ComputationFailure& f) {
            const std::string why = f.what();
            EXPECT_NE(why.find(says), std::string::npos) << why;
            EXPECT_EQ(why.find("Stiff"), std::string::npos) << why;
        }
    }
    EXPECT_EQ(m.ElementCount(), 0);
}

TEST(NamedMaterialsAndSections, ChangesReachEveryElementThatRefersToThemAllOrNone) {
    fem::Model m;
    for (int i = 0; i < 3; ++i) m.AddNode(NodeAt(1000.0 * i, 0, 0));
    m.PutMaterial("steel", {21000, 8000, 7.86E-06});
    m.PutSection("H200", Make(SectionShape::I, 200, 100, 5.5, 8));
    fem::ElementRecord named = fem::DefaultElement();
    named.MaterialName = "steel";
    named.SectionName = "H200";
    named.Young = 1;  // the names win over the values given with them
    m.AddElement(named);
    fem::ElementRecord own = fem::DefaultElement();
    own.EndNode = {1, 2};
    m.AddElement(own);
    EXPECT_EQ(m.Elements[0].Young, 21000.0);
    EXPECT_EQ(m.Elements[0].CrossSection.Height, 200.0);
    EXPECT_EQ(m.Elements[0].Area, 2612.0);

    m.PutMaterial("steel", {7000, 2600, 2.7E-06});
    EXPECT_EQ(m.Elements[0].Young, 7000.0);
    EXPECT_EQ(m.Elements[0].WaveAxial, std::sqrt(7000 * 9800 / 2.7E-06));
    EXPECT_EQ(m.Elements[1].Young, 21000.0);  // its own values stay

    // A section no member can have, or one that leaves a member unusable: nothing changes.
    const std::uint64_t revision = m.Revision();
    EXPECT_THROW(m.PutSection("H200", Make(SectionShape::I, 200, 100, 5.5, 100)),
                 numeric::ComputationFailure);
    EXPECT_THROW(m.PutMaterial("steel", {7000, 2600, 1e-300}), numeric::ComputationFailure);
    EXPECT_EQ(m.Sections().at("H200").FlangeThickness, 8.0);
    EXPECT_EQ(m.Materials().at("steel").Density, 2.7E-06);
    EXPECT_EQ(m.Elements[0].Density, 2.7E-06);
    EXPECT_EQ(m.Revision(), revision);

    m.PutSection("H200", Make(SectionShape::I, 300, 150, 6.5, 9));
    EXPECT_EQ(m.Elements[0].CrossSection.Height, 300.0);
    EXPECT_GT(m.Elements[0].Iy, 6e7);

    // Deleting a name in use is refused; renaming carries the elements along.
    EXPECT_THROW(m.DeleteMaterial("steel"), numeric::ComputationFailure);
    m.RenameSection("H200", "H300");
    EXPECT_EQ(m.Elements[0].SectionName, "H300");
    EXPECT_EQ(m.Sections().count("H200"), 0u);
    m.PutMaterial("alu", {7000, 2600, 2.7E-06});
    EXPECT_THROW(m.RenameMaterial("steel", "alu"), numeric::ComputationFailure);
    m.DeleteMaterial("alu");
    EXPECT_EQ(m.Materials().size(), 1u);

    // Unknown names and names no file could show.
    fem::ElementRecord unknown = own;
    unknown.MaterialName = "wood";
    EXPECT_THROW(m.AddElement(unknown), numeric::ComputationFailure);
    const std::pair<std::string, fem::NameFault> badNames[] = {
        {"", fem::NameFault::Empty},
        {"tab\there", fem::NameFault::ControlCharacter},
        {"\xC3\x28", fem::NameFault::NotUtf8},
        {std::string(201, 'x'), fem::NameFault::TooLong}};
    for (const auto& [bad, fault] : badNames) {
        EXPECT_EQ(fem::FindNameFault(bad), fault) << bad;
        EXPECT_THROW(m.PutMaterial(bad, {1, 1, 1}), numeric::ComputationFailure);
    }
    EXPECT_EQ(fem::FindNameFault(std::string(200, 'x')), fem::NameFault::None);
    EXPECT_EQ(fem::FindMaterialFault({7000, 0, 1}).Kind, fem::FaultKind::NotPositive);
    EXPECT_EQ(fem::FindMaterialFault({7000, 1, HUGE_VAL}).Key, "density");
    EXPECT_EQ(fem::FindMaterialFault({7000, 1, HUGE_VAL}).Kind, fem::FaultKind::NotFinite);
    m.PutMaterial("鋼 SS400", {21000, 8100, 7.85E-06});
    EXPECT_EQ(m.Materials().size(), 2u);
}

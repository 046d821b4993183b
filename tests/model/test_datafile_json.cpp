// Data file version 2 (JSON): the example of the manual page, refusals that name line,
// column and field, random models of every kind through both versions, version 1 files
// that stay byte for byte, and numbers that do not depend on the locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "tests/comma_locale.h"
#include "tests/file_text.h"

using fem::DataField;
using fem::DataFileError;
using fem::Model;
using fem::ReadProblem;
using fem::SectionShape;

namespace {

using testfiles::ReadWhole;

const std::string kExamplePath = std::string(TEST_DATA_DIR) + "/sections_example.json";

}  // namespace

TEST(DataFileJson, TheManualPagesExampleReads) {
    Model m;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadFile(m, kExamplePath, &err)) << err.Message();
    ASSERT_EQ(m.NodeCount(), 3);
    ASSERT_EQ(m.ElementCount(), 2);
    EXPECT_EQ(m.Materials().size(), 2u);
    EXPECT_EQ(m.Sections().size(), 6u);
    EXPECT_EQ(m.Materials().at("alu").Shear, 2600.0);
    EXPECT_EQ(m.Sections().at("pipe").Thickness, 3.2);
    EXPECT_EQ(m.Sections().at("any").Shape, SectionShape::General);
    EXPECT_EQ(m.Sections().at("any").Iy, 1.84e7);
    EXPECT_EQ(m.Nodes[1].BcCode[0], "pf");
    EXPECT_EQ(m.Nodes[1].LoadValue[0], 100.0);
    EXPECT_EQ(m.Nodes[2].Coord[0], 2000.0);

    // The column: steel H200 turned by 90 about its axis (along global z), so that local y
    // is global y and local z is -global x. Iy by hand, (b h^3 - (b - tw)(h - 2 tf)^3)/12.
    const fem::ElementRecord& column = m.Elements[0];
    EXPECT_EQ(column.MaterialName, "steel");
    EXPECT_EQ(column.Young, 21000.0);
    EXPECT_EQ(column.SectionName, "H200");
    EXPECT_NEAR(column.Iy, 17609322.666666668, 1e-7);
    EXPECT_EQ(column.Roll, 90.0);
    const fem::Mat3 columnAxes = {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}};
    EXPECT_EQ(column.RotMatrix, columnAxes);
    // The beam: aluminium box, local z towards global z.
    const fem::ElementRecord& beam = m.Elements[1];
    EXPECT_EQ(beam.Density, 2.7e-6);
    EXPECT_EQ(beam.Area, 2856.0);
    ASSERT_TRUE(beam.ZTowards.has_value());
    const fem::Mat3 beamAxes = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_EQ(beam.RotMatrix, beamAxes);

    EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    const std::string text = fem::StructDataText(m);
    EXPECT_EQ(text.rfind("{\n  \"format\": \"ImpactFrame\",\n  \"version\": 2,", 0), 0u) << text;
    Model again;
    ASSERT_TRUE(fem::StructDataReadText(again, text, "again", &err)) << err.Message();
    EXPECT_EQ(fem::StructDataText(again), text);
}

namespace {

// Line and column (characters from 1) of the first occurrence of `mark` in text.
std::pair<int, int> Where(const std::string& text, const std::string& mark) {
    const size_t at = text.find(mark);
    EXPECT_NE(at, std::string::npos) << mark;
    int line = 1, column = 1;
    for (size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++line, column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

}  // namespace

TEST(DataFileJson, RefusalsNameLineColumnAndField) {
    const std::string good = ReadWhole(kExamplePath);
    ASSERT_FALSE(good.empty());
    // 70 arrays in the outer object: the 64th level is the 63rd bracket, so the 64th fails.
    const std::string deep = std::string(70, '[') + std::string(70, ']');
    struct Case {
        const char* name;
        std::string text;
        std::string mark;  // where the failure points
        ReadProblem problem;
        DataField kind;
        const char* key;
        const char* says;  // in the message
    };
    const Case cases[] = {
        {"unknown key", Replaced(good, "\"roll\": 90", "\"roll\": 90, \"colour\": \"red\""),
         "\"colour\"", ReadProblem::UnknownKey, DataField::ElementKey, "colour", "\"colour\""},
        {"later version", Replaced(good, "\"version\": 2", "\"version\": 3"), "3,",
         ReadProblem::LaterVersion, DataField::FileKey, "version", "later version"},
        {"tube too thick", Replaced(good, "\"t\": 3.2", "\"t\": 40"), "40",
         ReadProblem::UnusableValue, DataField::NamedSection, "t", "less than d/2"},
        {"own section's web too thick",
         Replaced(
             good, "\"section\": \"rhs\"",
             "\"section\": {\"shape\": \"I\", \"h\": 200, \"b\": 100, \"tw\": 120, \"tf\": 8}"),
         "120", ReadProblem::UnusableValue, DataField::ElementSection, "tw", "must not exceed b"},
        {"negative diameter", Replaced(good, "\"d\": 10", "\"d\": -10"), "-10",
         ReadProblem::UnusableValue, DataField::NamedSection, "d", "positive"},
        {"missing key", Replaced(good, "\"z\": 3000, \"codes\": [\"pf\"", "\"codes\": [\"pf\""),
         "{\"x\": 0, \"y\": 0, \"codes\"", ReadProblem::MissingKey, DataField::NodeKey, "z",
         "\"z\""},
        {"unknown material", Replaced(good, "\"material\": \"alu\"", "\"material\": \"wood\""),
         "\"wood\"", ReadProblem::UnknownName, DataField::ElementKey, "material", "wood"},
        {"key twice", Replaced(good, "\"E\": 7000,", "\"E\": 7000, \"E\": 7001,"), "\"E\": 7001",
         ReadProblem::DuplicateKey, DataField::None, "E", "each key once"},
        {"not JSON", Replaced(good, "\"G\": 2600,", "\"G\": 2600,,"), ", \"density\": 2.7e-6",
         ReadProblem::NotJson, DataField::None, "", "JSON"},
        {"text for a number", Replaced(good, "\"E\": 7000", "\"E\": \"7000\""), "\"7000\"",
         ReadProblem::WrongType, DataField::NamedMaterial, "E", "a number"},
        {"zero modulus", Replaced(good, "\"G\": 2600", "\"G\": 0"), "0, \"density\": 2.7e-6",
         ReadProblem::UnusableValue, DataField::NamedMaterial, "G", "positive"},
        {"own negative E",
         Replaced(good, "\"material\": \"alu\"",
                  "\"material\": {\"E\": -7000, \"G\": 2600, \"density\": 2.7e-6}"),
         "-7000", ReadProblem::UnusableValue, DataField::Material, "E", "positive"},
        {"z_towards along the member", Replaced(good, "[0, 0, 1]", "[-2, 0, 0]"), "[-2, 0, 0]",
         ReadProblem::UnusableElement, DataField::ElementKey, "z_towards", "along the element"},
        {"timoshenko not true or false",
         Replaced(good, "\"roll\": 90", "\"roll\": 90, \"timoshenko\": 1"), "1}",
         ReadProblem::WrongType, DataField::ElementKey, "timoshenko", "(true or false)"},
        {"other format", Replaced(good, "\"ImpactFrame\"", "\"Frames\""), "\"Frames\"",
         ReadProblem::NotThisFormat, DataField::FileKey, "format", "ImpactFrame"},
        {"nested too deep", Replaced(good, "\"units\": \"mm kgf s\"", "\"units\": " + deep),
         std::string(7, '[') + "]", ReadProblem::TooDeep, DataField::None, "", "64"},
        {"unknown code", Replaced(good, "\"pf\",\"p\"", "\"pf\",\"q\""), "\"q\"",
         ReadProblem::NotACode, DataField::ConstraintCode, "codes", "p, u or pf"},
        {"node beyond the last", Replaced(good, "\"nodes\": [1, 2]", "\"nodes\": [1, 7]"), "7]",
         ReadProblem::NotAWholeNumber, DataField::SecondNode, "nodes", "from 0 to 2"},
    };
    for (const Case& c : cases) {
        Model m;
        fem::BuildSample(m, 3);
        DataFileError err;
        ASSERT_FALSE(fem::StructDataReadText(m, c.text, "bad.json", &err)) << c.name;
        const auto [line, column] = Where(c.text, c.mark);
        EXPECT_EQ(err.problem, c.problem) << c.name << ": " << err.Message();
        EXPECT_EQ(err.field.kind, c.kind) << c.name << ": " << err.Message();
        EXPECT_EQ(err.field.key, c.key) << c.name << ": " << err.Message();
        EXPECT_EQ(err.line, line) << c.name << ": " << err.Message();
        EXPECT_EQ(err.column, column) << c.name << ": " << err.Message();
        EXPECT_NE(err.Message().find(c.says), std::string::npos) << c.name << ": " << err.Message();
        EXPECT_EQ(err.Message().rfind("bad.json: line " + std::to_string(line) + ", column " +
                                          std::to_string(column) + ": expected ",
                                      0),
                  0u)
            << err.Message();
        EXPECT_EQ(m.NodeCount(), 5) << c.name << " must leave the model untouched";
    }
    // The names of what went wrong, for messages in other languages.
    Model m;
    DataFileError err;
    ASSERT_FALSE(fem::StructDataReadText(m, cases[2].text, "bad.json", &err));
    EXPECT_EQ(err.field.name, "pipe");
    ASSERT_FALSE(fem::StructDataReadText(m, cases[6].text, "bad.json", &err));
    EXPECT_EQ(err.field.name, "wood");
    EXPECT_EQ(err.field.element, 1);
    ASSERT_FALSE(fem::StructDataReadText(m, cases[11].text, "bad.json", &err));
    EXPECT_EQ(err.field.index, 0);  // Young's modulus, as in version 1
}

// Version 1's reader refuses what the model cannot use where it reads it, naming the
// line and the value in words.
TEST(DataFileText, ImpossibleValuesAreRefusedWhereTheyAreRead) {
    const std::string node0 = "0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n";
    const std::string head = "2,1\r\n" + node0 + "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n";
    const std::pair<std::string, const char*> cases[] = {
        {head + "pf,1\r\n0,0,1\r\n21000,8000,7.86E-06,-10\r\n", "diameter d"},
        {head + "pf,1\r\n0,0,1\r\n0,8000,7.86E-06,10\r\n", "axial wave speed"},
        {"2,1\r\n" + node0 + "1,1E-150,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\npf,1\r\n" +
             "0,0,1\r\n21000,8000,7.86E-06,10\r\n",
         "E Iz / L^3"},
    };
    for (const auto& [text, says] : cases) {
        Model m;
        DataFileError err;
        ASSERT_FALSE(fem::StructDataReadText(m, text, "v1.txt", &err)) << says;
        EXPECT_EQ(err.problem, ReadProblem::UnusableElement);
        EXPECT_EQ(err.line, 17) << err.Message();
        EXPECT_NE(err.found.find(says), std::string::npos) << err.Message();
        EXPECT_EQ(err.found.find("Stiff"), std::string::npos) << err.Message();
    }
}

namespace {

// Random doubles from low to high: with all their digits, or three significant digits as
// users type them, or a third.
double Digits(std::mt19937_64& rng, double low, double high) {
    const double x = std::uniform_real_distribution<double>(low, high)(rng);
    switch (rng() % 4) {
        case 0: {
            const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(x))) - 2);
            return std::clamp(std::round(x / unit) * unit, low, high);
        }
        case 1:
            return low + (high - low) / 3.0;
        default:
            return x;
    }
}

fem::Section RandomSection(std::mt19937_64& rng) {
    fem::Section s;
    s.Shape = static_cast<SectionShape>(rng() % 6);
    const double b = Digits(rng, 20, 300), h = Digits(rng, 20, 300);
    switch (s.Shape) {
        case SectionShape::Round:
            s.Diameter = b;
            break;
        case SectionShape::Tube:
            s.Diameter = b, s.Thickness = Digits(rng, 0.5, b / 2.1);
            break;
        case SectionShape::Rectangle:
            s.Width = b, s.Height = h;
            break;
        case SectionShape::Box:
            s.Width = b, s.Height = h, s.Thickness = Digits(rng, 0.5, std::min(b, h) / 2.1);
            break;
        case SectionShape::I:
            s.Width = b, s.Height = h, s.WebThickness = Digits(rng, 0.5, b);
            s.FlangeThickness = Digits(rng, 0.5, h / 2.1);
            break;
        case SectionShape::General:
            s.Area = Digits(rng, 100, 1e4), s.Iy = Digits(rng, 1e4, 1e8);
            s.Iz = Digits(rng, 1e4, 1e8), s.J = Digits(rng, 1e3, 1e7);
            if (rng() % 2) s.ShearAreaY = Digits(rng, 10, 1e4);
            if (rng() % 2) s.ShearAreaZ = Digits(rng, 10, 1e4);
            break;
    }
    return s;
}

fem::Damping RandomDamping(std::mt19937_64& rng) {
    fem::Damping d;
    if (rng() % 2) {
        d.Alpha = Digits(rng, 0, 50), d.Beta = Digits(rng, 0, 1e-4);
    } else {
        d.Given = fem::Damping::Form::Ratio;
        d.Ratio = Digits(rng, 0, 0.1), d.AtHz = {Digits(rng, 1, 100), Digits(rng, 100, 1e4)};
    }
    return d;
}

fem::Material RandomMaterial(std::mt19937_64& rng) {
    fem::Material m{Digits(rng, 5000, 30000), Digits(rng, 2000, 12000), Digits(rng, 1e-6, 1e-5)};
    if (rng() % 3 == 0) m.Damp = RandomDamping(rng);
    return m;
}

fem::LoadHistory RandomHistory(std::mt19937_64& rng) {
    fem::LoadHistory h;
    h.Kind = static_cast<fem::HistoryKind>(rng() % 5);
    if (h.Kind == fem::HistoryKind::Step) h.Rise = Digits(rng, 0, 1e-3);
    if (h.Kind == fem::HistoryKind::Table) {
        double t = 0.0;
        for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k) {
            h.Points.push_back({t, Digits(rng, -2, 2)});
            t += Digits(rng, 1e-5, 1e-2);
        }
    } else if (h.Kind != fem::HistoryKind::Step) {
        h.Duration = Digits(rng, 1e-5, 1e-2);
    }
    return h;
}

// Names as users give them: letters, digits, spaces, quotes, backslashes, Japanese.
std::string RandomName(std::mt19937_64& rng) {
    static const char* const pieces[] = {"H", "200", " ", "\"", "\\", "鋼", "pipe", "/", "x"};
    std::string s;
    for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k) s += pieces[rng() % 9];
    return s;
}

// A model of every kind: named materials and sections, elements naming them or holding
// their own of any shape, turned or not; or (one in four) a version 1 model.
Model RandomModel(std::mt19937_64& rng) {
    static const char* const kCodes[3] = {"p", "u", "pf"};
    Model m;
    const bool plain = rng() % 4 == 0;
    for (int k = plain ? 0 : static_cast<int>(rng() % 4); k > 0; --k)
        m.PutMaterial(RandomName(rng), RandomMaterial(rng));
    for (int k = plain ? 0 : static_cast<int>(rng() % 5); k > 0; --k)
        m.PutSection(RandomName(rng), RandomSection(rng));
    for (int k = plain ? 0 : static_cast<int>(rng() % 3); k > 0; --k)
        m.PutHistory(RandomName(rng), RandomHistory(rng));
    if (!plain && rng() % 3 == 0) m.SetModelDamping(RandomDamping(rng));
    const int nodes = 2 + static_cast<int>(rng() % 6);
    for (int i = 0; i < nodes; ++i) {
        fem::NodeRecord n = fem::DefaultNode();
        for (double& c : n.Coord) c = Digits(rng, -5000, 5000);
        for (int j = 0; j < 6; ++j) {
            n.BcCode[j] = kCodes[rng() % 3];
            (n.BcCode[j] == "u" ? n.FixedDisp[j] : n.LoadValue[j]) = Digits(rng, 0.5, 1e3);
            if (n.BcCode[j] == "pf" && !m.Histories().empty() && rng() % 2)
                n.History[j] =
                    std::next(m.Histories().begin(), rng() % m.Histories().size())->first;
        }
        if (!plain && rng() % 3 == 0) {
            for (double& k : n.Springs) k = rng() % 2 ? Digits(rng, 0.5, 1e4) : 0.0;
            n.MassWeight = Digits(rng, 0.5, 100);
            if (rng() % 2) n.RotaryInertia = {Digits(rng, 1, 1e4), 0.0, Digits(rng, 1, 1e4)};
        }
        m.AddNode(n);
    }
    for (int k = static_cast<int>(rng() % 8); k > 0; --k) {
        fem::ElementRecord e = fem::DefaultElement();
        e.EndNode = {static_cast<int>(rng() % nodes), static_cast<int>(rng() % nodes)};
        if (e.EndNode[0] == e.EndNode[1]) continue;
        const fem::Material own = RandomMaterial(rng);
        e.Young = own.Young, e.Shear = own.Shear, e.Density = own.Density;
        if (plain) {
            e.CrossSection.Diameter = Digits(rng, 5, 50);
        } else {
            if (!m.Materials().empty() && rng() % 2)
                e.MaterialName =
                    std::next(m.Materials().begin(), rng() % m.Materials().size())->first;
            if (!m.Sections().empty() && rng() % 2)
                e.SectionName = std::next(m.Sections().begin(), rng() % m.Sections().size())->first;
            else
                e.CrossSection = RandomSection(rng);
            if (rng() % 3 == 0) e.Roll = Digits(rng, -180, 180);
            if (rng() % 3 == 0) e.ZTowards = fem::Vec3{Digits(rng, -1, 1), 1.0, -0.25};
            e.Timoshenko = rng() % 3 == 0;
            // Hinges at one end, or a torsion release at the other.
            if (rng() % 4 == 0)
                e.Released[rng() % 2 ? 4 : 10] = e.Released[rng() % 2 ? 5 : 11] = true;
            if (rng() % 6 == 0) e.Released[9] = true;
        }
        try {
            m.AddElement(e);
        } catch (const numeric::ComputationFailure&) {
            // z_towards along the member, or a roll with it
        }
    }
    if (!m.Histories().empty() && rng() % 2) {
        fem::GroundMotion g;
        g.Direction = {Digits(rng, -1, 1), Digits(rng, -1, 1), 0.3};
        g.History = std::next(m.Histories().begin(), rng() % m.Histories().size())->first;
        g.Quantity =
            rng() % 2 ? fem::GroundQuantity::Acceleration : fem::GroundQuantity::Displacement;
        m.SetGround(g);
    }
    if (!plain && rng() % 4 == 0)
        m.SetImpact(fem::DroppedWeight{static_cast<int>(rng() % nodes),
                                       Digits(rng, 0.5, 50),
                                       {0.0, -Digits(rng, 10, 5000), 0.0},
                                       rng() % 2 == 0});
    return m;
}

// The same model: every entered value equal, bit for bit.
void ExpectSameModel(const Model& a, const Model& b, int t) {
    ASSERT_EQ(b.NodeCount(), a.NodeCount()) << t;
    ASSERT_EQ(b.ElementCount(), a.ElementCount()) << t;
    ASSERT_EQ(b.Materials().size(), a.Materials().size()) << t;
    ASSERT_EQ(b.Sections().size(), a.Sections().size()) << t;
    for (const auto& [name, material] : a.Materials())
        EXPECT_TRUE(fem::SameMaterial(b.Materials().at(name), material)) << name;
    for (const auto& [name, section] : a.Sections())
        EXPECT_TRUE(fem::SameSection(b.Sections().at(name), section)) << name;
    EXPECT_EQ(b.Histories(), a.Histories()) << t;
    EXPECT_EQ(b.ModelDamping(), a.ModelDamping()) << t;
    EXPECT_EQ(b.Ground(), a.Ground()) << t;
    for (int i = 0; i < a.NodeCount(); ++i) {
        EXPECT_EQ(b.Nodes[i].Coord, a.Nodes[i].Coord) << t;
        EXPECT_EQ(b.Nodes[i].BcCode, a.Nodes[i].BcCode) << t;
        EXPECT_EQ(b.Nodes[i].FixedDisp, a.Nodes[i].FixedDisp) << t;
        EXPECT_EQ(b.Nodes[i].LoadValue, a.Nodes[i].LoadValue) << t;
        EXPECT_EQ(b.Nodes[i].History, a.Nodes[i].History) << t;
        EXPECT_EQ(b.Nodes[i].Springs, a.Nodes[i].Springs) << t;
        EXPECT_EQ(b.Nodes[i].MassWeight, a.Nodes[i].MassWeight) << t;
        EXPECT_EQ(b.Nodes[i].RotaryInertia, a.Nodes[i].RotaryInertia) << t;
    }
    ASSERT_EQ(b.Impact().has_value(), a.Impact().has_value()) << t;
    if (a.Impact()) {
        EXPECT_EQ(b.Impact()->Node, a.Impact()->Node) << t;
        EXPECT_EQ(b.Impact()->Weight, a.Impact()->Weight) << t;
        EXPECT_EQ(b.Impact()->Velocity, a.Impact()->Velocity) << t;
        EXPECT_EQ(b.Impact()->Gravity, a.Impact()->Gravity) << t;
    }
    for (int k = 0; k < a.ElementCount(); ++k) {
        const fem::ElementRecord &x = a.Elements[k], &y = b.Elements[k];
        EXPECT_EQ(y.EndNode, x.EndNode);
        EXPECT_EQ(y.MaterialName, x.MaterialName);
        EXPECT_EQ(y.SectionName, x.SectionName);
        EXPECT_EQ(y.Young, x.Young) << t << " element " << k;
        EXPECT_EQ(y.Shear, x.Shear);
        EXPECT_EQ(y.Density, x.Density);
        EXPECT_TRUE(fem::SameSection(y.CrossSection, x.CrossSection)) << t << " element " << k;
        EXPECT_EQ(y.Roll, x.Roll);
        EXPECT_EQ(y.ZTowards, x.ZTowards);
        EXPECT_EQ(y.Timoshenko, x.Timoshenko);
        EXPECT_EQ(y.Released, x.Released) << t << " element " << k;
        EXPECT_EQ(y.RotMatrix, x.RotMatrix);
        EXPECT_EQ(y.ShearAreaZ, x.ShearAreaZ);
    }
}

}  // namespace

TEST(DataFileJson, RandomModelsOfEveryKindReadBackUnchangedInBothVersions) {
    std::mt19937_64 rng(20250301);
    int version1 = 0, elements = 0;
    for (int t = 0; t < 300; ++t) {
        const Model m = RandomModel(rng);
        const std::string text = fem::StructDataText(m);
        const std::string json = fem::JsonDataText(m);
        version1 += fem::DataFileVersionOf(m) == 1;
        EXPECT_EQ(text == json, fem::DataFileVersionOf(m) == 2) << t;
        for (const std::string* written : {&text, &json}) {
            Model r;
            DataFileError err;
            ASSERT_TRUE(fem::StructDataReadText(r, *written, "random", &err))
                << err.Message() << "\n"
                << *written;
            ExpectSameModel(m, r, t);
            EXPECT_EQ(fem::StructDataText(r), text) << t;
        }
        elements += m.ElementCount();
    }
    EXPECT_GT(version1, 40);  // version 1 models too: written as version 1, read back as such
    EXPECT_GT(elements, 700);
}

// The samples (version 1 models) are written byte for byte as before version 2 existed,
// also after going through a version 2 file.
TEST(DataFileJson, VersionOneModelsStayVersionOneByteForByte) {
    const std::string listing = ReadWhole(std::string(TEST_DATA_DIR) + "/sample1.txt");
    for (int n = 1; n <= 4; ++n) {
        Model m;
        fem::BuildSample(m, n);
        ASSERT_EQ(fem::DataFileVersionOf(m), 1);
        const std::string text = fem::StructDataText(m);
        if (n == 1) {
            EXPECT_EQ(text, listing);
        }
        Model fromText, fromJson;
        DataFileError err;
        ASSERT_TRUE(fem::StructDataReadText(fromText, text, "v1", &err)) << err.Message();
        EXPECT_EQ(fem::StructDataText(fromText), text);
        ASSERT_TRUE(fem::StructDataReadText(fromJson, fem::JsonDataText(m), "v2", &err))
            << err.Message();
        EXPECT_EQ(fem::StructDataText(fromJson), text);
        // One member bending as a Timoshenko member needs version 2.
        m.Elements[0].Timoshenko = true;
        EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    }
}

TEST(DataFileJson, NumbersUseAFullStopInAnyLocale) {
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    Model m;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadFile(m, kExamplePath, &err)) << err.Message();
    m.Nodes[1].LoadValue[3] = 0.25;
    m.PutMaterial("odd", {0.1 + 0.2, 1.0 / 3.0, 7.86E-06});
    const std::string text = fem::StructDataText(m);
    EXPECT_NE(text.find("\"values\": [100, 0, 0, 0.25, 0, 0]"), std::string::npos) << text;
    EXPECT_NE(text.find("{\"E\": 0.30000000000000004, \"G\": 0.3333333333333333, \"density\": "
                        "7.86e-06}"),
              std::string::npos)
        << text;
    Model r;
    ASSERT_TRUE(fem::StructDataReadText(r, text, "comma", &err)) << err.Message();
    EXPECT_EQ(r.Nodes[1].LoadValue[3], 0.25);
    EXPECT_EQ(r.Materials().at("odd").Young, 0.1 + 0.2);
    EXPECT_EQ(r.Elements[0].Density, 7.86e-6);
}

// Mutated version 2 files: the reader never crashes, places every refusal inside the
// text, and accepts only models whose elements name what the model has.
TEST(DataFileJson, MutatedFilesNeverBreakTheModel) {
    static const char* const pieces[] = {
        "{",     "}",      "[",    "]",    ",",        ":", "\"",           "\\",
        "1e400", "-",      "null", "true", "\"d\": 0", " ", "\xEF\xBB\xBF", "\"shape\": \"I\"",
        "\xC3",  "\\u0000"};
    const std::string seed = ReadWhole(kExamplePath);
    std::mt19937 rng(20250302);
    int accepted = 0;
    for (int t = 0; t < 3000; ++t) {
        std::string text = seed;
        for (int edits = 1 + static_cast<int>(rng() % 3); edits > 0 && !text.empty(); --edits) {
            const size_t at = rng() % text.size();
            switch (rng() % 4) {
                case 0:
                    text[at] = static_cast<char>(rng() % 256);
                    break;
                case 1:
                    text.erase(at, 1 + rng() % 12);
                    break;
                case 2:
                    text.insert(at, pieces[rng() % std::size(pieces)]);
                    break;
                default:
                    text.resize(at);
                    break;
            }
        }
        Model m;
        fem::BuildSample(m, 2);
        DataFileError err;
        if (fem::StructDataReadText(m, text, "fuzz", &err)) {
            ++accepted;
            for (const fem::ElementRecord& e : m.Elements) {
                ASSERT_TRUE(e.MaterialName.empty() || m.Materials().count(e.MaterialName));
                ASSERT_TRUE(e.SectionName.empty() || m.Sections().count(e.SectionName));
                ASSERT_TRUE(std::isnormal(e.EIy) && std::isnormal(e.GJ));
            }
        } else {
            ASSERT_GE(err.line, 1) << err.Message();
            ASSERT_FALSE(err.expected.empty());
            ASSERT_EQ(m.NodeCount(), 3) << "a failed read must leave the model";
        }
    }
    EXPECT_GT(accepted, 20);  // a changed digit, a blank: some still read
}

TEST(DataFileJson, ValuesAFileCannotHoldAreNamed) {
    Model m;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadFile(m, kExamplePath, &err)) << err.Message();
    Model bad = m;
    bad.Elements[1].ZTowards = fem::Vec3{0, HUGE_VAL, 1};
    EXPECT_NE(fem::UnwritableValue(bad).find("z_towards of element 1"), std::string::npos);
    bad = m;
    bad.Elements[0].SectionName.clear();
    bad.Elements[0].CrossSection.WebThickness = std::nan("");
    EXPECT_NE(fem::UnwritableValue(bad).find("the web thickness tw of element 0"),
              std::string::npos)
        << fem::UnwritableValue(bad);
    bad = m;
    bad.Elements[1].MaterialName = "wood";
    EXPECT_NE(fem::UnwritableValue(bad).find("element 1 refers to the material \"wood\""),
              std::string::npos);
    EXPECT_THROW((void)fem::StructDataText(bad), std::invalid_argument);
}

// Load histories, damping and the ground motion: a file using them reads into the model,
// is written as version 2 whatever else it holds, and the faults are named where they
// stand.
TEST(DataFileJson, HistoriesDampingAndGroundReadAndAreRefusedWhereWrong) {
    const std::string good = R"({"format": "ImpactFrame", "version": 2, "units": "mm kgf s",
 "histories": {"hit": {"kind": "half-sine", "duration": 0.002},
               "rec": {"kind": "table", "points": [[0, 0], [0.001, 2], [0.003, 1]]}},
 "damping": {"ratio": 0.02, "at_hz": [10, 100]},
 "materials": {"steel": {"E": 21000, "G": 8000, "density": 7.86e-6,
                         "damping": {"alpha": 3, "beta": 1e-5}}},
 "nodes": [{"x": 0, "y": 0, "z": 0, "codes": ["u","u","u","u","u","u"], "values": [0,0,0,0,0,0]},
           {"x": 100, "y": 0, "z": 0, "codes": ["pf","pf","p","p","p","p"], "values": [1,2,0,0,0,0],
            "histories": ["hit", "", "", "", "", ""]}],
 "elements": [{"nodes": [0, 1], "material": "steel", "section": {"shape": "round", "d": 10}}],
 "ground": {"direction": [0, 3, 4], "history": "rec", "quantity": "displacement"}})";
    Model m;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadText(m, good, "good", &err)) << err.Message();
    EXPECT_EQ(m.Histories().at("hit").Kind, fem::HistoryKind::HalfSine);
    EXPECT_EQ(m.Histories().at("rec").Points.size(), 3u);
    EXPECT_EQ(m.Nodes[1].History[0], "hit");
    EXPECT_EQ(m.Nodes[1].History[1], "");
    ASSERT_TRUE(m.Ground());
    EXPECT_EQ(m.Ground()->Quantity, fem::GroundQuantity::Displacement);
    EXPECT_EQ(fem::GroundUnitDirection(*m.Ground())[2], 0.8);
    // The material's own damping wins over the model's, which is the ratio 0.02 at 10 and
    // 100 Hz: alpha = 2 z w1 w2 / (w1 + w2), beta = 2 z / (w1 + w2) by hand.
    EXPECT_EQ(m.DampingOf(m.Elements[0]).Alpha, 3.0);
    const fem::RayleighCoefficients r = fem::RayleighOf(*m.ModelDamping());
    const double w1 = 2 * M_PI * 10, w2 = 2 * M_PI * 100;
    EXPECT_NEAR(r.Alpha, 0.04 * w1 * w2 / (w1 + w2), 1e-12 * r.Alpha);
    EXPECT_NEAR(r.Beta, 0.04 / (w1 + w2), 1e-12 * r.Beta);
    EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    // Any one of them alone makes the model version 2; taken away, it is version 1 again.
    fem::NodeRecord n = m.GetNode(1);
    n.History[0] = "";
    m.PutNode(1, n);
    m.SetGround(std::nullopt);
    m.SetModelDamping(std::nullopt);
    m.DeleteHistory("rec");
    EXPECT_EQ(fem::DataFileVersionOf(m), 2);  // the history "hit" and the named material
    EXPECT_THROW(m.PutNode(1,
                           [&] {
                               auto x = n;
                               x.History[1] = "none";
                               return x;
                           }()),
                 numeric::ComputationFailure);

    struct Case {
        const char* name;
        std::string text;
        std::string mark;
        ReadProblem problem;
        const char* key;
    };
    const Case cases[] = {
        {"node names a missing history", Replaced(good, "[\"hit\", \"\"", "[\"miss\", \"\""),
         "\"miss\"", ReadProblem::UnknownName, "histories"},
        {"ground names a missing history",
         Replaced(good, "\"history\": \"rec\"", "\"history\": \"gone\""), "\"gone\"",
         ReadProblem::UnknownName, "history"},
        {"unknown key of a history",
         Replaced(good, "\"duration\": 0.002", "\"duration\": 0.002, \"peak\": 1"), "\"peak\"",
         ReadProblem::UnknownKey, "peak"},
        {"duration not above 0", Replaced(good, "\"duration\": 0.002", "\"duration\": 0"), "0}",
         ReadProblem::UnusableValue, "duration"},
        {"table going back in time", Replaced(good, "[0.003, 1]", "[0.0005, 1]"), "[[0, 0]",
         ReadProblem::UnusableValue, "points"},
        {"unknown kind", Replaced(good, "\"half-sine\"", "\"sawtooth\""), "\"sawtooth\"",
         ReadProblem::UnusableValue, "kind"},
        {"negative beta", Replaced(good, "\"beta\": 1e-5", "\"beta\": -1e-5"), "{\"alpha\"",
         ReadProblem::UnusableValue, "damping"},
        {"ground without direction",
         Replaced(good, "\"direction\": [0, 3, 4]", "\"direction\": [0, 0, 0]"), "[0, 0, 0]",
         ReadProblem::UnusableValue, "direction"},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.text, good) << c.name;
        Model refused;
        DataFileError e;
        EXPECT_FALSE(fem::StructDataReadText(refused, c.text, "bad", &e)) << c.name;
        EXPECT_EQ(e.problem, c.problem) << c.name << ": " << e.Message();
        EXPECT_EQ(e.field.key, c.key) << c.name << ": " << e.Message();
        const size_t at = c.text.find(c.mark);
        ASSERT_NE(at, std::string::npos) << c.name;
        const int line =
            1 + static_cast<int>(std::count(c.text.begin(), c.text.begin() + at, '\n'));
        EXPECT_EQ(e.line, line) << c.name << ": " << e.Message();
    }
}

TEST(DataFileJson, ReleasesSpringsMassesAndTheDroppedWeightReadAndAreRefusedWhereWrong) {
    const std::string good = R"({"format": "ImpactFrame", "version": 2, "units": "mm kgf s",
 "nodes": [{"x": 0, "y": 0, "z": 0, "codes": ["u","u","u","u","u","u"], "values": [0,0,0,0,0,0]},
           {"x": 100, "y": 0, "z": 0, "codes": ["p","p","p","p","p","p"], "values": [0,0,0,0,0,0],
            "springs": [0, 5, 0, 0, 0, 7e3], "mass": {"weight": 2.5, "inertia": [1, 2, 3]}},
           {"x": 200, "y": 0, "z": 0, "codes": ["u","u","u","p","p","p"], "values": [0,0,0,0,0,0]}],
 "elements": [{"nodes": [0, 1], "material": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "section": {"shape": "round", "d": 10}},
              {"nodes": [1, 2], "material": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "section": {"shape": "round", "d": 10}, "releases": {"start": ["My", "Mz"], "end": ["T"]}}],
 "impact": {"node": 1, "weight": 3, "velocity": [0, -2000, 0], "gravity": true}})";
    Model m;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadText(m, good, "good", &err)) << err.Message();
    EXPECT_EQ(m.Nodes[1].Springs[1], 5.0);
    EXPECT_EQ(m.Nodes[1].Springs[5], 7e3);
    EXPECT_EQ(m.Nodes[1].MassWeight, 2.5);
    EXPECT_EQ(m.Nodes[1].RotaryInertia[2], 3.0);
    EXPECT_TRUE(m.Elements[1].Released[4] && m.Elements[1].Released[5] &&
                m.Elements[1].Released[9]);
    EXPECT_EQ(std::count(m.Elements[1].Released.begin(), m.Elements[1].Released.end(), true), 3);
    ASSERT_TRUE(m.Impact());
    EXPECT_EQ(m.Impact()->Velocity[1], -2000.0);
    EXPECT_TRUE(m.Impact()->Gravity);
    EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    // Each alone keeps the model version 2; without all of them it is version 1.
    m.SetImpact(std::nullopt);
    EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    m.Elements[1].Released = {};
    m.Touch();
    EXPECT_EQ(fem::DataFileVersionOf(m), 2);
    fem::NodeRecord plain = m.GetNode(1);
    plain.Springs = {};
    plain.MassWeight = 0.0;
    plain.RotaryInertia = {};
    m.PutNode(1, plain);
    EXPECT_EQ(fem::DataFileVersionOf(m), 1);

    struct Case {
        const char* name;
        std::string text;
        std::string mark;
        ReadProblem problem;
        const char* key;
    };
    const Case cases[] = {
        {"negative spring", Replaced(good, "[0, 5, 0", "[0, -5, 0"), "\"springs\"",
         ReadProblem::UnusableValue, "springs"},
        {"five springs", Replaced(good, "[0, 5, 0, 0, 0, 7e3]", "[0, 5, 0, 0, 0]"), "[0, 5, 0",
         ReadProblem::WrongType, "springs"},
        {"unknown key of a mass", Replaced(good, "\"weight\": 2.5", "\"weight\": 2.5, \"J\": 1"),
         "\"J\"", ReadProblem::UnknownKey, "J"},
        {"unknown end force", Replaced(good, "[\"My\", \"Mz\"]", "[\"My\", \"Mx\"]"), "\"Mx\"",
         ReadProblem::UnusableValue, "releases"},
        {"end force twice", Replaced(good, "[\"My\", \"Mz\"]", "[\"My\", \"My\"]"), "\"My\"]",
         ReadProblem::UnusableValue, "releases"},
        {"member left free", Replaced(good, "\"end\": [\"T\"]", "\"end\": [\"Vy\", \"Mz\"]"),
         "{\"start\"", ReadProblem::UnusableValue, "releases"},
        {"impact on a missing node", Replaced(good, "\"node\": 1,", "\"node\": 3,"), "3,",
         ReadProblem::NotAWholeNumber, "impact"},
        {"impact without velocity", Replaced(good, "[0, -2000, 0]", "[0, 0, 0]"), "{\"node\": 1",
         ReadProblem::UnusableValue, "impact"},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.text, good) << c.name;
        Model refused;
        DataFileError e;
        EXPECT_FALSE(fem::StructDataReadText(refused, c.text, "bad", &e)) << c.name;
        EXPECT_EQ(e.problem, c.problem) << c.name << ": " << e.Message();
        EXPECT_EQ(e.field.key, c.key) << c.name << ": " << e.Message();
        const size_t at = c.text.find(c.mark);
        ASSERT_NE(at, std::string::npos) << c.name;
        const int line =
            1 + static_cast<int>(std::count(c.text.begin(), c.text.begin() + at, '\n'));
        EXPECT_EQ(e.line, line) << c.name << ": " << e.Message();
    }
}

#include "model/section.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numeric/constants.h"
#include "numeric/numbertext.h"

namespace fem {
namespace {

using numeric::Pi;

constexpr SectionDimension kRound[] = {{"d", "the diameter", &Section::Diameter, false}};
constexpr SectionDimension kTube[] = {
    {"d", "the outside diameter", &Section::Diameter, false},
    {"t", "the wall thickness", &Section::Thickness, false},
};
constexpr SectionDimension kRectangle[] = {
    {"b", "the width", &Section::Width, false},
    {"h", "the height", &Section::Height, false},
};
constexpr SectionDimension kBox[] = {
    {"b", "the width", &Section::Width, false},
    {"h", "the height", &Section::Height, false},
    {"t", "the wall thickness", &Section::Thickness, false},
};
constexpr SectionDimension kI[] = {
    {"h", "the height", &Section::Height, false},
    {"b", "the flange width", &Section::Width, false},
    {"tw", "the web thickness", &Section::WebThickness, false},
    {"tf", "the flange thickness", &Section::FlangeThickness, false},
};
constexpr SectionDimension kGeneral[] = {
    {"A", "the area", &Section::Area, false},
    {"Iy", "the second moment Iy", &Section::Iy, false},
    {"Iz", "the second moment Iz", &Section::Iz, false},
    {"J", "the torsion constant", &Section::J, false},
    {"Ay", "the shear area Ay", &Section::ShearAreaY, true},
    {"Az", "the shear area Az", &Section::ShearAreaZ, true},
};

template <int N>
constexpr SectionDimensions List(const SectionDimension (&a)[N]) {
    return {a, N};
}

constexpr const char* kShapeNames[] = {"round", "tube", "rectangle", "box", "I", "general"};

std::string Number(double x) {
    return numeric::FormatGeneral(x, 15, numeric::ExponentLetter::Lower);
}

ValueFault Fault(std::string key, std::string reason, FaultKind kind, double value,
                 std::string bound = {}, double limit = 0.0) {
    ValueFault f;
    f.Key = std::move(key);
    f.Reason = std::move(reason);
    f.Kind = kind;
    f.Value = value;
    f.Bound = std::move(bound);
    f.Limit = limit;
    return f;
}

bool Normal(double x) {
    return std::isnormal(x) && x > 0.0;
}

// (1/n^5 summed over odd n) = (1 - 2^-5) zeta(5), to 40 digits by mpmath
// (tests/model/section_reference.py).
constexpr double kOddInverseFifthPowers = 1.004523762795139616133510315005251850305;

// Saint-Venant's torsion constant of a p x q rectangle, p >= q. The series' tanh is
// written 1 - 2/(e^(2x) + 1): the sum of the ones is the constant above, and the rest
// falls as e^(-n pi p/q) <= e^(-n pi), below rounding after n = 13.
double RectangleTorsion(double p, double q) {
    const double r = q / p;
    double rest = 0.0;
    for (int n = 1; n <= 15; n += 2) {
        const double x = n * Pi / r;  // 2 * n pi p / (2 q)
        rest += 2.0 / ((std::exp(x) + 1.0) * std::pow(n, 5));
    }
    const double sum = kOddInverseFifthPowers - rest;
    return p * q * q * q / 3.0 * (1.0 - 192.0 / std::pow(Pi, 5) * r * sum);
}

// Cowper's coefficient of a thin-walled box or I section for shear along its webs (the
// walls parallel to the shear): m = flange area / web area, n = flange width / web height,
// both on the walls' mid-lines.
double ThinWalledShearCoefficient(double m, double n, double nu, bool isI) {
    const double m2 = m * m, m3 = m2 * m, n2 = n * n;
    double d = (12 + 72 * m + 150 * m2 + 90 * m3) + nu * (11 + 66 * m + 135 * m2 + 90 * m3);
    d += isI ? 30 * n2 * (m + m2) + 5 * nu * n2 * (8 * m + 9 * m2)
             : 10 * n2 * ((3 + nu) * m + 3 * m2);
    return 10 * (1 + nu) * (1 + 3 * m) * (1 + 3 * m) / d;
}

double RectangleShearCoefficient(double nu) {
    return 10 * (1 + nu) / (12 + 11 * nu);
}

}  // namespace

bool SameSection(const Section& a, const Section& b) {
    if (a.Shape != b.Shape) return false;
    for (const SectionDimension& d : DimensionsOf(a.Shape))
        if (a.*d.Value != b.*d.Value) return false;
    return true;
}

SectionDimensions DimensionsOf(SectionShape shape) {
    switch (shape) {
        case SectionShape::Round:
            return List(kRound);
        case SectionShape::Tube:
            return List(kTube);
        case SectionShape::Rectangle:
            return List(kRectangle);
        case SectionShape::Box:
            return List(kBox);
        case SectionShape::I:
            return List(kI);
        case SectionShape::General:
            break;
    }
    return List(kGeneral);
}

bool IsOriented(SectionShape shape) {
    return shape != SectionShape::Round && shape != SectionShape::Tube;
}

const char* ShapeName(SectionShape shape) {
    return kShapeNames[static_cast<int>(shape)];
}

bool ShapeFromName(std::string_view name, SectionShape& shape) {
    for (int i = 0; i < 6; ++i)
        if (name == kShapeNames[i]) {
            shape = static_cast<SectionShape>(i);
            return true;
        }
    return false;
}

ValueFault FindSectionFault(const Section& s) {
    const char* shape = ShapeName(s.Shape);
    for (const SectionDimension& d : DimensionsOf(s.Shape)) {
        const double v = s.*d.Value;
        if (!std::isfinite(v))
            return Fault(d.Key,
                         std::string(d.Meaning) + " " + d.Key + " of a " + shape +
                             " section is not a finite number (" + Number(v) + ")",
                         FaultKind::NotFinite, v);
        if (d.Optional ? v < 0.0 : !(v > 0.0))
            return Fault(d.Key,
                         std::string(d.Meaning) + " " + d.Key + " of a " + shape +
                             " section must be " + (d.Optional ? "0 or more" : "positive") +
                             ", not " + Number(v),
                         d.Optional ? FaultKind::Negative : FaultKind::NotPositive, v);
    }
    auto tooThick = [&](const char* key, const char* rule, double t, double limit) {
        return Fault(key,
                     std::string("the ") + shape + " section's " + key + " must be less than " +
                         rule + " (" + key + " = " + Number(t) + ", " + rule + " = " +
                         Number(limit) + ")",
                     FaultKind::NotBelow, t, rule, limit);
    };
    switch (s.Shape) {
        case SectionShape::Tube:
            if (s.Thickness >= s.Diameter / 2)
                return tooThick("t", "d/2", s.Thickness, s.Diameter / 2);
            break;
        case SectionShape::Box:
            if (s.Thickness >= s.Width / 2) return tooThick("t", "b/2", s.Thickness, s.Width / 2);
            if (s.Thickness >= s.Height / 2) return tooThick("t", "h/2", s.Thickness, s.Height / 2);
            break;
        case SectionShape::I:
            if (s.FlangeThickness >= s.Height / 2)
                return tooThick("tf", "h/2", s.FlangeThickness, s.Height / 2);
            if (s.WebThickness > s.Width)
                return Fault("tw",
                             "the I section's tw must not exceed b (tw = " +
                                 Number(s.WebThickness) + ", b = " + Number(s.Width) + ")",
                             FaultKind::Exceeds, s.WebThickness, "b", s.Width);
            break;
        default:
            break;
    }
    const SectionProperties p = PropertiesOf(s);
    const struct {
        const char* name;
        const char* key;
        double value;
    } derived[] = {{"the area A", "A", p.Area},
                   {"the second moment Iy", "Iy", p.Iy},
                   {"the second moment Iz", "Iz", p.Iz},
                   {"the torsion constant J", "J", p.J},
                   {"the polar moment Iy + Iz", "Iy + Iz", p.PolarMoment}};
    for (const auto& [name, key, value] : derived)
        if (!Normal(value)) {
            const bool finite = std::isfinite(value);
            ValueFault f = Fault("",
                                 std::string(name) + " of the " + shape + " section " +
                                     (finite ? "vanishes (" : "overflows (") + Number(value) + ")",
                                 finite ? FaultKind::Vanishes : FaultKind::Overflows, value);
            f.Property = key;
            return f;
        }
    return {};
}

SectionProperties PropertiesOf(const Section& s) {
    SectionProperties p;
    const double b = s.Width, h = s.Height, t = s.Thickness;
    switch (s.Shape) {
        case SectionShape::Round:
            // In this order, so that a round bar's values are those of the solid bars
            // before sections existed, to the last bit.
            p.Radius = s.Diameter / 2.0;
            p.Area = p.Radius * p.Radius * Pi;
            p.J = std::pow(s.Diameter, 4) * Pi / 32.0;
            p.Iz = p.J / 2.0;
            p.Iy = p.Iz;
            break;
        case SectionShape::Tube: {
            // d^2 - di^2 = 4 t (d - t): no difference of nearly equal powers for thin walls.
            const double d = s.Diameter, di = d - 2.0 * t;
            p.Radius = d / 2.0;
            p.Area = Pi * t * (d - t);
            p.Iz = Pi / 16.0 * t * (d - t) * (d * d + di * di);
            p.Iy = p.Iz;
            p.J = 2.0 * p.Iz;
            break;
        }
        case SectionShape::Rectangle:
            p.Area = b * h;
            p.Iy = b * h * h * h / 12.0;
            p.Iz = h * b * b * b / 12.0;
            p.J = RectangleTorsion(std::max(b, h), std::min(b, h));
            break;
        case SectionShape::Box: {
            const double bi = b - 2.0 * t, hi = h - 2.0 * t;
            const double bm = b - t, hm = h - t;  // the wall's mid-line
            p.Area = b * h - bi * hi;
            p.Iy = (b * h * h * h - bi * hi * hi * hi) / 12.0;
            p.Iz = (h * b * b * b - hi * bi * bi * bi) / 12.0;
            p.J = 4.0 * (bm * hm) * (bm * hm) * t / (2.0 * (bm + hm));
            break;
        }
        case SectionShape::I: {
            const double tw = s.WebThickness, tf = s.FlangeThickness, hw = h - 2.0 * tf;
            p.Area = 2.0 * b * tf + hw * tw;
            p.Iy = (b * h * h * h - (b - tw) * hw * hw * hw) / 12.0;
            p.Iz = (2.0 * tf * b * b * b + hw * tw * tw * tw) / 12.0;
            p.J = (2.0 * b * tf * tf * tf + (h - tf) * tw * tw * tw) / 3.0;
            break;
        }
        case SectionShape::General:
            p.Area = s.Area;
            p.Iy = s.Iy;
            p.Iz = s.Iz;
            p.J = s.J;
            break;
    }
    p.PolarMoment = p.Iy + p.Iz;
    return p;
}

ShearAreas ShearAreasOf(const Section& s, double nu) {
    const double A = PropertiesOf(s).Area;
    switch (s.Shape) {
        case SectionShape::Round: {
            const double k = 6 * (1 + nu) / (7 + 6 * nu);
            return {k * A, k * A};
        }
        case SectionShape::Tube: {
            const double m = (s.Diameter - 2.0 * s.Thickness) / s.Diameter;
            const double q = (1 + m * m) * (1 + m * m);
            const double k = 6 * (1 + nu) * q / ((7 + 6 * nu) * q + (20 + 12 * nu) * m * m);
            return {k * A, k * A};
        }
        case SectionShape::Rectangle: {
            const double k = RectangleShearCoefficient(nu);
            return {k * A, k * A};
        }
        case SectionShape::Box: {
            // Flanges across the shear, webs along it; the same wall thickness in both.
            const double bm = s.Width - s.Thickness, hm = s.Height - s.Thickness;
            return {ThinWalledShearCoefficient(hm / bm, hm / bm, nu, false) * A,
                    ThinWalledShearCoefficient(bm / hm, bm / hm, nu, false) * A};
        }
        case SectionShape::I: {
            const double hm = s.Height - s.FlangeThickness;  // between the flanges' mid-planes
            const double flanges = 2.0 * s.Width * s.FlangeThickness;
            const double m = flanges / (hm * s.WebThickness);
            return {RectangleShearCoefficient(nu) * flanges,
                    ThinWalledShearCoefficient(m, s.Width / hm, nu, true) * A};
        }
        case SectionShape::General:
            break;
    }
    return {s.ShearAreaY, s.ShearAreaZ};
}

}  // namespace fem

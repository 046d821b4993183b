#pragma once
// Cross-sections of the members and their properties in closed form. Units mm.
//
// A section lies in the member's local y-z plane: b runs along local y, h along local z.
// Iy is the second moment for bending about local y (deflection along local z), Iz the
// one for bending about local z (deflection along local y), J the torsion constant (G J
// is the torsional stiffness) and Iy + Iz the polar moment that gives the torsional
// inertia. Ay and Az are the shear areas for shear forces along local y and z, from
// Cowper's shear coefficients (G. R. Cowper, "The shear coefficient in Timoshenko's beam
// theory", J. Appl. Mech. 33 (1966) 335-340); 0 means no shear deformation in that plane.
#include <string>
#include <string_view>

namespace fem {

enum class SectionShape { Round, Tube, Rectangle, Box, I, General };

// A shape and its dimensions; only those of its shape are used (the others stay 0).
struct Section {
    SectionShape Shape = SectionShape::Round;
    double Diameter = 0.0;         // d: round; tube (outside)
    double Thickness = 0.0;        // t: wall of a tube or a box
    double Width = 0.0;            // b: rectangle, box, I (flanges), along local y
    double Height = 0.0;           // h: rectangle, box, I (overall depth), along local z
    double WebThickness = 0.0;     // tw: I
    double FlangeThickness = 0.0;  // tf: I
    // general: the properties as given
    double Area = 0.0;        // A, mm^2
    double Iy = 0.0;          // mm^4
    double Iz = 0.0;          // mm^4
    double J = 0.0;           // mm^4
    double ShearAreaY = 0.0;  // Ay, mm^2; 0: not given
    double ShearAreaZ = 0.0;  // Az, mm^2; 0: not given
};

// The same shape and the same values of its dimensions.
bool SameSection(const Section& a, const Section& b);

// One dimension of a shape: its key in files and messages ("d", "tw", "Iy"), what it is,
// where it is kept, and whether it may be left out (then 0).
struct SectionDimension {
    const char* Key;
    const char* Meaning;
    double Section::*Value;
    bool Optional;
};
struct SectionDimensions {
    const SectionDimension* First = nullptr;
    int Count = 0;
    [[nodiscard]] const SectionDimension* begin() const { return First; }
    [[nodiscard]] const SectionDimension* end() const { return First + Count; }
};
// The dimensions of a shape in the order the data file writes them.
SectionDimensions DimensionsOf(SectionShape shape);

// Whether a member of this shape has an orientation about its axis: false for round bars
// and tubes, which are the same in every direction and ignore Roll and ZTowards.
bool IsOriented(SectionShape shape);

// "round", "tube", "rectangle", "box", "I", "general".
const char* ShapeName(SectionShape shape);
// The shape of a name of ShapeName (exactly as written there); false for any other text.
bool ShapeFromName(std::string_view name, SectionShape& shape);

struct SectionProperties {
    double Area = 0.0;
    double Iy = 0.0;
    double Iz = 0.0;
    double J = 0.0;            // torsion constant
    double PolarMoment = 0.0;  // Iy + Iz
    double Radius = 0.0;       // d / 2 of a round bar or a tube, else 0
};

// What kind of fault a value has, so that each window can say it in its own words.
enum class FaultKind {
    None,
    NotFinite,    // Value is not a finite number
    NotPositive,  // Value must be above 0
    Negative,     // Value must be 0 or more (an optional value)
    NotBelow,     // Value must be less than Bound (Limit)
    Exceeds,      // Value must not exceed Bound (Limit)
    Vanishes,     // the derived Property falls below the smallest normal double (Value)
    Overflows,    // the derived Property is not finite (Value)
};

// What is wrong with a value of a section or a material: the key of the value at fault
// (empty when the fault lies in several together) and an English sentence naming it,
// with the kind and the numbers of the fault.
struct ValueFault {
    std::string Key;
    std::string Reason;
    FaultKind Kind = FaultKind::None;
    double Value = 0.0;    // the value at fault, or the derived property's
    std::string Bound;     // NotBelow, Exceeds: what the value must stay under ("d/2", "b")
    double Limit = 0.0;    // and its value
    std::string Property;  // Vanishes, Overflows: "A", "Iy", "Iz", "J" or "Iy + Iz"
    [[nodiscard]] bool Empty() const { return Reason.empty(); }
};
// Refuses dimensions no section can have (not finite, not positive, a tube's t >= d/2, a
// box's 2t >= b or h, an I's tf >= h/2 or tw > b, a general section's Ay or Az below 0)
// and properties that overflow or vanish (below the smallest normal double).
ValueFault FindSectionFault(const Section& s);

// The properties of a section without fault (FindSectionFault):
//   round      A = pi d^2/4, Iy = Iz = pi d^4/64, J = pi d^4/32
//   tube       A = pi (d^2 - di^2)/4, Iy = Iz = pi (d^4 - di^4)/64, J = Iy + Iz, di = d - 2t
//   rectangle  A = b h, Iy = b h^3/12, Iz = h b^3/12, J by Saint-Venant's series
//              J = (p q^3/3)[1 - (192/pi^5)(q/p) sum_{n odd} tanh(n pi p/2q)/n^5],
//              p = max(b, h), q = min(b, h)
//   box        A = b h - bi hi, Iy = (b h^3 - bi hi^3)/12, Iz = (h b^3 - hi bi^3)/12 with
//              bi = b - 2t, hi = h - 2t; J by Bredt on the wall's mid-line:
//              J = 4 Am^2 t / pm, Am = (b - t)(h - t), pm = 2 (b - t + h - t)
//   I          A = 2 b tf + (h - 2 tf) tw, Iy = (b h^3 - (b - tw)(h - 2 tf)^3)/12,
//              Iz = (2 tf b^3 + (h - 2 tf) tw^3)/12, J = (2 b tf^3 + (h - tf) tw^3)/3
//   general    as given
SectionProperties PropertiesOf(const Section& s);

struct ShearAreas {
    double Ay = 0.0;
    double Az = 0.0;
};
// The shear areas k A at Poisson's ratio nu with Cowper's coefficients k:
//   round      k = 6(1 + nu)/(7 + 6 nu)
//   tube       k = 6(1 + nu)(1 + m^2)^2 / ((7 + 6 nu)(1 + m^2)^2 + (20 + 12 nu) m^2),
//              m = di / d
//   rectangle  k = 10(1 + nu)/(12 + 11 nu)
//   box, I     Cowper's thin-walled box and I with the wall's mid-line (see the manual
//              page impactframe-format(5)); along the flanges of an I the two flanges as
//              rectangles, 2 b tf with the rectangle's k
//   general    Ay and Az as given (0: none)
ShearAreas ShearAreasOf(const Section& s, double nu);

}  // namespace fem

#include "shell/elementfault.h"

#include <cmath>

namespace shell {

ElementFault FindElementFault(const fem::ElementRecord& e, const fem::Vec3& a, const fem::Vec3& b) {
    const fem::Section& section = e.CrossSection;
    for (double v : {e.Young, e.Shear, e.Density, a[0], a[1], a[2], b[0], b[1], b[2]})
        if (!std::isfinite(v)) return ElementFault::NotFinite;
    for (const fem::SectionDimension& d : fem::DimensionsOf(section.Shape))
        if (!std::isfinite(section.*d.Value)) return ElementFault::NotFinite;
    const fem::ValueFault sectionFault = fem::FindSectionFault(section);
    if (!sectionFault.Empty()) {
        if (!fem::IsOriented(section.Shape) && section.Diameter == 0.0)
            return ElementFault::ZeroDiameter;
        if (sectionFault.Kind == fem::FaultKind::Overflows) return ElementFault::TooLarge;
        return ElementFault::Section;
    }
    if (e.Shear == 0.0) return ElementFault::ZeroShear;
    const double length = std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
    if (!std::isfinite(length)) return ElementFault::TooLarge;
    if (length == 0.0) return ElementFault::ZeroLength;
    if (e.Density == 0.0) return ElementFault::ZeroDensity;
    if (e.Young < 0.0 || e.Shear < 0.0 || e.Density < 0.0) return ElementFault::Negative;
    // E and G times the section's properties bound every stiffness the model derives.
    const fem::SectionProperties p = fem::PropertiesOf(section);
    const double g = fem::kGravity;
    for (double v :
         {e.Young / e.Shear, e.Young * p.Area, e.Young * p.Iy, e.Young * p.Iz, e.Shear * p.J,
          e.Young * g / e.Density, e.Shear * g / e.Density,
          e.Young * p.Iy * g / (e.Density * p.Area), e.Young * p.Iz * g / (e.Density * p.Area)})
        if (!std::isfinite(v)) return ElementFault::TooLarge;
    // Local z is aimed at the part of ZTowards across the member, as fem::AimLocalZ does.
    if (e.ZTowards && fem::IsOriented(section.Shape)) {
        const fem::Vec3& t = *e.ZTowards;
        const double size = std::hypot(t[0], t[1], t[2]);
        const fem::Vec3 x{(b[0] - a[0]) / length, (b[1] - a[1]) / length, (b[2] - a[2]) / length};
        if (!(size > 0.0)) return ElementFault::ZAlongMember;
        const fem::Vec3 v{t[0] / size, t[1] / size, t[2] / size};
        const double along = v[0] * x[0] + v[1] * x[1] + v[2] * x[2];
        if (!(std::hypot(v[0] - along * x[0], v[1] - along * x[1], v[2] - along * x[2]) >= 1e-9))
            return ElementFault::ZAlongMember;
    }
    return ElementFault::None;
}

ElementFault FindElementFault(const fem::Model& model, const fem::ElementRecord& e) {
    for (int n : e.EndNode)
        if (n < 0 || n >= model.NodeCount()) return ElementFault::None;
    return FindElementFault(e, model.Nodes[static_cast<std::size_t>(e.EndNode[0])].Coord,
                            model.Nodes[static_cast<std::size_t>(e.EndNode[1])].Coord);
}

}  // namespace shell

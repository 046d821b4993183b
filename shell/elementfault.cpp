#include "shell/elementfault.h"

#include <cmath>

namespace shell {

ElementFault FindElementFault(const fem::ElementRecord& e, const fem::Vec3& a, const fem::Vec3& b) {
    for (double v : {e.CrossSection.Diameter, e.Young, e.Shear, e.Density, a[0], a[1], a[2], b[0], b[1], b[2]})
        if (!std::isfinite(v)) return ElementFault::NotFinite;
    if (e.Shear == 0.0) return ElementFault::ZeroShear;
    const double length = std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
    if (!std::isfinite(length)) return ElementFault::TooLarge;
    if (length == 0.0) return ElementFault::ZeroLength;
    if (e.Density == 0.0) return ElementFault::ZeroDensity;
    if (e.Young < 0.0 || e.Shear < 0.0 || e.Density < 0.0) return ElementFault::Negative;
    if (e.CrossSection.Diameter == 0.0) return ElementFault::ZeroDiameter;
    // E d^4 and G d^4 bound every stiffness the model derives.
    const double d4 = std::pow(e.CrossSection.Diameter, 4);
    for (double v : {e.Young / e.Shear, d4 * e.Young, d4 * e.Shear,
                     e.Young * fem::kGravity / e.Density, e.Shear * fem::kGravity / e.Density,
                     e.Young * e.CrossSection.Diameter * e.CrossSection.Diameter * fem::kGravity /
                         (e.Density * e.CrossSection.Diameter * e.CrossSection.Diameter)})
        if (!std::isfinite(v)) return ElementFault::TooLarge;
    return ElementFault::None;
}

ElementFault FindElementFault(const fem::Model& model, const fem::ElementRecord& e) {
    for (int n : e.EndNode)
        if (n < 0 || n >= model.NodeCount()) return ElementFault::None;
    return FindElementFault(e, model.Nodes[static_cast<std::size_t>(e.EndNode[0])].Coord,
                            model.Nodes[static_cast<std::size_t>(e.EndNode[1])].Coord);
}

}  // namespace shell

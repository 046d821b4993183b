#pragma once
// Why the model refuses an element's values, found from the values themselves, so that
// the sheets can say it in words of their own. Qt-free.
#include "model/model.h"

namespace shell {

enum class ElementFault {
    None,          // nothing found: the values are usable
    NotFinite,     // a value or a coordinate is not a finite number
    ZeroShear,     // G = 0: Poisson's ratio E / (2 G) - 1 has no value
    ZeroLength,    // both ends at one place
    ZeroDensity,   // w = 0
    Negative,      // E, G or w below 0: the wave speeds have no value
    ZeroDiameter,  // d = 0 of a round bar or a tube: no cross-section
    Section,       // another fault of the section's dimensions (fem::FindSectionFault)
    ZAlongMember,  // the direction for local z runs along the member (or is 0)
    TooLarge,      // the stiffnesses overflow
};

// The first fault of element e between the points a and b, in the order in which the
// model computes its derived values.
[[nodiscard]] ElementFault FindElementFault(const fem::ElementRecord& e, const fem::Vec3& a,
                                            const fem::Vec3& b);
// The same with the end nodes' coordinates of model (None when an end node does not
// exist: that is a fault of the numbering, not of the values).
[[nodiscard]] ElementFault FindElementFault(const fem::Model& model, const fem::ElementRecord& e);

}  // namespace shell

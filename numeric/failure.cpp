#include "failure.h"

#include <cmath>

namespace numeric {

ComputationFailure::ComputationFailure(int number, const std::string& what)
    : std::runtime_error(what), number_(number) {}

void CheckFinite(double x, const char* where) {
    if (std::isfinite(x)) return;
    if (std::isnan(x))
        throw ComputationFailure(kInvalidArgument, std::string("invalid result in ") + where);
    throw ComputationFailure(kOverflow, std::string("overflow in ") + where);
}

}  // namespace numeric

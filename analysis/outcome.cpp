#include "analysis/outcome.h"

#include <cmath>

namespace fem {

namespace {

std::string Megabytes(double bytes) {
    return std::to_string(static_cast<long long>(std::ceil(bytes / (1024.0 * 1024.0)))) + " MB";
}

}  // namespace

const char* DofName(int dof) {
    static constexpr const char* kNames[6] = {"ux", "uy", "uz", "rx", "ry", "rz"};
    return dof >= 0 && dof < 6 ? kNames[dof] : "?";
}

std::string EnglishText(const Outcome& o) {
    switch (o.Kind) {
        case OutcomeKind::Complete:
            return "";
        case OutcomeKind::Stopped:
            return kUserStop;
        case OutcomeKind::SingularMatrix:
            if (o.Node >= 0 && o.Dof >= 0 && o.Dof < 6)
                return std::string(kGaussError) + ": mechanism at node " + std::to_string(o.Node) +
                       ", " + DofName(o.Dof);
            return kGaussError;
        case OutcomeKind::NoFreeDof:
        case OutcomeKind::NotFinite:
            return kGaussError;
        case OutcomeKind::WouldNotFit:
            if (!o.Detail.empty()) return o.Detail;
            return "the analysis needs about " + Megabytes(o.NeededBytes) +
                   " of memory, but only " + Megabytes(o.AvailableBytes) +
                   " are available: reduce the number of nodes or Nw";
        case OutcomeKind::OutOfMemory:
            return "the memory ran out during the analysis" +
                   (o.NeededBytes > 0 ? " (estimated " + Megabytes(o.NeededBytes) + ")" : "");
        case OutcomeKind::BadNumbering:
            return "the structure cannot be numbered: " + o.Detail;
        case OutcomeKind::BadSettings:
            return o.Detail;
    }
    return kGaussError;
}

}  // namespace fem

#include "results/historytable.h"

#include <stdexcept>

#include "numeric/numbertext.h"

namespace results {

int ComponentCount(GraphKind kind) {
    switch (kind) {
        case GraphKind::ElementForces:
            return 12;
        case GraphKind::NodeDisplacements:
            return 6;
        case GraphKind::ImpactForce:
            break;
    }
    return 3;
}

const char* HistoryCsvHeader(GraphKind kind) {
    switch (kind) {
        case GraphKind::ElementForces:
            return "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2\n";
        case GraphKind::NodeDisplacements:
            return "t,ux,uy,uz,rx,ry,rz\n";
        case GraphKind::ImpactForce:
            break;
    }
    return "t,fx,fy,fz\n";
}

std::string CsvNumber(double x) {
    if (x == 0.0) x = 0.0;  // no "-0" in tables
    return numeric::FormatGeneral(x, 17, numeric::ExponentLetter::Lower);
}

std::string HistoryCsv(GraphKind kind, const numeric::RealMatrix& history, int nw, double te) {
    const int components = ComponentCount(kind);
    if (history.Rows() < components || history.Cols() < nw)
        throw std::out_of_range("the histories are smaller than the table");
    std::string csv = HistoryCsvHeader(kind);
    csv.reserve(csv.size() + static_cast<size_t>(nw) * (components + 1) * 24);
    for (int j = 0; j < nw; ++j) {
        csv += CsvNumber(j * te / nw);
        for (int c = 0; c < components; ++c) {
            csv += ',';
            csv += CsvNumber(history(c, j));
        }
        csv += '\n';
    }
    return csv;
}

}  // namespace results

#pragma once
// The time histories a graph shows, as a CSV table: the same text from the result
// window's "CSV保存" and from impactframe-cli. No Qt.
//
// Header "t," then one name per component; one row per time point t_j = j Te / Nw,
// j = 0 .. Nw - 1; numbers as printf's "%.17g" in the "C" locale ("-0" written as "0");
// lines end in "\n".
#include <string>

#include "numeric/gauss.h"

namespace results {

// What a graph shows: the twelve end forces of an element (Fx, Fy, Fz, Mx, My, Mz at
// its first node, then at its second), the six displacements of a node (ux, uy, uz,
// θx, θy, θz) or the force of a dropped weight on the node it strikes (Fx, Fy, Fz).
enum class GraphKind { ElementForces, NodeDisplacements, ImpactForce };

// 12, 6 or 3.
int ComponentCount(GraphKind kind);

// "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2\n", "t,ux,uy,uz,rx,ry,rz\n" or
// "t,fx,fy,fz\n".
const char* HistoryCsvHeader(GraphKind kind);

// A number of a CSV table: "%.17g" with "." whatever the locale, never "-0".
std::string CsvNumber(double x);

// The header and nw rows: t_j, then history(c, j) for c = 0 .. ComponentCount(kind) - 1.
// The history must hold at least that many rows and nw columns.
std::string HistoryCsv(GraphKind kind, const numeric::RealMatrix& history, int nw, double te);

}  // namespace results

#pragma once
// The picture of a graph, as the result window draws its plot: the back colour, the
// axes with their values and the curves of every component with their pens and scales
// over the shown time range, and above them a title line, a note and a legend (each
// component's pen and its scale caption, as on the window's scale labels). The window
// saves and prints it; impactframe-cli plot writes it. Every curve is one line.
#include <string>

#include "numeric/gauss.h"
#include "platform/surface.h"
#include "results/graphcore.h"

namespace platform {
class PainterSurface;
}

namespace results {

struct GraphPicture {
    GraphKind kind = GraphKind::ElementForces;
    const numeric::RealMatrix* histories = nullptr;  // component x point
    int nw = 0;                                      // points of the whole span Te
    int shownPoints = 0;                             // points drawn from the start
    double leftEnd = 0.0;                            // time axis, fractions of Te
    double rightEnd = 1.0;
    const PenTable* pens = nullptr;
    platform::Color back = platform::RGB(255, 255, 255);
    std::string title;  // first line above the legend; none when empty
    std::string note;   // a second line (e.g. that the histories are uncorrected); may be empty
    double te = 0.0;    // the time span, s (the time axis's values; none when 0)
};

// Draws the whole picture, clearing it to the back colour first.
void DrawGraphPicture(platform::PainterSurface& surface, const GraphPicture& graph);

}  // namespace results

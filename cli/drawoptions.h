#pragma once
// Options of impactframe-cli draw, read without Qt so that every build knows them.
#include <string>
#include <vector>

#include "cli/analysisrun.h"

namespace cli {

// The help of impactframe-cli draw.
extern const char* const kDrawUsage;

struct DrawOptions {
    AnalysisOptions analysis;
    bool deformed = false;   // the static deformation
    bool timeGiven = false;  // the impact response at time
    double time = 0.0;       // s
    bool magnificationGiven = false;
    double magnification = 0.0;
    std::string output;
    int width = 1200;  // pixels
    int height = 800;
    bool help = false;
};

// Fills options from args; returns an empty string or the reason of a usage error.
std::string ParseDrawOptions(const std::vector<std::string>& args, DrawOptions& options);

}  // namespace cli

#pragma once
// impactframe-cli plot: the force or displacement histories of an analysis as a picture.
#include <string>
#include <vector>

namespace cli {

// Needs a QGuiApplication. Returns the exit code.
int RunPlot(const std::vector<std::string>& args);

}  // namespace cli

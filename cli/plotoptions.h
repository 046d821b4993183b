#pragma once
// Options of impactframe-cli plot, read without Qt so that every build knows them.
#include <optional>
#include <string>
#include <vector>

#include "cli/analysisrun.h"

namespace cli {

// The help of impactframe-cli plot.
extern const char* const kPlotUsage;
// The end of the help of the commands that draw pictures (plot, draw): --help and the
// exit codes.
extern const char* const kPictureHelpEnd;

struct PlotOptions {
    AnalysisOptions analysis;
    int element = -1;  // the element whose end forces are drawn, or
    bool global = false;
    int node = -1;  // the node whose displacements are drawn
    std::string output;
    int width = 1200;  // pixels
    int height = 800;
    bool help = false;
};

// Fills options from args; returns an empty string or the reason of a usage error.
std::string ParsePlotOptions(const std::vector<std::string>& args, PlotOptions& options);

// Shared by the drawing commands: whether path ends in .png, .svg or .pdf (any case), and
// "WxH" with whole numbers from 1 to 10000.
bool EndsWithPictureExtension(const std::string& path);
bool ParseSize(const std::string& text, int& width, int& height);
// Reads -o FILE and --size WxH, the options of a picture: no value for another name,
// else "" or the reason of a usage error.
std::optional<std::string> ReadPictureOption(ArgumentReader& reader, const std::string& name,
                                             std::string& output, int& width, int& height);

}  // namespace cli

#include "cli/plotoptions.h"

#include <algorithm>
#include <cctype>

#include "numeric/numbertext.h"

namespace cli {

namespace {

const std::string kPlotUsageText =
    std::string(
        "usage: impactframe-cli plot INPUT --element E [--global] -o FILE [options]\n"
        "       impactframe-cli plot INPUT --node N -o FILE [options]\n"
        "\n"
        "Runs the analysis as analyse does and draws the time histories as the result\n"
        "window does (default pens and scales, the whole time span): the twelve end forces\n"
        "of an element or the six displacements of a node, with their scales in a legend.\n"
        "\n"
        "INPUT is a structure data file or sample:1 .. sample:4 (a sample brings its own "
        "Te).\n"
        "\n"
        "options:\n"
        "  --element E          the end forces of element E, in element components with the\n"
        "                       first node's values negated (internal forces)\n"
        "  --global             with --element: in global components\n"
        "  --node N             the displacements ux, uy, uz (one scale) and rotations\n"
        "                       rx, ry, rz (another scale) of node N\n"
        "  -o FILE              the picture: FILE.png, FILE.svg or FILE.pdf\n"
        "  --size WxH           its size in pixels (default 1200x800, each side 1 to 10000)\n") +
    kAnalysisOptionsHelp + kPictureHelpEnd;

}  // namespace

const char* const kPlotUsage = kPlotUsageText.c_str();

const char* const kPictureHelpEnd =
    "  --help               show this help\n"
    "\n"
    "A message of the analysis goes to standard error and the exit code is 1, as does a\n"
    "picture that cannot be written. Bad options or a bad input file exit with code 2.\n";

bool EndsWithPictureExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "png" || ext == "svg" || ext == "pdf";
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    int w = 0;
    int h = 0;
    if (!numeric::ParseWholeNumber(text.substr(0, x), w) ||
        !numeric::ParseWholeNumber(text.substr(x + 1), h))
        return false;
    if (w < 1 || h < 1 || w > 10000 || h > 10000) return false;
    width = w;
    height = h;
    return true;
}

std::optional<std::string> ReadPictureOption(ArgumentReader& reader, const std::string& name,
                                             std::string& output, int& width, int& height) {
    if (name == "-o") {
        if (!reader.Value(output)) return "-o needs a file name";
        return "";
    }
    if (name == "--size") {
        std::string v;
        if (!reader.Value(v)) return "--size needs WxH";
        if (!ParseSize(v, width, height))
            return "--size must be WxH in pixels from 1 to 10000, not '" + v + "'";
        return "";
    }
    return std::nullopt;
}

std::string ParsePlotOptions(const std::vector<std::string>& args, PlotOptions& o) {
    bool elementGiven = false;
    bool nodeGiven = false;
    const std::string why = ReadCommandOptions(
        args, "plot", o.analysis, o.help,
        [&](ArgumentReader& reader, const std::string& name) -> std::optional<std::string> {
            if (name == "--global") {
                if (reader.HasJoinedValue()) return "--global takes no value";
                o.global = true;
                return "";
            }
            if (name == "--element") {
                elementGiven = true;
                return ReadIndexOption(reader, name, "an element number", o.element);
            }
            if (name == "--node") {
                nodeGiven = true;
                return ReadIndexOption(reader, name, "a node number", o.node);
            }
            return ReadPictureOption(reader, name, o.output, o.width, o.height);
        });
    if (!why.empty()) return why;
    if (o.help) return "";
    if (o.analysis.input.empty()) return "plot needs a structure data file or sample:1 .. sample:4";
    if (elementGiven == nodeGiven) return "plot needs either --element or --node";
    if (o.global && !elementGiven) return "--global goes with --element";
    if (o.output.empty()) return "plot needs -o FILE.png, FILE.svg or FILE.pdf";
    if (!EndsWithPictureExtension(o.output))
        return "the picture '" + o.output + "' must end in .png, .svg or .pdf";
    return "";
}

}  // namespace cli

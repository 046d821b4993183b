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
    kAnalysisOptionsHelp +
    "  --help               show this help\n"
    "\n"
    "A message of the analysis goes to standard error and the exit code is 1, as does a\n"
    "picture that cannot be written. Bad options or a bad input file exit with code 2.\n";

}  // namespace

const char* const kPlotUsage = kPlotUsageText.c_str();

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

std::string ParsePlotOptions(const std::vector<std::string>& args, PlotOptions& o) {
    bool elementGiven = false;
    bool nodeGiven = false;
    ArgumentReader reader(args);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        std::string why;
        const OptionRead read = ReadAnalysisOption(reader, o.analysis, why);
        if (read == OptionRead::Error) return why;
        if (read == OptionRead::Read) continue;
        std::string v;
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--global") {
            if (reader.HasJoinedValue()) return "--global takes no value";
            o.global = true;
        } else if (name == "--element") {
            if (!reader.Value(v)) return "--element needs an element number";
            if (!numeric::ParseWholeNumber(v, o.element) || o.element < 0)
                return "--element must be an element number, not '" + v + "'";
            elementGiven = true;
        } else if (name == "--node") {
            if (!reader.Value(v)) return "--node needs a node number";
            if (!numeric::ParseWholeNumber(v, o.node) || o.node < 0)
                return "--node must be a node number, not '" + v + "'";
            nodeGiven = true;
        } else if (name == "-o") {
            if (!reader.Value(o.output)) return "-o needs a file name";
        } else if (name == "--size") {
            if (!reader.Value(v)) return "--size needs WxH";
            if (!ParseSize(v, o.width, o.height))
                return "--size must be WxH in pixels from 1 to 10000, not '" + v + "'";
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option '" + name + "' for plot";
        } else if (o.analysis.input.empty()) {
            o.analysis.input = name;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
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

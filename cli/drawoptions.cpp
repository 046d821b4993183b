#include "cli/drawoptions.h"

#include "cli/plotoptions.h"
#include "numeric/numbertext.h"

namespace cli {

namespace {

const std::string kDrawUsageText =
    std::string(
        "usage: impactframe-cli draw INPUT -o FILE [--deformed | --time T] [options]\n"
        "\n"
        "Draws the structure as the view window's default view shows it, fitted to the\n"
        "picture: nodes, loads, supports and elements (their numbers up to 300 of them).\n"
        "With --deformed or --time it first runs the analysis as analyse does.\n"
        "\n"
        "INPUT is a structure data file or sample:1 .. sample:4 (a sample brings its own "
        "Te).\n"
        "\n"
        "options:\n"
        "  -o FILE              the picture: FILE.png, FILE.svg or FILE.pdf\n"
        "  --deformed           with the static deformation, magnified (by default as the\n"
        "                       program's magnification box: the sample's, else 100)\n"
        "  --time T             with the impact response at time T in s (0 to Te; the\n"
        "                       nearest time point t_j), each element along its shape,\n"
        "                       magnified (by default so that the largest displacement\n"
        "                       is up to a fifth of the structure's size)\n"
        "  --magnification M    the magnification of the deformation\n"
        "  --size WxH           the picture's size in pixels (default 1200x800, each side 1\n"
        "                       to 10000)\n") +
    kAnalysisOptionsHelp + kPictureHelpEnd;

}  // namespace

const char* const kDrawUsage = kDrawUsageText.c_str();

std::string ParseDrawOptions(const std::vector<std::string>& args, DrawOptions& o) {
    const std::string why = ReadCommandOptions(
        args, "draw", o.analysis, o.help,
        [&o](ArgumentReader& reader, const std::string& name) -> std::optional<std::string> {
            std::string v;
            if (name == "--deformed") {
                if (reader.HasJoinedValue()) return "--deformed takes no value";
                o.deformed = true;
            } else if (name == "--time") {
                if (!reader.Value(v)) return "--time needs a time in seconds";
                if (!numeric::ParseNumber(v, o.time) || o.time < 0.0)
                    return "--time must be a time of 0 s or more, not '" + v + "'";
                o.timeGiven = true;
            } else if (name == "--magnification") {
                if (!reader.Value(v)) return "--magnification needs a value";
                if (!numeric::ParseNumber(v, o.magnification))
                    return "--magnification must be a number, not '" + v + "'";
                o.magnificationGiven = true;
            } else {
                return ReadPictureOption(reader, name, o.output, o.width, o.height);
            }
            return "";
        });
    if (!why.empty()) return why;
    if (o.help) return "";
    if (o.analysis.input.empty()) return "draw needs a structure data file or sample:1 .. sample:4";
    if (o.deformed && o.timeGiven) return "draw takes --deformed or --time, not both";
    if (o.magnificationGiven && !o.deformed && !o.timeGiven)
        return "--magnification goes with --deformed or --time";
    if (o.output.empty()) return "draw needs -o FILE.png, FILE.svg or FILE.pdf";
    if (!EndsWithPictureExtension(o.output))
        return "the picture '" + o.output + "' must end in .png, .svg or .pdf";
    return "";
}

}  // namespace cli

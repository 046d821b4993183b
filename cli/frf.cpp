// impactframe-cli frf: the steady-state response of a node to harmonic loads of the
// "pf" values, evaluated exactly at s = i omega over a range of frequencies.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/frequency_response.h"
#include "cli/analysisrun.h"
#include "cli/commands.h"
#include "model/model.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"
#include "results/historytable.h"

namespace cli {
namespace {

const char* const kFrfUsage =
    "usage: impactframe-cli frf INPUT --node N --to HZ [options]\n"
    "\n"
    "The steady-state response of node N to harmonic loads: every \"pf\" degree of\n"
    "freedom loaded by its value times e^(i omega t), evaluated exactly at s = i omega\n"
    "with the members' distributed mass (and their damping where the data file gives\n"
    "one; an undamped structure gives real values). Load histories and the ground\n"
    "motion play no part. Writes\n"
    "  frequency_hz,ux_re,ux_im,ux_abs,ux_deg,uy_re,...,rz_deg\n"
    "one row per frequency: the real and imaginary part, the magnitude and the phase in\n"
    "degrees of each of the node's six displacements (0 for a fixed one). Units: mm, kgf,\n"
    "s; frequencies in Hz.\n"
    "\n"
    "INPUT is a structure data file or sample:1 .. sample:4.\n"
    "\n"
    "options:\n"
    "  --node N             the node whose response is written (from 0)\n"
    "  --to HZ              the last frequency\n"
    "  --from HZ            the first frequency (default 0: the static response to the\n"
    "                       \"pf\" values)\n"
    "  --count K            K frequencies evenly spaced from --from to --to, both\n"
    "                       included (default 201)\n"
    "  -o FILE              write the table to FILE (default: standard output)\n"
    "  --help               show this help\n"
    "\n"
    "An undamped resonance hit exactly (K(i omega) singular) has no finite response: its\n"
    "row is left out and \"resonance at F Hz\" goes to standard error. Bad options or a bad\n"
    "input file exit with code 2; a structure that cannot be solved (no free degree of\n"
    "freedom) exits with 1.\n";

struct Options {
    std::string input;
    int node = -1;
    double fromHz = 0.0;
    double toHz = -1.0;
    int count = 201;
    std::string output = "-";
    bool help = false;
};

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
    ArgumentReader reader(args);
    bool nodeGiven = false, toGiven = false;
    while (reader.Next()) {
        const std::string& name = reader.Name();
        std::string v;
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--verbose") {
            // The version went to standard error already.
        } else if (name == "--node") {
            nodeGiven = true;
            const std::string why = ReadIndexOption(reader, name, "a node number", o.node);
            if (!why.empty()) return why;
        } else if (name == "--to" || name == "--from") {
            if (!reader.Value(v)) return name + " needs a frequency in Hz";
            double hz = 0.0;
            if (!numeric::ParseNumber(v, hz) || !std::isfinite(hz) || hz < 0.0)
                return name + " must be a frequency of 0 Hz or more, not '" + v + "'";
            (name == "--to" ? o.toHz : o.fromHz) = hz;
            if (name == "--to") toGiven = true;
        } else if (name == "--count") {
            if (!reader.Value(v)) return "--count needs a value";
            if (!numeric::ParseWholeNumber(v, o.count) || o.count < 1 || o.count > 1000000)
                return "--count must be a number of frequencies from 1 to 1000000, not '" + v + "'";
        } else if (name == "-o") {
            if (!reader.Value(o.output)) return "-o needs a file name";
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option '" + name + "' for frf";
        } else if (o.input.empty()) {
            o.input = name;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
    if (o.help) return "";
    if (o.input.empty()) return "frf needs a structure data file or sample:1 .. sample:4";
    if (!nodeGiven) return "frf needs --node";
    if (!toGiven) return "frf needs --to";
    if (o.toHz < o.fromHz) return "--to must not lie below --from";
    return "";
}

const char* const kDofs[6] = {"ux", "uy", "uz", "rx", "ry", "rz"};

}  // namespace

int RunFrequencyResponse(const std::vector<std::string>& args) {
    Options o;
    const std::string why = ParseOptions(args, o);
    if (!why.empty()) return UsageError(why);
    if (o.help) {
        std::fputs(kFrfUsage, stdout);
        return 0;
    }
    fem::Model model;
    if (const int status = LoadStructure(o.input, model); status != 0) return status;
    if (const int status = CheckElementAndNode(model, -1, o.node); status != 0) return status;
    const std::vector<double> hz = fem::LinearFrequencies(o.fromHz, o.toHz, o.count);
    const fem::FrequencyResponse r = fem::SolveFrequencyResponse(model, o.node, hz);
    if (!r.Result.Complete()) {
        std::fprintf(stderr, "impactframe-cli: frequency response: %s\n",
                     fem::EnglishText(r.Result).c_str());
        return 1;
    }
    std::string csv = "frequency_hz";
    for (const char* d : kDofs)
        for (const char* part : {"re", "im", "abs", "deg"})
            csv += std::string(",") + d + "_" + part;
    csv += "\n";
    for (const fem::FrequencyPoint& p : r.Points) {
        if (p.Resonance) {
            std::fprintf(stderr, "impactframe-cli: resonance at %s Hz\n",
                         results::CsvNumber(p.Hz).c_str());
            continue;
        }
        csv += results::CsvNumber(p.Hz);
        for (const numeric::Complex& v : p.Response) {
            const double phase = v.re == 0.0 && v.im == 0.0 ? 0.0 : std::atan2(v.im, v.re);
            csv += "," + results::CsvNumber(v.re) + "," + results::CsvNumber(v.im) + "," +
                   results::CsvNumber(std::hypot(v.re, v.im)) + "," +
                   results::CsvNumber(phase * 180.0 / numeric::Pi);
        }
        csv += "\n";
    }
    return WriteOutput(o.output, csv) ? 0 : 1;
}

}  // namespace cli

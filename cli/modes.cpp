// impactframe-cli modes: the natural frequencies and mode shapes of a structure data
// file or a sample, exact for the bars with distributed mass (one element per bar).
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/modes.h"
#include "cli/commands.h"
#include "numeric/constants.h"
#include "numeric/numbertext.h"
#include "results/historytable.h"
#include "version/version.h"

namespace cli {
namespace {

const char* const kModesUsage =
    "usage: impactframe-cli modes INPUT [options]\n"
    "\n"
    "Finds the natural frequencies of the structure, exact for bars with distributed mass\n"
    "(Euler-Bernoulli or Timoshenko bending, axial and torsional waves; one element per\n"
    "bar), and\n"
    "writes mode,frequency_hz, lowest first, modes numbered from 1. \"u\" degrees of\n"
    "freedom are fixed, \"p\" and \"pf\" free; loads play no part. A mechanism gives the\n"
    "frequency 0. The frequencies are those of the undamped structure: damping in the\n"
    "data file plays no part here. Units: mm, kgf, s; frequencies in Hz.\n"
    "\n"
    "INPUT is a structure data file or sample:1 .. sample:4.\n"
    "\n"
    "options:\n"
    "  --count N            the lowest N frequencies (default 10)\n"
    "  --below HZ           all frequencies below HZ; with --count, the smaller of the\n"
    "                       two sets\n"
    "  --shapes FILE        also the mode shapes: mode,node,ux,uy,uz,rx,ry,rz, the node\n"
    "                       displacements of each mode scaled to a largest component of 1\n"
    "                       (all 0 for a mode in which only bars between nodes at rest\n"
    "                       vibrate)\n"
    "  --timoshenko         every member with a shear area bends as a Timoshenko member\n"
    "                       (shear deformation and rotary inertia), as the data file's\n"
    "                       \"timoshenko\": true makes one member\n"
    "  --threads N          worker threads (default: one per processor core)\n"
    "  --verbose            report the solver, the threads and the factorisations on\n"
    "                       standard error\n"
    "  --help               show this help\n"
    "\n"
    "FILE - means standard output. Nodes are numbered from 0. \"Gauss Error\" goes to\n"
    "standard error with exit code 1 and nothing is written; bad options or a bad input\n"
    "file exit with code 2.\n";

struct Options {
    std::string input;
    int count = 10;
    bool countGiven = false;
    double belowHz = 0.0;
    std::string shapesFile;
    int threads = 0;
    bool verbose = false;
    bool timoshenko = false;
    bool help = false;
};

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto next = [&](std::string& out) -> bool {
            if (hasValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--verbose") {
            if (hasValue) return "--verbose takes no value";
            o.verbose = true;
        } else if (name == "--timoshenko") {
            if (hasValue) return "--timoshenko takes no value";
            o.timoshenko = true;
        } else if (name == "--threads") {
            if (!next(v)) return "--threads needs a value";
            if (!numeric::ParseWholeNumber(v, o.threads) || o.threads < 1 || o.threads > 1024)
                return "--threads must be a number of threads from 1 to 1024, not '" + v + "'";
        } else if (name == "--count") {
            if (!next(v)) return "--count needs a value";
            if (!numeric::ParseWholeNumber(v, o.count) || o.count < 1 || o.count > 1000000)
                return "--count must be a number of frequencies from 1 to 1000000, not '" + v + "'";
            o.countGiven = true;
        } else if (name == "--below") {
            if (!next(v)) return "--below needs a value";
            if (!numeric::ParseNumber(v, o.belowHz) || !(o.belowHz > 0.0))
                return "--below must be a positive frequency in Hz, not '" + v + "'";
        } else if (name == "--shapes") {
            if (!next(o.shapesFile)) return "--shapes needs a file name";
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option '" + name + "' for modes";
        } else if (o.input.empty()) {
            o.input = name;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
    if (o.help) return "";
    if (o.input.empty()) return "modes needs a structure data file or sample:1 .. sample:4";
    // --below alone: every frequency below it.
    if (o.belowHz > 0.0 && !o.countGiven) o.count = 0;
    return "";
}

// Progress on standard error when it is a terminal: frequencies found and factorisations.
class ProgressLine : public fem::ModeCallbacks {
  public:
    ~ProgressLine() override {
        if (drawn_) std::fputs("\n", stderr);
    }
    void Progress(const fem::ModeProgress& p) override {
        std::string wanted = p.Wanted < 0 ? "?" : std::to_string(p.Wanted);
        std::fprintf(stderr, "\rmodes    %d/%s found, %d shapes, %d factorisations", p.Found,
                     wanted.c_str(), p.ShapesFound, p.Evaluations);
        std::fflush(stderr);
        drawn_ = true;
    }

  private:
    bool drawn_ = false;
};

}  // namespace

int RunModes(const std::vector<std::string>& args) {
    Options o;
    const std::string why = ParseOptions(args, o);
    if (!why.empty()) return UsageError(why);
    if (o.help) {
        std::fputs(kModesUsage, stdout);
        return 0;
    }
    fem::Model model;
    if (const int status = LoadStructure(o.input, model); status != 0) return status;
    if (o.timoshenko) {
        if (const int status = UseTimoshenko(model)) return status;
    }

    fem::ModeRequest request;
    request.Count = o.count;
    request.BelowHz = o.belowHz;
    request.Shapes = !o.shapesFile.empty();
    request.Threads = o.threads;
    fem::ModeResult result;
    {
        ProgressLine line;
        result = fem::SolveModes(model, request, isatty(STDERR_FILENO) != 0 ? &line : nullptr);
    }
    if (o.verbose)
        std::fprintf(stderr,
                     "impactframe-cli: %d nodes, %d elements, %d free degrees of freedom\n"
                     "impactframe-cli: solver: %s\n"
                     "impactframe-cli: instruction set: %s\n"
                     "impactframe-cli: threads: %d\n"
                     "impactframe-cli: factorisations: %d\n"
                     "impactframe-cli: frequencies below %s Hz are taken as 0\n",
                     model.NodeCount(), model.ElementCount(), result.FreeDofs,
                     result.Solver.c_str(), version::InstructionSet(), result.Threads,
                     result.Evaluations,
                     results::CsvNumber(result.ZeroLimit / numeric::TwoPi).c_str());
    if (!result.Result.Complete()) {
        const std::string& detail = result.Result.Detail;
        const std::string text = fem::EnglishText(result.Result);
        const std::string reason = detail.empty() || detail == text ? "" : " (" + detail + ")";
        std::fprintf(stderr, "impactframe-cli: natural frequencies: %s%s\n", text.c_str(),
                     reason.c_str());
        return 1;
    }
    std::string csv = "mode,frequency_hz\n";
    for (size_t k = 0; k < result.Modes.size(); ++k)
        csv += std::to_string(k + 1) + "," + results::CsvNumber(result.Modes[k].FrequencyHz) + "\n";
    int status = WriteOutput("-", csv) ? 0 : 1;
    if (!o.shapesFile.empty()) {
        std::string shapes = "mode,node,ux,uy,uz,rx,ry,rz\n";
        for (size_t k = 0; k < result.Modes.size(); ++k) {
            const auto& disp = result.Modes[k].NodeDisp;
            for (size_t n = 0; n < disp.size(); ++n) {
                shapes += std::to_string(k + 1) + "," + std::to_string(n);
                for (double v : disp[n]) shapes += "," + results::CsvNumber(v);
                shapes += "\n";
            }
        }
        if (!WriteOutput(o.shapesFile, shapes)) status = 1;
    }
    return status;
}

}  // namespace cli

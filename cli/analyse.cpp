// impactframe-cli analyse: the whole analysis of a structure data file or a sample, in
// the order of the analysis command (dynamic, static, static element results), with
// the results written as CSV.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/engine.h"
#include "cli/commands.h"
#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace cli {
namespace {

const char* const kAnalyseUsage =
    "usage: impactframe-cli analyse INPUT [options]\n"
    "\n"
    "Runs the impact (Laplace-domain) analysis, then the static analysis and the static\n"
    "element results, and writes the results asked for as CSV. Units: mm, kgf, s.\n"
    "\n"
    "INPUT is a structure data file or sample:1 .. sample:4 (a sample brings its own Te).\n"
    "\n"
    "options:\n"
    "  --te S               time span Te of the response in seconds (default 0.001, or the\n"
    "                       sample's)\n"
    "  --nw N               number of time points: 256, 512, 1024, 2048, 4096 or 8192\n"
    "                       (default 512)\n"
    "  --gamma-te G         gamma x Te of the transform points (default 5)\n"
    "  --tau F              load rise time as a fraction of Te (default 0; below 0 or\n"
    "                       above 0.1 becomes 0.1)\n"
    "  --static FILE        static displacements: node,ux,uy,uz,rx,ry,rz\n"
    "  --element E --forces FILE [--global]\n"
    "                       end-force histories of element E:\n"
    "                       t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2, Nw rows; in\n"
    "                       element components with the first node's values negated\n"
    "                       (internal forces), or in global components with --global\n"
    "  --node N --displacements FILE\n"
    "                       displacement histories of node N: t,ux,uy,uz,rx,ry,rz, Nw rows\n"
    "  --correct-aliasing   write the histories corrected for aliasing: the impact analysis\n"
    "                       also solves a second line of transform points (twice its\n"
    "                       time) and removes the periodic image e^(-gamma Te) f(t + Te)\n"
    "                       that the inverse transform adds to every history\n"
    "  --error FILE         estimated aliasing error of the uncorrected histories, in the\n"
    "                       layout of the history files: the block of --forces (its header\n"
    "                       t,fx1,... and Nw rows), then that of --displacements (t,ux,...).\n"
    "                       Solves the second line too; without --correct-aliasing the\n"
    "                       histories written stay uncorrected (corrected = uncorrected -\n"
    "                       error)\n"
    "  --threads N          worker threads of the impact analysis (default: one per\n"
    "                       processor core; fewer when the memory would not hold them)\n"
    "  --verbose            report the solver, the threads used and the memory estimate\n"
    "                       on standard error\n"
    "  --help               show this help\n"
    "\n"
    "FILE - means standard output. Nodes and elements are numbered from 0; t = j Te / Nw.\n"
    "A message of the analysis (\"Gauss Error\", \"User Stop\") goes to standard error and\n"
    "the exit code is 1; results that could not be computed are then not written. Bad\n"
    "options or a bad input file exit with code 2. An analysis that would not fit in the\n"
    "memory available is refused before it starts, with its estimate, and exits with 1.\n";

struct Options {
    std::string input;
    double te = 0.0;
    bool teGiven = false;
    int nw = 512;
    double gammaTe = 5.0;
    double tau = 0.0;
    std::string staticFile;
    int element = -1;
    std::string forcesFile;
    bool global = false;
    int node = -1;
    std::string displacementsFile;
    bool correctAliasing = false;
    std::string errorFile;
    int threads = 0;
    bool verbose = false;
    bool help = false;
};

// Fills o from args; returns an empty string or the reason of a usage error.
std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
    bool elementGiven = false;
    bool nodeGiven = false;
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
        } else if (name == "--threads") {
            if (!next(v)) return "--threads needs a value";
            if (!numeric::ParseWholeNumber(v, o.threads) || o.threads < 1 || o.threads > 1024)
                return "--threads must be a number of threads from 1 to 1024, not '" + v + "'";
        } else if (name == "--correct-aliasing") {
            if (hasValue) return "--correct-aliasing takes no value";
            o.correctAliasing = true;
        } else if (name == "--error") {
            if (!next(o.errorFile)) return "--error needs a file name";
        } else if (name == "--global") {
            if (hasValue) return "--global takes no value";
            o.global = true;
        } else if (name == "--te") {
            if (!next(v)) return "--te needs a value";
            if (!numeric::ParseNumber(v, o.te) || o.te <= 0.0)
                return "--te must be a positive number of seconds, not '" + v + "'";
            o.teGiven = true;
        } else if (name == "--nw") {
            if (!next(v)) return "--nw needs a value";
            int n = 0;
            if (!numeric::ParseWholeNumber(v, n) ||
                (n != 256 && n != 512 && n != 1024 && n != 2048 && n != 4096 && n != 8192))
                return "--nw must be 256, 512, 1024, 2048, 4096 or 8192, not '" + v + "'";
            o.nw = n;
        } else if (name == "--gamma-te") {
            if (!next(v)) return "--gamma-te needs a value";
            if (!numeric::ParseNumber(v, o.gammaTe))
                return "--gamma-te must be a number, not '" + v + "'";
        } else if (name == "--tau") {
            if (!next(v)) return "--tau needs a value";
            double t = 0.0;
            if (!numeric::ParseNumber(v, t)) return "--tau must be a number, not '" + v + "'";
            o.tau = fem::ClampTau(t);
        } else if (name == "--static") {
            if (!next(o.staticFile)) return "--static needs a file name";
        } else if (name == "--element") {
            if (!next(v)) return "--element needs an element number";
            if (!numeric::ParseWholeNumber(v, o.element) || o.element < 0)
                return "--element must be an element number, not '" + v + "'";
            elementGiven = true;
        } else if (name == "--forces") {
            if (!next(o.forcesFile)) return "--forces needs a file name";
        } else if (name == "--node") {
            if (!next(v)) return "--node needs a node number";
            if (!numeric::ParseWholeNumber(v, o.node) || o.node < 0)
                return "--node must be a node number, not '" + v + "'";
            nodeGiven = true;
        } else if (name == "--displacements") {
            if (!next(o.displacementsFile)) return "--displacements needs a file name";
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option '" + name + "' for analyse";
        } else if (o.input.empty()) {
            o.input = name;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
    if (o.help) return "";
    if (o.input.empty()) return "analyse needs a structure data file or sample:1 .. sample:4";
    if (elementGiven != !o.forcesFile.empty()) return "--element and --forces go together";
    if (nodeGiven != !o.displacementsFile.empty()) return "--node and --displacements go together";
    if (o.global && !elementGiven) return "--global needs --element and --forces";
    if (!o.errorFile.empty() && o.forcesFile.empty() && o.displacementsFile.empty())
        return "--error needs --forces or --displacements";
    return "";
}

// A progress bar on standard error, redrawn only when its width changes.
class ProgressBar : public fem::AnalysisCallbacks {
  public:
    ProgressBar(const char* label, int points) : label_(label), points_(points) {}
    ~ProgressBar() override {
        if (drawn_ >= 0) std::fputs("\n", stderr);
    }
    void Progress(int k) override {
        const int width = 40;
        const int filled = static_cast<int>(static_cast<long>(k + 1) * width / points_);
        if (filled == drawn_) return;
        drawn_ = filled;
        std::fprintf(stderr, "\r%-8s [%s%s] %d/%d", label_, std::string(filled, '#').c_str(),
                     std::string(width - filled, ' ').c_str(), k + 1, points_);
        std::fflush(stderr);
    }

  private:
    const char* label_;
    int points_;
    int drawn_ = -1;
};

std::string StaticCsv(const fem::Model& model) {
    std::string csv = "node,ux,uy,uz,rx,ry,rz\n";
    for (int i = 0; i < model.NodeCount(); ++i) {
        csv += std::to_string(i);
        for (double d : model.Nodes[i].StaticDisp) csv += "," + FormatG17(d);
        csv += "\n";
    }
    return csv;
}

std::string HistoryCsv(const char* header, const numeric::RealMatrix& h) {
    const fem::AnalysisState& a = fem::Analysis();
    std::string csv = header;
    csv.reserve(csv.size() + static_cast<size_t>(a.Nw) * (h.Rows() + 1) * 24);
    for (int j = 0; j < a.Nw; ++j) {
        csv += FormatG17(j * a.Te / a.Nw);
        for (int c = 0; c < h.Rows(); ++c) {
            csv += ',';
            csv += FormatG17(h(c, j));
        }
        csv += '\n';
    }
    return csv;
}

}  // namespace

int RunAnalyse(const std::vector<std::string>& args) {
    Options o;
    const std::string why = ParseOptions(args, o);
    if (!why.empty()) return UsageError(why);
    if (o.help) {
        std::fputs(kAnalyseUsage, stdout);
        return 0;
    }

    fem::Model model;
    double te = 0.001;
    if (o.input.rfind("sample:", 0) == 0) {
        const std::string n = o.input.substr(7);
        if (n.size() != 1 || n[0] < '1' || n[0] > '4')
            return UsageError("no sample '" + n + "' (sample:1 .. sample:4)");
        te = fem::BuildSample(model, n[0] - '0').Te;
    } else {
        fem::DataFileError error;
        if (!fem::StructDataReadFile(model, o.input, &error)) {
            std::fprintf(stderr, "impactframe-cli: %s\n", error.Message().c_str());
            return 2;
        }
    }
    if (o.teGiven) te = o.te;
    if (o.element >= model.ElementCount())
        return UsageError("no element " + std::to_string(o.element) + " (the structure has " +
                          std::to_string(model.ElementCount()) + " elements)");
    if (o.node >= model.NodeCount())
        return UsageError("no node " + std::to_string(o.node) + " (the structure has " +
                          std::to_string(model.NodeCount()) + " nodes)");

    const bool tty = isatty(STDERR_FILENO) != 0;
    fem::Analysis().Threads = o.threads;
    // The error estimate needs the second line as much as the correction does.
    const bool secondLine = o.correctAliasing || !o.errorFile.empty();
    fem::Analysis().CorrectAliasing = secondLine;
    fem::AnalysisMessages messages;
    {
        ProgressBar bar("analyse", fem::DynamicPointCount(o.nw, secondLine));
        messages = fem::RunAnalysis(model, o.nw, o.gammaTe, te, o.tau, tty ? &bar : nullptr);
    }
    if (o.verbose) {
        const fem::SolverReport& r = fem::Analysis().LastRun;
        const double mb = 1024.0 * 1024.0;
        std::fprintf(stderr,
                     "impactframe-cli: %d nodes, %d elements, %d free degrees of freedom\n"
                     "impactframe-cli: solver: %s\n"
                     "impactframe-cli: threads: %d\n"
                     "impactframe-cli: memory: about %.0f MB estimated, %.0f MB available\n",
                     model.NodeCount(), model.ElementCount(), fem::Analysis().FreeDofCount,
                     r.Solver.c_str(), r.Threads, std::ceil(r.EstimatedBytes / mb),
                     std::floor(r.AvailableBytes / mb));
    }
    int status = 0;
    if (!messages.Dynamic.empty()) {
        std::fprintf(stderr, "impactframe-cli: dynamic solution: %s\n", messages.Dynamic.c_str());
        status = 1;
    }
    if (!messages.Static.empty()) {
        std::fprintf(stderr, "impactframe-cli: static solution: %s\n", messages.Static.c_str());
        status = 1;
    }

    if (!o.staticFile.empty() && messages.Static.empty()) {
        if (!WriteOutput(o.staticFile, StaticCsv(model))) status = 1;
    }
    const bool dynamicOk = fem::Analysis().DynamicComplete;
    const char* const forcesHeader = "t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2\n";
    const char* const displacementsHeader = "t,ux,uy,uz,rx,ry,rz\n";
    auto shown = [&](const fem::HistoryResult& h) -> const numeric::RealMatrix& {
        return o.correctAliasing ? h.Corrected : h.Uncorrected;
    };
    std::string errorCsv;
    if (!o.forcesFile.empty() && dynamicOk) {
        fem::HistoryResult h;
        {
            ProgressBar bar("forces", o.nw / 2 + 1);
            fem::ElementForceHistory(model, o.element, h, o.global ? 1 : 0, tty ? &bar : nullptr);
        }
        if (!WriteOutput(o.forcesFile, HistoryCsv(forcesHeader, shown(h)))) status = 1;
        if (secondLine) errorCsv += HistoryCsv(forcesHeader, h.EstimatedError);
    }
    if (!o.displacementsFile.empty() && dynamicOk) {
        fem::HistoryResult h;
        fem::NodeDisplacementHistory(model, o.node, h);
        if (!WriteOutput(o.displacementsFile, HistoryCsv(displacementsHeader, shown(h))))
            status = 1;
        if (secondLine) errorCsv += HistoryCsv(displacementsHeader, h.EstimatedError);
    }
    if (!o.errorFile.empty() && dynamicOk) {
        if (!WriteOutput(o.errorFile, errorCsv)) status = 1;
    }
    return status;
}

}  // namespace cli

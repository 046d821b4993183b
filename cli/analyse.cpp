// impactframe-cli analyse: the whole analysis of a structure data file or a sample, in
// the order of the analysis command (dynamic, static, static element results), with
// the results written as CSV.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/analysisrun.h"
#include "cli/commands.h"
#include "cli/mpi_analysis.h"
#include "cli/mpi_job.h"
#include "model/model.h"
#include "numeric/numbertext.h"
#include "results/historytable.h"

namespace cli {
namespace {

const std::string kAnalyseUsage =
    std::string(
        "usage: impactframe-cli analyse INPUT [options]\n"
        "\n"
        "Runs the impact (Laplace-domain) analysis, then the static analysis and the "
        "static\n"
        "element results, and writes the results asked for as CSV. Units: mm, kgf, s.\n"
        "\n"
        "INPUT is a structure data file or sample:1 .. sample:4 (a sample brings its "
        "own Te).\n"
        "\n"
        "options:\n") +
    kAnalysisOptionsHelp +
    "  --static FILE        static displacements: node,ux,uy,uz,rx,ry,rz\n"
    "  --element E --forces FILE [--global]\n"
    "                       end-force histories of element E:\n"
    "                       t,fx1,fy1,fz1,mx1,my1,mz1,fx2,fy2,fz2,mx2,my2,mz2, Nw rows; in\n"
    "                       element components with the first node's values negated\n"
    "                       (internal forces), or in global components with --global\n"
    "  --node N --displacements FILE\n"
    "                       displacement histories of node N: t,ux,uy,uz,rx,ry,rz, Nw rows\n"
    "  --quantity Q         what --displacements writes: displacement (default), velocity\n"
    "                       (t,vx,vy,vz,vrx,vry,vrz; mm/s, rad/s) or acceleration\n"
    "                       (t,ax,ay,az,arx,ary,arz; mm/s^2, rad/s^2)\n"
    "  --relative           with --displacements: translations relative to the ground\n"
    "                       (without it absolute; the same without ground motion)\n"
    "  --reactions FILE     reaction histories of every fixed (\"u\") degree of freedom, and\n"
    "                       every one on a spring, of the nodes elements join:\n"
    "                       t,NODE_fx,...,NODE_mz (e.g. 0_fz), the force or moment of the\n"
    "                       support (or the spring) on the structure, global axes\n"
    "  --impact-force FILE  force of the dropped weight on the node it strikes: t,fx,fy,fz\n"
    "                       (global components, Nw rows): the attached weight's mass times\n"
    "                       its deceleration, the impulse of the strike taken out (see\n"
    "                       impactframe-format(5))\n"
    "  --spring-forces FILE static forces in the springs to the ground, k u:\n"
    "                       node,fx,fy,fz,mx,my,mz for every node with a spring (the\n"
    "                       reaction of a spring support is their negative)\n"
    "  --correct-aliasing   write the histories corrected for aliasing: the impact analysis\n"
    "                       also solves a second line of transform points (twice its\n"
    "                       time) and removes the periodic image e^(-gamma Te) f(t + Te)\n"
    "                       that the inverse transform adds to every history\n"
    "  --error FILE         estimated aliasing error of the uncorrected histories, in the\n"
    "                       layout of the history files: the block of --forces (its header\n"
    "                       t,fx1,... and Nw rows), then that of --displacements (t,ux,...),\n"
    "                       then that of --impact-force (t,fx,fy,fz).\n"
    "                       Solves the second line too; without --correct-aliasing the\n"
    "                       histories written stay uncorrected (corrected = uncorrected -\n"
    "                       error)\n"
    "  --timoshenko         every member with a shear area bends as a Timoshenko member\n"
    "                       (shear deformation and rotary inertia), as the data file's\n"
    "                       \"timoshenko\": true makes one member\n"
    "  --help               show this help\n"
    "\n"
    "FILE - means standard output. Nodes and elements are numbered from 0; t = j Te / Nw.\n"
    "A message of the analysis (\"Gauss Error\", \"User Stop\") goes to standard error and\n"
    "the exit code is 1; results that could not be computed are then not written. Bad\n"
    "options or a bad input file exit with code 2. An analysis that would not fit in the\n"
    "memory available is refused before it starts, with its estimate, and exits with 1.\n";

struct Options {
    AnalysisOptions analysis;
    std::string staticFile;
    int element = -1;
    std::string forcesFile;
    bool global = false;
    int node = -1;
    std::string displacementsFile;
    std::string impactForceFile;
    std::string springForcesFile;
    std::string errorFile;
    bool timoshenko = false;
    fem::ResponseQuantity quantity = fem::ResponseQuantity::Displacement;
    bool quantityGiven = false;
    bool relative = false;
    std::string reactionsFile;
    bool help = false;
};

// Fills o from args; returns an empty string or the reason of a usage error.
std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
    bool elementGiven = false;
    bool nodeGiven = false;
    const std::string why = ReadCommandOptions(
        args, "analyse", o.analysis, o.help,
        [&](ArgumentReader& reader, const std::string& name) -> std::optional<std::string> {
            if (name == "--error") {
                if (!reader.Value(o.errorFile)) return "--error needs a file name";
            } else if (name == "--timoshenko") {
                if (reader.HasJoinedValue()) return "--timoshenko takes no value";
                o.timoshenko = true;
            } else if (name == "--global") {
                if (reader.HasJoinedValue()) return "--global takes no value";
                o.global = true;
            } else if (name == "--static") {
                if (!reader.Value(o.staticFile)) return "--static needs a file name";
            } else if (name == "--element") {
                elementGiven = true;
                return ReadIndexOption(reader, name, "an element number", o.element);
            } else if (name == "--forces") {
                if (!reader.Value(o.forcesFile)) return "--forces needs a file name";
            } else if (name == "--node") {
                nodeGiven = true;
                return ReadIndexOption(reader, name, "a node number", o.node);
            } else if (name == "--displacements") {
                if (!reader.Value(o.displacementsFile)) return "--displacements needs a file name";
            } else if (name == "--quantity") {
                std::string q;
                if (!reader.Value(q))
                    return "--quantity needs displacement, velocity or acceleration";
                if (q == "displacement")
                    o.quantity = fem::ResponseQuantity::Displacement;
                else if (q == "velocity")
                    o.quantity = fem::ResponseQuantity::Velocity;
                else if (q == "acceleration")
                    o.quantity = fem::ResponseQuantity::Acceleration;
                else
                    return "--quantity must be displacement, velocity or acceleration, not '" + q +
                           "'";
                o.quantityGiven = true;
            } else if (name == "--relative") {
                if (reader.HasJoinedValue()) return "--relative takes no value";
                o.relative = true;
            } else if (name == "--reactions") {
                if (!reader.Value(o.reactionsFile)) return "--reactions needs a file name";
            } else if (name == "--impact-force") {
                if (!reader.Value(o.impactForceFile)) return "--impact-force needs a file name";
            } else if (name == "--spring-forces") {
                if (!reader.Value(o.springForcesFile)) return "--spring-forces needs a file name";
            } else {
                return std::nullopt;
            }
            return "";
        });
    if (!why.empty()) return why;
    if (o.help) return "";
    if (o.analysis.input.empty())
        return "analyse needs a structure data file or sample:1 .. sample:4";
    if (elementGiven != !o.forcesFile.empty()) return "--element and --forces go together";
    if (nodeGiven != !o.displacementsFile.empty()) return "--node and --displacements go together";
    if (o.global && !elementGiven) return "--global needs --element and --forces";
    if ((o.quantityGiven || o.relative) && !nodeGiven)
        return "--quantity and --relative need --node and --displacements";
    if (!o.errorFile.empty() && o.forcesFile.empty() && o.displacementsFile.empty() &&
        o.impactForceFile.empty())
        return "--error needs --forces, --displacements or --impact-force";
    return "";
}

// Writes the results asked for from a finished analysis: the static displacements when
// the static solution completed, the histories when the dynamic one did (impact then
// holds every point of the nodes asked for). Returns the exit code.
int WriteResults(const Options& o, const fem::Outcome& dynamic, const fem::ImpactSolution* impact,
                 const fem::StaticSolution* statics) {
    const bool staticOk = statics && statics->Complete();
    const bool dynamicOk = dynamic.Complete() && impact;
    int status = dynamicOk && staticOk ? 0 : 1;
    if (!o.staticFile.empty() && staticOk) {
        if (!WriteOutput(o.staticFile, StaticCsv(*statics))) status = 1;
    }
    if (!o.springForcesFile.empty() && staticOk) {
        if (!WriteOutput(o.springForcesFile, SpringForceCsv(impact->Structure(), *statics)))
            status = 1;
    }
    if (!dynamicOk) return status;
    auto shown = [&](const fem::HistoryResult& h) -> const numeric::RealMatrix& {
        return o.analysis.correctAliasing ? h.Corrected : h.Uncorrected;
    };
    auto csv = [&](results::GraphKind kind, const numeric::RealMatrix& h) {
        return results::HistoryCsv(kind, h, impact->Settings().Nw, impact->Settings().Te);
    };
    std::string errorCsv;
    if (!o.forcesFile.empty()) {
        const fem::HistoryResult h = ElementHistories(*impact, o.element, o.global);
        const auto kind = results::GraphKind::ElementForces;
        if (!WriteOutput(o.forcesFile, csv(kind, shown(h)))) status = 1;
        if (o.analysis.secondLine) errorCsv += csv(kind, h.EstimatedError);
    }
    if (!o.displacementsFile.empty()) {
        const fem::HistoryResult h = fem::NodeResponseHistory(
            *impact, o.node, o.quantity,
            o.relative ? fem::GroundFrame::RelativeToGround : fem::GroundFrame::Absolute);
        const auto kind = results::GraphKind::NodeDisplacements;
        auto named = [&](std::string table) { return WithQuantityHeader(table, o.quantity); };
        if (!WriteOutput(o.displacementsFile, named(csv(kind, shown(h))))) status = 1;
        if (o.analysis.secondLine) errorCsv += named(csv(kind, h.EstimatedError));
    }
    if (!o.reactionsFile.empty()) {
        const std::vector<fem::SupportDof> dofs = fem::SupportDofs(impact->Structure());
        const fem::HistoryResult h = ReactionHistories(*impact, dofs);
        if (!WriteOutput(o.reactionsFile, ReactionCsv(dofs, shown(h), impact->Settings())))
            status = 1;
    }
    if (!o.impactForceFile.empty()) {
        const fem::HistoryResult h = fem::ImpactForceHistory(*impact);
        const auto kind = results::GraphKind::ImpactForce;
        if (!WriteOutput(o.impactForceFile, csv(kind, shown(h)))) status = 1;
        if (o.analysis.secondLine) errorCsv += csv(kind, h.EstimatedError);
    }
    if (!o.errorFile.empty()) {
        if (!WriteOutput(o.errorFile, errorCsv)) status = 1;
    }
    return status;
}

// The nodes whose spectra the history files need.
std::vector<int> NodesWritten(const Options& o, const fem::Model& model) {
    std::vector<int> nodes;
    if (!o.forcesFile.empty())
        for (const int n : model.Elements[o.element].EndNode) nodes.push_back(n);
    if (!o.displacementsFile.empty()) nodes.push_back(o.node);
    if (!o.reactionsFile.empty())
        for (const int n : ReactionNodes(model)) nodes.push_back(n);
    if (!o.impactForceFile.empty() && model.Impact()) nodes.push_back(model.Impact()->Node);
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    return nodes;
}

// The analysis over the processes of an mpirun job; rank 0 reads, reports and writes,
// and every process returns the same exit code for the dynamic solution.
int AnalyseOverJobs(Options& o) {
    mpi::CatchStopSignals();
    if (o.analysis.threads == 0) o.analysis.threads = mpi::ThreadsPerProcess();
    const bool root = mpi::Rank() == 0;
    fem::Model model;
    double te = 0.0;
    if (const int code = LoadInputOverJob(o.analysis, model, te)) return code;
    if (o.timoshenko) {
        if (const int code = UseTimoshenko(model, !root)) return code;
    }
    if (const int code = CheckElementAndNode(model, o.element, o.node, !root)) return code;
    if (!o.impactForceFile.empty() && !model.Impact())
        return root ? UsageError("--impact-force: the structure has no dropped weight") : 2;
    if (!o.errorFile.empty()) o.analysis.secondLine = true;
    const JobAnalysis job = AnalyseOverJob(model, o.analysis, te, NodesWritten(o, model));
    if (!root) return job.Dynamic.Complete() ? 0 : 1;
    return WriteResults(o, job.Dynamic, job.Impact.get(), job.Static.get());
}

}  // namespace

int RunAnalyse(const std::vector<std::string>& args) {
    const bool speaks = mpi::Rank() == 0;
    Options o;
    const std::string why = ParseOptions(args, o);
    if (!why.empty()) return speaks ? UsageError(why) : 2;
    if (o.help) {
        if (speaks) std::fputs(kAnalyseUsage.c_str(), stdout);
        return 0;
    }
    if (mpi::Shared()) return AnalyseOverJobs(o);

    fem::Model model;
    double te = 0.0;
    if (const int code = LoadInput(o.analysis, model, te)) return code;
    if (o.timoshenko) {
        if (const int code = UseTimoshenko(model)) return code;
    }
    if (const int code = CheckElementAndNode(model, o.element, o.node)) return code;
    if (!o.impactForceFile.empty() && !model.Impact())
        return UsageError("--impact-force: the structure has no dropped weight");
    // The error estimate needs the second line as much as the correction does.
    if (!o.errorFile.empty()) o.analysis.secondLine = true;

    const fem::AnalysisResult result = AnalyseStructure(model, o.analysis, te);
    return WriteResults(o, result.Impact->Result(), result.Impact.get(), result.Static.get());
}

}  // namespace cli

#include "cli/analysisrun.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "cli/commands.h"
#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/numbertext.h"
#include "results/historytable.h"
#include "version/version.h"

namespace cli {

const char* const kAnalysisOptionsHelp =
    "  --te S               time span Te of the response in seconds (default 0.001, or the\n"
    "                       sample's)\n"
    "  --nw N               number of time points: 256, 512, 1024, 2048, 4096 or 8192\n"
    "                       (default 512)\n"
    "  --gamma-te G         gamma x Te of the transform points (default 5)\n"
    "  --tau F              load rise time as a fraction of Te (default 0; below 0 or\n"
    "                       above 0.1 becomes 0.1)\n"
    "  --correct-aliasing   histories corrected for aliasing: the impact analysis also\n"
    "                       solves a second line of transform points (twice its time)\n"
    "                       and removes the periodic image e^(-gamma Te) f(t + Te) that\n"
    "                       the inverse transform adds to every history\n"
    "  --threads N          worker threads of the impact analysis (default: one per\n"
    "                       processor core; fewer when the memory would not hold them)\n"
    "  --verbose            report the solver, the threads used and the memory estimate\n"
    "                       on standard error\n";

bool ArgumentReader::Next() {
    if (next_ >= args_.size()) return false;
    name_ = args_[next_++];
    joined_ = false;
    const size_t eq = name_.find('=');
    if (name_.rfind("--", 0) == 0 && eq != std::string::npos) {
        value_ = name_.substr(eq + 1);
        name_ = name_.substr(0, eq);
        joined_ = true;
    }
    return true;
}

bool ArgumentReader::Value(std::string& out) {
    if (joined_) {
        out = value_;
        return true;
    }
    if (next_ >= args_.size()) return false;
    out = args_[next_++];
    return true;
}

OptionRead ReadAnalysisOption(ArgumentReader& reader, AnalysisOptions& o, std::string& why) {
    const std::string& name = reader.Name();
    std::string v;
    if (name == "--te") {
        if (!reader.Value(v)) {
            why = "--te needs a value";
        } else if (!numeric::ParseNumber(v, o.te) || o.te <= 0.0) {
            why = "--te must be a positive number of seconds, not '" + v + "'";
        } else {
            o.teGiven = true;
            return OptionRead::Read;
        }
    } else if (name == "--nw") {
        int n = 0;
        if (!reader.Value(v)) {
            why = "--nw needs a value";
        } else if (!numeric::ParseWholeNumber(v, n) ||
                   (n != 256 && n != 512 && n != 1024 && n != 2048 && n != 4096 && n != 8192)) {
            why = "--nw must be 256, 512, 1024, 2048, 4096 or 8192, not '" + v + "'";
        } else {
            o.nw = n;
            return OptionRead::Read;
        }
    } else if (name == "--gamma-te") {
        if (!reader.Value(v)) {
            why = "--gamma-te needs a value";
        } else if (!numeric::ParseNumber(v, o.gammaTe)) {
            why = "--gamma-te must be a number, not '" + v + "'";
        } else {
            return OptionRead::Read;
        }
    } else if (name == "--tau") {
        double t = 0.0;
        if (!reader.Value(v)) {
            why = "--tau needs a value";
        } else if (!numeric::ParseNumber(v, t)) {
            why = "--tau must be a number, not '" + v + "'";
        } else {
            o.tau = fem::ClampTau(t);
            return OptionRead::Read;
        }
    } else if (name == "--threads") {
        if (!reader.Value(v)) {
            why = "--threads needs a value";
        } else if (!numeric::ParseWholeNumber(v, o.threads) || o.threads < 1 || o.threads > 1024) {
            why = "--threads must be a number of threads from 1 to 1024, not '" + v + "'";
        } else {
            return OptionRead::Read;
        }
    } else if (name == "--correct-aliasing") {
        if (reader.HasJoinedValue()) {
            why = "--correct-aliasing takes no value";
        } else {
            o.correctAliasing = o.secondLine = true;
            return OptionRead::Read;
        }
    } else if (name == "--verbose") {
        if (reader.HasJoinedValue()) {
            why = "--verbose takes no value";
        } else {
            o.verbose = true;
            return OptionRead::Read;
        }
    } else {
        return OptionRead::NotMine;
    }
    return OptionRead::Error;
}

std::string ReadCommandOptions(const std::vector<std::string>& args, const std::string& command,
                               AnalysisOptions& analysis, bool& help, const OwnOptionReader& own) {
    ArgumentReader reader(args);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        std::string why;
        const OptionRead read = ReadAnalysisOption(reader, analysis, why);
        if (read == OptionRead::Error) return why;
        if (read == OptionRead::Read) continue;
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (const std::optional<std::string> ownRead = own(reader, name)) {
            if (!ownRead->empty()) return *ownRead;
        } else if (name.size() > 1 && name[0] == '-') {
            return "unknown option '" + name + "' for " + command;
        } else if (analysis.input.empty()) {
            analysis.input = name;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
    return "";
}

std::string ReadIndexOption(ArgumentReader& reader, const std::string& option,
                            const std::string& what, int& index) {
    std::string v;
    if (!reader.Value(v)) return option + " needs " + what;
    if (!numeric::ParseWholeNumber(v, index) || index < 0)
        return option + " must be " + what + ", not '" + v + "'";
    return "";
}

int LoadInput(const AnalysisOptions& o, fem::Model& model, double& te) {
    te = 0.001;
    if (const int status = LoadStructure(o.input, model, &te)) return status;
    if (o.teGiven) te = o.te;
    return 0;
}

namespace {

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

bool OnTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

}  // namespace

int CheckElementAndNode(const fem::Model& model, int element, int node, bool quiet) {
    if (quiet) return element >= model.ElementCount() || node >= model.NodeCount() ? 2 : 0;
    if (element >= model.ElementCount())
        return UsageError("no element " + std::to_string(element) + " (the structure has " +
                          std::to_string(model.ElementCount()) + " elements)");
    if (node >= model.NodeCount())
        return UsageError("no node " + std::to_string(node) + " (the structure has " +
                          std::to_string(model.NodeCount()) + " nodes)");
    return 0;
}

fem::AnalysisSettings SettingsOf(const AnalysisOptions& o, double te) {
    fem::AnalysisSettings settings;
    settings.Nw = o.nw;
    settings.GammaTe = o.gammaTe;
    settings.Te = te;
    settings.Tau = o.tau;
    settings.CorrectAliasing = o.secondLine;
    settings.Threads = o.threads;
    return settings;
}

void ReportRun(const fem::Model& model, int freeDofs, const fem::SolverReport& r) {
    const double mb = 1024.0 * 1024.0;
    std::fprintf(stderr,
                 "impactframe-cli: %d nodes, %d elements, %d free degrees of freedom\n"
                 "impactframe-cli: solver: %s\n"
                 "impactframe-cli: instruction set: %s\n"
                 "impactframe-cli: threads: %d\n"
                 "impactframe-cli: memory: about %.0f MB estimated, %.0f MB available\n",
                 model.NodeCount(), model.ElementCount(), freeDofs, r.Solver.c_str(),
                 version::InstructionSet(), r.Threads, std::ceil(r.EstimatedBytes / mb),
                 std::floor(r.AvailableBytes / mb));
}

void ReportOutcomes(const fem::Outcome& dynamic, const fem::StaticSolution* statics) {
    if (dynamic.Kind == fem::OutcomeKind::WouldNotFit)
        std::fprintf(stderr, "impactframe-cli: %s\n", fem::EnglishText(dynamic).c_str());
    else if (!dynamic.Complete())
        std::fprintf(stderr, "impactframe-cli: dynamic solution: %s\n",
                     fem::EnglishText(dynamic).c_str());
    if (statics && !statics->Complete())
        std::fprintf(stderr, "impactframe-cli: static solution: %s\n",
                     fem::EnglishText(statics->Result).c_str());
}

fem::AnalysisResult AnalyseStructure(const fem::Model& model, const AnalysisOptions& o, double te) {
    const fem::AnalysisSettings settings = SettingsOf(o, te);
    fem::AnalysisResult result;
    {
        ProgressBar bar("analyse", settings.Points());
        result = fem::RunAnalysis(model, settings, OnTerminal() ? &bar : nullptr);
    }
    const fem::ImpactSolution& impact = *result.Impact;
    if (o.verbose) ReportRun(model, impact.Numbering().FreeDofCount, impact.Report());
    ReportOutcomes(impact.Result(), result.Static.get());
    return result;
}

std::string StaticCsv(const fem::StaticSolution& statics) {
    std::string csv = "node,ux,uy,uz,rx,ry,rz\n";
    for (size_t i = 0; i < statics.NodeDisp.size(); ++i) {
        csv += std::to_string(i);
        for (double d : statics.NodeDisp[i]) csv += "," + results::CsvNumber(d);
        csv += "\n";
    }
    return csv;
}

std::string SpringForceCsv(const fem::Model& model, const fem::StaticSolution& statics) {
    std::string csv = "node,fx,fy,fz,mx,my,mz\n";
    for (int i = 0; i < model.NodeCount(); ++i) {
        if (model.Nodes[i].Springs == std::array<double, 6>{}) continue;
        csv += std::to_string(i);
        for (double f : statics.SpringForce[i]) csv += "," + results::CsvNumber(f);
        csv += "\n";
    }
    return csv;
}

fem::HistoryResult ElementHistories(const fem::ImpactSolution& solution, int element, bool global) {
    ProgressBar bar("forces", solution.PointsPerLine());
    return fem::ElementForceHistory(solution, element,
                                    global ? fem::ForceAxes::Global : fem::ForceAxes::Element,
                                    OnTerminal() ? &bar : nullptr);
}

fem::HistoryResult NodeHistories(const fem::ImpactSolution& solution, int node) {
    return fem::NodeDisplacementHistory(solution, node);
}

fem::HistoryResult ReactionHistories(const fem::ImpactSolution& solution,
                                     const std::vector<fem::SupportDof>& dofs) {
    ProgressBar bar("reactions", solution.PointsPerLine());
    return fem::ReactionHistory(solution, dofs, OnTerminal() ? &bar : nullptr);
}

std::vector<int> ReactionNodes(const fem::Model& model) {
    std::vector<bool> support(model.NodeCount(), false);
    for (const fem::SupportDof& d : fem::SupportDofs(model)) support[d.Node] = true;
    std::vector<int> nodes;
    for (const fem::ElementRecord& e : model.Elements)
        if (support[e.EndNode[0]] || support[e.EndNode[1]])
            nodes.insert(nodes.end(), e.EndNode.begin(), e.EndNode.end());
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    return nodes;
}

std::string ReactionCsv(const std::vector<fem::SupportDof>& dofs,
                        const numeric::RealMatrix& history, const fem::AnalysisSettings& settings) {
    static const char* const kNames[6] = {"fx", "fy", "fz", "mx", "my", "mz"};
    std::string csv = "t";
    for (const fem::SupportDof& d : dofs) csv += "," + std::to_string(d.Node) + "_" + kNames[d.Dof];
    csv += "\n";
    for (int j = 0; j < settings.Nw; ++j) {
        csv += results::CsvNumber(j * settings.Te / settings.Nw);
        for (size_t c = 0; c < dofs.size(); ++c)
            csv += "," + results::CsvNumber(history(static_cast<int>(c), j));
        csv += "\n";
    }
    return csv;
}

std::string WithQuantityHeader(const std::string& table, fem::ResponseQuantity quantity) {
    const char* header = quantity == fem::ResponseQuantity::Velocity ? "t,vx,vy,vz,vrx,vry,vrz"
                         : quantity == fem::ResponseQuantity::Acceleration
                             ? "t,ax,ay,az,arx,ary,arz"
                             : nullptr;
    if (!header) return table;
    const size_t end = table.find('\n');
    return header + table.substr(end == std::string::npos ? table.size() : end);
}

}  // namespace cli

#pragma once
// What the commands that analyse a structure share (analyse, plot): reading options
// with their values, the input (a structure data file or sample:N), the analysis
// options --te, --nw, --gamma-te and --tau, and running the analysis and the
// inverse transforms with a progress bar on standard error.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "numeric/matrix.h"

namespace cli {

// Walks through a command's arguments; an option's value may follow it or be joined to
// it with "=" ("--nw 1024", "--nw=1024").
class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}
    // Moves to the next argument; false after the last.
    bool Next();
    // The argument, without an "=value" part.
    [[nodiscard]] const std::string& Name() const { return name_; }
    [[nodiscard]] bool HasJoinedValue() const { return joined_; }
    // The option's value: the joined one or the next argument; false when there is none.
    bool Value(std::string& out);

  private:
    const std::vector<std::string>& args_;
    size_t next_ = 0;
    std::string name_;
    std::string value_;
    bool joined_ = false;
};

struct AnalysisOptions {
    std::string input;  // data file or sample:1 .. sample:4
    double te = 0.0;
    bool teGiven = false;
    int nw = 512;
    double gammaTe = 5.0;
    double tau = 0.0;
    int threads = 0;               // worker threads; 0: one per processor core
    bool verbose = false;          // report the solver, the threads and the memory estimate
    bool correctAliasing = false;  // histories corrected for aliasing
    bool secondLine = false;       // solve the second line of transform points
};

// The help lines of --te, --nw, --gamma-te, --tau, --correct-aliasing, --threads and
// --verbose.
extern const char* const kAnalysisOptionsHelp;

enum class OptionRead { NotMine, Read, Error };
// Reads the argument under the reader when it is one of the analysis options; on a
// bad value returns Error with the reason in why.
OptionRead ReadAnalysisOption(ArgumentReader& reader, AnalysisOptions& options, std::string& why);

// Reads a command's own option `name` (with its value from the reader): no value when
// the name is not one of its options, else "" or the reason of a usage error.
using OwnOptionReader =
    std::function<std::optional<std::string>(ArgumentReader& reader, const std::string& name)>;

// Reads the arguments of a command that analyses: the analysis options, --help (or -h)
// into help, the command's own options through own, and the input. Returns "" or the
// reason of a usage error, which names the command for an unknown option.
std::string ReadCommandOptions(const std::vector<std::string>& args, const std::string& command,
                               AnalysisOptions& analysis, bool& help, const OwnOptionReader& own);

// The value of --element or --node (named by option, "an element number" or "a node
// number" by what): a number of 0 or more. Returns "" or the reason of a usage error.
std::string ReadIndexOption(ArgumentReader& reader, const std::string& option,
                            const std::string& what, int& index);

// Reads the input into model and sets te (the sample's, else 0.001, unless --te gave
// one). Returns 0, or 2 after printing why the input cannot be read.
int LoadInput(const AnalysisOptions& options, fem::Model& model, double& te);

// Refuses (exit code 2, after the reason unless quiet) an element or node number beyond
// the model; -1 stands for none. Returns 0 when both are fine.
int CheckElementAndNode(const fem::Model& model, int element, int node, bool quiet = false);

// The settings of the analysis options with the time span te.
fem::AnalysisSettings SettingsOf(const AnalysisOptions& options, double te);

// Runs the dynamic and static analysis with the static element results; what ended a
// solution ("Gauss Error", "User Stop", a memory refusal) goes to standard error.
fem::AnalysisResult AnalyseStructure(const fem::Model& model, const AnalysisOptions& options,
                                     double te);

// On standard error: the structure, the solver, its threads and memory (--verbose); what
// ended the dynamic solution and the static one when they did not complete.
void ReportRun(const fem::Model& model, int freeDofs, const fem::SolverReport& report);
void ReportOutcomes(const fem::Outcome& dynamic, const fem::StaticSolution* statics);

// The static displacements as CSV: node,ux,uy,uz,rx,ry,rz.
std::string StaticCsv(const fem::StaticSolution& statics);
// The static forces in the springs to the ground as CSV: node,fx,fy,fz,mx,my,mz for every
// node of model with a spring.
std::string SpringForceCsv(const fem::Model& model, const fem::StaticSolution& statics);

// The end-force histories of element (12 x Nw) and the displacement histories of node
// (6 x Nw) of a complete solution, with a progress bar where it takes long. With the
// second line solved they also hold the corrected histories and the estimated aliasing
// error of the uncorrected ones.
fem::HistoryResult ElementHistories(const fem::ImpactSolution& solution, int element, bool global);
fem::HistoryResult NodeHistories(const fem::ImpactSolution& solution, int node);

// The reaction histories of the listed supports, with a progress bar where it takes long.
fem::HistoryResult ReactionHistories(const fem::ImpactSolution& solution,
                                     const std::vector<fem::SupportDof>& dofs);
// The nodes whose spectra the reactions need: the supports' nodes and their neighbours.
std::vector<int> ReactionNodes(const fem::Model& model);
// t,NODE_fx,... (fx, fy, fz, mx, my, mz) and Nw rows.
std::string ReactionCsv(const std::vector<fem::SupportDof>& dofs,
                        const numeric::RealMatrix& history, const fem::AnalysisSettings& settings);
// A node history table with the header of the quantity: t,ux,... for displacements,
// t,vx,vy,vz,vrx,vry,vrz for velocities, t,ax,ay,az,arx,ary,arz for accelerations.
std::string WithQuantityHeader(const std::string& table, fem::ResponseQuantity quantity);

}  // namespace cli

// impactframe-cli batch: many structure data files analysed as analyse would, one after
// another or dealt out to the processes of an mpirun job, with a summary of them all.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/run_analysis.h"
#include "cli/analysisrun.h"
#include "cli/commands.h"
#include "cli/mpi_batch.h"
#include "cli/mpi_job.h"
#include "model/datafile.h"
#include "numeric/failure.h"
#include "results/historytable.h"

namespace cli {
namespace {

const std::string kBatchUsage =
    std::string(
        "usage: impactframe-cli batch FILE... --out DIR [options]\n"
        "\n"
        "Analyses every structure data file as analyse does and writes, for a file NAME.txt\n"
        "(NAME: its name without the last extension), into DIR:\n"
        "  NAME-static.csv         static displacements (as analyse --static)\n"
        "  NAME-forces.csv         with --element: end-force histories of the element (as\n"
        "                          analyse --forces)\n"
        "  NAME-displacements.csv  with --node: displacement histories of the node (as\n"
        "                          analyse --displacements)\n"
        "and DIR/summary.csv, one row per file in the order given:\n"
        "  file,status,seconds,nodes,elements,max_static_displacement,max_force,\n"
        "  max_displacement,message\n"
        "status is ok, failed, stopped or not run; max_static_displacement is the largest\n"
        "static translation |(ux,uy,uz)| of a node, max_force the largest |fx|, |fy| or |fz|\n"
        "of the element's force histories, max_displacement the largest |(ux,uy,uz)| of the\n"
        "node's histories (empty when not asked for or not computed).\n"
        "\n"
        "options:\n") +
    kAnalysisOptionsHelp +
    "  --out DIR            folder of the results, made when missing\n"
    "  --element E [--global]\n"
    "                       write the end-force histories of element E of every file, in\n"
    "                       element components, or global ones with --global\n"
    "  --node N             write the displacement histories of node N of every file\n"
    "  --help               show this help\n"
    "\n"
    "Te is 0.001 s unless --te gives it. A file that cannot be read or analysed (or whose\n"
    "structure has no element E or node N) is reported on standard error and in the\n"
    "summary, and the other files still run; the exit code is then 1, and 2 for bad\n"
    "options. Started by mpirun, the processes take the files one at a time, each with its\n"
    "own worker threads (--threads per process): a process that finishes a file takes the\n"
    "next. The files and DIR must then be reachable under the same paths from every\n"
    "machine; summary.csv is written by rank 0.\n";

struct BatchOptions {
    AnalysisOptions analysis;
    std::vector<std::string> files;
    std::string out;
    int element = -1;
    bool global = false;
    int node = -1;
    bool help = false;
};

std::string ParseOptions(const std::vector<std::string>& args, BatchOptions& o) {
    std::string why = ReadCommandOptions(
        args, "batch", o.analysis, o.help,
        [&](ArgumentReader& reader, const std::string& name) -> std::optional<std::string> {
            if (name == "--out") {
                if (!reader.Value(o.out)) return "--out needs a folder";
            } else if (name == "--global") {
                if (reader.HasJoinedValue()) return "--global takes no value";
                o.global = true;
            } else if (name == "--element") {
                return ReadIndexOption(reader, name, "an element number", o.element);
            } else if (name == "--node") {
                return ReadIndexOption(reader, name, "a node number", o.node);
            } else if (!name.empty() && name[0] != '-') {
                // Every argument that is not an option is a file; the first one the
                // option reader takes as the input.
                if (!o.analysis.input.empty())
                    o.files.push_back(name);
                else
                    return std::nullopt;
            } else {
                return std::nullopt;
            }
            return "";
        });
    if (!why.empty() || o.help) return why;
    if (!o.analysis.input.empty()) o.files.insert(o.files.begin(), o.analysis.input);
    if (o.files.empty()) return "batch needs at least one structure data file";
    if (o.out.empty()) return "batch needs --out DIR";
    if (o.global && o.element < 0) return "--global needs --element";
    std::vector<std::string> names;
    for (const std::string& f : o.files) {
        const std::string name = std::filesystem::path(f).stem().string();
        if (std::find(names.begin(), names.end(), name) != names.end())
            return "two files are named " + name + ": their results would overwrite each other";
        names.push_back(name);
    }
    return "";
}

// A CSV field: as it is, or quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Seconds with three decimals, "12.345", whatever the locale.
std::string SecondsText(double seconds) {
    const long long ms = static_cast<long long>(seconds * 1000.0 + 0.5);
    return std::to_string(ms / 1000) + "." + std::to_string(1000 + ms % 1000).substr(1);
}

double Translation(double x, double y, double z) {
    return std::sqrt(x * x + y * y + z * z);
}

// One file's analysis as analyse runs it, with its files and its row of the summary.
class FileRun {
  public:
    FileRun(const BatchOptions& o, const std::string& file) : o_(o), file_(file) {}

    FileReport Run(fem::AnalysisCallbacks& control) {
        const auto start = std::chrono::steady_clock::now();
        try {
            Analyse(control);
        } catch (const std::exception& e) {  // a history that cannot be computed, memory
            Fail(e.what());
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status_ != "ok") {
            std::fprintf(stderr, "impactframe-cli: %s: %s\n", file_.c_str(), message_.c_str());
        } else if (o_.analysis.verbose) {
            std::fprintf(stderr, "impactframe-cli: %s: ok in %s s (rank %d)\n", file_.c_str(),
                         SecondsText(took.count()).c_str(), mpi::Rank());
        }
        const std::string row = CsvField(file_) + "," + status_ + "," + SecondsText(took.count()) +
                                "," + nodes_ + "," + elements_ + "," + maxStatic_ + "," +
                                maxForce_ + "," + maxDisplacement_ + "," + CsvField(message_) +
                                "\n";
        return FileReport{status_ == "ok" ? 0 : 1, row};
    }

  private:
    void Fail(const std::string& message, const char* status = "failed") {
        if (status_ != "ok") return;  // the first problem is the one reported
        status_ = status;
        message_ = message;
    }

    std::string Output(const char* suffix) const {
        const std::string name = std::filesystem::path(file_).stem().string() + suffix;
        return (std::filesystem::path(o_.out) / name).string();
    }

    void Write(const char* suffix, const std::string& text) {
        if (!WriteOutput(Output(suffix), text)) Fail("cannot write " + Output(suffix));
    }

    void Analyse(fem::AnalysisCallbacks& control) {
        fem::Model model;
        fem::DataFileError error;
        if (!fem::StructDataReadFile(model, file_, &error)) {
            // The file is named once, by the row or the line that reports it.
            const std::string message = error.Message(), named = file_ + ": ";
            return Fail(message.rfind(named, 0) == 0 ? message.substr(named.size()) : message);
        }
        nodes_ = std::to_string(model.NodeCount());
        elements_ = std::to_string(model.ElementCount());
        if (o_.element >= model.ElementCount())
            return Fail("no element " + std::to_string(o_.element) + " (the structure has " +
                        elements_ + " elements)");
        if (o_.node >= model.NodeCount())
            return Fail("no node " + std::to_string(o_.node) + " (the structure has " + nodes_ +
                        " nodes)");
        const fem::AnalysisSettings settings =
            SettingsOf(o_.analysis, o_.analysis.teGiven ? o_.analysis.te : 0.001);
        const fem::AnalysisResult result = fem::RunAnalysis(model, settings, &control);
        const fem::Outcome& dynamic = result.Impact->Result();
        if (result.Static && result.Static->Complete()) {
            double largest = 0.0;
            for (const auto& d : result.Static->NodeDisp)
                largest = std::max(largest, Translation(d[0], d[1], d[2]));
            maxStatic_ = results::CsvNumber(largest);
            Write("-static.csv", StaticCsv(*result.Static));
        }
        if (dynamic.Stopped()) return Fail(fem::EnglishText(dynamic), "stopped");
        if (dynamic.Kind == fem::OutcomeKind::WouldNotFit) return Fail(fem::EnglishText(dynamic));
        if (!dynamic.Complete()) return Fail("dynamic solution: " + fem::EnglishText(dynamic));
        if (!result.Static->Complete())
            return Fail("static solution: " + fem::EnglishText(result.Static->Result));
        WriteHistories(*result.Impact, control);
    }

    void WriteHistories(const fem::ImpactSolution& impact, fem::AnalysisCallbacks& control) {
        const int nw = impact.Settings().Nw;
        const double te = impact.Settings().Te;
        auto shown = [&](const fem::HistoryResult& h) -> const numeric::RealMatrix& {
            return o_.analysis.correctAliasing ? h.Corrected : h.Uncorrected;
        };
        if (o_.element >= 0) {
            const fem::HistoryResult h = fem::ElementForceHistory(
                impact, o_.element, o_.global ? fem::ForceAxes::Global : fem::ForceAxes::Element,
                &control);
            const numeric::RealMatrix& f = shown(h);
            double largest = 0.0;
            for (const int c : {0, 1, 2, 6, 7, 8})
                for (int j = 0; j < nw; ++j) largest = std::max(largest, std::fabs(f(c, j)));
            maxForce_ = results::CsvNumber(largest);
            Write("-forces.csv", results::HistoryCsv(results::GraphKind::ElementForces, f, nw, te));
        }
        if (o_.node >= 0) {
            const fem::HistoryResult h = fem::NodeDisplacementHistory(impact, o_.node);
            const numeric::RealMatrix& u = shown(h);
            double largest = 0.0;
            for (int j = 0; j < nw; ++j)
                largest = std::max(largest, Translation(u(0, j), u(1, j), u(2, j)));
            maxDisplacement_ = results::CsvNumber(largest);
            Write("-displacements.csv",
                  results::HistoryCsv(results::GraphKind::NodeDisplacements, u, nw, te));
        }
    }

    const BatchOptions& o_;
    const std::string& file_;
    std::string status_ = "ok";
    std::string message_;
    std::string nodes_, elements_, maxStatic_, maxForce_, maxDisplacement_;
};

const char* const kSummaryHeader =
    "file,status,seconds,nodes,elements,max_static_displacement,max_force,max_displacement,"
    "message\n";

}  // namespace

int RunBatch(const std::vector<std::string>& args) {
    const bool root = mpi::Rank() == 0;
    BatchOptions o;
    const std::string why = ParseOptions(args, o);
    if (!why.empty()) return root ? UsageError(why) : 2;
    if (o.help) {
        if (root) std::fputs(kBatchUsage.c_str(), stdout);
        return 0;
    }
    if (mpi::Shared()) {
        mpi::CatchStopSignals();
        if (o.analysis.threads == 0) o.analysis.threads = mpi::ThreadsPerProcess();
    }
    std::error_code made;
    std::filesystem::create_directories(o.out, made);
    if (!mpi::EveryProcess(!made)) {
        if (made)
            std::fprintf(stderr, "impactframe-cli: cannot make %s: %s\n", o.out.c_str(),
                         made.message().c_str());
        return 2;
    }

    const auto analyse = [&o](int file, fem::AnalysisCallbacks& control) {
        return FileRun(o, o.files[file]).Run(control);
    };
    std::vector<FileReport> reports;
    if (mpi::Shared()) {
        reports = DealFiles(static_cast<int>(o.files.size()), analyse);
    } else {
        for (int file = 0; file < static_cast<int>(o.files.size()); ++file) {
            fem::AnalysisCallbacks control;
            reports.push_back(analyse(file, control));
        }
    }
    int status = 0;
    for (const FileReport& r : reports) status = std::max(status, r.Status);
    if (!root) return status;

    std::string summary = kSummaryHeader;
    for (size_t file = 0; file < o.files.size(); ++file) {
        if (reports[file].Row.empty()) {
            summary += CsvField(o.files[file]) + ",not run,,,,,,,\n";
            status = 1;
        } else {
            summary += reports[file].Row;
        }
    }
    if (!WriteOutput((std::filesystem::path(o.out) / "summary.csv").string(), summary)) status = 1;
    return status;
}

}  // namespace cli

// impactframe-cli: the analysis engine from the command line.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "analysis/sparse_solver.h"
#include "cli/commands.h"
#include "cli/mpi_job.h"
#include "version/version.h"

namespace cli {

const char* const kUsage =
    "usage: impactframe-cli COMMAND [ARGS]\n"
    "\n"
    "Three-dimensional impact frame-structure analysis (units: mm, kgf, s).\n"
    "\n"
    "commands:\n"
    "  sample N [-o OUT]      write sample structure N (1 to 4) as a structure data file\n"
    "                         to OUT or standard output\n"
    "  check FILE [-o OUT]    read a structure data file and print its elements'\n"
    "                         materials, sections, axes and derived quantities as CSV;\n"
    "                         with -o write the model as read\n"
    "  analyse INPUT [opts]   run the static and impact analysis (see analyse --help)\n"
    "  plot INPUT [opts]      draw an element's force or a node's displacement histories\n"
    "                         as PNG, SVG or PDF (see plot --help; not in builds without\n"
    "                         Qt)\n"
    "  modes INPUT [opts]     natural frequencies and mode shapes (see modes --help)\n"
    "  frf INPUT --node N --to HZ [opts]\n"
    "                         steady-state response of node N to harmonic loads of the\n"
    "                         \"pf\" values (see frf --help)\n"
    "  draw INPUT [opts]      draw the structure, its static deformation or its impact\n"
    "                         response at a time as PNG, SVG or PDF (see draw --help; not\n"
    "                         in builds without Qt)\n"
    "  batch FILE... --out DIR [opts]\n"
    "                         analyse many structure data files, one after another or\n"
    "                         spread over the processes of mpirun (see batch --help)\n"
    "  --version              show the version\n"
    "  --help                 show this help\n"
    "\n"
    "option of every command:\n"
    "  --verbose              first print the version on standard error\n";

// The last lines of the help: whether this build can spread its work over processes.
std::string ParallelHelp() {
    const std::string library = mpi::LibraryVersion();
    if (library.empty())
        return "\nMPI: not in this build (built without Open MPI): analyse and batch run in\n"
               "one process.\n";
    return "\nMPI: built with " + library +
           ". Started by mpirun, analyse shares its transform points\n"
           "and batch its files among the processes; the other commands run without mpirun.\n";
}

// Under mpirun only analyse and batch share their work; the others would run once per
// process and write the same files at once.
bool SharesWork(const std::string& command) {
    return command == "analyse" || command == "analyze" || command == "batch";
}

int RunCommand(std::vector<std::string> args) {
    const bool speaks = mpi::Rank() == 0;
    // --verbose may stand before or after the command; it is taken out here and given
    // back only to the commands that analyse.
    const auto verboseBegin = std::remove(args.begin(), args.end(), std::string("--verbose"));
    const bool verbose = verboseBegin != args.end();
    args.erase(verboseBegin, args.end());
    if (args.empty()) return speaks ? UsageError("no command given") : 2;
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--version") {
        if (speaks) std::cout << "impactframe-cli " << version::VersionText() << '\n';
        return 0;
    }
    if (verbose && speaks) std::fprintf(stderr, "impactframe-cli %s\n", version::VersionText());
    if (command == "--help" || command == "-h" || command == "help") {
        if (speaks) std::fputs((kUsage + ParallelHelp()).c_str(), stdout);
        return 0;
    }
    if (mpi::Shared() && !SharesWork(command)) {
        if (!speaks) return 2;
        return UsageError(command + " runs in one process: start it without mpirun");
    }
    if (command == "sample") return RunSample(args);
    if (command == "check") return RunCheck(args);
    // Commands that analyse report their solver, threads and memory too.
    if (verbose) args.push_back("--verbose");
    if (command == "analyse" || command == "analyze") return RunAnalyse(args);
    if (command == "batch") return RunBatch(args);
    if (DrawingCommandUsage(command)) return RunDrawingCommand(command, args);
    if (command == "modes") return RunModes(args);
    if (command == "frf") return RunFrequencyResponse(args);
    return UsageError("unknown command '" + command + "'");
}

}  // namespace cli

int main(int argc, char** argv) {
    // Before any thread: a single-threaded BLAS, freed factors kept for reuse.
    fem::ConfigureProcessForAnalysis();
    cli::mpi::Session session(argc, argv);
    try {
        return cli::RunCommand(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "impactframe-cli: %s\n", e.what());
        // The other processes may be waiting for this one: end them all.
        if (cli::mpi::Shared()) cli::mpi::AbortJob(1);
        return 1;
    }
}

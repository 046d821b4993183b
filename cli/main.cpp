// impactframe-cli: the analysis engine from the command line.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
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
    "  draw INPUT [opts]      draw the structure, its static deformation or its impact\n"
    "                         response at a time as PNG, SVG or PDF (see draw --help; not\n"
    "                         in builds without Qt)\n"
    "  --version              show the version\n"
    "  --help                 show this help\n"
    "\n"
    "option of every command:\n"
    "  --verbose              first print the version on standard error\n";

}  // namespace cli

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // --verbose may stand before or after the command; it is taken out here and given
    // back only to the commands that analyse.
    const auto verboseBegin = std::remove(args.begin(), args.end(), std::string("--verbose"));
    const bool verbose = verboseBegin != args.end();
    args.erase(verboseBegin, args.end());
    if (args.empty()) return cli::UsageError("no command given");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--version") {
        std::cout << "impactframe-cli " << version::VersionText() << '\n';
        return 0;
    }
    if (verbose) std::fprintf(stderr, "impactframe-cli %s\n", version::VersionText());
    try {
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(cli::kUsage, stdout);
            return 0;
        }
        if (command == "sample") return cli::RunSample(args);
        if (command == "check") return cli::RunCheck(args);
        // Commands that analyse report their solver, threads and memory too.
        if (verbose) args.push_back("--verbose");
        if (command == "analyse" || command == "analyze") return cli::RunAnalyse(args);
        if (cli::DrawingCommandUsage(command)) return cli::RunDrawingCommand(command, args);
        if (command == "modes") return cli::RunModes(args);
        return cli::UsageError("unknown command '" + command + "'");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "impactframe-cli: %s\n", e.what());
        return 1;
    }
}

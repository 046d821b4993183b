#pragma once
// Helpers of the tests that run impactframe-cli (and mpirun) as programs: a command's
// exit code and output, files read whole, and grid frames written as data files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/analysis/grid_frame.h"
#include "model/datafile.h"

namespace clirun {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string Path(const std::string& name) {
    return std::string(WORK_DIR) + "/" + name;
}

// Runs a shell command line; tag keeps the output files of parallel tests apart.
inline Result Shell(const std::string& command, const std::string& tag) {
    const std::string base = Path("run_" + tag);
    const int status =
        std::system((command + " >" + base + ".out 2>" + base + ".err </dev/null").c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(base + ".out");
    r.err = ReadFile(base + ".err");
    return r;
}

// The benchmarks' grid frame of n x n bays and n storeys, written to WORK_DIR/name.
inline std::string WriteGrid(const std::string& name, int n) {
    fem::Model model;
    benchgrid::BuildGrid(model, n, n, n);
    const std::string path = Path(name);
    std::string error;
    if (!fem::StructDataWriteFile(model, path, &error)) ADD_FAILURE() << error;
    return path;
}

inline int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace clirun

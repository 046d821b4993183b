// Writes the benchmarks' grid frame of N x N bays and N storeys as a structure data file,
// for the runs of impactframe-cli in scaling.sh: grid_file N PATH.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/analysis/grid_frame.h"
#include "model/datafile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: grid_file N PATH\n", stderr);
        return 2;
    }
    const int n = std::atoi(argv[1]);
    if (n < 1 || n > 40) {
        std::fputs("grid_file: N must be from 1 to 40\n", stderr);
        return 2;
    }
    fem::Model model;
    benchgrid::BuildGrid(model, n, n, n);
    std::string error;
    if (!fem::StructDataWriteFile(model, argv[2], &error)) {
        std::fprintf(stderr, "grid_file: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

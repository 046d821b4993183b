// The share of the transform points of one process of an mpirun job.
#include "cli/mpi_analysis.h"

namespace cli {

std::vector<int> PointsOfRank(int points, int rank, int ranks) {
    std::vector<int> mine;
    if (ranks < 1 || rank < 0 || rank >= ranks) return mine;
    mine.reserve(static_cast<size_t>(points / ranks + 1));
    for (int i = rank; i < points; i += ranks) mine.push_back(i);
    return mine;
}

}  // namespace cli

#pragma once
// The analyse command over the processes of an mpirun job: every process solves its
// share of the transform points with its own worker threads, and the spectra that the
// output files need travel to rank 0, which puts them together, runs the static
// solution, inverts and writes. Only rank 0 reads the input and writes files.
#include <memory>
#include <string>
#include <vector>

#include "analysis/impact.h"
#include "analysis/statics.h"
#include "cli/analysisrun.h"

namespace cli {

// The transform points that process rank of ranks solves: every ranks-th point from
// rank on, so that no process gets more than one point above its share and every process
// works along both lines at once.
std::vector<int> PointsOfRank(int points, int rank, int ranks);

// How the job's dynamic solution ended and, on rank 0, what it needs.
struct JobAnalysis {
    fem::Outcome Dynamic;  // the same on every process
    // Rank 0 after a complete solution: every point of the nodes asked for.
    std::shared_ptr<const fem::ImpactSolution> Impact;
    // Rank 0, unless the dynamic solution was stopped.
    std::shared_ptr<const fem::StaticSolution> Static;
};

// LoadInput on rank 0; the others get the data file's text from it (sample:N they build
// themselves), so that only rank 0 needs the input. Returns the same on every process:
// 0, or 2 after rank 0 printed why.
int LoadInputOverJob(const AnalysisOptions& options, fem::Model& model, double& te);

// The analysis of model over the job's processes, with the spectra of nodes gathered on
// rank 0. Rank 0 reports progress, the solutions' messages and (verbose) every process's
// host, threads and points, as AnalyseStructure does for one process. Every process
// must call it; it returns on all of them together.
JobAnalysis AnalyseOverJob(const fem::Model& model, const AnalysisOptions& options, double te,
                           const std::vector<int>& nodes);

}  // namespace cli

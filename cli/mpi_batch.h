#pragma once
// The batch command's files dealt out to the processes of an mpirun job, one file per
// process at a time: a process that finishes a file asks rank 0 for the next one.
#include <functional>
#include <string>
#include <vector>

#include "analysis/run_control.h"

namespace cli {

// What became of one file: its exit status (0 or 1) and its row of the summary.
struct FileReport {
    int Status = 0;
    std::string Row;
};

// Analyses one file, numbered from 0. control goes to the computations of the file: its
// Yield must be called every few milliseconds while they run (rank 0 answers the other
// processes there), and a stop it asks for ends the file's analysis.
using FileAnalysis = std::function<FileReport(int file, fem::AnalysisCallbacks& control)>;

// Analyses files 0 .. count - 1 over the job's processes, rank 0 taking files too.
// After a stop signal no new file is started. Every process must call it; on rank 0 it
// returns one report per file (an empty Row for a file never started), elsewhere
// those of the files the process analysed, in no order.
std::vector<FileReport> DealFiles(int count, const FileAnalysis& analyse);

}  // namespace cli

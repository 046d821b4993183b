// A build without MPI: the program is always one process alone, so the functions that
// share work among processes are never reached.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "cli/mpi_analysis.h"
#include "cli/mpi_batch.h"
#include "cli/mpi_job.h"

namespace cli {

namespace mpi {

std::string LibraryVersion() {
    return "";
}

Session::Session(int& /*argc*/, char**& /*argv*/) {}
Session::~Session() = default;

int Rank() {
    return 0;
}

int Size() {
    return 1;
}

std::string HostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

int CoresAvailable() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int ThreadsPerProcess() {
    return CoresAvailable();
}

bool EveryProcess(bool ok) {
    return ok;
}

void CatchStopSignals() {}

bool StopSignalled() {
    return false;
}

void AbortJob(int code) {
    std::exit(code);
}

}  // namespace mpi

namespace {

[[noreturn]] void NotBuilt() {
    throw std::logic_error("this build has no MPI support");
}

}  // namespace

int LoadInputOverJob(const AnalysisOptions& /*options*/, fem::Model& /*model*/, double& /*te*/) {
    NotBuilt();
}

JobAnalysis AnalyseOverJob(const fem::Model& /*model*/, const AnalysisOptions& /*options*/,
                           double /*te*/, const std::vector<int>& /*nodes*/) {
    NotBuilt();
}

std::vector<FileReport> DealFiles(int /*count*/, const FileAnalysis& /*analyse*/) {
    NotBuilt();
}

}  // namespace cli

// The job's processes through Open MPI's C API.
#include "cli/mpi_job.h"

#include <mpi.h>
#include <sched.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace cli::mpi {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int number) {
    stopSignal = number;
}

bool Running() {
    int initialised = 0, finalised = 0;
    MPI_Initialized(&initialised);
    MPI_Finalized(&finalised);
    return initialised != 0 && finalised == 0;
}

}  // namespace

std::string LibraryVersion() {
#if defined(OMPI_MAJOR_VERSION)
    return "Open MPI " + std::to_string(OMPI_MAJOR_VERSION) + "." +
           std::to_string(OMPI_MINOR_VERSION) + "." + std::to_string(OMPI_RELEASE_VERSION);
#else
    return "MPI " + std::to_string(MPI_VERSION) + "." + std::to_string(MPI_SUBVERSION);
#endif
}

Session::Session(int& argc, char**& argv) {
    // mpirun gives every process it starts its place in the job.
    if (std::getenv("OMPI_COMM_WORLD_SIZE") == nullptr && std::getenv("PMIX_RANK") == nullptr)
        return;
    // Only the thread that runs the command calls MPI; the engine's workers never do.
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
}

Session::~Session() {
    if (Running()) MPI_Finalize();
}

int Rank() {
    if (!Running()) return 0;
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int Size() {
    if (!Running()) return 1;
    int size = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    return size;
}

std::string HostName() {
    char name[MPI_MAX_PROCESSOR_NAME] = {};
    int length = 0;
    MPI_Get_processor_name(name, &length);
    return std::string(name, static_cast<size_t>(std::max(length, 0)));
}

int CoresAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

int ThreadsPerProcess() {
    int onThisMachine = 1;
    if (Running()) {
        MPI_Comm local = MPI_COMM_NULL;
        MPI_Comm_split_type(MPI_COMM_WORLD, MPI_COMM_TYPE_SHARED, 0, MPI_INFO_NULL, &local);
        MPI_Comm_size(local, &onThisMachine);
        MPI_Comm_free(&local);
    }
    const int machineCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::max(1, std::min(CoresAvailable(), machineCores / onThisMachine));
}

bool EveryProcess(bool ok) {
    if (!Running()) return ok;
    int own = ok ? 1 : 0, all = 0;
    MPI_Allreduce(&own, &all, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    return all == 1;
}

void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;  // the second signal ends the process
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopSignalled() {
    return stopSignal != 0;
}

void AbortJob(int code) {
    if (Running()) MPI_Abort(MPI_COMM_WORLD, code);
    std::exit(code);
}

}  // namespace cli::mpi

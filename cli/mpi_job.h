#pragma once
// The processes that mpirun started for one command, among which the analyse and batch
// commands share their work. A build without MPI, or a program that mpirun did not
// start, is one process alone: rank 0 of 1, and MPI is never started.
#include <string>

namespace cli::mpi {

// "Open MPI 4.1.4" (the library this build was compiled with), or "" without MPI.
std::string LibraryVersion();

// Starts MPI for the life of the object when mpirun started the program, so that a plain
// run neither loads MPI's machinery nor waits for it; ends it when the object goes.
class Session {
  public:
    Session(int& argc, char**& argv);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// This process's rank and the number of processes of the job.
int Rank();
int Size();
inline bool Shared() {
    return Size() > 1;
}

// The machine's name, as MPI gives it.
std::string HostName();

// Processor cores this process may run on (its affinity, as mpirun binds it).
int CoresAvailable();

// Worker threads of one process when --threads is not given: the cores this process may
// run on, shared among the job's processes on the same machine, at least one. Every
// process must call it at the same place (it counts them together).
int ThreadsPerProcess();

// Whether ok is true on every process; every process must call it at the same place.
bool EveryProcess(bool ok);

// From now on SIGINT and SIGTERM (which mpirun sends every process when it is
// interrupted) only set a flag that the running computation reads between transform
// points, so that all processes end together; a second signal ends the process.
void CatchStopSignals();
bool StopSignalled();

// Ends every process of the job at once, after a failure that left this process unable
// to keep step with the others.
[[noreturn]] void AbortJob(int code);

}  // namespace cli::mpi

// The batch command's files dealt out over an mpirun job through Open MPI's C API: the
// other processes send rank 0 the report of the file they finished and get the number of
// the next one (-1: none left), while rank 0 analyses files too and answers between its
// transform points.
#include "cli/mpi_batch.h"

#include <mpi.h>

#include <chrono>
#include <thread>

#include "cli/mpi_job.h"
#include "numeric/numbertext.h"

namespace cli {
namespace {

constexpr int kRoot = 0;
constexpr int kAskTag = 1;   // to rank 0: "" at first, then "FILE STATUS\nROW"
constexpr int kFileTag = 2;  // from rank 0: the next file, or -1

// Waits for a non-blocking request without holding a core.
void Await(MPI_Request& request) {
    for (int done = 0;;) {
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The file's control: stops on a signal, and on rank 0 answers the others.
class FileControl : public fem::AnalysisCallbacks {
  public:
    explicit FileControl(std::function<void()> serve) : serve_(std::move(serve)) {}
    void Yield() override {
        if (mpi::StopSignalled()) RequestStop();
        if (serve_) serve_();
    }
    void Progress(int /*k*/) override { Yield(); }

  private:
    std::function<void()> serve_;
};

// Rank 0's side: hands out files in their order and collects the reports.
class Dealer {
  public:
    Dealer(int count, int ranks) : reports_(count), asking_(ranks - 1) {}

    // Answers every process that has asked; the next file is left to whoever comes first.
    void Serve() {
        for (;;) {
            int waiting = 0;
            MPI_Status status;
            MPI_Iprobe(MPI_ANY_SOURCE, kAskTag, MPI_COMM_WORLD, &waiting, &status);
            if (!waiting) return;
            int length = 0;
            MPI_Get_count(&status, MPI_CHAR, &length);
            std::string text(static_cast<size_t>(length), '\0');
            MPI_Recv(text.data(), length, MPI_CHAR, status.MPI_SOURCE, kAskTag, MPI_COMM_WORLD,
                     MPI_STATUS_IGNORE);
            Record(text);
            int file = Next();
            if (file < 0) --asking_;
            MPI_Send(&file, 1, MPI_INT, status.MPI_SOURCE, kFileTag, MPI_COMM_WORLD);
        }
    }
    // The next file to analyse, or -1 when none is left or a stop was asked.
    int Next() {
        if (next_ >= static_cast<int>(reports_.size()) || mpi::StopSignalled()) return -1;
        return next_++;
    }
    void Keep(int file, FileReport report) { reports_[file] = std::move(report); }
    [[nodiscard]] bool OthersDone() const { return asking_ == 0; }
    std::vector<FileReport> Reports() { return std::move(reports_); }

  private:
    void Record(const std::string& text) {
        const size_t space = text.find(' '), newline = text.find('\n');
        int file = -1, status = 1;
        if (space == std::string::npos || newline == std::string::npos ||
            !numeric::ParseWholeNumber(text.substr(0, space), file) ||
            !numeric::ParseWholeNumber(text.substr(space + 1, newline - space - 1), status) ||
            file < 0 || file >= static_cast<int>(reports_.size()))
            return;  // the first request carries no report
        reports_[file] = FileReport{status, text.substr(newline + 1)};
    }

    std::vector<FileReport> reports_;
    int next_ = 0;
    int asking_;  // processes that have not yet been told that no file is left
};

}  // namespace

std::vector<FileReport> DealFiles(int count, const FileAnalysis& analyse) {
    const int ranks = mpi::Size();
    if (mpi::Rank() == kRoot) {
        Dealer dealer(count, ranks);
        for (;;) {
            dealer.Serve();
            const int file = dealer.Next();
            if (file < 0) break;
            FileControl control([&dealer] { dealer.Serve(); });
            dealer.Keep(file, analyse(file, control));
        }
        while (!dealer.OthersDone()) {
            dealer.Serve();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return dealer.Reports();
    }
    std::vector<FileReport> mine;
    std::string report;
    for (;;) {
        MPI_Request sent = MPI_REQUEST_NULL, received = MPI_REQUEST_NULL;
        int file = -1;
        MPI_Irecv(&file, 1, MPI_INT, kRoot, kFileTag, MPI_COMM_WORLD, &received);
        MPI_Isend(report.data(), static_cast<int>(report.size()), MPI_CHAR, kRoot, kAskTag,
                  MPI_COMM_WORLD, &sent);
        Await(sent);
        Await(received);
        if (file < 0) return mine;
        FileControl control(nullptr);
        mine.push_back(analyse(file, control));
        report = std::to_string(file) + " " + std::to_string(mine.back().Status) + "\n" +
                 mine.back().Row;
    }
}

}  // namespace cli

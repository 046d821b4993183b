// The analyse command's work shared among the processes of an mpirun job, through Open
// MPI's C API. Every collective call here is made by every process in the same order;
// while the points are solved, the processes only meet in non-blocking sums, so that a
// process that fails or is stopped never leaves another waiting.
#include "cli/mpi_analysis.h"

#include <mpi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "cli/commands.h"
#include "cli/mpi_job.h"
#include "model/datafile.h"

namespace cli {
namespace {

constexpr int kRoot = 0;

bool IsSample(const std::string& input) {
    return input.rfind("sample:", 0) == 0;
}

// Seconds with three decimals, "12.345", whatever the locale.
std::string SecondsText(double seconds) {
    const long long ms = static_cast<long long>(seconds * 1000.0 + 0.5);
    const std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
    return std::to_string(ms / 1000) + "." + fraction;
}

// text of process root to every process; MPI counts are int, so long texts go in pieces.
void Broadcast(std::string& text, int root) {
    unsigned long long length = text.size();
    MPI_Bcast(&length, 1, MPI_UNSIGNED_LONG_LONG, root, MPI_COMM_WORLD);
    text.resize(length);
    const size_t piece = 1u << 30;
    for (size_t at = 0; at < length; at += piece)
        MPI_Bcast(text.data() + at, static_cast<int>(std::min<size_t>(piece, length - at)),
                  MPI_CHAR, root, MPI_COMM_WORLD);
}

// Progress of the whole job, on rank 0: standard error is a pipe to mpirun, so the lines
// are written at every tenth instead of a bar redrawn in place.
class JobProgress {
  public:
    explicit JobProgress(int points) : points_(points) {}
    void Show(long long kept) {
        if (points_ <= 0) return;
        const int tenth = static_cast<int>(std::min<long long>(kept, points_) * 10 / points_);
        while (shown_ < tenth) {
            ++shown_;
            std::fprintf(stderr, "impactframe-cli: analyse: %d %% of %d transform points\n",
                         shown_ * 10, points_);
        }
    }

  private:
    int points_;
    int shown_ = 0;
};

// Keeps the processes in step while each solves its points: rounds of a non-blocking sum
// over all processes of what each has done (points kept, finished, stop asked, failed),
// started anew as soon as the last completes. A stop or failure seen in a round stops
// every process's own solution after the point in hand; the processes leave together
// after the round in which all of them have finished.
class Rounds : public fem::AnalysisCallbacks {
  public:
    Rounds(int ranks, JobProgress* progress) : ranks_(ranks), progress_(progress) {}

    void Yield() override { Poll(); }
    void Progress(int k) override {
        own_[kKept] = k + 1;
        Poll();
    }

    // After this process's own solution: goes on with the rounds until every process has
    // finished, sleeping between them so as not to take a core from the others.
    void Finish(bool failed) {
        own_[kFinished] = 1;
        own_[kFailed] = failed ? 1 : 0;
        for (Poll(); !over_; Poll()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    [[nodiscard]] long long Kept() const { return own_[kKept]; }

  private:
    enum { kKept, kFinished, kStop, kFailed, kCount };

    void Poll() {
        if (mpi::StopSignalled()) own_[kStop] = 1;
        if (own_[kStop] != 0) RequestStop();
        if (active_) {
            int done = 0;
            MPI_Test(&request_, &done, MPI_STATUS_IGNORE);
            if (!done) return;
            active_ = false;
            if (sum_[kStop] > 0 || sum_[kFailed] > 0) RequestStop();
            if (progress_) progress_->Show(sum_[kKept]);
            if (sum_[kFinished] == ranks_) over_ = true;
        }
        if (over_) return;
        sent_ = own_;
        MPI_Iallreduce(sent_.data(), sum_.data(), kCount, MPI_LONG_LONG, MPI_SUM, MPI_COMM_WORLD,
                       &request_);
        active_ = true;
    }

    const int ranks_;
    JobProgress* progress_;
    std::array<long long, kCount> own_{};
    std::array<long long, kCount> sent_{};
    std::array<long long, kCount> sum_{};
    MPI_Request request_ = MPI_REQUEST_NULL;
    bool active_ = false;
    bool over_ = false;
};

// The outcome of process root, on every process.
fem::Outcome BroadcastOutcome(const fem::Outcome& own, int root) {
    int ints[4] = {static_cast<int>(own.Kind), own.Point, own.Node, own.Dof};
    double bytes[2] = {own.NeededBytes, own.AvailableBytes};
    std::string detail = own.Detail;
    MPI_Bcast(ints, 4, MPI_INT, root, MPI_COMM_WORLD);
    MPI_Bcast(bytes, 2, MPI_DOUBLE, root, MPI_COMM_WORLD);
    Broadcast(detail, root);
    fem::Outcome o;
    o.Kind = static_cast<fem::OutcomeKind>(ints[0]);
    o.Point = ints[1];
    o.Node = ints[2];
    o.Dof = ints[3];
    o.NeededBytes = bytes[0];
    o.AvailableBytes = bytes[1];
    o.Detail = std::move(detail);
    return o;
}

// The job's outcome from every process's own: as in one process, the failure at the
// lowest point decides (one that concerns no point first); else a stop keeps the points
// below the lowest one not solved.
fem::Outcome AgreeOnOutcome(const fem::Outcome& own, int rank) {
    int failed[2] = {own.Failed() ? own.Point : INT_MAX, rank};
    int lowest[2] = {INT_MAX, 0};
    MPI_Allreduce(failed, lowest, 1, MPI_2INT, MPI_MINLOC, MPI_COMM_WORLD);
    if (lowest[0] != INT_MAX) return BroadcastOutcome(own, lowest[1]);
    int stopped = own.Stopped() ? own.Point : INT_MAX;
    int first = INT_MAX;
    MPI_Allreduce(&stopped, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    fem::Outcome o;
    if (first != INT_MAX) {
        o.Kind = fem::OutcomeKind::Stopped;
        o.Point = first;
    }
    return o;
}

// The spectra of nodes at every point, gathered on rank 0 from the processes that solved
// them: rows 6 i + dof for nodes[i], one matrix per line. Every process sends, for each
// of its points in order, the six values of each node.
std::vector<numeric::ComplexMatrix> GatherSpectra(const fem::ImpactSolution& part,
                                                  const std::vector<int>& nodes, int rank,
                                                  int ranks, bool verbose) {
    const fem::AnalysisSettings& settings = part.Settings();
    const int points = settings.Points(), perLine = settings.PointsPerLine();
    const int perPoint = 12 * static_cast<int>(nodes.size());  // doubles
    std::vector<double> send;
    send.reserve(part.Part().size() * perPoint);
    for (const int i : part.Part()) {
        const int line = i / perLine, k = i % perLine;
        for (const int node : nodes)
            for (int dof = 0; dof < 6; ++dof) {
                const numeric::Complex v = part.Spectrum(line, node, dof)[k];
                send.push_back(v.re);
                send.push_back(v.im);
            }
    }
    std::vector<int> counts, starts;
    std::vector<double> received;
    if (rank == kRoot) {
        for (int r = 0, at = 0; r < ranks; ++r) {
            counts.push_back(static_cast<int>(PointsOfRank(points, r, ranks).size()) * perPoint);
            starts.push_back(at);
            at += counts.back();
        }
        received.resize(static_cast<size_t>(points) * perPoint);
    }
    const auto start = std::chrono::steady_clock::now();
    if (perPoint > 0)  // nothing travels when no history is written
        MPI_Gatherv(send.data(), static_cast<int>(send.size()), MPI_DOUBLE, received.data(),
                    counts.data(), starts.data(), MPI_DOUBLE, kRoot, MPI_COMM_WORLD);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::vector<numeric::ComplexMatrix> spectra;
    if (rank != kRoot) return spectra;
    if (verbose)
        std::fprintf(stderr,
                     "impactframe-cli: gathered %lld bytes of spectra (%d per transform point, "
                     "%zu nodes) in %s s\n",
                     static_cast<long long>(received.size() * sizeof(double)),
                     perPoint * static_cast<int>(sizeof(double)), nodes.size(),
                     SecondsText(took.count()).c_str());
    spectra.resize(settings.Lines());
    for (numeric::ComplexMatrix& m : spectra) m.Resize(6 * static_cast<int>(nodes.size()), perLine);
    for (int r = 0; r < ranks; ++r) {
        const double* values = received.data() + starts[r];
        for (const int i : PointsOfRank(points, r, ranks)) {
            const int line = i / perLine, k = i % perLine;
            for (int row = 0; row < 6 * static_cast<int>(nodes.size()); ++row, values += 2)
                spectra[line](row, k) = numeric::Complex{values[0], values[1]};
        }
    }
    return spectra;
}

// The points of a list, shortened: "0, 3, 6, ..., 126".
std::string PointsText(const std::vector<int>& points) {
    std::string text;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points.size() > 4 && i == 3) {
            text += ", ...";
            i = points.size() - 1;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(points[i]);
    }
    return text.empty() ? "none" : text;
}

// --verbose: every process's host, threads and points, on rank 0.
void ReportProcesses(const fem::ImpactSolution& part, long long kept, double seconds, int rank,
                     int ranks) {
    double own[4] = {static_cast<double>(part.Report().Threads),
                     static_cast<double>(mpi::CoresAvailable()), static_cast<double>(kept),
                     seconds};
    char host[MPI_MAX_PROCESSOR_NAME] = {};
    const std::string name = mpi::HostName();
    name.copy(host, sizeof host - 1);
    std::vector<double> all(rank == kRoot ? 4 * ranks : 0);
    std::vector<char> hosts(rank == kRoot ? sizeof host * ranks : 0);
    MPI_Gather(own, 4, MPI_DOUBLE, all.data(), 4, MPI_DOUBLE, kRoot, MPI_COMM_WORLD);
    MPI_Gather(host, sizeof host, MPI_CHAR, hosts.data(), sizeof host, MPI_CHAR, kRoot,
               MPI_COMM_WORLD);
    if (rank != kRoot) return;
    const int points = part.Settings().Points();
    std::fprintf(stderr,
                 "impactframe-cli: %d processes (%s); process r solves the transform points r, "
                 "r + %d, r + %d, ... of the %d\n",
                 ranks, mpi::LibraryVersion().c_str(), ranks, 2 * ranks, points);
    for (int r = 0; r < ranks; ++r) {
        const double* v = &all[4 * r];
        const std::vector<int> share = PointsOfRank(points, r, ranks);
        std::fprintf(stderr,
                     "impactframe-cli: rank %d on %s: solved %lld of its %zu points (%s) with %d "
                     "threads on %d cores in %s s\n",
                     r, &hosts[sizeof host * r], static_cast<long long>(v[2]), share.size(),
                     PointsText(share).c_str(), static_cast<int>(v[0]), static_cast<int>(v[1]),
                     SecondsText(v[3]).c_str());
    }
}

}  // namespace

int LoadInputOverJob(const AnalysisOptions& o, fem::Model& model, double& te) {
    const bool root = mpi::Rank() == kRoot;
    int status = 0;
    std::string text;
    if (root) {
        status = LoadInput(o, model, te);
        if (status == 0 && !IsSample(o.input)) {
            std::ifstream in(o.input, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            text = bytes.str();
            if (!in) {
                std::fprintf(stderr, "impactframe-cli: cannot read %s\n", o.input.c_str());
                status = 2;
            }
        }
    }
    MPI_Bcast(&status, 1, MPI_INT, kRoot, MPI_COMM_WORLD);
    if (status != 0) return status;
    MPI_Bcast(&te, 1, MPI_DOUBLE, kRoot, MPI_COMM_WORLD);
    Broadcast(text, kRoot);
    if (root) return 0;
    fem::DataFileError error;
    if (IsSample(o.input) ? LoadStructure(o.input, model) != 0
                          : !fem::StructDataReadText(model, text, o.input, &error)) {
        // Rank 0 read the same bytes: this process can no longer keep step with it.
        std::fprintf(stderr, "impactframe-cli: rank %d: %s\n", mpi::Rank(),
                     error.Message().c_str());
        mpi::AbortJob(2);
    }
    return 0;
}

JobAnalysis AnalyseOverJob(const fem::Model& model, const AnalysisOptions& o, double te,
                           const std::vector<int>& nodes) {
    const int rank = mpi::Rank(), ranks = mpi::Size();
    const bool root = rank == kRoot;
    const fem::AnalysisSettings settings = SettingsOf(o, te);
    auto shared = std::make_shared<const fem::Model>(model);

    JobProgress progress(settings.Points());
    Rounds rounds(ranks, root ? &progress : nullptr);
    const auto start = std::chrono::steady_clock::now();
    auto part = fem::SolveImpactPoints(shared, settings,
                                       PointsOfRank(settings.Points(), rank, ranks), &rounds);
    const std::chrono::duration<double> solving = std::chrono::steady_clock::now() - start;
    rounds.Finish(part->Result().Failed());

    JobAnalysis job;
    job.Dynamic = AgreeOnOutcome(part->Result(), rank);
    const fem::SolverReport report = part->Report();
    const int freeDofs = part->Numbering().FreeDofCount;
    if (root && o.verbose) ReportRun(model, freeDofs, report);
    if (o.verbose) ReportProcesses(*part, rounds.Kept(), solving.count(), rank, ranks);
    if (job.Dynamic.Complete()) {
        std::vector<numeric::ComplexMatrix> spectra =
            GatherSpectra(*part, nodes, rank, ranks, o.verbose);
        part.reset();  // the gathered spectra are all rank 0 keeps
        if (root)
            job.Impact =
                fem::SolutionFromSpectra(shared, settings, nodes, std::move(spectra), report);
    }
    if (!root) return job;
    if (!job.Dynamic.Stopped()) job.Static = fem::SolveStatic(model);
    ReportOutcomes(job.Dynamic, job.Static.get());
    return job;
}

}  // namespace cli

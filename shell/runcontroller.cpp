#include "shell/runcontroller.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "numeric/failure.h"
#include "shell/document.h"
#include "shell/workerthread.h"

namespace shell {
namespace {

// Raised by the progress of histories to end them after a stop.
struct HistoriesStopped {};

// Progress of a computation on the worker thread, passed on to the window through the
// worker. The analysis reads the stop request between its transform points; the element
// forces have no stop of their own in the engine, so a stop ends them here.
class WorkerProgress final : public fem::AnalysisCallbacks {
  public:
    WorkerProgress(WorkerThread& worker, bool analysis) : worker_(worker), analysis_(analysis) {}
    void Progress(int k) override {
        worker_.ReportProgress(k);
        if (!analysis_ && StopRequested()) throw HistoriesStopped{};
    }

  private:
    WorkerThread& worker_;
    bool analysis_;
};

fem::Outcome OutcomeOf(fem::OutcomeKind kind) {
    fem::Outcome o;
    o.Kind = kind;
    return o;
}

// The reactions of node's fixed dofs as six rows, global axes (a free dof's row is 0).
fem::HistoryResult NodeReactions(const fem::ImpactSolution& solution, int node,
                                 fem::AnalysisCallbacks& progress) {
    std::vector<fem::SupportDof> dofs;
    for (const fem::SupportDof& d : fem::SupportDofs(solution.Structure()))
        if (d.Node == node) dofs.push_back(d);
    const int nw = solution.Settings().Nw;
    fem::HistoryResult six;
    if (dofs.empty()) {
        six.Uncorrected.Resize(6, nw);
        return six;
    }
    const fem::HistoryResult found = fem::ReactionHistory(solution, dofs, &progress);
    const auto spread = [&](const numeric::RealMatrix& rows, numeric::RealMatrix& out) {
        if (rows.Empty()) return;
        out.Resize(6, rows.Cols());
        for (std::size_t r = 0; r < dofs.size(); ++r)
            std::copy(rows.Row(static_cast<int>(r)), rows.Row(static_cast<int>(r)) + rows.Cols(),
                      out.Row(dofs[r].Dof));
    };
    spread(found.Uncorrected, six.Uncorrected);
    spread(found.Corrected, six.Corrected);
    spread(found.EstimatedError, six.EstimatedError);
    return six;
}

}  // namespace

// One computation: what it works on, its progress and stop, and what it gives.
struct RunController::Job {
    Job(WorkerThread& worker, bool isAnalysis) : analysis(isAnalysis), progress(worker, analysis) {}
    const bool analysis;
    WorkerProgress progress;  // and the stop request
    // An analysis: the snapshot it works on, its settings and its end.
    std::shared_ptr<const fem::Model> model;
    fem::AnalysisSettings settings;
    AnalysisEnd analysisEnd;
    // Histories: the request, the solution they read and their end.
    HistoryEnd historyEnd;
};

fem::Outcome OutcomeOfFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return OutcomeOf(fem::OutcomeKind::OutOfMemory);
    } catch (...) {
        return OutcomeOf(fem::OutcomeKind::NotFinite);
    }
}

RunController::RunController(Document& document, QObject* parent)
    : QObject(parent), document_(document), worker_(new WorkerThread(this)) {
    worker_->setObjectName(QStringLiteral("workerThread"));
    connect(worker_, &WorkerThread::Progressed, this, &RunController::Progressed);
}

RunController::~RunController() {
    Abandon();
}

void RunController::SetPaced(bool paced) {
    worker_->SetPaced(paced);
}

bool RunController::StartAnalysis(const fem::AnalysisSettings& settings) {
    if (Busy()) return false;
    auto job = std::make_shared<Job>(*worker_, true);
    job->model = document_.Snapshot();
    job->settings = settings;
    Start(job);
    return true;
}

bool RunController::StartHistories(const HistoryRequest& request) {
    if (Busy()) return false;
    std::shared_ptr<const fem::ImpactSolution> solution = document_.Impact();
    if (!solution) return false;
    const fem::Model& model = solution->Structure();
    const int count =
        request.Kind == HistoryKind::ElementForces ? model.ElementCount() : model.NodeCount();
    if (request.Number < 0 || request.Number >= count) return false;
    auto job = std::make_shared<Job>(*worker_, false);
    job->historyEnd.Request = request;
    job->historyEnd.Solution = std::move(solution);
    Start(job);
    return true;
}

void RunController::Start(const std::shared_ptr<Job>& job) {
    job_ = job;
    emit BusyChanged(true);
    worker_->Start(
        [job] {
            if (job->analysis) {
                job->analysisEnd.Result =
                    fem::RunAnalysis(job->model, job->settings, &job->progress);
                return;
            }
            HistoryEnd& end = job->historyEnd;
            try {
                if (end.Request.Kind == HistoryKind::ElementForces)
                    end.Histories = fem::ElementForceHistory(*end.Solution, end.Request.Number,
                                                             end.Request.Axes, &job->progress);
                else if (end.Request.Kind == HistoryKind::NodeDisplacements)
                    end.Histories = fem::NodeResponseHistory(
                        *end.Solution, end.Request.Number, end.Request.Quantity, end.Request.Frame);
                else
                    end.Histories = NodeReactions(*end.Solution, end.Request.Number, job->progress);
            } catch (const HistoriesStopped&) {
                end.Result = OutcomeOf(fem::OutcomeKind::Stopped);
            }
        },
        [this, job](const std::exception_ptr& failure) { Finish(job, failure); });
}

void RunController::Finish(const std::shared_ptr<Job>& job, const std::exception_ptr& failure) {
    job_.reset();
    if (job->analysis) {
        AnalysisEnd& end = job->analysisEnd;
        if (failure) {
            end.Result = {};
            end.Failure = OutcomeOfFailure(failure);
        }
        document_.TakeAnalysis(end.Result, job->model->Revision());
        emit BusyChanged(false);
        emit AnalysisEnded(end);
        return;
    }
    HistoryEnd& end = job->historyEnd;
    if (failure) {
        end.Histories = {};
        end.Result = OutcomeOfFailure(failure);
    }
    emit BusyChanged(false);
    emit HistoriesEnded(end);
}

void RunController::Stop() {
    if (!job_) return;  // nothing to stop
    job_->progress.RequestStop();
}

void RunController::Abandon() {
    if (!job_) return;
    Stop();
    // The impact solution stops within one transform point; the static one is skipped.
    worker_->Wait();
    job_.reset();
}

}  // namespace shell

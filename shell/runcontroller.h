#pragma once
// RunController: the long computations on a document, one at a time, on a worker thread
// (WorkerThread), while the windows stay responsive: the analysis of a snapshot of the
// model, and the histories of an element's end forces or of a node's displacements from
// the document's impact solution. It passes the progress on (Progressed), the stop
// button on to the computation (fem::RunControl::RequestStop), and hands the result of
// an analysis to the document before it says that the analysis has ended.
//
// The computations read nothing but their own snapshot or the immutable solution, so
// the document's model may be drawn meanwhile; the windows still keep it unchanged while
// an analysis runs, so that its result belongs to the model when it comes.
#include <memory>

#include <QObject>

#include "analysis/histories.h"
#include "analysis/outcome.h"
#include "analysis/run_analysis.h"

namespace shell {

class Document;
class WorkerThread;

// NodeDisplacements: the node's response of Quantity in Frame; SupportReactions: the
// reactions of the node's fixed dofs (six rows, those of free dofs 0).
enum class HistoryKind { ElementForces, NodeDisplacements, SupportReactions };

struct HistoryRequest {
    HistoryKind Kind = HistoryKind::ElementForces;
    int Number = 0;                                 // the element or the node
    fem::ForceAxes Axes = fem::ForceAxes::Element;  // of the element forces
    fem::ResponseQuantity Quantity = fem::ResponseQuantity::Displacement;
    fem::GroundFrame Frame = fem::GroundFrame::Absolute;
};

// An analysis that has ended. Its Result is the document's last analysis now.
struct AnalysisEnd {
    fem::AnalysisResult Result;
    // A failure outside the solutions (no memory left for the run itself); Result.Impact
    // is then null. Complete when there was none.
    fem::Outcome Failure;
};

// Histories that have been computed, or were stopped or failed.
struct HistoryEnd {
    HistoryRequest Request;
    std::shared_ptr<const fem::ImpactSolution> Solution;  // they were computed from
    fem::HistoryResult Histories;                         // empty unless Result is complete
    fem::Outcome Result;  // Complete, Stopped, OutOfMemory or NotFinite
};

class RunController : public QObject {
    Q_OBJECT
  public:
    explicit RunController(Document& document, QObject* parent = nullptr);
    // A running computation is stopped and waited for (Abandon).
    ~RunController() override;

    // From a start until the end has been announced.
    [[nodiscard]] bool Busy() const { return job_ != nullptr; }

    // Starts the analysis of a snapshot of the document's model with settings. Refused
    // (false) while a computation runs.
    bool StartAnalysis(const fem::AnalysisSettings& settings);
    // Starts the histories of request from the document's impact solution. Refused
    // (false) while a computation runs, when no complete impact solution belongs to the
    // model (Document::WhyNoImpact) or when the element or node does not exist.
    bool StartHistories(const HistoryRequest& request);
    // "中止": the running computation ends after the step in hand. An analysis keeps the
    // transform points finished by then and skips the static solution; histories end
    // without a result.
    void Stop();
    // When the program ends: a running computation is stopped and waited for; nothing of
    // it is handed over or announced.
    void Abandon();
    // Every progress report waits until the receivers of Progressed have had it (see
    // WorkerThread::SetPaced). For tests that act on the progress.
    void SetPaced(bool paced);

  signals:
    void BusyChanged(bool busy);
    // Step k of the running computation is finished: transform point k (over both lines
    // with the aliasing correction), or point k of the element forces' spectra.
    void Progressed(int k);
    // After BusyChanged(false), once the document holds the result.
    void AnalysisEnded(const shell::AnalysisEnd& end);
    // After BusyChanged(false).
    void HistoriesEnded(const shell::HistoryEnd& end);

  private:
    struct Job;
    void Start(const std::shared_ptr<Job>& job);
    void Finish(const std::shared_ptr<Job>& job, const std::exception_ptr& failure);

    Document& document_;
    WorkerThread* worker_;
    std::shared_ptr<Job> job_;  // the running computation, or null
};

// The outcome of a computation that threw instead of returning one: OutOfMemory for
// std::bad_alloc, NotFinite for any other failure.
fem::Outcome OutcomeOfFailure(const std::exception_ptr& failure);

}  // namespace shell

#pragma once
// FrequencyResponseWindow: "周波数応答", the steady-state response of one node to harmonic
// loads of the "pf" values, at evenly spaced frequencies: the magnitude of the chosen
// component on a logarithmic axis and its phase against frequency, and the list of the
// numbers. A frequency at which the undamped structure resonates is marked and listed as
// a resonance, never as a number.
//
// The computation runs on a worker thread of the window's own on a snapshot of the model;
// "中止" keeps the frequencies done by then. The response shown belongs to the revision of
// the structure it was computed for and is let go of once the structure changes.
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QWidget>

#include "analysis/frequency_response.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace shell {

class Document;
class WorkerThread;

// The two plots: magnitude (log axis) above, phase (degrees) below.
class FrfPlot : public QWidget {
    Q_OBJECT
  public:
    explicit FrfPlot(QWidget* parent = nullptr);
    // The points and the component (0 .. 5) to draw; no points: an empty frame.
    void SetResponse(const std::vector<fem::FrequencyPoint>& points, int dof);
    [[nodiscard]] QSize sizeHint() const override { return {460, 360}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<fem::FrequencyPoint> points_;
    int dof_ = 0;
};

// What the user asked for: the node, the frequencies (Hz) and how many.
struct FrfRequest {
    int Node = 0;
    double FromHz = 0.0;
    double ToHz = 0.0;
    int Count = 0;
};

class FrequencyResponseWindow : public QWidget {
    Q_OBJECT
  public:
    FrequencyResponseWindow(Document& document, QWidget* parent = nullptr);
    // A running computation is stopped and waited for.
    ~FrequencyResponseWindow() override;

    // The request the boxes hold, or the reason they hold none (Japanese).
    [[nodiscard]] std::optional<FrfRequest> Request(QString& why) const;
    // "計算実行": starts the computation; refused with a message while one runs or when the
    // boxes hold no valid request.
    void Run();
    void Stop();
    [[nodiscard]] bool Running() const;
    // While the analysis panel computes, nothing starts here either.
    void SetAnalysisBusy(bool busy);
    // The node list follows the structure; a response of another revision is let go of.
    void StructureChanged();

    // The response shown (empty: none).
    [[nodiscard]] const fem::FrequencyResponse& Response() const { return response_; }

    QComboBox* nodeCombo;
    QLineEdit* fromEdit;
    QLineEdit* toEdit;
    QLineEdit* countEdit;
    QComboBox* dofCombo;  // ux .. rz
    QPushButton* runButton;
    QPushButton* stopButton;
    QLabel* statusLabel;
    FrfPlot* plot;
    QTreeWidget* pointList;  // 振動数, 大きさ, 位相

  signals:
    // A computation has ended and its response (or its message) is shown.
    void ComputationFinished();

  private:
    struct Job;
    void Finish(const std::shared_ptr<Job>& job, const std::exception_ptr& failure);
    void ShowResponse();
    void SetRunning(bool running);

    Document& document_;
    WorkerThread* worker_;
    std::shared_ptr<Job> job_;
    fem::FrequencyResponse response_;
    std::uint64_t responseRevision_ = 0;
    bool analysisBusy_ = false;
};

}  // namespace shell

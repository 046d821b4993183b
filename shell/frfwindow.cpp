#include "shell/frfwindow.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "numeric/numbertext.h"
#include "platform/messagebox.h"
#include "shell/document.h"
#include "shell/messages.h"
#include "shell/numbertext.h"
#include "shell/runcontroller.h"
#include "shell/workerthread.h"

namespace shell {
namespace {

const char* const kDofNames[6] = {"ux", "uy", "uz", "rx", "ry", "rz"};
constexpr double kDegreesPerRadian = 57.295779513082320876798;

double Magnitude(const fem::FrequencyPoint& p, int dof) {
    return std::hypot(p.Response[dof].re, p.Response[dof].im);
}

double PhaseDegrees(const fem::FrequencyPoint& p, int dof) {
    return kDegreesPerRadian * std::atan2(p.Response[dof].im, p.Response[dof].re);
}

QString Number(double x) {
    if (x == 0.0) return QStringLiteral("0");
    return QString::fromStdString(numeric::FormatGeneral(x, 8));
}

// Progress of the computation, reported to the window's worker.
class FrfProgress : public fem::AnalysisCallbacks {
  public:
    explicit FrfProgress(WorkerThread& worker) : worker_(worker) {}
    void Progress(int k) override { worker_.ReportProgress(k); }

  private:
    WorkerThread& worker_;
};

}  // namespace

// --- FrfPlot ---------------------------------------------------------------------------

FrfPlot::FrfPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 260);
}

void FrfPlot::SetResponse(const std::vector<fem::FrequencyPoint>& points, int dof) {
    points_ = points;
    dof_ = std::clamp(dof, 0, 5);
    update();
}

void FrfPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const double left = 64.0;
    const double right = width() - 12.0;
    const double gap = 32.0;
    const double panelHeight = (height() - 3.0 * gap) / 2.0;
    if (right - left < 20.0 || panelHeight < 20.0) return;
    const QRectF top(left, gap * 0.6, right - left, panelHeight);
    const QRectF bottom(left, top.bottom() + gap * 1.4, right - left, panelHeight);
    p.setPen(Qt::gray);
    p.drawRect(top);
    p.drawRect(bottom);
    p.setPen(Qt::black);
    p.drawText(QRectF(left, 0, right - left, top.top()), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("|%1|").arg(QLatin1String(kDofNames[dof_])));
    p.drawText(QRectF(left, top.bottom(), right - left, bottom.top() - top.bottom()),
               Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("位相 (°)"));
    if (points_.empty()) return;

    const double f0 = points_.front().Hz;
    const double f1 = std::max(points_.back().Hz, f0 + 1e-300);
    const auto x = [&](double hz) { return left + (hz - f0) / (f1 - f0) * (right - left); };
    p.drawText(QRectF(left, bottom.bottom() + 2, right - left, 16), Qt::AlignLeft, Number(f0));
    p.drawText(QRectF(left, bottom.bottom() + 2, right - left, 16), Qt::AlignRight,
               Number(f1) + QStringLiteral(" Hz"));

    // The magnitude's axis spans whole decades around the values above 0.
    double lowest = HUGE_VAL;
    double highest = 0.0;
    for (const auto& point : points_) {
        if (point.Resonance) continue;
        const double m = Magnitude(point, dof_);
        if (m > 0.0 && std::isfinite(m)) {
            lowest = std::min(lowest, m);
            highest = std::max(highest, m);
        }
    }
    p.setRenderHint(QPainter::Antialiasing);
    if (highest > 0.0) {
        // At most eight decades: a response that vanishes (an antiresonance, a component
        // at rest up to rounding) is drawn at the bottom rather than squeezing the rest.
        const double d1 = std::ceil(std::log10(highest));
        const double d0 = std::max(std::floor(std::log10(lowest)), d1 - 8.0);
        const auto y = [&](double m) {
            return top.bottom() - (std::max(std::log10(m), d0) - d0) / (d1 - d0) * top.height();
        };
        p.setPen(QPen(QColor(220, 220, 220), 1));
        const int step = std::max(1, static_cast<int>((d1 - d0) / 6.0));
        for (double d = d0; d <= d1; d += step) {
            const double yd = top.bottom() - (d - d0) / (d1 - d0) * top.height();
            p.setPen(QPen(QColor(220, 220, 220), 1));
            p.drawLine(QPointF(left, yd), QPointF(right, yd));
            p.setPen(Qt::black);
            p.drawText(QRectF(0, yd - 8, left - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("1E%1").arg(static_cast<int>(d)));
        }
        p.save();
        p.setClipRect(top);
        QPainterPath path;
        bool open = false;
        for (const auto& point : points_) {
            const double m = Magnitude(point, dof_);
            if (point.Resonance || !(m > 0.0) || !std::isfinite(m)) {
                open = false;  // a resonance, a zero or an overflow breaks the line
                continue;
            }
            const QPointF at(x(point.Hz), y(m));
            if (open)
                path.lineTo(at);
            else
                path.moveTo(at);
            open = true;
        }
        p.setPen(QPen(QColor(0, 0, 200), 1.5));
        p.drawPath(path);
        p.restore();
    }

    // Phase from -180 to 180 degrees.
    const auto yPhase = [&](double deg) {
        return bottom.top() + (180.0 - deg) / 360.0 * bottom.height();
    };
    for (double deg : {-180.0, -90.0, 0.0, 90.0, 180.0}) {
        p.setPen(QPen(QColor(220, 220, 220), 1));
        p.drawLine(QPointF(left, yPhase(deg)), QPointF(right, yPhase(deg)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, yPhase(deg) - 8, left - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(static_cast<int>(deg)));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 120, 0));
    for (const auto& point : points_) {
        const double m = Magnitude(point, dof_);
        if (point.Resonance || !(m > 0.0) || !std::isfinite(m)) continue;
        p.drawEllipse(QPointF(x(point.Hz), yPhase(PhaseDegrees(point, dof_))), 2.0, 2.0);
    }
    p.setBrush(Qt::NoBrush);

    // The undamped resonances hit: a dashed line through both plots.
    for (const auto& point : points_) {
        if (!point.Resonance) continue;
        p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        p.drawLine(QPointF(x(point.Hz), top.top()), QPointF(x(point.Hz), bottom.bottom()));
        p.setPen(QColor(200, 0, 0));
        p.drawText(QPointF(x(point.Hz) + 3, top.top() + 14), QStringLiteral("共振"));
    }
}

// --- FrequencyResponseWindow -----------------------------------------------------------

struct FrequencyResponseWindow::Job {
    explicit Job(WorkerThread& worker) : progress(worker) {}
    std::shared_ptr<const fem::Model> model;
    FrfRequest request;
    std::vector<double> hz;
    FrfProgress progress;
    fem::FrequencyResponse result;
};

FrequencyResponseWindow::FrequencyResponseWindow(Document& document, QWidget* parent)
    : QWidget(parent), document_(document), worker_(new WorkerThread(this)) {
    setObjectName(QStringLiteral("frfWindow"));
    worker_->setObjectName(QStringLiteral("frfWorkerThread"));
    setWindowTitle(QStringLiteral("周波数応答"));

    auto* form = new QGridLayout();
    nodeCombo = new QComboBox(this);
    nodeCombo->setObjectName(QStringLiteral("frfNodeCombo"));
    fromEdit = new QLineEdit(QStringLiteral("0"), this);
    fromEdit->setObjectName(QStringLiteral("frfFromEdit"));
    toEdit = new QLineEdit(this);
    toEdit->setObjectName(QStringLiteral("frfToEdit"));
    countEdit = new QLineEdit(QStringLiteral("200"), this);
    countEdit->setObjectName(QStringLiteral("frfCountEdit"));
    dofCombo = new QComboBox(this);
    dofCombo->setObjectName(QStringLiteral("frfDofCombo"));
    for (const char* name : kDofNames) dofCombo->addItem(QLatin1String(name));
    runButton = new QPushButton(QStringLiteral("計算実行"), this);
    runButton->setObjectName(QStringLiteral("runFrfButton"));
    stopButton = new QPushButton(QStringLiteral("中止"), this);
    stopButton->setObjectName(QStringLiteral("stopFrfButton"));
    form->addWidget(new QLabel(QStringLiteral("節点"), this), 0, 0);
    form->addWidget(nodeCombo, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("成分"), this), 0, 2);
    form->addWidget(dofCombo, 0, 3);
    form->addWidget(new QLabel(QStringLiteral("振動数 (Hz)"), this), 1, 0);
    form->addWidget(fromEdit, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("～"), this), 1, 2, Qt::AlignCenter);
    form->addWidget(toEdit, 1, 3);
    form->addWidget(new QLabel(QStringLiteral("点数"), this), 2, 0);
    form->addWidget(countEdit, 2, 1);
    form->addWidget(runButton, 2, 2);
    form->addWidget(stopButton, 2, 3);

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("frfStatus"));
    statusLabel->setWordWrap(true);
    auto* note = new QLabel(
        QStringLiteral("pf の値を振幅とする調和荷重への定常応答（減衰は材料・全体の設定）。"
                       "減衰のない構造の共振点は数値でなく「共振」と示します。"),
        this);
    note->setWordWrap(true);

    plot = new FrfPlot(this);
    plot->setObjectName(QStringLiteral("frfPlot"));
    pointList = new QTreeWidget(this);
    pointList->setObjectName(QStringLiteral("frfPointList"));
    pointList->setColumnCount(3);
    pointList->setHeaderLabels(
        {QStringLiteral("振動数 (Hz)"), QStringLiteral("大きさ"), QStringLiteral("位相 (°)")});
    pointList->setRootIsDecorated(false);
    pointList->setUniformRowHeights(true);
    pointList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    pointList->setMinimumWidth(260);

    auto* left = new QVBoxLayout();
    left->addLayout(form);
    left->addWidget(note);
    left->addWidget(statusLabel);
    left->addWidget(pointList, 1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(plot, 1);

    connect(runButton, &QPushButton::clicked, this, &FrequencyResponseWindow::Run);
    connect(stopButton, &QPushButton::clicked, this, &FrequencyResponseWindow::Stop);
    connect(dofCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { ShowResponse(); });
    connect(worker_, &WorkerThread::Progressed, this, [this](int k) {
        if (job_)
            statusLabel->setText(QStringLiteral("計算中 %1 / %2").arg(k + 1).arg(job_->hz.size()));
    });
    SetRunning(false);
    StructureChanged();
}

FrequencyResponseWindow::~FrequencyResponseWindow() {
    if (job_) {
        job_->progress.RequestStop();
        worker_->Wait();
    }
}

std::optional<FrfRequest> FrequencyResponseWindow::Request(QString& why) const {
    FrfRequest r;
    const auto node = ParseWhole(nodeCombo->currentText());
    const auto from = ParseDouble(fromEdit->text());
    const auto to = ParseDouble(toEdit->text());
    const auto count = ParseWhole(countEdit->text());
    if (!node || *node < 0 || *node >= document_.Model().NodeCount()) {
        why = QStringLiteral("節点を選んでください。");
        return std::nullopt;
    }
    if (!from || !to || *from < 0.0 || *to < *from) {
        why = QStringLiteral("振動数は 0 以上で、上限は下限以上にしてください。");
        return std::nullopt;
    }
    // Each frequency is one factorisation of the whole structure: the count stays within
    // what a window can list and draw.
    if (!count || *count < 1 || *count > 100000) {
        why = QStringLiteral("点数は 1 から 100000 までにしてください。");
        return std::nullopt;
    }
    r.Node = *node;
    r.FromHz = *from;
    r.ToHz = *to;
    r.Count = *count;
    return r;
}

void FrequencyResponseWindow::Run() {
    if (Running() || analysisBusy_) return;
    QString why;
    const std::optional<FrfRequest> request = Request(why);
    if (!request) {
        platform::ShowMessage(this, why);
        return;
    }
    auto job = std::make_shared<Job>(*worker_);
    job->request = *request;
    try {
        job->hz = fem::LinearFrequencies(request->FromHz, request->ToHz, request->Count);
    } catch (const std::exception& f) {
        platform::ShowMessage(this, FailureReason(f));
        return;
    }
    job->model = document_.Snapshot();
    job_ = job;
    SetRunning(true);
    statusLabel->setText(QStringLiteral("計算中"));
    worker_->Start(
        [job] {
            job->result = fem::SolveFrequencyResponse(*job->model, job->request.Node, job->hz,
                                                      &job->progress);
        },
        [this, job](const std::exception_ptr& failure) { Finish(job, failure); });
}

void FrequencyResponseWindow::Stop() {
    if (job_) job_->progress.RequestStop();
}

bool FrequencyResponseWindow::Running() const {
    return job_ != nullptr;
}

void FrequencyResponseWindow::SetAnalysisBusy(bool busy) {
    analysisBusy_ = busy;
    SetRunning(Running());
}

void FrequencyResponseWindow::SetRunning(bool running) {
    runButton->setEnabled(!running && !analysisBusy_);
    stopButton->setEnabled(running);
    nodeCombo->setEnabled(!running);
}

void FrequencyResponseWindow::Finish(const std::shared_ptr<Job>& job,
                                     const std::exception_ptr& failure) {
    job_.reset();
    SetRunning(false);
    if (failure) {
        job->result.Points.clear();
        job->result.Result = OutcomeOfFailure(failure);
    }
    response_ = std::move(job->result);
    responseRevision_ = job->model->Revision();
    // The structure may have changed while the computation ran.
    if (responseRevision_ != document_.Model().Revision()) {
        response_ = {};
        statusLabel->setText(QStringLiteral("構造が計算中に変更されました。"));
    } else if (!response_.Result.Complete() && response_.Result.Kind != fem::OutcomeKind::Stopped) {
        statusLabel->setText(OutcomeMessage(response_.Result));
    } else {
        int resonances = 0;
        for (const auto& point : response_.Points) resonances += point.Resonance ? 1 : 0;
        QString status =
            QStringLiteral("節点 %1：%2 点").arg(job->request.Node).arg(response_.Points.size());
        if (response_.Result.Kind == fem::OutcomeKind::Stopped)
            status += QStringLiteral("（中止）");
        if (resonances > 0) status += QStringLiteral("、減衰のない共振 %1 点").arg(resonances);
        statusLabel->setText(status);
    }
    ShowResponse();
    emit ComputationFinished();
}

void FrequencyResponseWindow::ShowResponse() {
    const int dof = std::max(0, dofCombo->currentIndex());
    plot->SetResponse(response_.Points, dof);
    pointList->clear();
    QList<QTreeWidgetItem*> rows;
    for (const auto& point : response_.Points) {
        auto* row = new QTreeWidgetItem();
        row->setText(0, Number(point.Hz));
        if (point.Resonance) {
            row->setText(1, QStringLiteral("共振（非減衰）"));
            row->setForeground(1, QColor(200, 0, 0));
        } else {
            row->setText(1, Number(Magnitude(point, dof)));
            row->setText(2, Number(PhaseDegrees(point, dof)));
        }
        rows.append(row);
    }
    pointList->addTopLevelItems(rows);
}

void FrequencyResponseWindow::StructureChanged() {
    const fem::Model& model = document_.Model();
    const int count = model.NodeCount();
    if (nodeCombo->count() != count) {
        const int chosen = nodeCombo->currentIndex();
        nodeCombo->clear();
        for (int k = 0; k < count; ++k) nodeCombo->addItem(QString::number(k));
        if (count > 0) nodeCombo->setCurrentIndex(std::clamp(chosen, 0, count - 1));
    }
    if (!response_.Points.empty() && responseRevision_ != model.Revision()) {
        response_ = {};
        statusLabel->setText(
            QStringLiteral("構造が計算後に変更されました。もう一度「計算実行」で計算して下さい。"));
        ShowResponse();
    }
}

}  // namespace shell

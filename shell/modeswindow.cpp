#include "shell/modeswindow.h"

#include <mutex>
#include <optional>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/model.h"
#include "numeric/numbertext.h"
#include "platform/messagebox.h"
#include "shell/document.h"
#include "shell/mainwindow.h"
#include "shell/messages.h"
#include "shell/modeshape.h"
#include "shell/numbertext.h"
#include "shell/workerthread.h"

namespace shell {

namespace {

// Progress of the search, on its thread: kept for the window, which the worker tells.
class SearchProgress : public fem::ModeCallbacks {
  public:
    explicit SearchProgress(WorkerThread& worker) : worker_(worker) {}
    void Progress(const fem::ModeProgress& p) override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            progress_ = p;
        }
        worker_.ReportProgress(p.Evaluations);
    }
    [[nodiscard]] fem::ModeProgress Latest() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return progress_;
    }

  private:
    WorkerThread& worker_;
    std::mutex mutex_;  // guards progress_, written on the search's thread
    fem::ModeProgress progress_;
};

}  // namespace

struct ModesWindow::Search {
    explicit Search(WorkerThread& worker) : progress(worker) {}
    std::shared_ptr<const fem::Model> model;
    fem::ModeRequest request;
    SearchProgress progress;  // and the stop request
    fem::ModeResult result;
};

namespace {

const QString kChanged =
    QStringLiteral("構造が計算後に変更されました。もう一度「計算実行」で計算して下さい。");

// Frequencies and periods in the list with six significant digits, "." whatever the
// locale; copies carry every digit of the double (the search finds them to a relative
// 1E-12).
constexpr int kListDigits = 6;
constexpr int kCopyDigits = 17;
QString Number(double x, int digits) {
    if (x == 0.0) return QStringLiteral("0");
    return QString::fromStdString(numeric::FormatGeneral(x, digits));
}

}  // namespace

ModesWindow::ModesWindow(MainWindow* mainWindow, Document& document, QWidget* parent)
    : QWidget(parent),
      mainWindow_(mainWindow),
      document_(document),
      worker_(new WorkerThread(this)) {
    setObjectName(QStringLiteral("modesWindow"));
    worker_->setObjectName(QStringLiteral("modesWorkerThread"));
    setWindowTitle(QStringLiteral("固有振動数"));

    auto* requestBox = new QWidget(this);
    auto* request = new QGridLayout(requestBox);
    request->setContentsMargins(0, 0, 0, 0);
    countEdit = new QLineEdit(QStringLiteral("10"), requestBox);
    countEdit->setObjectName(QStringLiteral("modeCountEdit"));
    countEdit->setToolTip(QStringLiteral("低い方から求める固有振動数の数（空欄：数で限らない）"));
    belowEdit = new QLineEdit(requestBox);
    belowEdit->setObjectName(QStringLiteral("belowHzEdit"));
    belowEdit->setToolTip(
        QStringLiteral("この振動数より低い固有振動数を求める（空欄：振動数で限らない）"));
    runButton = new QPushButton(QStringLiteral("計算実行"), requestBox);
    runButton->setObjectName(QStringLiteral("runModesButton"));
    stopButton = new QPushButton(QStringLiteral("中止"), requestBox);
    stopButton->setObjectName(QStringLiteral("stopModesButton"));
    progressLabel = new QLabel(QStringLiteral(" 0 "), requestBox);
    progressLabel->setObjectName(QStringLiteral("modesProgress"));
    progressLabel->setFrameShape(QFrame::Panel);
    progressLabel->setFrameShadow(QFrame::Sunken);
    progressLabel->setAlignment(Qt::AlignCenter);
    progressLabel->setToolTip(QStringLiteral("求めた固有振動数の数と行列の分解回数"));
    request->addWidget(new QLabel(QStringLiteral("モード数"), requestBox), 0, 0);
    request->addWidget(countEdit, 0, 1);
    request->addWidget(new QLabel(QStringLiteral("上限振動数 (Hz)"), requestBox), 1, 0);
    request->addWidget(belowEdit, 1, 1);
    request->addWidget(runButton, 2, 0);
    request->addWidget(stopButton, 2, 1);
    request->addWidget(progressLabel, 3, 0, 1, 2);

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("modesStatus"));
    statusLabel->setWordWrap(true);

    modeList = new QTreeWidget(this);
    modeList->setObjectName(QStringLiteral("modeList"));
    modeList->setColumnCount(3);
    modeList->setHeaderLabels(
        {QStringLiteral("次数"), QStringLiteral("振動数 (Hz)"), QStringLiteral("周期 (s)")});
    modeList->setRootIsDecorated(false);
    modeList->setUniformRowHeights(true);
    modeList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    modeList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Room for twelve digits in both number columns.
    const QFontMetrics fm(modeList->font());
    modeList->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("次数")) +
                              2 * fm.horizontalAdvance(QStringLiteral("0.00000000000000E-00")) +
                              8 * fm.averageCharWidth());
    modeList->setToolTip(QStringLiteral("選んだモードの形を３Ｄ表示に描きます"));
    // "コピー" in the context menu and Ctrl+C copy the lines as text.
    auto* copy = new QAction(QStringLiteral("コピー"), modeList);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] { CopyList(); });
    modeList->addAction(copy);
    modeList->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* shapeRow = new QHBoxLayout();
    magnificationEdit = new QLineEdit(this);
    magnificationEdit->setObjectName(QStringLiteral("modeMagnificationEdit"));
    magnificationEdit->setToolTip(QStringLiteral("モード形の表示倍率（Enterで書き直し）"));
    autoMagnification = new QCheckBox(QStringLiteral("自動"), this);
    autoMagnification->setObjectName(QStringLiteral("autoMagnificationCheck"));
    autoMagnification->setToolTip(
        QStringLiteral("最大の変位が構造の大きさの１割に描かれる倍率を各モードに使います"));
    autoMagnification->setChecked(true);
    shapeRow->addWidget(new QLabel(QStringLiteral("表示倍率"), this));
    shapeRow->addWidget(magnificationEdit, 1);
    shapeRow->addWidget(autoMagnification);

    auto* top = new QVBoxLayout(this);
    top->addWidget(requestBox);
    top->addWidget(statusLabel);
    // Damping changes the transient response only: the list holds the frequencies of the
    // undamped structure, which the user should not take for damped ones.
    auto* undamped =
        new QLabel(QStringLiteral("減衰のない固有振動数です（減衰は考慮しません）。"), this);
    undamped->setObjectName(QStringLiteral("undampedNote"));
    undamped->setWordWrap(true);
    top->addWidget(undamped);
    top->addWidget(modeList, 1);
    top->addLayout(shapeRow);

    connect(runButton, &QPushButton::clicked, this, [this] { Run(); });
    connect(stopButton, &QPushButton::clicked, this, [this] { Stop(); });
    connect(worker_, &WorkerThread::Progressed, this, [this](int) { ShowProgress(); });
    connect(modeList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                if (item) DrawChosenMode();
            });
    // A magnification typed by the user holds for every mode until "自動" is chosen again.
    connect(magnificationEdit, &QLineEdit::textEdited, this,
            [this](const QString&) { autoMagnification->setChecked(false); });
    connect(magnificationEdit, &QLineEdit::returnPressed, this, [this] { DrawChosenMode(); });
    connect(autoMagnification, &QCheckBox::clicked, this, [this](bool on) {
        if (on) DrawChosenMode();
    });
    SetRunning(false);
}

ModesWindow::~ModesWindow() {
    Stop();
    worker_->Wait();
}

bool ModesWindow::Running() const {
    return worker_->Running();
}

void ModesWindow::SetRunning(bool running) {
    countEdit->setEnabled(!running);
    belowEdit->setEnabled(!running);
    runButton->setEnabled(!running && !analysisBusy_);
    stopButton->setEnabled(running);
    if (!running) stopButton->setText(QStringLiteral("中止"));
}

void ModesWindow::SetAnalysisBusy(bool busy) {
    analysisBusy_ = busy;
    SetRunning(Running());
}

void ModesWindow::Run() {
    if (Running() || analysisBusy_) return;
    const QString countText = countEdit->text().trimmed();
    const QString belowText = belowEdit->text().trimmed();
    const auto count = countText.isEmpty() ? std::optional<int>(0) : ParseWhole(countText);
    const auto below = belowText.isEmpty() ? std::optional<double>(0.0) : ParseDouble(belowText);
    if (!count || !below || *count < 0 || *below < 0.0 || (*count == 0 && *below == 0.0)) {
        platform::ShowMessage(
            this, QStringLiteral("モード数（１以上）か上限振動数（Hz、正の値）を入力して下さい。"));
        return;
    }
    if (document_.Model().ElementCount() < 1) {
        platform::ShowMessage(this, QStringLiteral("要素がありません。"));
        return;
    }
    auto search = std::make_shared<Search>(*worker_);
    search->model = document_.Snapshot();
    search->request.Count = *count;
    search->request.BelowHz = *below;
    search->request.Shapes = true;
    search_ = search;
    ClearList(QStringLiteral("計算中です。"));
    progressLabel->setText(QStringLiteral(" 0 "));
    SetRunning(true);
    worker_->Start(
        [search] {
            search->result = fem::SolveModes(*search->model, search->request, &search->progress);
        },
        [this, search](const std::exception_ptr& failure) { Finish(search, failure); });
}

void ModesWindow::Stop() {
    if (!search_) return;
    search_->progress.RequestStop();
    // Said at once: the search ends after the factorisation in hand.
    stopButton->setText(QStringLiteral("中止しています…"));
    stopButton->setEnabled(false);
}

void ModesWindow::ShowProgress() {
    if (!search_) return;
    const fem::ModeProgress p = search_->progress.Latest();
    const QString wanted = p.Wanted < 0 ? QStringLiteral("?") : QString::number(p.Wanted);
    progressLabel->setText(
        QStringLiteral("%1 / %2　（行列分解 %3 回）")
            .arg(QString::number(p.Found), wanted, QString::number(p.Evaluations)));
}

void ModesWindow::Finish(const std::shared_ptr<Search>& search, const std::exception_ptr& failure) {
    search_.reset();
    SetRunning(false);
    const fem::ModeResult& result = search->result;
    QString message;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& f) {
            message = QStringLiteral("固有振動数を計算できません。\n") + FailureReason(f) +
                      QStringLiteral("。");
        } catch (...) {
            message = QStringLiteral("固有振動数を計算できません。");
        }
        ClearList(QString());
    } else if (search->model->Revision() != document_.Model().Revision()) {
        ClearList(kChanged);
    } else {
        // After a stop or a failure the modes found by then are listed.
        auto modes = std::make_shared<ModesSolution>();
        modes->ModelRevision = search->model->Revision();
        modes->Result = result;
        document_.TakeModes(std::move(modes));
        FillList(result.Modes);
        if (result.Result.Stopped()) {
            // The modes found before the stop stay listed, and the list says so.
            const int kept = static_cast<int>(result.Modes.size());
            statusLabel->setText(
                QStringLiteral("中止しました：中止までに求めた %1 個のモードです。").arg(kept));
            message = QStringLiteral(
                          "固有振動数の計算を中止しました。中止までに求めた %1 "
                          "個のモードを一覧に残します。")
                          .arg(kept);
        } else {
            message = OutcomeMessage(result.Result);
        }
    }
    progressLabel->setText(QStringLiteral(" %1 ").arg(QString::number(result.Modes.size())));
    if (!message.isEmpty()) platform::ShowMessage(this, message);
    emit SearchFinished();
}

const std::vector<fem::NaturalMode>& ModesWindow::Modes() const {
    static const std::vector<fem::NaturalMode> none;
    return document_.Modes() ? document_.Modes()->Result.Modes : none;
}

void ModesWindow::FillList(const std::vector<fem::NaturalMode>& modes) {
    modeList->clear();
    for (std::size_t k = 0; k < modes.size(); ++k) {
        const double f = modes[k].FrequencyHz;
        auto* item = new QTreeWidgetItem(modeList);
        item->setText(0, QString::number(k + 1));
        item->setText(1, Number(f, kListDigits));
        // A mechanism's zero frequency has no period.
        item->setText(2, f > 0.0 ? Number(1.0 / f, kListDigits) : QStringLiteral("∞"));
        item->setData(1, Qt::UserRole, Number(f, kCopyDigits));
        item->setData(2, Qt::UserRole,
                      f > 0.0 ? Number(1.0 / f, kCopyDigits) : QStringLiteral("∞"));
        for (int c = 0; c < 3; ++c) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    statusLabel->setText(modes.empty()
                             ? QStringLiteral("固有振動数は見つかりませんでした。")
                             : QStringLiteral("モードを選ぶと３Ｄ表示にその形を描きます。"));
}

void ModesWindow::ClearList(const QString& status) {
    document_.TakeModes(nullptr);
    modeList->clear();
    statusLabel->setText(status);
}

bool ModesWindow::RetireIfStale() {
    const std::shared_ptr<const ModesSolution>& modes = document_.Modes();
    if (!modes || modes->BelongsTo(document_.Model())) return false;
    ClearList(kChanged);
    return true;
}

void ModesWindow::ChooseMode(int row) {
    QTreeWidgetItem* item = modeList->topLevelItem(row);
    if (!item) return;
    if (modeList->currentItem() != item)
        modeList->setCurrentItem(item);  // draws it
    else
        DrawChosenMode();
}

void ModesWindow::DrawChosenMode() {
    if (RetireIfStale()) return;  // no shape of another structure
    const int row = modeList->indexOfTopLevelItem(modeList->currentItem());
    // Held while it is drawn, whatever happens to the document's modes meanwhile.
    const std::shared_ptr<const ModesSolution> modes = document_.Modes();
    if (!modes || row < 0 || row >= static_cast<int>(modes->Result.Modes.size())) return;
    const fem::NaturalMode& mode = modes->Result.Modes[static_cast<std::size_t>(row)];
    double magnification = 0.0;
    try {
        if (autoMagnification->isChecked()) {
            // Three digits are plenty for a picture, and the box shows what is drawn.
            const QString text = QString::fromStdString(
                numeric::FormatGeneral(DefaultModeMagnification(document_.Model(), mode), 3));
            magnificationEdit->setText(text);
            magnification = ParseDouble(text).value_or(1.0);
        } else {
            const auto typed = ParseDouble(magnificationEdit->text());
            if (!typed) {
                platform::ShowMessage(this, QStringLiteral("表示倍率を確認して下さい。"));
                return;
            }
            magnification = *typed;
        }
    } catch (const std::exception& f) {
        platform::ShowMessage(this, FailureReason(f));
        return;
    }
    mainWindow_->ShowModeShape(mode, magnification);
    // The list stays in front of the view it draws into.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->raise();
}

QString ModesWindow::ListText() const {
    // Every digit of the values, not the six the list shows.
    auto line = [](const QTreeWidgetItem* item) {
        auto cell = [item](int c) {
            const QVariant full = item->data(c, Qt::UserRole);
            return full.isValid() ? full.toString() : item->text(c);
        };
        return cell(0) + QLatin1Char('\t') + cell(1) + QLatin1Char('\t') + cell(2);
    };
    QStringList lines;
    for (int i = 0; i < modeList->topLevelItemCount(); ++i)
        if (modeList->topLevelItem(i)->isSelected()) lines << line(modeList->topLevelItem(i));
    if (lines.isEmpty()) {
        lines << line(modeList->headerItem());
        for (int i = 0; i < modeList->topLevelItemCount(); ++i)
            lines << line(modeList->topLevelItem(i));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void ModesWindow::CopyList() const {
    QGuiApplication::clipboard()->setText(ListText());
}

}  // namespace shell

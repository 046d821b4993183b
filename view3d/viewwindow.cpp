#include "view3d/viewwindow.h"

#include <atomic>
#include <cmath>
#include <thread>

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include "analysis/impact.h"
#include "model/model.h"
#include "numeric/numbertext.h"
#include "platform/messagebox.h"
#include "platform/paintersurface.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "services/fileservice.h"
#include "services/picturefiles.h"
#include "services/picturesizedialog.h"

namespace view3d {
namespace {

constexpr int kPictureLeft = ViewWindow::kSideMargin / 2;  // twips
constexpr int kPictureTop = 60;

QSlider* MakeSlider(QWidget* parent, int min, int max) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setPageStep(10);
    s->setValue(0);
    return s;
}

QLabel* MakeValueLabel(QWidget* parent, const QString& tip) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setToolTip(tip);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("-120゜")) + 6);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

}  // namespace

ViewWindow::ViewWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("解析対象"));
    playTimer_ = new QTimer(this);
    playTimer_->setInterval(kFrameInterval);
    connect(playTimer_, &QTimer::timeout, this, [this] { NextFrame(); });
    BuildControls();
    scene_.SetPicture(viewPicture);
    scene_.ControlsChanged = [this] { SyncControls(); };
    scene_.Cleared = [this] { SceneCleared(); };

    // Loading: start at the minimum size, then open at the working size.
    scene_.Updating = true;
    prevWidth_ = kMinWidth;
    prevHeight_ = kMinHeight;
    resize(platform::TwipsToPixels(kLoadWidth), platform::TwipsToPixels(kLoadHeight));
    LayoutWindow('b');
    scene_.Updating = false;

    objectModeButton->setChecked(true);  // object coordinate system
    ModeChosen();

    // Until the first fit, one picture unit is one pixel about the picture's centre, so
    // that the default view's shift (a fifth of the scale width) keeps a structure of
    // the size of the samples in front of the eye.
    const double w = viewPicture->width();
    const double h = viewPicture->height();
    viewPicture->SetScale(-w / 2, h / 2, w, -h);
    scene_.CopyingItem = false;
    scene_.SetDefaultView();
    loaded_ = true;
}

// One inversion of the impact response's histories on a thread of its own. The thread
// makes the frames and inverts them a few nodes at a time until they are complete or it
// is asked to stop; the window reads them only after it has joined the thread.
struct ViewWindow::Inversion {
    std::shared_ptr<const fem::ImpactSolution> solution;
    int percentDone = 0;  // as last reported, on the window's thread
    std::atomic<bool> stop{false};
    std::thread thread;
    // Written by the thread, read after it has been joined.
    std::shared_ptr<HistoryFrames> frames;
    std::exception_ptr failure;

    ~Inversion() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
};

ViewWindow::~ViewWindow() {
    // The inversion's thread reports to this window: it ends before the window does.
    StopInversion();
}

QSize ViewWindow::sizeHint() const {
    return {platform::TwipsToPixels(kLoadWidth), platform::TwipsToPixels(kLoadHeight)};
}

QSize ViewWindow::minimumSizeHint() const {
    return {sliderPanel->minimumSizeHint().width() + platform::TwipsToPixels(kSideMargin),
            platform::TwipsToPixels(kMinHeight)};
}

void ViewWindow::BuildControls() {
    viewPicture = new platform::PictureBox(this);
    viewPicture->setObjectName(QStringLiteral("viewPicture"));
    connect(viewPicture, &platform::PictureBox::MouseReleased, this,
            [this](double, double, Qt::MouseButton b) { PictureMouseUp(b); });

    sliderPanel = new QFrame(this);
    sliderPanel->setObjectName(QStringLiteral("sliderPanel"));
    sliderPanel->setFrameShape(QFrame::StyledPanel);
    sliderPanel->setToolTip(QStringLiteral("これらのコントロールで図形を回転，平行移動させます。"));
    auto* grid = new QGridLayout(sliderPanel);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);

    static const char* const kAngleTips[3] = {"Ｘ軸回り回転", "Ｙ軸回り回転", "Ｚ軸回り回転"};
    static const char* const kShiftTips[3] = {"Ｘ方向移動", "Ｙ方向移動", "Ｚ方向移動"};
    for (int i = 0; i < 3; ++i) {
        angleSliders[i] = MakeSlider(sliderPanel, kAngleMin, kAngleMax);
        angleLabels[i] = MakeValueLabel(sliderPanel, QString::fromUtf8(kAngleTips[i]));
        shiftSliders[i] = MakeSlider(sliderPanel, kShiftMin, kShiftMax);
        shiftLabels[i] = MakeValueLabel(sliderPanel, QString::fromUtf8(kShiftTips[i]));
        grid->addWidget(angleSliders[i], i, 0);
        grid->addWidget(angleLabels[i], i, 1);
        grid->addWidget(shiftSliders[i], i, 2);
        grid->addWidget(shiftLabels[i], i, 3);
        angleLabels[i]->installEventFilter(this);
        shiftLabels[i]->installEventFilter(this);
        connect(angleSliders[i], &QSlider::valueChanged, this,
                [this, i](int v) { scene_.SetAngleSlider(i, v); });
        connect(shiftSliders[i], &QSlider::valueChanged, this,
                [this, i](int v) { scene_.SetShiftSlider(i, v); });
    }
    depthSlider = MakeSlider(sliderPanel, kDepthMin, kDepthMax);
    depthLabel = MakeValueLabel(sliderPanel, QStringLiteral("視点深さ"));
    depthLabel->installEventFilter(this);
    grid->addWidget(depthSlider, 3, 0);
    grid->addWidget(depthLabel, 3, 1);
    connect(depthSlider, &QSlider::valueChanged, this, [this](int v) { scene_.SetDepthSlider(v); });

    objectModeButton = new QRadioButton(QStringLiteral("物体座標系"), sliderPanel);
    objectModeButton->setToolTip(QStringLiteral("回転，移動は物体座標系に対して行う"));
    spaceModeButton = new QRadioButton(QStringLiteral("空間座標系"), sliderPanel);
    spaceModeButton->setToolTip(QStringLiteral("回転，移動は空間座標系に対して行う"));
    clearSettingsButton = new QPushButton(QStringLiteral("設定値クリアー"), sliderPanel);
    clearSettingsButton->setToolTip(QStringLiteral("全設定値クリアー"));
    redrawButton = new QPushButton(QStringLiteral("書直し"), sliderPanel);
    fitButton = new QPushButton(QStringLiteral("全体表示"), sliderPanel);
    fitButton->setObjectName(QStringLiteral("fitButton"));
    fitButton->setToolTip(QStringLiteral("構造全体が見えるように表示します"));
    numbersCheck = new QCheckBox(QStringLiteral("番号表示"), sliderPanel);
    numbersCheck->setObjectName(QStringLiteral("numbersCheck"));
    numbersCheck->setToolTip(QStringLiteral("節点番号と要素番号を表示します"));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(fitButton);
    buttons->addWidget(redrawButton);
    grid->addWidget(objectModeButton, 0, 4);
    grid->addWidget(spaceModeButton, 1, 4);
    grid->addWidget(clearSettingsButton, 2, 4);
    grid->addLayout(buttons, 3, 4);
    savePictureButton = new QPushButton(QStringLiteral("画像保存"), sliderPanel);
    savePictureButton->setObjectName(QStringLiteral("savePictureButton"));
    savePictureButton->setToolTip(QStringLiteral("表示中の図を PNG, SVG, PDF で保存します"));
    printButton = new QPushButton(QStringLiteral("印刷"), sliderPanel);
    printButton->setObjectName(QStringLiteral("printButton"));
    printButton->setToolTip(QStringLiteral("表示中の図を印刷します"));
    auto* pictureRow = new QHBoxLayout;
    pictureRow->setSpacing(4);
    pictureRow->addWidget(numbersCheck);
    pictureRow->addStretch();
    pictureRow->addWidget(savePictureButton);
    pictureRow->addWidget(printButton);
    grid->addLayout(pictureRow, 3, 2, 1, 2);
    connect(savePictureButton, &QPushButton::clicked, this, [this] { SavePicture(); });
    connect(printButton, &QPushButton::clicked, this, [this] { Print(); });
    BuildAnimationControls(sliderPanel, grid);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    for (QRadioButton* b : {objectModeButton, spaceModeButton})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ModeChosen();
        });
    connect(clearSettingsButton, &QPushButton::clicked, this,
            [this] { scene_.ClearSettingsClicked(); });
    connect(redrawButton, &QPushButton::clicked, this, [this] { scene_.RedrawClicked(); });
    connect(fitButton, &QPushButton::clicked, this, [this] { scene_.FitStructure(); });
    connect(numbersCheck, &QCheckBox::clicked, this, [this](bool on) {
        scene_.SetNumbersShown(on, true);
        scene_.Redraw();
    });
    viewPicture->installEventFilter(this);
    viewPicture->setToolTip(
        QStringLiteral("ドラッグで回転、ホイールで拡大・縮小、右クリックで背景色を変えます"));

    sliderPanel->resize(sliderPanel->sizeHint());
    SyncControls();
    UpdateAnimationControls();
}

void ViewWindow::BuildAnimationControls(QWidget* parent, QGridLayout* grid) {
    playButton = new QPushButton(QStringLiteral("再生"), parent);
    playButton->setObjectName(QStringLiteral("playButton"));
    playButton->setToolTip(QStringLiteral("衝撃応答の変形を動画で表示します"));
    timeSlider = new QSlider(Qt::Horizontal, parent);
    timeSlider->setObjectName(QStringLiteral("timeSlider"));
    timeSlider->setToolTip(QStringLiteral("時刻"));
    timeSlider->setRange(0, 0);
    timeLabel = new QLabel(parent);
    timeLabel->setObjectName(QStringLiteral("timeLabel"));
    timeLabel->setToolTip(QStringLiteral("時刻 t と時刻番号 j"));
    timeLabel->setMinimumWidth(timeLabel->fontMetrics().horizontalAdvance(
                                   QStringLiteral("時刻 t = 0.00012345 s   j = 8191")) +
                               6);
    auto* magnificationLabel = new QLabel(QStringLiteral("動的変位の倍率"), parent);
    dynamicMagnificationEdit = new QLineEdit(parent);
    dynamicMagnificationEdit->setObjectName(QStringLiteral("dynamicMagnificationEdit"));
    dynamicMagnificationEdit->setToolTip(QStringLiteral("動的変位の表示倍率"));
    dynamicMagnificationEdit->setPlaceholderText(QStringLiteral("自動"));
    dynamicMagnificationEdit->setMaximumWidth(
        dynamicMagnificationEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* timeRow = new QHBoxLayout;
    timeRow->setSpacing(4);
    timeRow->addWidget(playButton);
    timeRow->addWidget(timeSlider, 1);
    timeRow->addWidget(timeLabel);
    grid->addLayout(timeRow, 4, 0, 1, 4);
    auto* magnificationRow = new QHBoxLayout;
    magnificationRow->setSpacing(4);
    magnificationRow->addWidget(magnificationLabel);
    magnificationRow->addWidget(dynamicMagnificationEdit);
    grid->addLayout(magnificationRow, 4, 4);
    connect(playButton, &QPushButton::clicked, this, [this] { Playing() ? Pause() : Play(); });
    connect(timeSlider, &QSlider::valueChanged, this, [this](int j) {
        if (!ShowFrame(j)) UpdateAnimationControls();
    });
    connect(dynamicMagnificationEdit, &QLineEdit::editingFinished, this,
            [this] { MagnificationEntered(); });
}

void ViewWindow::SyncControls() {
    for (int i = 0; i < 3; ++i) {
        {
            const QSignalBlocker block(angleSliders[i]);
            angleSliders[i]->setValue(scene_.AngleSlider(i));
        }
        {
            const QSignalBlocker block(shiftSliders[i]);
            shiftSliders[i]->setValue(scene_.ShiftSlider(i));
        }
        angleLabels[i]->setText(QString::fromStdString(scene_.AngleCaption(i)));
        shiftLabels[i]->setText(QString::fromStdString(scene_.ShiftCaption(i)));
    }
    {
        const QSignalBlocker block(depthSlider);
        depthSlider->setValue(scene_.DepthSlider());
    }
    depthLabel->setText(QString::fromStdString(scene_.DepthCaption()));
    numbersCheck->setChecked(scene_.NumbersShown());
}

void ViewWindow::ModeChosen() {
    // The mode applies to the next slider change; the depth moves only in space mode.
    const bool space = spaceModeButton->isChecked();
    scene_.SetObjectMode(!space);
    depthSlider->setEnabled(space);
    depthLabel->setEnabled(space);
}

bool ViewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewPicture) return PictureEvent(event) || QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < 3; ++i) {
            if (watched == angleLabels[i]) scene_.AngleLabelClicked(i);
            if (watched == shiftLabels[i]) scene_.ShiftLabelClicked(i);
        }
        if (watched == depthLabel && depthLabel->isEnabled()) scene_.DepthLabelClicked();
    }
    return QWidget::eventFilter(watched, event);
}

bool ViewWindow::PictureEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton) return false;
            dragging_ = true;
            dragStart_ = me->position();
            dragAngles_ = {scene_.AngleSlider(0), scene_.AngleSlider(1)};
            return false;
        }
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (!dragging_ || !(me->buttons() & Qt::LeftButton)) return false;
            // Sideways turns about the vertical (y), up and down about the horizontal (x).
            const QPointF d = me->position() - dragStart_;
            const int ax = dragAngles_[0] + static_cast<int>(std::lround(d.y() * kDegreesPerPixel));
            const int ay = dragAngles_[1] + static_cast<int>(std::lround(d.x() * kDegreesPerPixel));
            if (ax == scene_.AngleSlider(0) && ay == scene_.AngleSlider(1)) return false;
            scene_.Updating = true;
            scene_.SetAngleSlider(0, ax);
            scene_.SetAngleSlider(1, ay);
            scene_.Updating = false;
            scene_.Redraw();
            return false;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) dragging_ = false;
            return false;
        case QEvent::Wheel: {
            auto* we = static_cast<QWheelEvent*>(event);
            const double notches = we->angleDelta().y() / 120.0;
            if (notches == 0.0) return true;
            const QPointF at = viewPicture->ToUser(we->position());
            // Turning the wheel away from the user enlarges the drawing.
            scene_.Zoom(std::pow(kZoomPerNotch, -notches), at.x(), at.y());
            return true;
        }
        default:
            return false;
    }
}

// --- animation ---------------------------------------------------------------------

void ViewWindow::SetModel(const fem::Model* model) {
    Pause();
    StopInversion();
    model_ = model;
    animation_.Drop();
    givenFrames_.reset();
    frameShown_ = false;
    UpdateAnimationControls();
}

void ViewWindow::SetFrames(std::shared_ptr<const FrameSource> frames, double magnification) {
    Pause();
    StopInversion();
    givenFrames_ = std::move(frames);
    animation_.Drop();
    frameShown_ = false;
    magnificationTyped_ = magnification > 0.0 && std::isfinite(magnification);
    if (magnificationTyped_) {
        animation_.Magnification = magnification;
        dynamicMagnificationEdit->setText(
            QString::fromStdString(numeric::FormatGeneral(magnification, 6)));
    }
    UpdateAnimationControls();
}

void ViewWindow::SetAnalysisRunning(bool running) {
    // Nothing is animated while an analysis runs; afterwards the frames are kept only if
    // they still show the structure's results.
    analysisRunning_ = running;
    if (running) {
        Pause();
        StopInversion();
    }
    UpdateAnimationControls();
}

bool ViewWindow::Playing() const {
    return playTimer_->isActive() || (inversion_ && playWanted_);
}

void ViewWindow::Play() {
    if (Playing()) return;
    if (EnsureFrames()) {
        playTimer_->start();
        DrawFrame();
    } else if (inversion_) {
        playWanted_ = true;  // starts when the histories are inverted
    } else {
        return;
    }
    playButton->setText(QStringLiteral("停止"));
}

void ViewWindow::Pause() {
    playTimer_->stop();
    playWanted_ = false;
    if (playButton) playButton->setText(QStringLiteral("再生"));
}

bool ViewWindow::ShowFrame(int j) {
    if (EnsureFrames()) {
        animation_.SetFrame(j);
        DrawFrame();
        return true;
    }
    if (!inversion_) return false;
    wantedFrame_ = j;  // shown when the histories are inverted
    return true;
}

void ViewWindow::NextFrame() {
    if (!model_ || analysisRunning_ || !animation_.BelongsTo(*model_)) {
        UpdateAnimationControls();  // stops and lets the frames go
        Pause();
        return;
    }
    animation_.Advance(animation_.PlayStep());
    DrawFrame();
}

std::shared_ptr<const fem::ImpactSolution> ViewWindow::CurrentResponse() const {
    if (!model_ || !ImpactResponse) return nullptr;
    std::shared_ptr<const fem::ImpactSolution> solution = ImpactResponse();
    if (!solution || !solution->BelongsTo(*model_)) return nullptr;
    return solution;
}

bool ViewWindow::EnsureFrames() {
    if (!model_ || analysisRunning_) return false;
    if (animation_.BelongsTo(*model_)) return true;
    animation_.Drop();
    if (givenFrames_) {
        if (!givenFrames_->BelongsTo(*model_)) {
            givenFrames_.reset();  // made for a structure that has changed since
            return false;
        }
        StartFrames(givenFrames_);
        return true;
    }
    if (inversion_) return false;
    std::shared_ptr<const fem::ImpactSolution> solution = CurrentResponse();
    if (!solution) return false;
    StartInversion(std::move(solution));
    return false;
}

void ViewWindow::StartInversion(std::shared_ptr<const fem::ImpactSolution> solution) {
    // Every node's histories: with thousands of time points that takes seconds, so it is
    // done on a thread of its own while the window goes on. The solution is immutable,
    // and the graphs may compute histories of it at the same time.
    auto inversion = std::make_unique<Inversion>();
    inversion->solution = std::move(solution);
    const unsigned run = ++inversionRun_;
    Inversion* in = inversion.get();
    in->thread = std::thread([this, in, run] {
        try {
            in->frames =
                std::make_shared<HistoryFrames>(in->solution, HistoryFrames::Inversion::Later);
            int shown = -1;  // per cent last reported
            const int work = std::max(in->frames->Work(), 1);
            while (!in->stop && !in->frames->Complete()) {
                const int done = work - in->frames->InvertMore(4);
                const int percent = 100 * done / work;
                if (percent == shown) continue;
                shown = percent;
                QMetaObject::invokeMethod(
                    this, [this, run, percent] { InversionProgressed(run, percent); },
                    Qt::QueuedConnection);
            }
        } catch (...) {
            in->failure = std::current_exception();
        }
        // The last thing the thread does; InversionFinished joins it.
        QMetaObject::invokeMethod(
            this, [this, run] { InversionFinished(run); }, Qt::QueuedConnection);
    });
    inversion_ = std::move(inversion);
    wantedFrame_ = -1;
    ShowInversionProgress();
}

void ViewWindow::InversionProgressed(unsigned run, int percentDone) {
    if (!inversion_ || run != inversionRun_) return;
    inversion_->percentDone = percentDone;
    ShowInversionProgress();
}

void ViewWindow::InversionFinished(unsigned run) {
    if (!inversion_ || run != inversionRun_) return;
    inversion_->thread.join();
    const std::unique_ptr<Inversion> done = std::move(inversion_);
    std::shared_ptr<const FrameSource> frames = done->frames;
    if (done->failure) {
        playWanted_ = false;
        wantedFrame_ = -1;
        UpdateAnimationControls();
        try {
            std::rethrow_exception(done->failure);
        } catch (const std::exception& e) {
            ShowInversionFailure(e);
        } catch (...) {
        }
        emit InversionEnded();
        return;
    }
    // The structure may have changed, or an analysis started, while the thread worked.
    if (!model_ || analysisRunning_ || !frames || !done->frames->Complete() ||
        !frames->BelongsTo(*model_)) {
        playWanted_ = false;
        wantedFrame_ = -1;
        UpdateAnimationControls();
        emit InversionEnded();
        return;
    }
    StartFrames(frames);
    if (wantedFrame_ >= 0) animation_.SetFrame(wantedFrame_);
    wantedFrame_ = -1;
    if (playWanted_) {
        playWanted_ = false;
        playTimer_->start();
    }
    DrawFrame();
    emit InversionEnded();
}

void ViewWindow::StopInversion() {
    const bool inverting = inversion_ != nullptr;
    inversion_.reset();  // stops its thread and waits for it
    playWanted_ = false;
    wantedFrame_ = -1;
    if (playButton && !playTimer_->isActive()) playButton->setText(QStringLiteral("再生"));
    if (inverting) emit InversionEnded();
}

void ViewWindow::StartFrames(std::shared_ptr<const FrameSource> frames) {
    animation_.SetFrames(std::move(frames));
    // A magnification typed before the frames were there is kept.
    if (!magnificationTyped_)
        animation_.Magnification = DefaultMagnification(animation_.Frames()->LargestTranslation(),
                                                        BoundingDiagonal(*model_));
    magnificationTyped_ = false;
    dynamicMagnificationEdit->setText(
        QString::fromStdString(numeric::FormatGeneral(animation_.Magnification, 6)));
    UpdateAnimationControls();
}

void ViewWindow::ShowInversionProgress() {
    timeLabel->setText(QStringLiteral("変位履歴を計算中 %1%").arg(inversion_->percentDone));
}

void ViewWindow::ShowInversionFailure(const std::exception& e) {
    // Said by the kind of failure; the engine's English text is not shown.
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    platform::ShowMessage(
        this, memory ? QStringLiteral("メモリが足りないため動画を表示できません。")
                     : QStringLiteral("動画を表示できません。\n変位履歴の値が数値になりません。"));
}

void ViewWindow::DrawFrame() {
    try {
        animation_.Draw(scene_, *model_, scene_.StructureItems);
        frameShown_ = true;
    } catch (const std::exception&) {
        // An element of zero length has no shape: the frame stays as far as it was drawn.
    }
    ShowTime();
}

void ViewWindow::ShowTime() {
    const FrameSource* frames = animation_.Frames();
    {
        const QSignalBlocker block(timeSlider);
        timeSlider->setValue(animation_.Frame());
    }
    // Before the frames are made the first one is at t = 0.
    timeLabel->setText(QString::fromStdString(
        frames ? TimeCaption(frames->FrameTime(animation_.Frame()), animation_.Frame())
               : TimeCaption(0.0, 0)));
}

void ViewWindow::MagnificationEntered() {
    double m = 0.0;
    if (!numeric::ParseNumber(dynamicMagnificationEdit->text().toStdString(), m)) {
        // Not a number: the magnification in use stays.
        dynamicMagnificationEdit->setText(
            QString::fromStdString(numeric::FormatGeneral(animation_.Magnification, 6)));
        return;
    }
    magnificationTyped_ = animation_.Frames() == nullptr;
    if (m == animation_.Magnification) return;
    animation_.Magnification = m;
    if (frameShown_ && !Playing() && animation_.Frames()) DrawFrame();
}

void ViewWindow::UpdateAnimationControls() {
    // Frames to show: those made already, or those that can be made now. Frames that no
    // longer show the structure are let go of.
    int count = 0;
    if (model_ && !analysisRunning_) {
        if (!animation_.BelongsTo(*model_)) animation_.Drop();
        if (givenFrames_ && !givenFrames_->BelongsTo(*model_)) givenFrames_.reset();
        if (inversion_ && !inversion_->solution->BelongsTo(*model_)) StopInversion();
        if (inversion_) {
            count = inversion_->solution->Settings().Nw;
        } else if (animation_.Frames()) {
            count = animation_.Frames()->FrameCount();
        } else if (givenFrames_) {
            count = givenFrames_->FrameCount();
        } else if (const auto solution = CurrentResponse()) {
            count = solution->Settings().Nw;
        }
    }
    const bool usable = count > 0;
    playButton->setEnabled(usable);
    timeSlider->setEnabled(usable);
    dynamicMagnificationEdit->setEnabled(usable);
    {
        const QSignalBlocker block(timeSlider);
        timeSlider->setRange(0, std::max(count - 1, 0));
        timeSlider->setPageStep(std::max(count / 16, 1));
    }
    if (!usable) {
        Pause();
        timeLabel->clear();
        return;
    }
    if (inversion_) {
        ShowInversionProgress();
        return;
    }
    ShowTime();
}

void ViewWindow::SceneCleared() {
    // The structure is drawn anew: the frame drawn over the old drawing is gone, and the
    // frames go with a structure that has changed.
    Pause();
    frameShown_ = false;
    UpdateAnimationControls();
}

// --- pictures ----------------------------------------------------------------------

platform::ExportResult ViewWindow::SavePicture(const QString& path, QSize size, bool axes) {
    return platform::ExportPicture(path, size, [this, axes](platform::PainterSurface& s) {
        scene_.DrawOnto(s, s.Size().width(), s.Size().height(), axes);
    });
}

services::PictureSizeDialog* ViewWindow::pictureSizeDialog() {
    if (!sizeDialog_) sizeDialog_ = new services::PictureSizeDialog(this);
    return sizeDialog_;
}

void ViewWindow::SavePicture() {
    Pause();  // the picture is the frame shown now
    services::SavePictureAsked(this, *pictureSizeDialog(), QStringLiteral("view.png"),
                               viewPicture->size(), [this](platform::PainterSurface& s) {
                                   scene_.DrawOnto(s, s.Size().width(), s.Size().height(), true);
                               });
}

bool ViewWindow::PrintTo(QPrinter& printer) {
    return services::PrintPicture(printer, [this](platform::PainterSurface& s) {
        scene_.DrawOnto(s, s.Size().width(), s.Size().height(), true);
    });
}

void ViewWindow::Print() {
    Pause();
    services::PrintAsked(this, viewPicture->width() > viewPicture->height(),
                         QStringLiteral("view.pdf"), [this](platform::PainterSurface& s) {
                             scene_.DrawOnto(s, s.Size().width(), s.Size().height(), true);
                         });
}

void ViewWindow::PictureMouseUp(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    const platform::Color c =
        ColorRequest ? ColorRequest() : services::ProgramFileService().ChooseColor();
    if (c != -1) viewPicture->SetBackColor(c);
    scene_.RedrawClicked();
}

void ViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (scene_.Updating) return;
    const double w = platform::PixelsToTwips(width());
    const double h = platform::PixelsToTwips(height());
    if (w < kMinWidth && h < kMinHeight) return;  // below both minimum sizes
    scene_.Updating = true;
    if (w > kMinWidth && h > kMinHeight) {
        LayoutWindow('b');
    } else if (h > kMinHeight) {
        LayoutWindow('h');
    } else {
        LayoutWindow('w');
    }
    scene_.Updating = false;
}

void ViewWindow::SetOwnHeight(int pixels) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(sub->width(), sub->height() + pixels - height());
    } else {
        resize(width(), pixels);
    }
}

void ViewWindow::LayoutWindow(char mode) {
    using platform::TwipsToPixels;
    const int frameHeight = sliderPanel->height();
    int picWidth = viewPicture->width();
    int picHeight = viewPicture->height();
    int windowHeight = height();
    if (mode == 'b' || mode == 'w') picWidth = width() - TwipsToPixels(kSideMargin);
    if (mode == 'b' || mode == 'h')
        picHeight = height() - (frameHeight + TwipsToPixels(kBottomMargin));
    if (mode == 'w') {
        windowHeight = TwipsToPixels(prevHeight_);
        SetOwnHeight(windowHeight);
    }
    const int left = TwipsToPixels(kPictureLeft);
    const int top = TwipsToPixels(kPictureTop);
    viewPicture->setGeometry(left, top, std::max(picWidth, 1), std::max(picHeight, 1));
    sliderPanel->setGeometry(left, top + viewPicture->height(), viewPicture->width(), frameHeight);
    prevWidth_ = static_cast<int>(platform::PixelsToTwips(width()));
    prevHeight_ = static_cast<int>(platform::PixelsToTwips(windowHeight));
    scene_.SetPictureSize(viewPicture->width(), viewPicture->height());
    scene_.RefitPicture();
    // The drawing at the new size: without it the old picture would stay, with new
    // axes drawn over it.
    if (loaded_) scene_.Redraw();
}

}  // namespace view3d

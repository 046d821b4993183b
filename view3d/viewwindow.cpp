#include "view3d/viewwindow.h"

#include <cmath>

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QWheelEvent>

#include "platform/picturebox.h"
#include "platform/twips.h"
#include "services/fileservice.h"

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
    BuildControls();
    scene_.SetPicture(viewPicture);
    scene_.ControlsChanged = [this] { SyncControls(); };

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

ViewWindow::~ViewWindow() = default;

QSize ViewWindow::sizeHint() const {
    return {platform::TwipsToPixels(kLoadWidth), platform::TwipsToPixels(kLoadHeight)};
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
    grid->addWidget(numbersCheck, 3, 2);
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

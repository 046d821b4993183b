#include "view3d/viewwindow.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

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
    grid->addWidget(objectModeButton, 0, 4);
    grid->addWidget(spaceModeButton, 1, 4);
    grid->addWidget(clearSettingsButton, 2, 4);
    grid->addWidget(redrawButton, 3, 4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    for (QRadioButton* b : {objectModeButton, spaceModeButton})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ModeChosen();
        });
    connect(clearSettingsButton, &QPushButton::clicked, this,
            [this] { scene_.ClearSettingsClicked(); });
    connect(redrawButton, &QPushButton::clicked, this, [this] { scene_.RedrawClicked(); });

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
}

void ViewWindow::ModeChosen() {
    // The mode applies to the next slider change; the depth moves only in space mode.
    const bool space = spaceModeButton->isChecked();
    scene_.SetObjectMode(!space);
    depthSlider->setEnabled(space);
    depthLabel->setEnabled(space);
}

bool ViewWindow::eventFilter(QObject* watched, QEvent* event) {
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
}

}  // namespace view3d

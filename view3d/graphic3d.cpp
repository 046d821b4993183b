#include "view3d/graphic3d.h"

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

constexpr int kPicLeft = Graphic3D::kSideMargin / 2;  // twips
constexpr int kPicTop = 60;

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

Graphic3D::Graphic3D(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("解析対象"));
    BuildControls();
    view_.SetPicture(Pic1);
    view_.ControlsChanged = [this] { SyncControls(); };

    // Loading: start at the minimum size, then open at the working size.
    view_.Updating = true;
    prevWidth_ = kMinWidth;
    prevHeight_ = kMinHeight;
    resize(platform::TwipsToPixels(kLoadWidth), platform::TwipsToPixels(kLoadHeight));
    LayoutWindow('b');
    view_.Updating = false;

    Option1[0]->setChecked(true);  // object coordinate system
    Option1Click();

    // Until the first fit, one picture unit is one pixel about the picture's centre, so
    // that the default view's shift (a fifth of the scale width) keeps a structure of
    // the size of the samples in front of the eye.
    const double w = Pic1->width();
    const double h = Pic1->height();
    Pic1->SetScale(-w / 2, h / 2, w, -h);
    view_.Copying = false;
    view_.TransMatDefault();
}

Graphic3D::~Graphic3D() = default;

QSize Graphic3D::sizeHint() const {
    return {platform::TwipsToPixels(kLoadWidth), platform::TwipsToPixels(kLoadHeight)};
}

void Graphic3D::BuildControls() {
    Pic1 = new platform::PictureBox(this);
    Pic1->setObjectName(QStringLiteral("Pic1"));
    connect(Pic1, &platform::PictureBox::MouseReleased, this,
            [this](double, double, Qt::MouseButton b) { Pic1MouseUp(b); });

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setToolTip(QStringLiteral("これらのコントロールで図形を回転，平行移動させます。"));
    auto* grid = new QGridLayout(Frame1);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);

    static const char* const kAngleTips[3] = {"Ｘ軸回り回転", "Ｙ軸回り回転", "Ｚ軸回り回転"};
    static const char* const kSlideTips[3] = {"Ｘ方向移動", "Ｙ方向移動", "Ｚ方向移動"};
    for (int i = 0; i < 3; ++i) {
        ScrollAngl[i] = MakeSlider(Frame1, kAngleMin, kAngleMax);
        RotAngle[i] = MakeValueLabel(Frame1, QString::fromUtf8(kAngleTips[i]));
        ScrollSlide[i] = MakeSlider(Frame1, kSlideMin, kSlideMax);
        SlideValue[i] = MakeValueLabel(Frame1, QString::fromUtf8(kSlideTips[i]));
        grid->addWidget(ScrollAngl[i], i, 0);
        grid->addWidget(RotAngle[i], i, 1);
        grid->addWidget(ScrollSlide[i], i, 2);
        grid->addWidget(SlideValue[i], i, 3);
        RotAngle[i]->installEventFilter(this);
        SlideValue[i]->installEventFilter(this);
        connect(ScrollAngl[i], &QSlider::valueChanged, this,
                [this, i](int v) { view_.SetScrollAngl(i, v); });
        connect(ScrollSlide[i], &QSlider::valueChanged, this,
                [this, i](int v) { view_.SetScrollSlide(i, v); });
    }
    ScrollDisp = MakeSlider(Frame1, kDispMin, kDispMax);
    DispValue = MakeValueLabel(Frame1, QStringLiteral("視点深さ"));
    DispValue->installEventFilter(this);
    grid->addWidget(ScrollDisp, 3, 0);
    grid->addWidget(DispValue, 3, 1);
    connect(ScrollDisp, &QSlider::valueChanged, this, [this](int v) { view_.SetScrollDisp(v); });

    Option1[0] = new QRadioButton(QStringLiteral("物体座標系"), Frame1);
    Option1[0]->setToolTip(QStringLiteral("回転，移動は物体座標系に対して行う"));
    Option1[1] = new QRadioButton(QStringLiteral("空間座標系"), Frame1);
    Option1[1]->setToolTip(QStringLiteral("回転，移動は空間座標系に対して行う"));
    Command1 = new QPushButton(QStringLiteral("設定値クリアー"), Frame1);
    Command1->setToolTip(QStringLiteral("全設定値クリアー"));
    ButonRedraw = new QPushButton(QStringLiteral("書直し"), Frame1);
    grid->addWidget(Option1[0], 0, 4);
    grid->addWidget(Option1[1], 1, 4);
    grid->addWidget(Command1, 2, 4);
    grid->addWidget(ButonRedraw, 3, 4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    for (QRadioButton* b : Option1)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) Option1Click();
        });
    connect(Command1, &QPushButton::clicked, this, [this] { view_.Command1Click(); });
    connect(ButonRedraw, &QPushButton::clicked, this, [this] { view_.ButonRedrawClick(); });

    Frame1->resize(Frame1->sizeHint());
    SyncControls();
}

void Graphic3D::SyncControls() {
    for (int i = 0; i < 3; ++i) {
        {
            const QSignalBlocker block(ScrollAngl[i]);
            ScrollAngl[i]->setValue(view_.ScrollAngl(i));
        }
        {
            const QSignalBlocker block(ScrollSlide[i]);
            ScrollSlide[i]->setValue(view_.ScrollSlide(i));
        }
        RotAngle[i]->setText(QString::fromStdString(view_.RotAngleCaption(i)));
        SlideValue[i]->setText(QString::fromStdString(view_.SlideValueCaption(i)));
    }
    {
        const QSignalBlocker block(ScrollDisp);
        ScrollDisp->setValue(view_.ScrollDisp());
    }
    DispValue->setText(QString::fromStdString(view_.DispValueCaption()));
}

void Graphic3D::Option1Click() {
    // The mode applies to the next slider change; the depth moves only in space mode.
    const bool space = Option1[1]->isChecked();
    view_.SetObjectMode(!space);
    ScrollDisp->setEnabled(space);
    DispValue->setEnabled(space);
}

bool Graphic3D::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < 3; ++i) {
            if (watched == RotAngle[i]) view_.RotAngleClick(i);
            if (watched == SlideValue[i]) view_.SlideValueClick(i);
        }
        if (watched == DispValue && DispValue->isEnabled()) view_.DispValueClick();
    }
    return QWidget::eventFilter(watched, event);
}

void Graphic3D::Pic1MouseUp(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    const platform::Color c =
        ColorRequest ? ColorRequest() : services::ProgramFileService().ChooseColor();
    if (c != -1) Pic1->SetBackColor(c);
    view_.ButonRedrawClick();
}

void Graphic3D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_.Updating) return;
    const double w = platform::PixelsToTwips(width());
    const double h = platform::PixelsToTwips(height());
    if (w < kMinWidth && h < kMinHeight) return;  // below both minimum sizes
    view_.Updating = true;
    if (w > kMinWidth && h > kMinHeight) {
        LayoutWindow('b');
    } else if (h > kMinHeight) {
        LayoutWindow('h');
    } else {
        LayoutWindow('w');
    }
    view_.Updating = false;
}

void Graphic3D::SetOwnHeight(int pixels) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(sub->width(), sub->height() + pixels - height());
    } else {
        resize(width(), pixels);
    }
}

void Graphic3D::LayoutWindow(char mode) {
    using platform::TwipsToPixels;
    const int frameHeight = Frame1->height();
    int picWidth = Pic1->width();
    int picHeight = Pic1->height();
    int windowHeight = height();
    if (mode == 'b' || mode == 'w') picWidth = width() - TwipsToPixels(kSideMargin);
    if (mode == 'b' || mode == 'h')
        picHeight = height() - (frameHeight + TwipsToPixels(kBottomMargin));
    if (mode == 'w') {
        windowHeight = TwipsToPixels(prevHeight_);
        SetOwnHeight(windowHeight);
    }
    const int left = TwipsToPixels(kPicLeft);
    const int top = TwipsToPixels(kPicTop);
    Pic1->setGeometry(left, top, std::max(picWidth, 1), std::max(picHeight, 1));
    Frame1->setGeometry(left, top + Pic1->height(), Pic1->width(), frameHeight);
    prevWidth_ = static_cast<int>(platform::PixelsToTwips(width()));
    prevHeight_ = static_cast<int>(platform::PixelsToTwips(windowHeight));
    view_.SetPictureSize(Pic1->width(), Pic1->height());
    view_.SetScreenAgain();
}

}  // namespace view3d

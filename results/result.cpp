#include "results/result.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>

#include "model/model.h"
#include "platform/eventyield.h"
#include "platform/messagebox.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"

namespace results {

namespace {

using platform::TwipsToPixels;

// Sizes and margins in twips.
constexpr double kLoadWidth = 10000;    // also the minimum width
constexpr double kLoadHeight = 6500;    // also the minimum height
constexpr double kMarginBelow = 480;    // below the plot
constexpr double kMarginRight = 200;    // right of the lists
constexpr double kListGap = 50;         // between Frame3 and the lists
constexpr double kHeadingIndent = 100;  // list headings against the lists
constexpr double kTopRow = 360;         // element and node captions above the plot
constexpr double kFrameWidth = 2600;    // Frame3
constexpr double kFrameRow = 285;       // one scale label row in Frame3
constexpr double kFrameMargin = 90;
constexpr double kHeading = 300;  // list heading height
constexpr int kListLines = 14;

const char* const kHelpText =
    "○Fx,Fy,Fz → x,y,z方向節点力\n"
    "　Mx,My,Mz → x,y,z軸回りモーメント\n"
    "　（実際の値）＝（グラフの y 値）×（ラベルの値）\n"
    "○上記成分は、全体座標系又は要素座標系いずれかでの値\n"
    "　要素座標系の場合、力は要素の内力であり，Mxはトルクとなる\n"
    "○グラフ画面ダブルクリック → 画面消去\n"
    "○ラベルの右クリック       → 表示条件設定\n"
    "　ラベルの左クリック       → 対応する力のみ書直し\n"
    "○Draw Allボタン           → 全て書直し\n"
    "ウィンドウをドラッグすれば、表示画面の大きさが変わる。\n";

const char* const kRangeLeft[] = {"0", "0.1", "0.2", "0.3"};
const char* const kRangeRight[] = {"1", "0.9", "0.8", "0.7", "0.6", "0.5", "0.4"};

float TextAsSingle(const QString& text) {
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok ? v : 0.0f;
}

}  // namespace

ReSult::ReSult(QWidget* parent) : QWidget(parent), chooser_(DefaultColorChooser()) {
    arranging_ = true;
    setWindowTitle("要素の節点力計算結果");

    Picture2 = new platform::PictureBox(this);
    Label4 = new QLabel("！！描画中！！", Picture2);
    ValuLb = new QLabel(Picture2);
    Line1 = new QFrame(Picture2);
    ElmLb = new QLabel(this);
    Label1 = new QLabel(this);
    Label3[0] = new QLabel(this);
    Label3[1] = new QLabel(this);
    Label5 = new QLabel("静的節点力", this);
    Label6 = new QLabel(this);
    List1 = new QListWidget(this);
    List2 = new QListWidget(this);
    Text1 = new QPlainTextEdit(this);
    Dummy = new QLabel(this);
    Frame3 = new QFrame(this);
    BuildFrame3();

    // Children of the plot show through to its mouse handling.
    for (QWidget* w : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(ValuLb),
                       static_cast<QWidget*>(Line1)}) {
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->hide();
    }
    QPalette busy = Label4->palette();
    busy.setColor(QPalette::WindowText, Qt::red);
    Label4->setPalette(busy);
    QFont busyFont = Label4->font();
    busyFont.setBold(true);
    busyFont.setPointSizeF(busyFont.pointSizeF() * 1.5);
    Label4->setFont(busyFont);
    Label4->adjustSize();
    ValuLb->setContentsMargins(3, 1, 3, 1);
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    QPalette cursor = Line1->palette();
    cursor.setColor(QPalette::Window, Qt::black);
    Line1->setPalette(cursor);

    for (QListWidget* list : {List1, List2}) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
    }

    // Help text over the plot.
    Text1->setPlainText(QString::fromUtf8(kHelpText));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A Japanese monospaced face gives the full-width characters twice the width
    // of the ASCII ones, so that the space padding lines the arrows up.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setFamilies({"Noto Sans Mono CJK JP", "MS Gothic", "Osaka-Mono", mono.family()});
    mono.setPointSizeF(font().pointSizeF());
    Text1->setFont(mono);
    QPalette help = Text1->palette();
    help.setColor(QPalette::Base, platform::ToQColor(platform::RGB(255, 255, 128)));
    help.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(help);
    Text1->viewport()->installEventFilter(this);
    Text1->hide();

    Dummy->hide();

    const QSize load(TwipsToPixels(kLoadWidth), TwipsToPixels(kLoadHeight));
    minSize_ = load;
    lastSize_ = load;
    resize(load);

    // Pens are at their defaults (pen 12 takes the plot's back colour).
    pens_ = PenTable(Picture2->BackColor());
    Dummy->setText(QString::fromStdString("θx=" + FormatSingle(1e-20 / 3.0)));
    Dummy->adjustSize();
    const int listWidth = static_cast<int>(std::lround(1.1 * Dummy->width()));
    // The list frames, item margins and a scroll bar come on top of the text width.
    // List2 may need its scroll bar at small window heights.
    const int chrome =
        2 * List1->frameWidth() + 8 + List1->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    List1->setFixedWidth(listWidth + chrome);
    List2->setFixedWidth(List1->width());
    for (int c = 0; c < kComponentCount; ++c) {
        SetLabelColors(MaxLb[c], pens_[c].PenCol, pens_[c].PenCol2);
        MaxLb[c]->setText(QString::fromStdString(pens_[c].PenTtl));
    }

    for (const char* e : kRangeLeft) Tx0Disp->addItem(e);
    for (const char* e : kRangeRight) TxDisp->addItem(e);
    Tx0Disp->setCurrentIndex(0);
    TxDisp->setCurrentIndex(0);
    Option1[0]->setChecked(true);
    ReadoutPenClicked(0);

    PlaceFixedControls();
    LayoutWidth(load.width());
    LayoutHeight(load.height());
    SetPlotScale();

    connect(Picture2, &platform::PictureBox::MouseMoved, this,
            [this](double x, double y, Qt::MouseButtons) { MouseMovedOnPlot(x, y); });
    connect(Picture2, &platform::PictureBox::MouseReleased, this,
            [this](double, double, Qt::MouseButton b) { PlotReleased(b); });
    connect(Picture2, &platform::PictureBox::DoubleClicked, this,
            [this](double, double) { Picture2->Clear(); });
    connect(Tx0Disp, &QComboBox::currentIndexChanged, this, [this](int) { RangeChanged(); });
    connect(TxDisp, &QComboBox::currentIndexChanged, this, [this](int) { RangeChanged(); });
    connect(Command2, &QPushButton::clicked, this, [this] { AllDraw(); });
    connect(Command1, &QPushButton::clicked, this, [this] {
        Text1->setVisible(!Text1->isVisible());
        if (Text1->isVisible()) Text1->raise();
    });
    arranging_ = false;
}

ReSult::~ReSult() = default;

void ReSult::BuildFrame3() {
    Frame3->setFrameShape(QFrame::StyledPanel);
    for (int c = 0; c < kComponentCount; ++c) {
        MaxLb[c] = new QLabel(Frame3);
        MaxLb[c]->setContentsMargins(3, 0, 3, 0);
        MaxLb[c]->installEventFilter(this);
        MaxLb[c]->setCursor(Qt::PointingHandCursor);
    }
    for (int i = 0; i < kPenCount; ++i) {
        Option1[i] = new QRadioButton(Frame3);
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { ReadoutPenClicked(i); });
    }
    Option1[kRelativePen]->setText("(相対値)");
    Option1[kRelativePen]->setToolTip("縦軸は相対値");
    Label2 = new QLabel("左端=↓×Te", Frame3);
    Label7 = new QLabel("右端=↓×Te", Frame3);
    Tx0Disp = new QComboBox(Frame3);
    TxDisp = new QComboBox(Frame3);
    Command2 = new QPushButton("Draw all", Frame3);
    Command1 = new QPushButton("HELP", Frame3);
}

void ReSult::PlaceFixedControls() {
    // Frame3: a scale label with its readout button per row, the relative pen,
    // the display range and the two buttons.
    const int m = TwipsToPixels(kFrameMargin);
    const int row = TwipsToPixels(kFrameRow);
    const int w = TwipsToPixels(kFrameWidth);
    const int button = 18;
    int y = m;
    for (int c = 0; c < kComponentCount; ++c) {
        Option1[c]->setGeometry(m, y, button, row);
        MaxLb[c]->setGeometry(m + button + 2, y + 1, w - 2 * m - button - 2, row - 2);
        y += row;
    }
    Option1[kRelativePen]->setGeometry(m, y + 2, w - 2 * m, row);
    y += row + 6;
    const int half = (w - 2 * m) / 2;
    const int labelHeight = Label2->sizeHint().height();
    Label2->setGeometry(m, y, half, labelHeight);
    Label7->setGeometry(m + half, y, half, labelHeight);
    y += labelHeight;
    const int comboHeight = Tx0Disp->sizeHint().height();
    Tx0Disp->setGeometry(m, y, half - 4, comboHeight);
    TxDisp->setGeometry(m + half, y, half - 4, comboHeight);
    y += comboHeight + 8;
    const int buttonHeight = Command2->sizeHint().height();
    Command2->setGeometry(m, y, half - 4, buttonHeight);
    Command1->setGeometry(m + half, y, half - 4, buttonHeight);
    y += buttonHeight + m;
    Frame3->setGeometry(Frame3->x(), 0, w, y);

    // The lists: headings above them, List1 tall enough for its fourteen lines.
    const int heading = TwipsToPixels(kHeading);
    Label5->setGeometry(Label5->x(), 0, Label5->sizeHint().width(), heading);
    const QFontMetrics fm(List1->font());
    const int listHeight = kListLines * (fm.height() + 2) + 2 * List1->frameWidth() + 4;
    List1->setGeometry(List1->x(), heading, List1->width(), listHeight);
    Label6->setGeometry(Label5->x(), List1->geometry().bottom() + 1, 200, heading);
    List2->move(List1->x(), Label6->geometry().bottom() + 1);
    PlaceTopRow();
}

void ReSult::PlaceTopRow() {
    // Element number, the two node numbers and the coordinate system above the plot.
    int x = 4;
    const int h = TwipsToPixels(kTopRow);
    for (QLabel* l : {ElmLb, Label3[0], Label3[1], Label1}) {
        l->adjustSize();
        l->setGeometry(x, 0, l->width(), h);
        x += l->width() + 12;
    }
}

void ReSult::PlaceHelpText() {
    const QFontMetrics fm(Text1->font());
    int width = 0;
    const QStringList lines = Text1->toPlainText().split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int chrome =
        2 * Text1->frameWidth() + 2 * static_cast<int>(Text1->document()->documentMargin());
    Text1->setGeometry(Picture2->x() + 8, Picture2->y() + 8, width + chrome + 4,
                       static_cast<int>(lines.size()) * fm.lineSpacing() + chrome + 4);
}

void ReSult::LayoutWidth(int width) {
    const int plotWidth =
        std::max(1, width - (List1->width() + Frame3->width() + TwipsToPixels(kMarginRight)));
    const int top = TwipsToPixels(kTopRow);
    Picture2->setGeometry(0, top, plotWidth, Picture2->height() > 0 ? Picture2->height() : 1);
    Frame3->move(plotWidth, 0);
    const int listLeft = Frame3->x() + Frame3->width() + TwipsToPixels(kListGap);
    List1->move(listLeft, List1->y());
    Label5->move(listLeft + TwipsToPixels(kHeadingIndent), Label5->y());
    List2->move(listLeft, List2->y());
    Label6->move(Label5->x(), Label6->y());
    PlaceHelpText();
}

void ReSult::LayoutHeight(int height) {
    const int top = TwipsToPixels(kTopRow);
    const int bottom = height - TwipsToPixels(kMarginBelow);
    Picture2->setGeometry(0, top, Picture2->width(), std::max(1, bottom - top));
    // List2 reaches down to the bottom of the plot (global lists have fourteen lines).
    List2->resize(List2->width(),
                  std::max(3 * QFontMetrics(List2->font()).height(), bottom - List2->y()));
}

void ReSult::ArrangeControls(QSize size) {
    if (arranging_) return;
    const bool widthValid = size.width() >= minSize_.width();
    const bool heightValid = size.height() >= minSize_.height();
    // Smaller than the load size in both directions: keep the size, no layout.
    if (!widthValid && !heightValid) return;
    arranging_ = true;
    if (widthValid) LayoutWidth(size.width());
    if (heightValid) LayoutHeight(size.height());
    // A direction below its load size springs back to the last size.
    QSize keep = size;
    if (!heightValid) keep.setHeight(lastSize_.height());
    if (!widthValid) keep.setWidth(lastSize_.width());
    if (keep != size) ResizeWindow(keep);
    lastSize_ = keep;
    SetPlotScale();
    ValuLb->move(0, 0);
    arranging_ = false;
}

void ReSult::ResizeWindow(QSize size) {
    // Inside a subwindow of the main frame the subwindow is resized, so that its
    // frame keeps fitting this widget.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(sub->size() + (size - this->size()));
    } else {
        resize(size);
    }
}

void ReSult::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeControls(event->size());
}

void ReSult::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    // Centred in the main frame's working area on the first showing.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        if (QMdiArea* area = sub->mdiArea()) {
            const QSize a = area->viewport()->size();
            sub->move(std::max(0, (a.width() - sub->width()) / 2),
                      std::max(0, (a.height() - sub->height()) / 2));
        }
    }
}

void ReSult::SetPlotScale() {
    const float left = TextAsSingle(Tx0Disp->currentText());
    const float right = TextAsSingle(TxDisp->currentText());
    Picture2->SetScale(left, kPlotTop, static_cast<double>(right) - left, -2.0 * kPlotTop);
    MoveCursorLine(cursorX_);
    if (!arranging_) ComputeScales();
}

void ReSult::ComputeScales() {
    shownPoints_ =
        results::ComputeScales(history_, nw_, TextAsSingle(TxDisp->currentText()), pens_);
    for (int c = 0; c < kComponentCount; ++c)
        MaxLb[c]->setText(QString::fromStdString(pens_.ScaleCaption(c)));
}

float ReSult::MaxAbsValue(int n, int c) const {
    return results::MaxAbsValue(history_, n, c);
}

float ReSult::TruncateTwoDigits(double x) {
    return results::TruncateTwoDigits(x);
}

float ReSult::LargestForceScale() const {
    return pens_.LargestForceScale();
}

void ReSult::ATransData(int count, int nw, double te, int element,
                        const numeric::RealMatrix& histories, int globalFlag) {
    ATransData(count, nw, te, element, histories, globalFlag, fem::FEM());
}

void ReSult::ATransData(int count, int nw, double te, int element,
                        const numeric::RealMatrix& histories, int globalFlag,
                        const fem::Model& model) {
    // Read everything that can fail first, so that a bad element number leaves
    // the window as it was.
    const StaticLists lists = MakeStaticLists(model, element, globalFlag != 0, pens_);

    ElmLb->setText(QString::fromStdString(lists.ElementCaption));
    Label3[0]->setText(QString::fromStdString(lists.NodeCaption[0]));
    Label3[1]->setText(QString::fromStdString(lists.NodeCaption[1]));
    Label1->setText(QString::fromStdString(lists.SystemCaption));
    Label6->setText(QString::fromStdString(lists.List2Heading));
    PlaceTopRow();

    const int rows = std::clamp(std::min(count, histories.Rows()), 0, kComponentCount);
    const int points = std::max(0, std::min(nw, histories.Cols()));
    history_.Resize(kComponentCount, points);
    for (int c = 0; c < rows; ++c)
        std::copy(histories.Row(c), histories.Row(c) + points, history_.Row(c));
    nw_ = points;
    te_ = te;
    ComputeScales();

    List1->clear();
    List2->clear();
    for (const std::string& line : lists.List1) List1->addItem(QString::fromStdString(line));
    for (const std::string& line : lists.List2) List2->addItem(QString::fromStdString(line));
}

void ReSult::AllDraw() {
    Picture2->Clear();
    DrawComponents(0, kComponentCount - 1);
}

void ReSult::DrawComponents(int first, int last) {
    setEnabled(false);
    Label4->move(std::max(0, (Picture2->width() - Label4->width()) / 2),
                 std::max(0, (Picture2->height() - Label4->height()) / 2));
    Label4->show();
    Label4->raise();
    platform::EventLoopYield().YieldNow();
    auto finish = [this] {
        Label4->hide();
        setEnabled(true);
    };
    try {
        results::DrawComponents(*Picture2, history_, nw_, shownPoints_, pens_, first, last,
                                [this](const double* xs, const double* ys, int n,
                                       platform::Color c) { Picture2->Dots(xs, ys, n, c); });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void ReSult::SetColorChooser(ColorChooser chooser) {
    chooser_ = chooser ? std::move(chooser) : DefaultColorChooser();
    if (penDialog_) penDialog_->SetColorChooser(chooser_);
}

SetDrawPen* ReSult::PenDialog() {
    if (!penDialog_) {
        penDialog_ = new SetDrawPen(this);
        penDialog_->setWindowFlag(Qt::Dialog);
        penDialog_->SetColorChooser(chooser_);
    }
    return penDialog_;
}

bool ReSult::GetPen(int i) {
    if (i < 0 || i >= kComponentCount) throw std::out_of_range("pen index");
    const GraphPen& pen = pens_[i];
    SetDrawPen* d = PenDialog();

    // Right edge on the plot's right edge, centred vertically on the plot.
    d->adjustSize();
    const QPoint plot = Picture2->mapToGlobal(QPoint(0, 0));
    d->move(plot.x() + Picture2->width() - d->width(),
            plot.y() + (Picture2->height() - d->height()) / 2);

    d->PenChanged = false;
    d->PenIndex = i;
    d->Check2->setChecked(false);
    d->Combo1->setCurrentIndex(std::clamp(pen.PenDw - 1, 0, 2));
    d->SetLineColor(pen.PenCol);
    d->SetTextColor(pen.PenCol2);
    d->Label3->setText(QString::fromStdString(pen.PenTtl + FormatSingle(pen.PenMax)));
    d->Text1->setText(QString::fromStdString(FormatSingle(pen.PenMax)));
    d->Check1->setChecked(pen.PenNeg);
    if (pen.PenNeg)
        d->Label3->setText(QString::fromStdString(pen.PenTtl + FormatSingle(-pen.PenMax)));

    d->exec();

    // Cancelling leaves the pen exactly as it was, the typed scale included.
    if (!d->PenChanged) return false;

    bool ok = false;
    const float scale = d->Text1->text().trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(scale) || !(scale > 0.0f)) {
        platform::ShowMessage(this, "表示単位の入力が不適当です");
        return false;
    }
    GraphPen& p = pens_[i];
    p.PenMax = scale;
    const int w = d->Combo1->currentIndex() + 1;
    if (d->Check2->isChecked()) {
        for (int k = 0; k < kComponentCount; ++k) pens_[k].PenDw = w;
    } else {
        p.PenDw = w;
    }
    p.PenCol = d->LineColor();
    p.PenCol2 = d->TextColor();
    p.PenNeg = d->Check1->isChecked();
    return true;
}

void ReSult::RefreshScaleLabel(int i) {
    SetLabelColors(MaxLb[i], pens_[i].PenCol, pens_[i].PenCol2);
    MaxLb[i]->setText(QString::fromStdString(pens_.ScaleCaption(i)));
}

bool ReSult::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonPress) {
        Text1->hide();
        return true;
    }
    for (int i = 0; i < kComponentCount; ++i) {
        if (watched != MaxLb[i]) continue;
        if (event->type() == QEvent::MouseButtonPress) return true;  // keeps the release here
        if (event->type() != QEvent::MouseButtonRelease) break;
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton) {
            DrawComponents(i, i);
        } else if (button == Qt::RightButton) {
            if (GetPen(i)) {
                RefreshScaleLabel(i);
                DrawComponents(i, i);
            }
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ReSult::RangeChanged() {
    if (arranging_) return;
    SetPlotScale();
    Picture2->Clear();
    DrawComponents(0, kComponentCount - 1);
}

void ReSult::ReadoutPenClicked(int i) {
    readoutPen_ = i;
    SetLabelColors(ValuLb, pens_[i].PenCol, pens_[i].PenCol2);
}

void ReSult::MouseMovedOnPlot(double x, double y) {
    ValuLb->setText(QString::fromStdString(ReadoutText(x, y, te_, pens_[readoutPen_])));
    ValuLb->adjustSize();
    ValuLb->show();
    ValuLb->raise();
    MoveCursorLine(x);
    Line1->show();
}

void ReSult::MoveCursorLine(double x) {
    cursorX_ = x;
    const QPointF top = Picture2->ToPixel(x, kCursorReach);
    const QPointF bottom = Picture2->ToPixel(x, -kCursorReach);
    if (!std::isfinite(top.x()) || std::abs(top.x()) > 1e6) return;
    const int px = static_cast<int>(std::floor(top.x()));
    const int y0 = static_cast<int>(std::floor(std::min(top.y(), bottom.y())));
    const int y1 = static_cast<int>(std::ceil(std::max(top.y(), bottom.y())));
    Line1->setGeometry(px, y0, 1, std::max(1, y1 - y0));
}

void ReSult::PlotReleased(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    const platform::Color c = chooser_(this);
    if (c == -1) return;
    Picture2->SetBackColor(c);
    DrawComponents(0, kComponentCount - 1);
}

}  // namespace results

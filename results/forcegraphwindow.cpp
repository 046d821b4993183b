#include "results/forcegraphwindow.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>

#include "model/model.h"
#include "platform/eventyield.h"
#include "platform/messagebox.h"
#include "platform/paintersurface.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "services/fileservice.h"
#include "services/picturefiles.h"
#include "services/picturesizedialog.h"
#include "services/savefile.h"

namespace results {

namespace {

using platform::TwipsToPixels;

// Sizes and margins in twips.
constexpr double kLoadWidth = 10000;
constexpr double kLoadHeight = 6500;    // also the minimum height
constexpr double kMinPlotWidth = 3800;  // the plot at the smallest window width
constexpr double kMarginBelow = 480;    // below the plot
constexpr double kMarginRight = 200;    // right of the lists
constexpr double kListGap = 50;         // between the side panel and the lists
constexpr double kHeadingIndent = 100;  // list headings against the lists
constexpr double kTopRow = 360;         // element and node captions above the plot
constexpr double kPanelWidth = 2600;    // the side panel
constexpr double kPanelRow = 285;       // one scale label row in the side panel
constexpr double kPanelMargin = 90;
constexpr double kHeading = 300;  // list heading height
constexpr int kListLines = 14;    // the most lines a static list holds

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

const char* const kElementTitle = "要素の節点力計算結果";
const char* const kNodeTitle = "節点変位の計算結果";

// File dialog filter of the CSV tables (those of the pictures: services/picturefiles.h).
const char* const kCsvFilter = "CSV(*.csv)|*.csv|All|*.*";

const char* const kRangeLeft[] = {"0", "0.1", "0.2", "0.3"};
const char* const kRangeRight[] = {"1", "0.9", "0.8", "0.7", "0.6", "0.5", "0.4"};

float TextAsSingle(const QString& text) {
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok ? v : 0.0f;
}

}  // namespace

ForceGraphWindow::ForceGraphWindow(QWidget* parent)
    : QWidget(parent), chooser_(DefaultColorChooser()) {
    arranging_ = true;
    setWindowTitle(kElementTitle);

    plotPicture = new platform::PictureBox(this);
    busyLabel = new QLabel("！！描画中！！", plotPicture);
    readoutLabel = new QLabel(plotPicture);
    cursorLine = new QFrame(plotPicture);
    elementLabel = new QLabel(this);
    systemLabel = new QLabel(this);
    noticeLabel = new QLabel(this);
    noticeLabel->setObjectName("noticeLabel");
    retiredLabel = new QLabel(plotPicture);
    retiredLabel->setObjectName("retiredLabel");
    nodeLabels[0] = new QLabel(this);
    nodeLabels[1] = new QLabel(this);
    forceListHeading = new QLabel("静的節点力", this);
    displacementListHeading = new QLabel(this);
    forceList = new QListWidget(this);
    displacementList = new QListWidget(this);
    errorListHeading = new QLabel("推定誤差", this);
    errorListHeading->setToolTip(
        "補正前の曲線のエイリアシング誤差の推定値（最大値を曲線の最大値に対する比で示す）");
    errorList = new QListWidget(this);
    helpText = new QPlainTextEdit(this);
    listWidthProbe = new QLabel(this);
    sidePanel = new QFrame(this);
    correctButton = new QPushButton("補正して再解析", sidePanel);
    correctButton->setObjectName("correctButton");
    correctButton->setToolTip(
        "「エイリアシング補正」を入れて解析し直します（この履歴は再度「計算実行」で求めます）");
    correctButton->hide();
    BuildSidePanel();

    // Children of the plot show through to its mouse handling.
    for (QWidget* w : {static_cast<QWidget*>(busyLabel), static_cast<QWidget*>(readoutLabel),
                       static_cast<QWidget*>(cursorLine), static_cast<QWidget*>(retiredLabel)}) {
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->hide();
    }
    QPalette busy = busyLabel->palette();
    busy.setColor(QPalette::WindowText, Qt::red);
    busyLabel->setPalette(busy);
    QFont busyFont = busyLabel->font();
    busyFont.setBold(true);
    busyFont.setPointSizeF(busyFont.pointSizeF() * 1.5);
    busyLabel->setFont(busyFont);
    busyLabel->adjustSize();
    QPalette retired = busyLabel->palette();
    retired.setColor(QPalette::WindowText, QColor(160, 0, 0));
    retiredLabel->setPalette(retired);
    retiredLabel->setFont(busyFont);
    retiredLabel->setAlignment(Qt::AlignCenter);
    retiredLabel->setWordWrap(true);
    QPalette notice = noticeLabel->palette();
    notice.setColor(QPalette::WindowText, QColor(160, 0, 0));
    noticeLabel->setPalette(notice);
    readoutLabel->setContentsMargins(3, 1, 3, 1);
    cursorLine->setFrameShape(QFrame::NoFrame);
    cursorLine->setAutoFillBackground(true);
    QPalette cursor = cursorLine->palette();
    cursor.setColor(QPalette::Window, Qt::black);
    cursorLine->setPalette(cursor);

    for (QListWidget* list : {forceList, displacementList, errorList}) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setUniformItemSizes(true);
        // "コピー" in the context menu and Ctrl+C copy the lines as text.
        auto* copy = new QAction(QStringLiteral("コピー"), list);
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetShortcut);
        connect(copy, &QAction::triggered, this, [this, list] { CopyList(list); });
        list->addAction(copy);
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    // Help text over the plot.
    helpText->setPlainText(QString::fromUtf8(kHelpText));
    helpText->setReadOnly(true);
    helpText->setLineWrapMode(QPlainTextEdit::NoWrap);
    helpText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A Japanese monospaced face gives the full-width characters twice the width
    // of the ASCII ones, so that the space padding lines the arrows up.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setFamilies({"Noto Sans Mono CJK JP", "MS Gothic", "Osaka-Mono", mono.family()});
    mono.setPointSizeF(font().pointSizeF());
    helpText->setFont(mono);
    QPalette help = helpText->palette();
    help.setColor(QPalette::Base, platform::ToQColor(platform::RGB(255, 255, 128)));
    help.setColor(QPalette::Text, Qt::black);
    helpText->setPalette(help);
    helpText->viewport()->installEventFilter(this);
    helpText->hide();

    listWidthProbe->hide();

    // Pens are at their defaults (pen 12 takes the plot's back colour).
    pens_ = PenTable(plotPicture->BackColor());
    listWidthProbe->setText(QString::fromStdString("θx=" + FormatSingle(1e-20 / 3.0)));
    listWidthProbe->adjustSize();
    const int listWidth = static_cast<int>(std::lround(1.1 * listWidthProbe->width()));
    // The list frames, item margins and a scroll bar come on top of the text width.
    // The displacement list may need its scroll bar at small window heights.
    const int chrome = 2 * forceList->frameWidth() + 8 +
                       forceList->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    forceList->setFixedWidth(listWidth + chrome);
    displacementList->setFixedWidth(forceList->width());
    errorList->setFixedWidth(forceList->width());
    errorListHeading->hide();
    errorList->hide();
    for (int c = 0; c < kComponentCount; ++c) {
        SetLabelColors(scaleLabels[c], pens_[c].CurveColor, pens_[c].LabelTextColor);
        scaleLabels[c]->setText(QString::fromStdString(pens_[c].Title));
    }

    for (const char* e : kRangeLeft) leftEndCombo->addItem(e);
    for (const char* e : kRangeRight) rightEndCombo->addItem(e);
    leftEndCombo->setCurrentIndex(0);
    rightEndCombo->setCurrentIndex(0);
    readoutButtons[0]->setChecked(true);
    ReadoutPenClicked(0);

    PlaceFixedControls();
    // The load size holds the side panel and both lists with all their lines; the
    // smallest width keeps them and a narrower plot.
    const QSize load = LoadSize();
    loadSize_ = load;
    minSize_ =
        QSize(std::min(load.width(), ColumnsWidth() + TwipsToPixels(kMinPlotWidth)), load.height());
    lastSize_ = load;
    resize(load);
    LayoutWidth(load.width());
    LayoutHeight(load.height());
    SetPlotScale();

    connect(plotPicture, &platform::PictureBox::MouseMoved, this,
            [this](double x, double y, Qt::MouseButtons) { MouseMovedOnPlot(x, y); });
    connect(plotPicture, &platform::PictureBox::MouseReleased, this,
            [this](double, double, Qt::MouseButton b) { PlotReleased(b); });
    connect(plotPicture, &platform::PictureBox::DoubleClicked, this, [this](double, double) {
        plotPicture->Clear();
        plotHasDrawing_ = false;
    });
    connect(leftEndCombo, &QComboBox::currentIndexChanged, this, [this](int) { RangeChanged(); });
    connect(rightEndCombo, &QComboBox::currentIndexChanged, this, [this](int) { RangeChanged(); });
    connect(drawAllButton, &QPushButton::clicked, this, [this] { DrawAll(); });
    connect(savePictureButton, &QPushButton::clicked, this, [this] { SavePicture(); });
    connect(printButton, &QPushButton::clicked, this, [this] { Print(); });
    connect(saveCsvButton, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(correctButton, &QPushButton::clicked, this, [this] {
        if (CorrectionRequested) CorrectionRequested();
    });
    connect(helpButton, &QPushButton::clicked, this, [this] {
        helpText->setVisible(!helpText->isVisible());
        if (helpText->isVisible()) helpText->raise();
    });
    arranging_ = false;
}

ForceGraphWindow::~ForceGraphWindow() = default;

void ForceGraphWindow::BuildSidePanel() {
    sidePanel->setFrameShape(QFrame::StyledPanel);
    for (int c = 0; c < kComponentCount; ++c) {
        scaleLabels[c] = new QLabel(sidePanel);
        scaleLabels[c]->setContentsMargins(3, 0, 3, 0);
        scaleLabels[c]->installEventFilter(this);
        scaleLabels[c]->setCursor(Qt::PointingHandCursor);
    }
    for (int i = 0; i < kPenCount; ++i) {
        readoutButtons[i] = new QRadioButton(sidePanel);
        connect(readoutButtons[i], &QRadioButton::clicked, this,
                [this, i] { ReadoutPenClicked(i); });
    }
    readoutButtons[kRelativePen]->setText("(相対値)");
    readoutButtons[kRelativePen]->setToolTip("縦軸は相対値");
    leftEndLabel = new QLabel("左端=↓×Te", sidePanel);
    rightEndLabel = new QLabel("右端=↓×Te", sidePanel);
    leftEndCombo = new QComboBox(sidePanel);
    rightEndCombo = new QComboBox(sidePanel);
    drawAllButton = new QPushButton("Draw all", sidePanel);
    helpButton = new QPushButton("HELP", sidePanel);
    savePictureButton = new QPushButton("画像保存", sidePanel);
    savePictureButton->setToolTip("グラフを画像（PNG, SVG, PDF）として保存します");
    printButton = new QPushButton("印刷", sidePanel);
    printButton->setToolTip("グラフを印刷します");
    saveCsvButton = new QPushButton("CSV保存", sidePanel);
    saveCsvButton->setToolTip("表示中の時刻歴をCSVファイルに保存します");
}

void ForceGraphWindow::PlaceFixedControls() {
    // The side panel: a scale label with its readout button per row, the relative pen,
    // the display range and the two buttons.
    const int m = TwipsToPixels(kPanelMargin);
    const int row = TwipsToPixels(kPanelRow);
    const int w = TwipsToPixels(kPanelWidth);
    const int button = 18;
    int y = m;
    for (int c = 0; c < kComponentCount; ++c) {
        readoutButtons[c]->setGeometry(m, y, button, row);
        scaleLabels[c]->setGeometry(m + button + 2, y + 1, w - 2 * m - button - 2, row - 2);
        y += row;
    }
    readoutButtons[kRelativePen]->setGeometry(m, y + 2, w - 2 * m, row);
    y += row + 6;
    const int half = (w - 2 * m) / 2;
    const int labelHeight = leftEndLabel->sizeHint().height();
    leftEndLabel->setGeometry(m, y, half, labelHeight);
    rightEndLabel->setGeometry(m + half, y, half, labelHeight);
    y += labelHeight;
    const int comboHeight = leftEndCombo->sizeHint().height();
    leftEndCombo->setGeometry(m, y, half - 4, comboHeight);
    rightEndCombo->setGeometry(m + half, y, half - 4, comboHeight);
    y += comboHeight + 8;
    const int buttonHeight = drawAllButton->sizeHint().height();
    drawAllButton->setGeometry(m, y, half - 4, buttonHeight);
    helpButton->setGeometry(m + half, y, half - 4, buttonHeight);
    y += buttonHeight + 4;
    savePictureButton->setGeometry(m, y, half - 4, buttonHeight);
    printButton->setGeometry(m + half, y, half - 4, buttonHeight);
    y += buttonHeight + 4;
    saveCsvButton->setGeometry(m, y, half - 4, buttonHeight);
    y += buttonHeight + 4;
    // "補正して再解析" across the panel, shown only while the correction is offered.
    correctButton->setGeometry(m, y, 2 * half - 4, buttonHeight);
    y += buttonHeight + m;
    sidePanel->setGeometry(sidePanel->x(), 0, w, y);

    // The lists: headings above them, each tall enough for all its lines (fourteen at
    // most).
    const int heading = TwipsToPixels(kHeading);
    forceListHeading->setGeometry(forceListHeading->x(), 0, forceListHeading->sizeHint().width(),
                                  heading);
    forceList->setGeometry(forceList->x(), heading, forceList->width(),
                           ListHeight(forceList, kListLines));
    displacementListHeading->setGeometry(forceListHeading->x(), forceList->geometry().bottom() + 1,
                                         200, heading);
    displacementList->move(forceList->x(), displacementListHeading->geometry().bottom() + 1);
    errorListHeading->setGeometry(errorListHeading->x(), 0, errorListHeading->sizeHint().width(),
                                  heading);
    errorList->setGeometry(errorList->x(), heading, errorList->width(),
                           ListHeight(errorList, kListLines));
    PlaceTopRow();
}

void ForceGraphWindow::PlaceTopRow() {
    // Element number, the two node numbers and the coordinate system above the plot.
    int x = 4;
    const int h = TwipsToPixels(kTopRow);
    for (QLabel* l : {elementLabel, nodeLabels[0], nodeLabels[1], systemLabel}) {
        if (l->isHidden()) continue;
        l->adjustSize();
        l->setGeometry(x, 0, l->width(), h);
        x += l->width() + 12;
    }
    if (!noticeLabel->isHidden()) PlaceNotice(x);
}

void ForceGraphWindow::PlaceNotice(int left) {
    // In the top row, left of the side panel, where it fits whole; else wrapped under the
    // side panel, below "補正して再解析" which it explains, so that it is still read whole.
    const QString full = noticeLabel->toolTip();
    const QFontMetrics fm = noticeLabel->fontMetrics();
    const int limit = sidePanel->isHidden() ? width() : sidePanel->x();
    const int room = std::max(0, limit - left - 4);
    if (sidePanel->isHidden() || fm.horizontalAdvance(full) <= room) {
        noticeLabel->setWordWrap(false);
        noticeLabel->setText(fm.elidedText(full, Qt::ElideRight, room));
        noticeLabel->adjustSize();
        noticeLabel->setGeometry(left, 0, std::min(noticeLabel->width(), room),
                                 TwipsToPixels(kTopRow));
        return;
    }
    noticeLabel->setWordWrap(true);
    noticeLabel->setText(full);
    const int width = sidePanel->width();
    noticeLabel->setGeometry(sidePanel->x(), sidePanel->geometry().bottom() + 1 + 4, width,
                             noticeLabel->heightForWidth(width));
}

void ForceGraphWindow::PlaceHelpText() {
    const QFontMetrics fm(helpText->font());
    int width = 0;
    const QStringList lines = helpText->toPlainText().split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int chrome =
        2 * helpText->frameWidth() + 2 * static_cast<int>(helpText->document()->documentMargin());
    helpText->setGeometry(plotPicture->x() + 8, plotPicture->y() + 8, width + chrome + 4,
                          static_cast<int>(lines.size()) * fm.lineSpacing() + chrome + 4);
}

int ForceGraphWindow::ColumnsWidth() const {
    return forceList->width() + sidePanel->width() + TwipsToPixels(kMarginRight) +
           ErrorColumnWidth();
}

void ForceGraphWindow::LayoutWidth(int width) {
    const int plotWidth = std::max(1, width - ColumnsWidth());
    const int top = TwipsToPixels(kTopRow);
    plotPicture->setGeometry(0, top, plotWidth,
                             plotPicture->height() > 0 ? plotPicture->height() : 1);
    sidePanel->move(plotWidth, 0);
    const int listLeft = sidePanel->x() + sidePanel->width() + TwipsToPixels(kListGap);
    forceList->move(listLeft, forceList->y());
    forceListHeading->move(listLeft + TwipsToPixels(kHeadingIndent), forceListHeading->y());
    displacementList->move(listLeft, displacementList->y());
    displacementListHeading->move(forceListHeading->x(), displacementListHeading->y());
    const int errorLeft = listLeft + forceList->width() + TwipsToPixels(kListGap);
    errorList->move(errorLeft, errorList->y());
    errorListHeading->move(errorLeft + TwipsToPixels(kHeadingIndent), errorListHeading->y());
    PlaceHelpText();
    PlaceTopRow();  // the notice follows the side panel
}

void ForceGraphWindow::LayoutHeight(int height) {
    const int top = TwipsToPixels(kTopRow);
    const int bottom = height - TwipsToPixels(kMarginBelow);
    plotPicture->setGeometry(0, top, plotPicture->width(), std::max(1, bottom - top));
    // The displacement list reaches down to the bottom of the plot, and holds at least
    // its fourteen lines of global components.
    displacementList->resize(
        displacementList->width(),
        std::max(ListHeight(displacementList, kListLines), bottom - displacementList->y()));
}

int ForceGraphWindow::ListHeight(QListWidget* list, int lines) const {
    // One row as the list lays it out, measured on a line of the widest kind.
    int row = list->count() > 0 ? list->sizeHintForRow(0) : 0;
    if (row <= 0) {
        list->addItem(listWidthProbe->text());
        row = list->sizeHintForRow(0);
        delete list->takeItem(list->count() - 1);
    }
    row = std::max(row, QFontMetrics(list->font()).height());
    return lines * (row + 2 * list->spacing()) + 2 * list->frameWidth() + 2;
}

QSize ForceGraphWindow::LoadSize() const {
    const int below = TwipsToPixels(kMarginBelow);
    const int lists = displacementListHeading->geometry().bottom() + 1 +
                      ListHeight(displacementList, kListLines) + below;
    const int panel = sidePanel->height() + below;
    return QSize(TwipsToPixels(kLoadWidth), std::max({TwipsToPixels(kLoadHeight), lists, panel}));
}

void ForceGraphWindow::ArrangeControls(QSize size) {
    if (arranging_) return;
    const bool widthValid = size.width() >= minSize_.width();
    const bool heightValid = size.height() >= minSize_.height();
    // Smaller than the load size in both directions: keep the size, no layout.
    if (!widthValid && !heightValid) return;
    arranging_ = true;
    const QSize plotBefore = plotPicture->size();
    if (widthValid) LayoutWidth(size.width());
    if (heightValid) LayoutHeight(size.height());
    // A direction below its load size springs back to the last size.
    QSize keep = size;
    if (!heightValid) keep.setHeight(lastSize_.height());
    if (!widthValid) keep.setWidth(lastSize_.width());
    if (keep != size) ResizeWindow(keep);
    lastSize_ = keep;
    SetPlotScale();
    readoutLabel->move(0, 0);
    arranging_ = false;
    // The drawing follows the plot into its new size.
    if (plotPicture->size() != plotBefore) ScheduleRedraw();
}

void ForceGraphWindow::ScheduleRedraw() {
    if (!plotHasDrawing_ || redrawPending_) return;
    // Once the resizing events are handled: drawing runs the event loop.
    redrawPending_ = true;
    QTimer::singleShot(0, this, [this] {
        redrawPending_ = false;
        if (plotHasDrawing_ && isEnabled()) DrawAll();
    });
}

void ForceGraphWindow::ResizeWindow(QSize size) {
    // Inside a subwindow of the main window the subwindow is resized, so that its
    // frame keeps fitting this widget.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(sub->size() + (size - this->size()));
    } else {
        resize(size);
    }
}

void ForceGraphWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeControls(event->size());
}

PlotArea ForceGraphWindow::Area() const {
    PlotArea area;
    area.Left = TextAsSingle(leftEndCombo->currentText());
    area.Right = TextAsSingle(rightEndCombo->currentText());
    area.Width = std::max(1, plotPicture->width());
    area.Height = std::max(1, plotPicture->height());
    return area;
}

void ForceGraphWindow::SetPlotScale() {
    results::SetPlotScale(*plotPicture, Area());
    MoveCursorLine(cursorX_);
    retiredLabel->setGeometry(0, 0, plotPicture->width(), plotPicture->height());
    if (!arranging_) ComputeScales();
}

void ForceGraphWindow::ComputeScales() {
    shownPoints_ = results::ComputeScales(history_, nw_, TextAsSingle(rightEndCombo->currentText()),
                                          pens_, kind_, relativeErrors_, common_);
    for (int c = 0; c < kComponentCount; ++c)
        scaleLabels[c]->setText(QString::fromStdString(pens_.ScaleCaption(c)));
    ShowNotice();
}

bool ForceGraphWindow::CorrectionOffered() const {
    return uncorrected_ && !Retired() && GrowsTowardsEnd(history_, shownPoints_, ComponentCount());
}

std::string ForceGraphWindow::NoticeText() const {
    if (Retired()) return {};
    if (uncorrected_) {
        return CorrectionOffered() ? "エイリアシング補正なし：終わりに向かって増える曲線は"
                                     "逆変換の誤差の可能性があります"
                                   : "エイリアシング補正なし";
    }
    for (int c = 0; c < ComponentCount(); ++c)
        if (pens_[c].BelowError) return "誤差以下の曲線は構造全体の共通の目盛で表示";
    return {};
}

void ForceGraphWindow::ShowNotice() {
    const std::string text = NoticeText();
    noticeLabel->setText(QString::fromStdString(text));
    noticeLabel->setToolTip(QString::fromStdString(text));
    noticeLabel->setVisible(!text.empty());
    correctButton->setVisible(CorrectionOffered() && CorrectionRequested != nullptr);
    PlaceTopRow();
}

void ForceGraphWindow::Retire(const QString& why) {
    retiredBecause_ = why;
    plotPicture->Clear();
    plotHasDrawing_ = false;
    forceList->clear();
    displacementList->clear();
    errorList->clear();
    readoutLabel->hide();
    cursorLine->hide();
    retiredLabel->setText(QStringLiteral("このグラフは変更前の構造の結果です。\n") + why);
    retiredLabel->setGeometry(0, 0, plotPicture->width(), plotPicture->height());
    retiredLabel->show();
    retiredLabel->raise();
    ShowNotice();
}

bool ForceGraphWindow::MayExport() const {
    if (!Retired()) return true;
    platform::ShowMessage(const_cast<ForceGraphWindow*>(this), retiredBecause_);
    return false;
}

float ForceGraphWindow::MaxAbsValue(int n, int c) const {
    return results::MaxAbsValue(history_, n, c);
}

float ForceGraphWindow::TruncateTwoDigits(double x) {
    return results::TruncateTwoDigits(x);
}

float ForceGraphWindow::LargestForceScale() const {
    return pens_.LargestForceScale();
}

void ForceGraphWindow::SetForceHistories(int count, int nw, double te, int element,
                                         const numeric::RealMatrix& histories, int globalFlag,
                                         const fem::Model& model,
                                         const fem::StaticSolution* statics) {
    // Read everything that can fail first, so that a bad element number leaves
    // the window as it was.
    PenTable titled = pens_;
    titled.SetTitles(GraphKind::ElementForces);
    const StaticLists lists = MakeStaticLists(model, statics, element, globalFlag != 0, titled);

    common_ = StaticCommonScales(statics);
    kind_ = GraphKind::ElementForces;
    number_ = element;
    pens_.SetTitles(kind_);
    setWindowTitle(kElementTitle);
    SetCaptions(lists);
    ShowComponentControls();

    const int rows = std::clamp(std::min(count, histories.Rows()), 0, kComponentCount);
    TakeHistories(nw, te, histories, rows, kComponentCount, lists);
}

void ForceGraphWindow::SetNodeDisplacements(int nw, double te, int node,
                                            const numeric::RealMatrix& histories,
                                            const fem::Model& model,
                                            const fem::StaticSolution* statics) {
    PenTable titled = pens_;
    titled.SetTitles(GraphKind::NodeDisplacements);
    const StaticLists lists = MakeNodeStaticLists(model, statics, node, titled);

    common_ = StaticCommonScales(statics);
    kind_ = GraphKind::NodeDisplacements;
    number_ = node;
    pens_.SetTitles(kind_);
    setWindowTitle(kNodeTitle);
    SetCaptions(lists);
    ShowComponentControls();

    const int count = results::ComponentCount(kind_);
    TakeHistories(nw, te, histories, std::clamp(histories.Rows(), 0, count), count, lists);
}

void ForceGraphWindow::NameNodeQuantity(const QString& title, const QString& caption,
                                        const std::array<const char*, 6>& penTitles,
                                        const char* csvHeader) {
    setWindowTitle(title);
    csvHeader_ = csvHeader;
    systemLabel->setText(caption);
    for (int c = 0; c < 6; ++c) pens_[c].Title = penTitles[static_cast<std::size_t>(c)];
    ComputeScales();
}

void ForceGraphWindow::TakeHistories(int nw, double te, const numeric::RealMatrix& histories,
                                     int rows, int count, const StaticLists& lists) {
    const int points = std::max(0, std::min(nw, histories.Cols()));
    history_.Resize(count, points);
    for (int c = 0; c < rows; ++c)
        std::copy(histories.Row(c), histories.Row(c) + points, history_.Row(c));
    nw_ = points;
    te_ = te;
    csvHeader_.clear();
    // A new graph: no retirement, no readout of the one before, uncorrected until the
    // estimated errors come.
    retiredBecause_.clear();
    retiredLabel->hide();
    readoutLabel->hide();
    cursorLine->hide();
    uncorrected_ = true;
    relativeErrors_.clear();
    ComputeScales();
    title_ = GraphTitle(lists, te);
    FillLists(lists);
    lists_ = lists;
    ShowErrorList(false);
}

void ForceGraphWindow::SetCaptions(const StaticLists& lists) {
    elementLabel->setText(QString::fromStdString(lists.ElementCaption));
    // A node's graph names the node once, in the first caption.
    const bool element = !lists.NodeCaption[1].empty();
    nodeLabels[0]->setText(element ? QString::fromStdString(lists.NodeCaption[0]) : QString());
    nodeLabels[1]->setText(QString::fromStdString(lists.NodeCaption[1]));
    nodeLabels[0]->setVisible(element);
    nodeLabels[1]->setVisible(element);
    systemLabel->setText(QString::fromStdString(lists.SystemCaption));
    displacementListHeading->setText(QString::fromStdString(lists.DisplacementHeading));
    displacementListHeading->adjustSize();
    displacementListHeading->resize(std::max(200, displacementListHeading->width()),
                                    TwipsToPixels(kHeading));
    PlaceTopRow();
}

void ForceGraphWindow::FillLists(const StaticLists& lists) {
    forceList->clear();
    displacementList->clear();
    for (const std::string& line : lists.Forces) forceList->addItem(QString::fromStdString(line));
    for (const std::string& line : lists.Displacements)
        displacementList->addItem(QString::fromStdString(line));
}

int ForceGraphWindow::ErrorColumnWidth() const {
    return errorList->isHidden() ? 0 : errorList->width() + TwipsToPixels(kListGap);
}

void ForceGraphWindow::ShowErrorList(bool shown) {
    if (!shown) {
        relativeErrors_.clear();
        errorList->clear();
    }
    if (errorList->isHidden() != shown) return;
    const int column = errorList->width() + TwipsToPixels(kListGap);
    const int change = shown ? column : -column;
    errorList->setVisible(shown);
    errorListHeading->setVisible(shown);
    minSize_.setWidth(minSize_.width() + change);
    loadSize_.setWidth(loadSize_.width() + change);
    const QSize size(width() + change, height());
    lastSize_ = size;
    arranging_ = true;
    ResizeWindow(size);
    LayoutWidth(size.width());
    arranging_ = false;
    SetPlotScale();
}

void ForceGraphWindow::SetEstimatedErrors(const numeric::RealMatrix& errors) {
    if (errors.Empty()) {
        uncorrected_ = true;
        ShowErrorList(false);
        ComputeScales();
        return;
    }
    uncorrected_ = false;
    const std::vector<double> relative = results::RelativeErrors(history_, errors, nw_);
    errorList->clear();
    for (const std::string& line : ErrorListLines(lists_, relative, pens_))
        errorList->addItem(QString::fromStdString(line));
    ShowErrorList(true);
    relativeErrors_ = relative;
    // Curves below their error take the common scale of their kind.
    ComputeScales();
}

void ForceGraphWindow::ShowComponentControls() {
    // Scale labels and readout buttons of the components the graph has.
    const int count = ComponentCount();
    for (int c = 0; c < kComponentCount; ++c) {
        scaleLabels[c]->setVisible(c < count);
        readoutButtons[c]->setVisible(c < count);
        scaleLabels[c]->setText(QString::fromStdString(pens_.ScaleCaption(c)));
    }
    if (readoutPen_ != kRelativePen && readoutPen_ >= count) {
        readoutButtons[0]->setChecked(true);
        ReadoutPenClicked(0);
    }
}

void ForceGraphWindow::DrawAll() {
    plotPicture->Clear();
    if (Retired()) return;
    DrawAxes(*plotPicture, Area(), kind_, pens_, te_);
    DrawComponents(0, ComponentCount() - 1);
}

void ForceGraphWindow::DrawComponents(int first, int last) {
    setEnabled(false);
    busyLabel->move(std::max(0, (plotPicture->width() - busyLabel->width()) / 2),
                    std::max(0, (plotPicture->height() - busyLabel->height()) / 2));
    busyLabel->show();
    busyLabel->raise();
    platform::EventLoopYield().YieldNow();
    plotHasDrawing_ = true;
    auto finish = [this] {
        busyLabel->hide();
        setEnabled(true);
    };
    try {
        if (Retired()) {
            finish();
            return;
        }
        results::DrawComponents(*plotPicture, history_, nw_, shownPoints_, pens_, first, last,
                                [this](const double* xs, const double* ys, int n,
                                       platform::Color c) { plotPicture->Polyline(xs, ys, n, c); });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void ForceGraphWindow::SetColorChooser(ColorChooser chooser) {
    chooser_ = chooser ? std::move(chooser) : DefaultColorChooser();
    if (penDialog_) penDialog_->SetColorChooser(chooser_);
}

PenDialog* ForceGraphWindow::penDialog() {
    if (!penDialog_) {
        penDialog_ = new PenDialog(this);
        penDialog_->setWindowFlag(Qt::Dialog);
        penDialog_->SetColorChooser(chooser_);
    }
    return penDialog_;
}

bool ForceGraphWindow::EditPen(int i) {
    if (i < 0 || i >= kComponentCount) throw std::out_of_range("pen index");
    const GraphPen& pen = pens_[i];
    PenDialog* d = penDialog();

    // Right edge on the plot's right edge, centred vertically on the plot.
    d->adjustSize();
    const QPoint plot = plotPicture->mapToGlobal(QPoint(0, 0));
    d->move(plot.x() + plotPicture->width() - d->width(),
            plot.y() + (plotPicture->height() - d->height()) / 2);

    d->PenChanged = false;
    d->PenIndex = i;
    d->widthForAllCheck->setChecked(false);
    d->widthCombo->setCurrentIndex(std::clamp(pen.DotWidth - 1, 0, 2));
    d->SetLineColor(pen.CurveColor);
    d->SetTextColor(pen.LabelTextColor);
    d->preview->setText(QString::fromStdString(pen.Title + FormatSingle(pen.Scale)));
    d->scaleEdit->setText(QString::fromStdString(FormatSingle(pen.Scale)));
    d->negateCheck->setChecked(pen.Negated);
    if (pen.Negated)
        d->preview->setText(QString::fromStdString(pen.Title + FormatSingle(-pen.Scale)));

    d->exec();

    // Cancelling leaves the pen exactly as it was, the typed scale included.
    if (!d->PenChanged) return false;

    bool ok = false;
    const float scale = d->scaleEdit->text().trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(scale) || !(scale > 0.0f)) {
        platform::ShowMessage(this, "表示単位の入力が不適当です");
        return false;
    }
    GraphPen& p = pens_[i];
    p.Scale = scale;
    const int w = d->widthCombo->currentIndex() + 1;
    if (d->widthForAllCheck->isChecked()) {
        for (int k = 0; k < kComponentCount; ++k) pens_[k].DotWidth = w;
    } else {
        p.DotWidth = w;
    }
    p.CurveColor = d->LineColor();
    p.LabelTextColor = d->TextColor();
    p.Negated = d->negateCheck->isChecked();
    return true;
}

void ForceGraphWindow::RefreshScaleLabel(int i) {
    SetLabelColors(scaleLabels[i], pens_[i].CurveColor, pens_[i].LabelTextColor);
    scaleLabels[i]->setText(QString::fromStdString(pens_.ScaleCaption(i)));
}

bool ForceGraphWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == helpText->viewport() && event->type() == QEvent::MouseButtonPress) {
        helpText->hide();
        return true;
    }
    for (int i = 0; i < kComponentCount; ++i) {
        if (watched != scaleLabels[i]) continue;
        if (event->type() == QEvent::MouseButtonPress) return true;  // keeps the release here
        if (event->type() != QEvent::MouseButtonRelease) break;
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton) {
            DrawComponents(i, i);
        } else if (button == Qt::RightButton) {
            if (EditPen(i)) {
                RefreshScaleLabel(i);
                DrawComponents(i, i);
            }
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ForceGraphWindow::RangeChanged() {
    if (arranging_) return;
    SetPlotScale();
    DrawAll();
}

void ForceGraphWindow::ReadoutPenClicked(int i) {
    readoutPen_ = i;
    SetLabelColors(readoutLabel, pens_[i].CurveColor, pens_[i].LabelTextColor);
}

void ForceGraphWindow::MouseMovedOnPlot(double x, double y) {
    readoutLabel->setText(QString::fromStdString(ReadoutText(x, y, te_, pens_[readoutPen_])));
    readoutLabel->adjustSize();
    readoutLabel->show();
    readoutLabel->raise();
    MoveCursorLine(x);
    cursorLine->show();
}

void ForceGraphWindow::MoveCursorLine(double x) {
    cursorX_ = x;
    const QPointF top = plotPicture->ToPixel(x, kPlotTop);
    const QPointF bottom = plotPicture->ToPixel(x, -kPlotTop);
    if (!std::isfinite(top.x()) || std::abs(top.x()) > 1e6) return;
    const int px = static_cast<int>(std::floor(top.x()));
    const int y0 = static_cast<int>(std::floor(std::min(top.y(), bottom.y())));
    const int y1 = static_cast<int>(std::ceil(std::max(top.y(), bottom.y())));
    cursorLine->setGeometry(px, y0, 1, std::max(1, y1 - y0));
}

void ForceGraphWindow::PlotReleased(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    const platform::Color c = chooser_(this);
    if (c == -1) return;
    plotPicture->SetBackColor(c);
    DrawComponents(0, ComponentCount() - 1);
}

// --- pictures, printing, CSV and copies ----------------------------------------------

GraphPicture ForceGraphWindow::Picture() const {
    GraphPicture g;
    g.kind = kind_;
    g.histories = &history_;
    g.nw = nw_;
    g.shownPoints = shownPoints_;
    g.leftEnd = TextAsSingle(leftEndCombo->currentText());
    g.rightEnd = TextAsSingle(rightEndCombo->currentText());
    g.pens = &pens_;
    g.back = plotPicture->BackColor();
    g.title = PictureTitle();
    g.note = NoticeText();
    g.te = te_;
    return g;
}

std::string ForceGraphWindow::PictureTitle() const {
    if (structureName_.isEmpty()) return title_;
    return structureName_.toStdString() + "　" + title_;
}

platform::ExportResult ForceGraphWindow::SavePicture(const QString& path, QSize size) const {
    const GraphPicture graph = Picture();
    return platform::ExportPicture(
        path, size,
        [&graph](platform::PainterSurface& surface) { DrawGraphPicture(surface, graph); },
        QString::fromStdString(graph.title));
}

QString ForceGraphWindow::ProposedFileName(const char* extension) const {
    const char* what = kind_ == GraphKind::ElementForces ? "element" : "node";
    return QStringLiteral("%1%2.%3")
        .arg(QLatin1String(what))
        .arg(number_)
        .arg(QLatin1String(extension));
}

QString ForceGraphWindow::AskFileToWrite(const QString& filter, const QString& proposedName) {
    return services::AskFileToWrite(this, filter, proposedName);
}

PictureSizeDialog* ForceGraphWindow::pictureSizeDialog() {
    if (!sizeDialog_) sizeDialog_ = new PictureSizeDialog(this);
    return sizeDialog_;
}

void ForceGraphWindow::SavePicture() {
    if (!MayExport()) return;
    const GraphPicture graph = Picture();
    services::SavePictureAsked(
        this, *pictureSizeDialog(), ProposedFileName("png"), plotPicture->size(),
        [&graph](platform::PainterSurface& surface) { DrawGraphPicture(surface, graph); },
        QString::fromStdString(graph.title));
}

bool ForceGraphWindow::PrintTo(QPrinter& printer) const {
    const GraphPicture graph = Picture();
    return services::PrintPicture(
        printer, [&graph](platform::PainterSurface& surface) { DrawGraphPicture(surface, graph); });
}

void ForceGraphWindow::Print() {
    if (!MayExport()) return;
    const GraphPicture graph = Picture();
    services::PrintAsked(
        this, plotPicture->width() > plotPicture->height(), ProposedFileName("pdf"),
        [&graph](platform::PainterSurface& surface) { DrawGraphPicture(surface, graph); },
        QString::fromStdString(graph.title));
}

std::string ForceGraphWindow::CsvText() const {
    std::string csv = HistoryCsv(kind_, history_, nw_, te_);
    if (!csvHeader_.empty()) csv.replace(0, csv.find('\n'), csvHeader_);
    return csv;
}

void ForceGraphWindow::SaveCsv() {
    if (!MayExport()) return;
    const QString path = AskFileToWrite(QString::fromUtf8(kCsvFilter), ProposedFileName("csv"));
    if (path.isEmpty()) return;
    const std::string text = CsvText();
    QString why;
    if (services::SaveFileBytes(path, QByteArray::fromStdString(text), &why)) return;
    platform::ShowMessage(this,
                          QStringLiteral("CSVファイルを保存できません。\n%1\n%2").arg(path, why));
}

QString ForceGraphWindow::ListText(const QListWidget* list) const {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) lines << list->item(i)->text();
    if (lines.isEmpty()) {
        const QLabel* heading = list == forceList          ? forceListHeading
                                : list == displacementList ? displacementListHeading
                                                           : errorListHeading;
        lines << heading->text();
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void ForceGraphWindow::CopyList(const QListWidget* list) const {
    if (!MayExport()) return;
    QGuiApplication::clipboard()->setText(ListText(list));
}

}  // namespace results

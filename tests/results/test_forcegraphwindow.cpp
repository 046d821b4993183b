// The result-graph window: data takeover, rendered dots, readout, scale-label
// clicks, the pen dialog, plot clicks, help, the resize layout, node displacements,
// pictures, printing, CSV and copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QXmlStreamReader>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/model.h"
#include "model/samples.h"
#include "platform/messagebox.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "results/forcegraphwindow.h"
#include "services/fileservice.h"
#include "services/picturesizedialog.h"

namespace {

using platform::RGB;
using results::ForceGraphWindow;

constexpr double kPi = 3.14159265358979323846;

fem::Model TwoNodeModel() {
    fem::Model m;
    m.Nodes.resize(2);
    fem::ElementRecord e;
    e.EndNode = {0, 1};
    m.Elements.push_back(e);
    return m;
}

// The pixel of plot point (t, y) in a plot of size pixels: the data area inside the
// plot's margins spans the time range left .. right across and +-kPlotTop down.
QPoint PlotPixel(QSize size, double t, double y, double left = 0.0, double right = 1.0) {
    const results::PlotMargins m;
    const double x = m.Left + (t - left) / (right - left) * (size.width() - m.Left - m.Right);
    const double v = m.Top + (results::kPlotTop - y) / (2.0 * results::kPlotTop) *
                                 (size.height() - m.Top - m.Bottom);
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(v))};
}
// Whether a pixel of colour c lies at p or next to it (a line through a point may be
// drawn on the neighbouring pixel).
bool ColourNear(const QImage& image, QPoint p, QRgb c) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && (image.pixel(q) & 0xFFFFFF) == (c & 0xFFFFFF))
                return true;
        }
    return false;
}

QRgb Pixel(const ForceGraphWindow& w, int x, int y) {
    return w.plotPicture->Image().pixel(x, y) & 0xFFFFFF;
}
QRgb Rgb(platform::Color c) {
    return qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c)) & 0xFFFFFF;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button) {
    QMouseEvent e(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

void Click(QWidget* target, Qt::MouseButton button) {
    SendMouse(target, QEvent::MouseButtonPress, QPoint(3, 3), button);
    SendMouse(target, QEvent::MouseButtonRelease, QPoint(3, 3), button);
}

// Runs answer on the pen dialog once its modal loop has started.
void AnswerPenDialog(ForceGraphWindow& w, std::function<void(results::PenDialog*)> answer) {
    QTimer::singleShot(0, &w, [&w, answer] { answer(w.penDialog()); });
}

class ForceGraphWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model = TwoNodeModel();
        statics.NodeDisp.resize(2);
        statics.Elements.resize(1);
        history.Resize(12, kNw);
        w.show();
        QApplication::processEvents();
    }
    void TearDown() override { platform::SetMessageHandler(nullptr); }

    static constexpr int kNw = 64;
    fem::Model model;
    fem::StaticSolution statics;  // all zero
    numeric::RealMatrix history;
    ForceGraphWindow w;
};

TEST_F(ForceGraphWindowTest, TakesOverLabelsListsAndScales) {
    EXPECT_EQ(w.windowTitle(), "要素の節点力計算結果");
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    EXPECT_EQ(w.elementLabel->text(), "要素番号 0");
    EXPECT_EQ(w.nodeLabels[0]->text(), "　節点 0");
    EXPECT_EQ(w.nodeLabels[1]->text(), "　節点 1");
    EXPECT_EQ(w.systemLabel->text(), "［全体座標系］");
    EXPECT_EQ(w.forceListHeading->text(), "静的節点力");
    EXPECT_EQ(w.displacementListHeading->text(), "静的節点変位");
    EXPECT_EQ(w.forceList->count(), 14);
    EXPECT_EQ(w.displacementList->count(), 14);
    // All-zero histories: every scale 1.
    EXPECT_EQ(w.scaleLabels[0]->text(), "Fx=1");
    EXPECT_EQ(w.scaleLabels[8]->text(), "Fz=1");
    EXPECT_EQ(w.scaleLabels[3]->text(), "Mx=1");
    EXPECT_EQ(w.scaleLabels[11]->text(), "Mz=1");
    EXPECT_EQ(w.ShownPoints(), kNw);

    history(7, 3) = -3.4;
    w.SetForceHistories(12, kNw, 0.004, 0, history, 0, model, &statics);
    EXPECT_EQ(w.systemLabel->text(), "［要素座標系］");
    EXPECT_EQ(w.displacementListHeading->text(), "要素の変形");
    EXPECT_EQ(w.forceList->count(), 14);
    EXPECT_EQ(w.displacementList->count(), 6);
    EXPECT_EQ(w.scaleLabels[0]->text(), "Fx=3.4");
    EXPECT_EQ(w.scaleLabels[4]->text(), "My=1");  // the moments keep a scale of their own
    EXPECT_DOUBLE_EQ(w.ForceHistory()(7, 3), -3.4);

    // A bad element number leaves the window as it was.
    EXPECT_THROW(w.SetForceHistories(12, kNw, 0.004, 5, history, 1, model, &statics),
                 std::out_of_range);
    EXPECT_EQ(w.systemLabel->text(), "［要素座標系］");
    EXPECT_EQ(w.displacementList->count(), 6);
}

TEST_F(ForceGraphWindowTest, DotsLandAtTimeFractionAndValueOverScale) {
    for (int i = 0; i < kNw; ++i) history(0, i) = 100.0 * std::sin(2.0 * kPi * i / 40.0);
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    w.SetPenDotWidth(0, 1);
    w.SetPenScale(0, 200.0f);
    w.plotPicture->Clear();
    w.DrawComponents(0, 0);
    EXPECT_TRUE(w.isEnabled());
    EXPECT_TRUE(w.busyLabel->isHidden());

    const QImage& image = w.plotPicture->Image();
    ASSERT_GT(image.width(), 200);
    ASSERT_GT(image.height(), 100);
    const QRgb red = Rgb(RGB(255, 0, 0));
    const auto at = [&](int i, double y, double left = 0.0) {
        return PlotPixel(image.size(), static_cast<double>(i) / kNw, y, left);
    };
    for (int i = 1; i < kNw; i += 3)
        EXPECT_TRUE(ColourNear(image, at(i, history(0, i) / 200.0), red)) << "point " << i;

    // Sign inversion mirrors the curve about the time axis.
    w.SetPenNegated(0, true);
    w.plotPicture->Clear();
    w.DrawComponents(0, 0);
    for (int i = 1; i < kNw; i += 3)
        EXPECT_TRUE(ColourNear(image, at(i, -history(0, i) / 200.0), red)) << i;
    w.SetPenNegated(0, false);

    // Left end 0.3: the same dots, the plot spans 0.3 .. 1 of Te. The range change
    // recomputes the scales (largest |Fx| 100) and redraws everything.
    w.leftEndCombo->setCurrentIndex(3);
    EXPECT_EQ(w.scaleLabels[0]->text(), "Fx=100");
    for (int i = 21; i < kNw; i += 3) {
        if (std::abs(history(0, i)) < 5.0) continue;  // the other components lie on y = 0
        EXPECT_TRUE(ColourNear(image, at(i, history(0, i) / 100.0, 0.3), red)) << i;
    }
}

TEST_F(ForceGraphWindowTest, ReadoutAndCursorFollowTheMouse) {
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    // The relative pen at the top edge of the data area reads the plotted y itself.
    w.readoutButtons[12]->click();
    EXPECT_EQ(w.ReadoutPen(), 12);
    emit w.plotPicture->MouseMoved(0.0, results::kPlotTop, Qt::NoButton);
    EXPECT_EQ(w.readoutLabel->text(), "　t=0\n   y=1.2");
    EXPECT_TRUE(w.readoutLabel->isVisible());

    // A force pen of scale 120 at y = 1.1, half way along the time span.
    w.SetPenScale(0, 120.0f);
    w.readoutButtons[0]->click();
    EXPECT_EQ(w.readoutLabel->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(w.readoutLabel->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    emit w.plotPicture->MouseMoved(0.5, 1.1, Qt::NoButton);
    EXPECT_EQ(w.readoutLabel->text(), "　t=0.002\nFx=132");
    // The cursor crosses the data area half way along the time axis.
    const QSize size = w.plotPicture->size();
    EXPECT_NEAR(w.cursorLine->x(), PlotPixel(size, 0.5, 0.0).x(), 1.0);
    EXPECT_TRUE(w.cursorLine->isVisible());
    const results::PlotMargins m;
    EXPECT_GE(w.cursorLine->height(), size.height() - m.Top - m.Bottom - 1);
}

TEST_F(ForceGraphWindowTest, PenDialogRefusesBadScalesAndCancelChangesNothing) {
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    QStringList messages;
    platform::SetMessageHandler([&](const QString& text, bool) {
        messages << text;
        return true;
    });
    for (const char* text : {"0", "-5", "abc", ""}) {
        AnswerPenDialog(w, [text](results::PenDialog* d) {
            d->scaleEdit->setText(text);
            d->negateCheck->setChecked(true);
            d->okButton->click();
        });
        EXPECT_FALSE(w.EditPen(0)) << text;
        EXPECT_FLOAT_EQ(w.PenScale(0), 1.0f) << text;
        EXPECT_FALSE(w.PenNegated(0)) << text;
    }
    ASSERT_EQ(messages.size(), 4);
    for (const QString& m : messages) EXPECT_EQ(m, "表示単位の入力が不適当です");

    // 取消 after typing 5000, ticking the sign and choosing width 3 and a colour.
    w.SetColorChooser([](QWidget*) { return RGB(9, 9, 9); });
    AnswerPenDialog(w, [](results::PenDialog* d) {
        d->scaleEdit->setText("5000");
        d->negateCheck->click();
        d->widthForAllCheck->setChecked(true);
        d->widthCombo->setCurrentIndex(2);
        Click(d->lineColorSwatch, Qt::LeftButton);
        d->cancelButton->click();
    });
    EXPECT_FALSE(w.EditPen(3));
    EXPECT_FLOAT_EQ(w.PenScale(3), 1.0f);
    EXPECT_FALSE(w.PenNegated(3));
    EXPECT_EQ(w.PenCurveColor(3), RGB(0, 0, 255));
    for (int c = 0; c < 12; ++c) EXPECT_EQ(w.PenDotWidth(c), 2);
    EXPECT_EQ(messages.size(), 4);
}

TEST_F(ForceGraphWindowTest, RightClickOnScaleLabelAppliesThePen) {
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    w.SetColorChooser([](QWidget*) { return RGB(1, 2, 3); });
    bool positioned = false;
    AnswerPenDialog(w, [&](results::PenDialog* d) {
        // The dialog opens with the pen's settings, its right edge on the plot's.
        EXPECT_EQ(d->windowTitle(), "表示条件設定");
        EXPECT_EQ(d->scaleEdit->text(), "1");
        EXPECT_EQ(d->preview->text(), "Fy=1");
        EXPECT_EQ(d->widthCombo->currentIndex(), 1);
        EXPECT_FALSE(d->negateCheck->isChecked());
        EXPECT_EQ(d->LineColor(), RGB(0, 255, 0));
        const QPoint plot = w.plotPicture->mapToGlobal(QPoint(0, 0));
        positioned = d->x() + d->width() == plot.x() + w.plotPicture->width();
        d->scaleEdit->setText("5000");
        d->negateCheck->click();
        EXPECT_EQ(d->preview->text(), "Fy=-5000");
        d->widthForAllCheck->setChecked(true);
        d->widthCombo->setCurrentIndex(2);
        Click(d->lineColorSwatch, Qt::LeftButton);
        d->okButton->click();
    });
    Click(w.scaleLabels[1], Qt::RightButton);
    EXPECT_TRUE(positioned);
    EXPECT_FLOAT_EQ(w.PenScale(1), 5000.0f);
    EXPECT_TRUE(w.PenNegated(1));
    EXPECT_EQ(w.PenCurveColor(1), RGB(1, 2, 3));
    EXPECT_EQ(w.PenLabelTextColor(1), RGB(0, 0, 0));
    for (int c = 0; c < 12; ++c) EXPECT_EQ(w.PenDotWidth(c), 3) << c;
    EXPECT_EQ(w.scaleLabels[1]->text(), "Fy=-5000");
    EXPECT_EQ(w.scaleLabels[1]->palette().color(QPalette::Window), QColor(1, 2, 3));

    // A cancelled colour choice keeps the swatch.
    w.SetColorChooser([](QWidget*) { return -1; });
    AnswerPenDialog(w, [](results::PenDialog* d) {
        Click(d->textColorSwatch, Qt::LeftButton);
        EXPECT_EQ(d->TextColor(), RGB(0, 0, 0));
        d->okButton->click();
    });
    EXPECT_TRUE(w.EditPen(1));
    EXPECT_EQ(w.PenLabelTextColor(1), RGB(0, 0, 0));
}

TEST_F(ForceGraphWindowTest, PlotClicksRedrawClearAndRecolour) {
    for (int i = 0; i < kNw; ++i) history(2, i) = 1.0;
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    const QImage& image = w.plotPicture->Image();
    const int width = image.width();
    const int height = image.height();
    const QRgb yellow = Rgb(RGB(255, 255, 0));
    const QPoint curve = PlotPixel(image.size(), 32.0 / kNw, 1.0);
    const auto curveDrawn = [&] { return ColourNear(w.plotPicture->Image(), curve, yellow); };

    // A left click on a scale label draws that component over what is there.
    w.plotPicture->Dot(0.9, -0.6, RGB(0, 0, 255));
    const QPointF markAt = w.plotPicture->ToPixel(0.9, -0.6);
    const QPoint mark(static_cast<int>(std::floor(markAt.x())),
                      static_cast<int>(std::floor(markAt.y())));
    Click(w.scaleLabels[2], Qt::LeftButton);
    EXPECT_TRUE(curveDrawn());
    EXPECT_EQ(Pixel(w, mark.x(), mark.y()), Rgb(RGB(0, 0, 255)));

    // Double click clears.
    emit w.plotPicture->DoubleClicked(0.5, 0.0);
    EXPECT_FALSE(curveDrawn());

    // Right button on the plot: a new background and everything drawn again;
    // a cancelled choice changes nothing.
    w.SetColorChooser([](QWidget*) { return -1; });
    emit w.plotPicture->MouseReleased(0.5, 0.0, Qt::RightButton);
    EXPECT_FALSE(curveDrawn());
    w.SetColorChooser([](QWidget*) { return RGB(200, 200, 200); });
    emit w.plotPicture->MouseReleased(0.5, 0.0, Qt::RightButton);
    EXPECT_EQ(Pixel(w, width - 1, height - 1), Rgb(RGB(200, 200, 200)));
    EXPECT_TRUE(curveDrawn());
    // "Draw all" keeps the new background.
    w.drawAllButton->click();
    EXPECT_EQ(Pixel(w, width - 1, height - 1), Rgb(RGB(200, 200, 200)));
}

TEST_F(ForceGraphWindowTest, HelpTextTogglesAndHidesOnClick) {
    const QString expected =
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
    EXPECT_EQ(w.helpText->toPlainText(), expected);
    EXPECT_EQ(w.helpText->palette().color(QPalette::Base), QColor(255, 255, 128));
    EXPECT_FALSE(w.helpText->isVisible());
    EXPECT_EQ(w.helpButton->text(), "HELP");
    w.helpButton->click();
    EXPECT_TRUE(w.helpText->isVisible());
    w.helpButton->click();
    EXPECT_FALSE(w.helpText->isVisible());
    w.helpButton->click();
    Click(w.helpText->viewport(), Qt::LeftButton);
    EXPECT_FALSE(w.helpText->isVisible());
}

// The load size: 10000 twips wide, at least 6500 twips high, higher when the lists need
// it to show all their lines.
QSize LoadSize(const ForceGraphWindow& w) {
    const QSize load = w.sizeHint();
    EXPECT_EQ(load.width(), platform::TwipsToPixels(10000));
    EXPECT_GE(load.height(), platform::TwipsToPixels(6500));
    return load;
}

// Whether every line of a list lies inside its visible area.
bool AllLinesVisible(const QListWidget* list) {
    for (int i = 0; i < list->count(); ++i) {
        const QRect r = list->visualItemRect(list->item(i));
        if (r.top() < 0 || r.bottom() >= list->viewport()->height()) return false;
    }
    return list->count() > 0;
}

TEST_F(ForceGraphWindowTest, ResizeLaysOutValidDirectionsAndRestoresTheOthers) {
    const QSize load = LoadSize(w);
    EXPECT_EQ(w.size(), load);
    const int top = w.plotPicture->y();
    const int below = platform::TwipsToPixels(480);
    const int right = platform::TwipsToPixels(200);
    auto resizeTo = [&](QSize s) {
        w.resize(s);
        QApplication::processEvents();
    };

    // Larger in both directions: both laid out.
    resizeTo(load + QSize(200, 100));
    const int plotWidth = w.width() - (w.forceList->width() + w.sidePanel->width() + right);
    EXPECT_EQ(w.plotPicture->width(), plotWidth);
    EXPECT_EQ(w.sidePanel->x(), plotWidth);
    EXPECT_EQ(w.forceList->x(),
              w.sidePanel->x() + w.sidePanel->width() + platform::TwipsToPixels(50));
    EXPECT_EQ(w.displacementList->x(), w.forceList->x());
    EXPECT_EQ(w.forceListHeading->x(), w.forceList->x() + platform::TwipsToPixels(100));
    EXPECT_EQ(w.plotPicture->height(), load.height() + 100 - (top + below));

    // Narrower than the load width down to the smallest: laid out with a narrower plot,
    // which keeps 3800 twips.
    const int least = w.minimumSizeHint().width();
    const int leastPlot = platform::TwipsToPixels(3800);
    EXPECT_EQ(least, w.forceList->width() + w.sidePanel->width() + right + leastPlot);
    EXPECT_EQ(w.minimumSizeHint().height(), load.height());
    resizeTo(QSize(least, load.height() + 150));
    EXPECT_EQ(w.plotPicture->width(), leastPlot);
    EXPECT_EQ(w.sidePanel->x(), leastPlot);

    // Narrower than that, taller: the width springs back, the height is laid out.
    resizeTo(QSize(least - 50, load.height() + 200));
    EXPECT_EQ(w.width(), least);
    EXPECT_EQ(w.height(), load.height() + 200);
    EXPECT_EQ(w.plotPicture->width(), leastPlot);
    EXPECT_EQ(w.plotPicture->height(), load.height() + 200 - (top + below));

    // Smaller in both: kept, not laid out.
    resizeTo(QSize(least - 40, load.height() - 40));
    EXPECT_EQ(w.size(), QSize(least - 40, load.height() - 40));
    EXPECT_EQ(w.plotPicture->height(), load.height() + 200 - (top + below));
    EXPECT_FALSE(w.Arranging());
}

// Where it opens is the main window's choice (beside the analysis panel); the window
// opens at its load size and springs back from below its smallest width inside the frame.
TEST(ForceGraphSubwindow, OpensAtLoadSizeAndSpringsBackInsideTheFrame) {
    QMdiArea area;
    area.resize(1200, 900);
    area.show();
    auto* w = new ForceGraphWindow;
    QMdiSubWindow* sub = area.addSubWindow(w);
    sub->show();
    QApplication::processEvents();
    const QSize load = LoadSize(*w);
    EXPECT_EQ(w->size(), load);
    const QSize frame = sub->size() - w->size();

    // Dragging the subwindow narrower than the smallest width but taller: the width
    // it had comes back.
    const QSize least(w->minimumSizeHint().width(), load.height());
    sub->resize(least + frame + QSize(-60, 120));
    QApplication::processEvents();
    EXPECT_EQ(sub->size(), load + frame + QSize(0, 120));
    EXPECT_EQ(w->size(), load + QSize(0, 120));
}

// The notice about uncorrected histories is read whole at the smallest width as at a
// wide one: in the top row where it fits, else wrapped under the side panel, clear of the
// plot and the lists.
TEST_F(ForceGraphWindowTest, TheUncorrectedNoticeIsReadWholeAtAnyWidth) {
    for (int i = kNw * 3 / 4; i < kNw; ++i) history(0, i) = 1.0;  // grows towards the end
    w.CorrectionRequested = [] {};
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    w.SetEstimatedErrors(numeric::RealMatrix());
    const QString full = QStringLiteral(
        "エイリアシング補正なし：終わりに向かって増える曲線は逆変換の誤差の可能性があります");
    const int narrow = w.minimumSizeHint().width();
    for (const int width : {narrow, w.sizeHint().width() + 900}) {
        w.resize(width, w.height());
        QApplication::processEvents();
        const QRect notice = w.noticeLabel->geometry();
        EXPECT_TRUE(w.noticeLabel->isVisible()) << width;
        EXPECT_EQ(w.noticeLabel->text(), full) << width;
        const QRect needed = w.noticeLabel->fontMetrics().boundingRect(
            QRect(0, 0, notice.width(), 10000), Qt::TextWordWrap, full);
        EXPECT_LE(needed.height(), notice.height()) << width;
        EXPECT_TRUE(w.rect().contains(notice)) << width;
        for (const QWidget* other :
             {static_cast<QWidget*>(w.plotPicture), static_cast<QWidget*>(w.sidePanel),
              static_cast<QWidget*>(w.forceList), static_cast<QWidget*>(w.displacementList)})
            EXPECT_FALSE(notice.intersects(other->geometry())) << width;
        if (width > narrow) {
            EXPECT_EQ(notice.y(), 0);
        }
    }
}

TEST_F(ForceGraphWindowTest, ListsShowAllLinesAndTheDrawingFollowsANewSize) {
    for (int i = 0; i < kNw; ++i) history(0, i) = 1.0;  // Fx = scale: y = 1
    // Global components: fourteen lines in each list; element components: 14 and 6.
    for (int flag : {1, 0}) {
        w.SetForceHistories(12, kNw, 0.004, 0, history, flag, model, &statics);
        QApplication::processEvents();
        EXPECT_TRUE(AllLinesVisible(w.forceList)) << flag;
        EXPECT_TRUE(AllLinesVisible(w.displacementList)) << flag;
    }
    w.DrawAll();
    const int oldWidth = w.plotPicture->width();
    w.resize(w.size() + QSize(300, 200));
    QApplication::processEvents();
    const QImage& image = w.plotPicture->Image();
    ASSERT_GT(image.width(), oldWidth + 250);
    // The curve at y = 1 runs on in the new right part, at the new height's row.
    for (int i = 1; i < kNw; ++i) {
        const QPoint p = PlotPixel(image.size(), static_cast<double>(i) / kNw, 1.0);
        if (p.x() > oldWidth) {
            EXPECT_TRUE(ColourNear(image, p, Rgb(RGB(255, 0, 0)))) << p.x();
        }
    }
    // A cleared plot stays clear.
    emit w.plotPicture->DoubleClicked(0.5, 0.0);
    w.resize(w.size() + QSize(20, 20));
    QApplication::processEvents();
    const QImage& cleared = w.plotPicture->Image();
    EXPECT_FALSE(ColourNear(cleared, PlotPixel(cleared.size(), 0.5, 1.0), Rgb(RGB(255, 0, 0))));
}

TEST_F(ForceGraphWindowTest, NodeDisplacementsUseTheSamePensWithTheirOwnTitles) {
    statics.NodeDisp[1] = {0.5, -0.25, 0, 0.001, 0, 0};
    numeric::RealMatrix six(6, kNw);
    six(1, 5) = -0.0456;
    six(3, 7) = 0.002;
    w.SetPenCurveColor(1, RGB(9, 8, 7));
    w.readoutButtons[9]->click();
    w.SetNodeDisplacements(kNw, 0.004, 1, six, model, &statics);
    EXPECT_EQ(w.Kind(), results::GraphKind::NodeDisplacements);
    EXPECT_EQ(w.windowTitle(), "節点変位の計算結果");
    EXPECT_EQ(w.elementLabel->text(), "節点番号 1");
    EXPECT_EQ(w.systemLabel->text(), "［全体座標系］");
    EXPECT_TRUE(w.nodeLabels[0]->isHidden());
    const char* const captions[6] = {"ux=0.045", "uy=0.045", "uz=0.045",
                                     "θx=0.002", "θy=0.002", "θz=0.002"};
    for (int c = 0; c < 12; ++c) {
        EXPECT_EQ(w.scaleLabels[c]->isVisible(), c < 6) << c;
        EXPECT_EQ(w.readoutButtons[c]->isVisible(), c < 6) << c;
        if (c < 6) {
            EXPECT_EQ(w.scaleLabels[c]->text(), captions[c]);
        }
    }
    EXPECT_EQ(w.ReadoutPen(), 0);  // a hidden pen is not read out
    EXPECT_EQ(w.PenCurveColor(1), RGB(9, 8, 7));
    ASSERT_EQ(w.displacementList->count(), 7);
    EXPECT_EQ(w.displacementList->item(2)->text(), "uy=-0.25");
    EXPECT_EQ(w.forceList->count(), 7);
    emit w.plotPicture->MouseMoved(0.5, 1.0, Qt::NoButton);
    EXPECT_EQ(w.readoutLabel->text(), "　t=0.002\nux=0.045");

    // Back to an element: all twelve again.
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    EXPECT_EQ(w.windowTitle(), "要素の節点力計算結果");
    EXPECT_EQ(w.scaleLabels[7]->text(), "Fy=1");
    EXPECT_TRUE(w.scaleLabels[11]->isVisible());
}

// The file service's dialogs answered by the test.
class AnsweredDialogs : public services::FileServiceDialogs {
  public:
    QString OpenFile(QWidget*, const services::FileDialogRequest&, int*) override { return {}; }
    QString SaveFile(QWidget*, const services::FileDialogRequest& request, int* filter) override {
        filters << request.filter;
        if (filter) *filter = chosenFilter;
        return saveAnswer;
    }
    QColor GetColor(QWidget*, const QColor&) override { return {}; }
    bool GetFont(QWidget*, QFont&, QColor&, bool) override { return false; }
    bool PrinterSetup(QWidget*, QPrinter&) override { return false; }

    QString saveAnswer;
    int chosenFilter = 0;
    QStringList filters;
};

class GraphOutputTest : public ForceGraphWindowTest {
  protected:
    void SetUp() override {
        ForceGraphWindowTest::SetUp();
        services::ProgramFileService().SetDialogs(&dialogs);
    }
    void TearDown() override {
        services::ProgramFileService().SetDialogs(nullptr);
        ForceGraphWindowTest::TearDown();
    }
    static QString Temp(const char* name) {
        return QDir::temp().filePath(QStringLiteral("impactframe_graph_") + QLatin1String(name));
    }
    // A temporary file of Temp(name) as a killed save leaves it.
    static QString Leftover(const char* name) {
        return QDir::temp().filePath(QStringLiteral(".impactframe_graph_") + QLatin1String(name) +
                                     QStringLiteral(".saving-k1lled00"));
    }
    AnsweredDialogs dialogs;
};

TEST_F(GraphOutputTest, PictureOfAKnownGraphHasItsCurvesAtTheirValues) {
    // Fx constant at its scale (y = 1), Fy of the second node falling linearly from 0
    // to -1 over Te, the rest zero (on the time axis); 512 points, closer than a pixel.
    const int nw = 512;
    numeric::RealMatrix known(12, nw);
    for (int i = 0; i < nw; ++i) {
        known(0, i) = 1.0;
        known(7, i) = -static_cast<double>(i) / nw;
    }
    w.SetForceHistories(12, nw, 0.004, 0, known, 1, model, &statics);
    ASSERT_EQ(w.scaleLabels[0]->text(), "Fx=1");
    const QString png = Temp("known.png");
    ASSERT_TRUE(w.SavePicture(png, QSize(400, 600)));
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(400, 600));
    // The data area lies inside the plot's margins; its top depends on the legend above
    // it, its bottom (y = -1.2) is the bottom margin above the picture's edge. Fx at y = 1
    // gives the scale of rows: y = 0 lies 1 / 2.2 of the way from it to the bottom.
    const results::PlotMargins m;
    const int left = m.Left, right = 400 - m.Right, bottom = 600 - m.Bottom;
    const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), green = qRgb(0, 128, 0);
    const auto firstRow = [&](int x, QRgb c) {
        for (int y = 0; y < 600; ++y)
            if (image.pixel(x, y) == c) return y;
        return -1;
    };
    const int one = firstRow(left + 10, red);
    ASSERT_GT(one, 60) << "below the title and legend";
    const double perUnit = (bottom - one) / 2.2;
    const int zero = static_cast<int>(std::lround(one + perUnit));
    const double loadStart = left + 0.1 * (right - left);
    // Clear of the ticks, which reach five pixels into the data area.
    for (int x = left + 6; x < right - 6; ++x) {
        EXPECT_NEAR(firstRow(x, red), one, 1) << x;
        if (std::abs(x - loadStart) < 2.0) continue;  // the dashed line of the load's start
        // Below Fx only the falling Fy and the zero curves on the time axis.
        const double t = (x + 0.5 - left) / (right - left);
        const double line = zero + t * perUnit;
        bool greenSeen = false;
        for (int y = one + 3; y < bottom - 6; ++y) {
            const QRgb p = image.pixel(x, y);
            if (p == white || std::abs(y - zero) <= 1) continue;
            EXPECT_EQ(p, green) << x << "," << y;
            EXPECT_LE(std::abs(y - line), 2.5) << x << "," << y;
            greenSeen = true;
        }
        EXPECT_TRUE(greenSeen) << x;
    }

    // The SVG: one polyline of all points per curve, in the pens' colours in order.
    const QString svg = Temp("known.svg");
    ASSERT_TRUE(w.SavePicture(svg, QSize(400, 600)));
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList strokes{QString()};
    QStringList curves;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("g")) {
            const QString stroke = xml.attributes().value(QLatin1String("stroke")).toString();
            strokes << (stroke.isEmpty() ? strokes.back() : stroke);
        } else if (xml.isEndElement() && xml.name() == QLatin1String("g")) {
            strokes.removeLast();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("polyline")) {
            const QString points = xml.attributes().value(QLatin1String("points")).toString();
            if (points.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() == nw)
                curves << strokes.back();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    QStringList colours;
    for (int c = 0; c < 12; ++c) colours << platform::ToQColor(w.PenCurveColor(c)).name();
    EXPECT_EQ(curves, colours);
}

TEST_F(GraphOutputTest, SavePictureAsksForAFileAndASize) {
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    w.SetStructureName(QStringLiteral("portal.txt"));
    const QString base = Temp("asked");
    QFile::remove(base + ".svg");
    dialogs.saveAnswer = base;  // no extension: the filter in use gives it
    dialogs.chosenFilter = 1;   // SVG
    bool defaultIsPlot = false;
    QTimer::singleShot(0, &w, [&] {
        services::PictureSizeDialog* d = w.pictureSizeDialog();
        defaultIsPlot = d->widthSpin->value() == w.plotPicture->width() &&
                        d->heightSpin->value() == w.plotPicture->height();
        d->widthSpin->setValue(321);
        d->heightSpin->setValue(123);
        d->okButton->click();
    });
    w.savePictureButton->click();
    EXPECT_TRUE(defaultIsPlot);
    ASSERT_EQ(dialogs.filters.size(), 1);
    EXPECT_TRUE(dialogs.filters[0].contains(QStringLiteral("SVG画像 (*.svg)")))
        << dialogs.filters[0].toStdString();
    QFile file(base + ".svg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 321 123\""));
    // Titled with the structure's file and the graph's subject.
    const int title = svg.indexOf(QStringLiteral("<title>"));
    ASSERT_GE(title, 0);
    const QString titled = svg.mid(title, svg.indexOf(QStringLiteral("</title>")) - title);
    EXPECT_TRUE(titled.contains(QStringLiteral("portal.txt"))) << titled.toStdString();
    EXPECT_TRUE(titled.contains(QStringLiteral("要素番号 0"))) << titled.toStdString();
    // The program's file filter is put back.
    EXPECT_EQ(services::ProgramFileService().Filter(), services::kStructureDataFilter);
}

TEST_F(GraphOutputTest, CsvIsTheCliTableOfTheSameElement) {
    fem::Model sample;
    const double te = fem::BuildSample(sample, 4).Te;
    fem::AnalysisSettings settings;
    settings.Nw = 256;
    settings.Te = te;
    const fem::AnalysisResult r = fem::RunAnalysis(sample, settings);
    ASSERT_TRUE(r.Impact->Complete() && r.Static && r.Static->Complete());
    for (int flag : {1, 0}) {
        const numeric::RealMatrix forces =
            fem::ElementForceHistory(*r.Impact, 8,
                                     flag ? fem::ForceAxes::Global : fem::ForceAxes::Element)
                .Best();
        w.SetForceHistories(12, 256, te, 8, forces, flag, sample, r.Static.get());
        const QString path = Temp(flag ? "global.csv" : "local.csv");
        // Saved through the safe writer, which removes a killed save's leftover.
        const QString leftover = Leftover(flag ? "global.csv" : "local.csv");
        ASSERT_TRUE(QFile(leftover).open(QIODevice::WriteOnly));
        dialogs.saveAnswer = path;
        w.saveCsvButton->click();
        EXPECT_FALSE(QFile::exists(leftover));
        QFile saved(path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const std::string cli = std::string(CLI_PATH) +
                                " analyse sample:4 --nw 256 --element 8 --forces - " +
                                (flag ? "--global " : "") + "2>/dev/null";
        FILE* pipe = popen(cli.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string expected;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) expected.append(buffer, n);
        ASSERT_EQ(pclose(pipe), 0);
        EXPECT_EQ(saved.readAll().toStdString(), expected) << flag;
    }
}

TEST_F(GraphOutputTest, PrintingWithoutAPrinterWritesAPdf) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    w.SetForceHistories(12, kNw, 0.004, 0, history, 1, model, &statics);
    const QString path = Temp("printed.pdf");
    QFile::remove(path);
    const QString leftover = Leftover("printed.pdf");
    ASSERT_TRUE(QFile(leftover).open(QIODevice::WriteOnly));
    dialogs.saveAnswer = path;
    w.printButton->click();
    EXPECT_FALSE(QFile::exists(leftover));
    ASSERT_EQ(dialogs.filters.size(), 1);
    EXPECT_TRUE(dialogs.filters[0].contains(QStringLiteral("PDF文書 (*.pdf)")));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    // Cancelled: nothing printed, no message.
    QStringList messages;
    platform::SetMessageHandler([&](const QString& text, bool) {
        messages << text;
        return true;
    });
    dialogs.saveAnswer.clear();
    w.printButton->click();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ForceGraphWindowTest, StaticListsCopyAsText) {
    w.SetForceHistories(12, kNw, 0.004, 0, history, 0, model, &statics);
    const QString all = w.ListText(w.displacementList);
    EXPECT_EQ(all, "要素の変形\nＵx=0\nＵy=0\nＵz=0\nθx=0\nθy=0\nθz=0\n");
    w.forceList->item(1)->setSelected(true);
    w.forceList->item(8)->setSelected(true);
    EXPECT_EQ(w.ListText(w.forceList), "Fx=0\nFx=0\n");
    ASSERT_EQ(w.forceList->actions().size(), 1);
    EXPECT_EQ(w.forceList->actions()[0]->text(), "コピー");
    EXPECT_EQ(w.forceList->actions()[0]->shortcut(), QKeySequence(QKeySequence::Copy));
}

TEST_F(ForceGraphWindowTest, PenPropertiesRefuseIndicesOutsideTheTable) {
    EXPECT_EQ(w.PenTitle(12), "   y=");
    EXPECT_FLOAT_EQ(w.PenScale(12), 1.0f);
    EXPECT_EQ(w.PenCurveColor(12), w.plotPicture->BackColor());
    EXPECT_THROW((void)w.PenCurveColor(13), std::out_of_range);
    EXPECT_THROW(w.SetPenScale(-1, 2.0f), std::out_of_range);
    EXPECT_THROW((void)w.EditPen(12), std::out_of_range);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

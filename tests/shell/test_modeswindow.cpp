// "固有振動数": the natural-frequency window over a cantilever whose frequencies have a
// closed form, its list and copy, the mode shape in the view, the stop button, and the
// list retired by a change of the structure.
#include <cmath>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "shell/modeswindow.h"
#include "shell/nodesheet.h"
#include "shell/numbertext.h"
#include "shell/workerthread.h"
#include "shell_fixture.h"
#include "view3d/animation.h"
#include "view3d/sceneview.h"
#include "view3d/viewwindow.h"

namespace shelltest {
namespace {

constexpr double kLength = 500.0;  // mm

class ModesWindowTest : public ShellTest {
  protected:
    // A cantilever along x: node 0 clamped, node 1 free; the default bar (E 21000,
    // w 7.86E-06, d 10).
    void BuildCantilever() {
        fem::Model& m = Model();
        fem::NodeRecord clamped = fem::DefaultNode();
        clamped.BcCode = {"u", "u", "u", "u", "u", "u"};
        fem::NodeRecord free = fem::DefaultNode();
        free.Coord = {kLength, 0.0, 0.0};
        m.AddNode(clamped);
        m.AddNode(free);
        m.AddElement(fem::DefaultElement());
        panel->DrawStructure();
    }
    shell::ModesWindow* Open() {
        frame->Action("naturalFrequenciesAction")->trigger();
        return frame->Modes();
    }
    // "計算実行" and the end of the search.
    void Search(shell::ModesWindow* w) {
        QEventLoop loop;
        QObject::connect(w, &shell::ModesWindow::SearchFinished, &loop, &QEventLoop::quit);
        w->runButton->click();
        if (w->Running()) loop.exec();
    }
    static double Cell(shell::ModesWindow* w, int row, int column) {
        return shell::ParseDouble(w->modeList->topLevelItem(row)->text(column)).value_or(-1.0);
    }
    // The value of a cell as a copy of the list carries it.
    static double Copied(shell::ModesWindow* w, int row, int column) {
        const QStringList cells = w->ListText().split('\n')[row + 1].split('\t');
        return shell::ParseDouble(cells.value(column)).value_or(-1.0);
    }
};

TEST_F(ModesWindowTest, CantileverFrequencyPeriodCopyAndShape) {
    BuildCantilever();
    shell::ModesWindow* w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->countEdit->text(), "10");
    w->countEdit->setText("3");
    Search(w);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(w->modeList->topLevelItemCount(), 3);

    // f1 = l1^2 / (2 pi L^2) sqrt(E I / (rho A)), l1 the first root of cos l cosh l = -1
    // (1.8751040687119611, mpmath at 30 digits); for a round bar I / A = d^2 / 16 and
    // rho = w / g.
    const long double l1 = 1.8751040687119611L;
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double root = std::sqrt(21000.0L * 9800.0L * 100.0L / (16.0L * 7.86E-06L));
    const double f1 = static_cast<double>(l1 * l1 / (2 * pi * kLength * kLength) * root);
    // Bending in the two planes: the same frequency twice.
    for (int row : {0, 1}) {
        EXPECT_EQ(w->modeList->topLevelItem(row)->text(0), QString::number(row + 1));
        // The list shows six significant digits, a copy all of them.
        EXPECT_EQ(w->modeList->topLevelItem(row)->text(1), "28.634") << row;
        EXPECT_EQ(w->modeList->topLevelItem(row)->text(2), "0.0349235") << row;
        EXPECT_NEAR(Copied(w, row, 1), f1, 1e-10 * f1) << row;
        EXPECT_NEAR(Copied(w, row, 2), 1.0 / f1, 1e-10 / f1) << row;
    }
    EXPECT_GT(Cell(w, 2, 1), 6.0 * f1) << "the second bending frequency is 6.27 f1";
    const QStringList lines = w->ListText().split('\n');
    ASSERT_EQ(lines.size(), 5);  // heading, three modes, the final newline
    EXPECT_EQ(lines[0], QStringLiteral("次数\t振動数 (Hz)\t周期 (s)"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\t28.63401816874"))) << lines[1].toStdString();

    // The chosen mode is drawn over the structure; its tip, the largest translation, is
    // drawn a tenth of the bar's length from the axis ("自動").
    view3d::SceneView& view = frame->Scene();
    panel->DrawStructure();
    const int structure = view.ItemCount();
    w->ChooseMode(0);
    EXPECT_GT(view.ItemCount(), structure);
    ASSERT_EQ(w->Modes()[0].NodeDisp.size(), 2u);
    const auto& tip = w->Modes()[0].NodeDisp[1];
    const double magnification = 0.1 * kLength / std::hypot(tip[0], tip[1], tip[2]);
    // Shown and used to three digits.
    EXPECT_NEAR(shell::ParseDouble(w->magnificationEdit->text()).value_or(0.0), magnification,
                5e-3 * magnification);
    EXPECT_TRUE(frame->ViewWindow()->isVisible());
    // "再生" in the view lets the same shape oscillate at the same magnification.
    auto* viewWindow = qobject_cast<view3d::ViewWindow*>(frame->ViewWindow());
    ASSERT_NE(viewWindow, nullptr);
    EXPECT_TRUE(viewWindow->playButton->isEnabled());
    EXPECT_TRUE(viewWindow->ShowFrame(10));
    EXPECT_EQ(viewWindow->Animator().Magnification,
              shell::ParseDouble(w->magnificationEdit->text()).value_or(0.0));
}

TEST_F(ModesWindowTest, AMechanismGivesZeroFrequenciesWithoutPeriod) {
    BuildCantilever();
    fem::NodeRecord loose = Model().GetNode(0);
    loose.BcCode = {"p", "p", "p", "p", "p", "p"};  // a free-free bar: six rigid motions
    Model().PutNode(0, loose);
    shell::ModesWindow* w = Open();
    w->countEdit->setText("7");
    Search(w);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(w->modeList->topLevelItemCount(), 7);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(w->modeList->topLevelItem(row)->text(1), "0") << row;
        EXPECT_EQ(w->modeList->topLevelItem(row)->text(2), QStringLiteral("∞")) << row;
    }
    EXPECT_GT(Cell(w, 6, 1), 0.0);
    w->ChooseMode(0);  // a rigid motion is drawn like any other shape
    EXPECT_TRUE(messages.empty());
}

TEST_F(ModesWindowTest, StopEndsARunningSearch) {
    BuildCantilever();
    shell::ModesWindow* w = Open();
    // Two thousand frequencies take far longer than the few milliseconds between reports.
    w->countEdit->setText("2000");
    auto* worker = w->findChild<shell::WorkerThread*>(QStringLiteral("modesWorkerThread"));
    ASSERT_NE(worker, nullptr);
    // Each report waits until the one before it has been shown, so that the search is at
    // most one report further when the click comes.
    worker->SetPaced(true);
    bool stopped = false;
    QObject::connect(worker, &shell::WorkerThread::Progressed, w, [&](int) {
        if (stopped) return;
        stopped = true;
        EXPECT_TRUE(w->stopButton->isEnabled());
        EXPECT_FALSE(w->runButton->isEnabled());
        w->stopButton->click();
    });
    Search(w);
    EXPECT_TRUE(stopped);
    // Said so, and the modes found before the stop stay listed.
    const int kept = w->modeList->topLevelItemCount();
    EXPECT_LT(kept, 2000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("固有振動数の計算を中止しました。")))
        << messages[0].toStdString();
    EXPECT_TRUE(w->statusLabel->text().contains(QStringLiteral("%1 個").arg(kept)))
        << w->statusLabel->text().toStdString();
    EXPECT_TRUE(w->runButton->isEnabled());
    EXPECT_FALSE(w->stopButton->isEnabled());
}

TEST_F(ModesWindowTest, AChangeOfTheStructureRetiresTheList) {
    BuildCantilever();
    shell::ModesWindow* w = Open();
    w->countEdit->setText("2");
    Search(w);
    ASSERT_EQ(w->modeList->topLevelItemCount(), 2);
    w->ChooseMode(0);

    // The free end moved in the node sheet.
    Answer(
        panel->nodeSheet(),
        [this] {
            panel->nodeSheet()
                ->findChild<QLineEdit*>(QStringLiteral("coordinateEdit0"))
                ->setText("600");
        },
        "confirmButton");
    panel->EditNode(1);
    ASSERT_EQ(Model().GetNode(1).Coord[0], 600.0);
    EXPECT_EQ(w->modeList->topLevelItemCount(), 0);
    EXPECT_TRUE(w->Modes().empty());
    EXPECT_EQ(
        w->statusLabel->text(),
        QStringLiteral("構造が計算後に変更されました。もう一度「計算実行」で計算して下さい。"));
    // Only the structure is drawn.
    view3d::SceneView& view = frame->Scene();
    panel->DrawStructure();
    const int structure = view.ItemCount();
    w->ChooseMode(0);
    EXPECT_EQ(view.ItemCount(), structure);
}

}  // namespace
}  // namespace shelltest

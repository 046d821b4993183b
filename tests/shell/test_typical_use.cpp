// The typical use end to end: a sample, the analysis, an element's force histories
// in the result window; the enabled states around every step; stopping a run.
#include <chrono>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "platform/picturebox.h"
#include "results/forcegraphwindow.h"
#include "results/graphcore.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell_fixture.h"
#include "view3d/viewwindow.h"

namespace shelltest {
namespace {

// Enabled states of the analysis panel's groups at one moment.
struct States {
    bool solve, nodalForce, data, structure, stop;
};

class TypicalUseTest : public ShellTest {
  protected:
    States Now() const {
        const bool nodal = Get<QPushButton>("computeForcesButton")->isEnabled() &&
                           Get<QComboBox>("forceElementCombo")->isEnabled() &&
                           Get<QCheckBox>("globalComponentsCheck")->isEnabled() &&
                           Get<QCheckBox>("drawAtOnceCheck")->isEnabled();
        const bool nodalNone = !Get<QPushButton>("computeForcesButton")->isEnabled() &&
                               !Get<QComboBox>("forceElementCombo")->isEnabled() &&
                               !Get<QCheckBox>("globalComponentsCheck")->isEnabled() &&
                               !Get<QCheckBox>("drawAtOnceCheck")->isEnabled();
        EXPECT_TRUE(nodal || nodalNone) << "the nodal-force group is enabled as a whole";
        return {Get<QPushButton>("runAnalysisButton")->isEnabled(), nodal,
                Get<QGroupBox>("dataGroup")->isEnabled() &&
                    Get<QPushButton>("readDataButton")->isEnabled(),
                Get<QGroupBox>("structureGroup")->isEnabled() &&
                    Get<QPushButton>("addNodeButton")->isEnabled(),
                Get<QPushButton>("stopButton")->isEnabled()};
    }
    static void Expect(const States& s, bool solve, bool nodal, bool inputs, const char* when) {
        EXPECT_EQ(s.solve, solve) << when;
        EXPECT_EQ(s.nodalForce, nodal) << when;
        EXPECT_EQ(s.data, inputs) << when;
        EXPECT_EQ(s.structure, inputs) << when;
        EXPECT_TRUE(s.stop) << when;
    }
    // The states seen at the first event-loop pass inside the next computation.
    void RecordDuringRun(States& during) {
        QTimer::singleShot(0, panel, [this, &during] { during = Now(); });
    }
    results::ForceGraphWindow* ForceGraphs() const {
        return qobject_cast<results::ForceGraphWindow*>(frame->ForceGraphWindow());
    }
};

TEST_F(TypicalUseTest, SampleAnalysisAndElementForcesOfAnAxialBar) {
    Expect(Now(), false, false, true, "after loading");
    frame->Action("sample1Action")->trigger();
    Expect(Now(), true, false, true, "after the sample");

    Get<QComboBox>("nwCombo")->setCurrentIndex(1);  // 512
    States during{};
    RecordDuringRun(during);
    Get<QPushButton>("runAnalysisButton")->click();
    Expect(during, false, false, false, "during the analysis");
    Expect(Now(), true, true, true, "after the analysis");
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(panel->NoResults());
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 256 ");
    QComboBox* elements = Get<QComboBox>("forceElementCombo");
    ASSERT_EQ(elements->count(), 2);
    EXPECT_EQ(elements->currentText(), "0");

    // Static solution of the bar pulled by 1 kgf at its free end: u = P L / (E A).
    const double area = std::acos(-1.0) * 25.0;
    EXPECT_NEAR(fem::FEM().GetNode(2).StaticDisp[0], 200.0 / (21000.0 * area), 1e-12);

    Choose(elements, 1);
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), " 1 - 2 ");
    Get<QCheckBox>("globalComponentsCheck")->setChecked(true);  // global components
    RecordDuringRun(during);
    Get<QPushButton>("computeForcesButton")->click();
    Expect(during, false, false, false, "during the element forces");
    Expect(Now(), true, true, true, "after the element forces");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Get<QLabel>("forceProgress")->text(), " 256 ");

    results::ForceGraphWindow* result = ForceGraphs();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisible());
    EXPECT_EQ(result->windowTitle(), QStringLiteral("要素の節点力計算結果"));
    EXPECT_EQ(result->elementLabel->text(), QStringLiteral("要素番号 1"));
    const numeric::RealMatrix& shown = result->ForceHistory();
    ASSERT_EQ(shown.Rows(), 12);
    ASSERT_EQ(shown.Cols(), 512);

    // The same histories straight from the engine.
    numeric::RealMatrix engine;
    fem::ElementForceHistory(fem::FEM(), 1, engine, 1);
    for (int c = 0; c < 12; ++c)
        for (int j = 0; j < 512; ++j) ASSERT_EQ(shown(c, j), engine(c, j)) << c << " " << j;

    // The bar alone holds the loaded node, so its end force there is the load:
    // nothing before the step at Te/10, the unit load well after it.
    for (int j = 0; j < 512; ++j) {
        const double t = j / 512.0;  // in units of Te
        if (t < 0.07) {
            EXPECT_NEAR(shown(6, j), 0.0, 0.05) << "t/Te = " << t;
        } else if (t > 0.3 && t < 0.9) {
            EXPECT_NEAR(shown(6, j), 1.0, 0.05) << "t/Te = " << t;
        }
    }
    // Static end forces in the list: the second node carries the load.
    const auto items = result->forceList->findItems(QStringLiteral("Fx=1"), Qt::MatchExactly);
    EXPECT_EQ(items.size(), 1);
    const QString disp =
        QStringLiteral("Ｕx=") +
        QString::fromStdString(results::FormatSingle(fem::FEM().GetNode(2).StaticDisp[0]));
    EXPECT_EQ(result->displacementList->findItems(disp, Qt::MatchExactly).size(), 1)
        << disp.toStdString();

    // A new sample disables the nodal-force group again.
    frame->Action("sample2Action")->trigger();
    Expect(Now(), true, false, true, "after the next sample");
}

TEST_F(TypicalUseTest, ElementChoiceShowsItsNodesWithOneBlankAroundEach) {
    frame->Action("sample4Action")->trigger();
    fem::ElementRecord e = fem::FEM().GetElement(3);
    e.EndNode = {4, 7};
    fem::FEM().PutElement(3, e);
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    panel->RunAnalysis();
    Choose(Get<QComboBox>("forceElementCombo"), 3);
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), " 4 - 7 ");
}

// The windows keep up: the nodes of the element chosen by the run itself, a view window
// closed by the user brought back by "書き直し" and "解析実行", progress counts that
// start again with a new structure.
TEST_F(TypicalUseTest, WindowsFollowTheRunAndANewStructure) {
    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    auto* viewSub = Get<QMdiSubWindow>("viewSubWindow");
    viewSub->close();
    ASSERT_FALSE(frame->ViewWindow()->isVisible());
    panel->RunAnalysis();
    EXPECT_TRUE(frame->ViewWindow()->isVisible());
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), " 0 - 1 ") << "element 0 is chosen";
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 128 ");

    viewSub->close();
    Get<QPushButton>("redrawButton")->click();
    EXPECT_TRUE(frame->ViewWindow()->isVisible());

    frame->Action("sample1Action")->trigger();
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 0 ");
    EXPECT_EQ(Get<QLabel>("forceProgress")->text(), " 0 ");
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), "  -  ");
}

TEST_F(TypicalUseTest, ElementForcesNeedACompleteAnalysis) {
    frame->Action("sample1Action")->trigger();
    frame->Action("nodalForcesAction")->trigger();  // the menu entry is never disabled
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("解析結果がありません")));
    EXPECT_EQ(frame->ForceGraphWindow(), nullptr);
    Expect(Now(), true, false, true, "after the refusal");

    // A run that stops at once leaves partial spectra.
    messages.clear();
    QTimer::singleShot(0, panel, [this] { Get<QPushButton>("stopButton")->click(); });
    panel->RunAnalysis();
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("解析を中止しました。"));
    Expect(Now(), true, true, true, "after a stopped analysis");

    messages.clear();
    Get<QPushButton>("computeForcesButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("中止またはエラー")));
    EXPECT_EQ(frame->ForceGraphWindow(), nullptr);
    Expect(Now(), true, true, true, "after the refusal");

    // After a complete analysis the structure grows by a node and a bar: the engine
    // refuses, and its reason reaches the user.
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    panel->RunAnalysis();
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {200, 50, 0};
    fem::FEM().AddNode(n);
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {2, 3};
    fem::FEM().AddElement(e);
    messages.clear();
    panel->ComputeElementForces(2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("節点力を計算できません。\n")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("構造が変更されました")))
        << messages[0].toStdString();
    Expect(Now(), true, true, true, "after a failed computation");
}

TEST_F(TypicalUseTest, NodeDisplacementsAreTheEnginesHistoriesInTheGraphWindow) {
    frame->Action("sample2Action")->trigger();
    EXPECT_FALSE(Get<QPushButton>("showDisplacementsButton")->isEnabled());
    panel->ComputeNodeDisplacements(2);  // no analysis yet
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("解析結果がありません")));

    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    panel->RunAnalysis();
    QComboBox* nodes = Get<QComboBox>("displacementNodeCombo");
    ASSERT_EQ(nodes->count(), 3);
    EXPECT_TRUE(Get<QPushButton>("showDisplacementsButton")->isEnabled());
    Choose(nodes, 2);
    Get<QPushButton>("showDisplacementsButton")->click();
    EXPECT_EQ(messages.size(), 1u);
    results::ForceGraphWindow* graphs = ForceGraphs();
    ASSERT_NE(graphs, nullptr);
    EXPECT_TRUE(graphs->isVisible());
    EXPECT_EQ(graphs->windowTitle(), QStringLiteral("節点変位の計算結果"));
    EXPECT_EQ(graphs->elementLabel->text(), QStringLiteral("節点番号 2"));
    numeric::RealMatrix engine;
    fem::NodeDisplacementHistory(fem::FEM(), 2, engine);
    const numeric::RealMatrix& shown = graphs->ForceHistory();
    ASSERT_EQ(shown.Rows(), 6);
    ASSERT_EQ(shown.Cols(), 256);
    for (int c = 0; c < 6; ++c)
        for (int j = 0; j < 256; ++j) ASSERT_EQ(shown(c, j), engine(c, j)) << c << " " << j;
    // Drawn at once: the plot is not blank.
    const QImage& plot = graphs->plotPicture->Image();
    EXPECT_NE(plot.pixel(plot.width() / 2, plot.height() / 2) & 0xFFFFFF, 0xFFFFFFu);
    // The element forces take the same window back.
    panel->ComputeElementForces(0);
    EXPECT_EQ(ForceGraphs(), graphs);
    EXPECT_EQ(graphs->windowTitle(), QStringLiteral("要素の節点力計算結果"));
}

TEST_F(TypicalUseTest, StartUpWithAFileOpensIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("two.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "2,0\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
        "1,1,2,3\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n");
    f.close();
    shell::MainWindow* started = shell::StartUp(path);
    EXPECT_EQ(started->analysisPanel()->CurrentFile(), path);
    EXPECT_EQ(fem::FEM().NodeCount(), 2);
    EXPECT_TRUE(started->ViewWindow()->isVisible());
    delete started;
}

TEST_F(TypicalUseTest, StopEndsTheDynamicPartQuicklyAndTheStaticPartStillRuns) {
    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(5);  // 8192
    QElapsedTimer clock;
    qint64 stopAt = -1, stopSeenAt = -1;
    QString progressAtStop;
    platform::SetMessageHandler([&](const QString& text, bool) {
        messages.push_back(text);
        if (text == QStringLiteral("解析を中止しました。")) stopSeenAt = clock.elapsed();
        return true;
    });
    // Pressed once the run has visibly advanced, as a user would.
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, panel, [&] {
        const QString progress = Get<QLabel>("analysisProgress")->text();
        if (stopAt >= 0 || progress.trimmed().toInt() < 100) return;
        progressAtStop = progress;
        stopAt = clock.elapsed();
        Get<QPushButton>("stopButton")->click();
    });
    poll.start();
    clock.start();
    panel->RunAnalysis();

    ASSERT_GE(stopAt, 0) << "the stop button was not reachable during the run";
    ASSERT_GE(stopSeenAt, 0);
    EXPECT_LT(stopSeenAt - stopAt, 300) << "ms from the click to the end of the dynamic part";
    // The progress label counted points while the run went on.
    const int k = progressAtStop.trimmed().toInt();
    EXPECT_GE(k, 100);
    EXPECT_LT(k, 4096);
    // The static part ran: the loaded corner moves along y.
    EXPECT_GT(std::abs(fem::FEM().GetNode(2).StaticDisp[1]), 0.0);
    EXPECT_FALSE(fem::Analysis().DynamicComplete);
    Expect(Now(), true, true, true, "after the stop");
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

TEST_F(TypicalUseTest, ClosingTheFrameDuringARunStopsItWithoutMessages) {
    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(5);  // 8192
    QTimer::singleShot(20, panel, [this] {
        // Only "終了" is offered while the run goes on.
        EXPECT_FALSE(frame->Action("sample1Action")->isEnabled());
        EXPECT_FALSE(frame->Action("readStructureAction")->isEnabled());
        EXPECT_TRUE(frame->Action("exitAction")->isEnabled());
        frame->Action("exitAction")->trigger();
    });
    panel->RunAnalysis();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fem::Analysis().DynamicComplete);
    EXPECT_FALSE(frame->isVisible());
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

// File-service dialogs that count the colour requests and choose a colour.
class CountingDialogs : public services::FileServiceDialogs {
  public:
    QString OpenFile(QWidget*, const services::FileDialogRequest&, int*) override { return {}; }
    QString SaveFile(QWidget*, const services::FileDialogRequest&, int*) override { return {}; }
    QColor GetColor(QWidget*, const QColor&) override {
        ++colours;
        return QColor(10, 20, 30);
    }
    bool GetFont(QWidget*, QFont&, QColor&, bool) override { return false; }
    bool PrinterSetup(QWidget*, QPrinter&) override { return false; }
    int colours = 0;
};

TEST_F(TypicalUseTest, DuringARunNoDialogOpensAndAnEnteredRiseTimeWaitsForTheNextRun) {
    CountingDialogs dialogs;
    services::ProgramFileService().SetDialogs(&dialogs);
    struct Restore {
        ~Restore() { services::ProgramFileService().SetDialogs(nullptr); }
    } restore;
    // Any keypad that opens is counted and cancelled, so that the test goes on.
    int keypads = 0;
    QTimer guard;
    guard.setInterval(1);
    QObject::connect(&guard, &QTimer::timeout, panel, [&] {
        if (auto* k = qobject_cast<services::Keypad*>(QApplication::activeModalWidget())) {
            ++keypads;
            k->PressKey(QStringLiteral("ESC"));
        }
    });
    guard.start();

    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    panel->RunAnalysis();
    panel->ComputeElementForces(0);
    ASSERT_NE(ForceGraphs(), nullptr);
    ASSERT_TRUE(messages.empty());

    Get<QComboBox>("nwCombo")->setCurrentIndex(3);  // 2048: a run long enough to act in
    QLineEdit* delay = Get<QLineEdit>("tauEdit");
    bool acted = false;
    bool resultEnabled = true;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, panel, [&] {
        if (acted || Get<QLabel>("analysisProgress")->text().trimmed().toInt() < 10) return;
        acted = true;
        resultEnabled = ForceGraphs()->isEnabled();  // its pen dialog is modal
        for (const char* name : {"gammaTeEdit", "teEdit", "magnificationEdit", "tauEdit"}) {
            QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), QPointF(3, 3),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(Get<QLineEdit>(name), &dbl);
        }
        for (QWidget* background : {static_cast<QWidget*>(panel), frame->mdiArea()->viewport()}) {
            QMouseEvent right(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                              Qt::RightButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(background, &right);
        }
        auto* view = qobject_cast<view3d::ViewWindow*>(frame->ViewWindow());
        emit view->viewPicture->MouseReleased(0.0, 0.0, Qt::RightButton);
        delay->setText("0.5");
        emit delay->returnPressed();
    });
    poll.start();
    panel->RunAnalysis();
    poll.stop();

    ASSERT_TRUE(acted) << "the run ended before anything could be done during it";
    EXPECT_EQ(keypads, 0);
    EXPECT_EQ(dialogs.colours, 0);
    EXPECT_FALSE(resultEnabled);
    EXPECT_TRUE(ForceGraphs()->isEnabled());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fem::Analysis().DynamicComplete);
    // Enter still checks the box (0.5 is above 0.1) ...
    EXPECT_EQ(delay->text(), "0.1");
    // ... but the run kept the rise time it started with, 0: its spectra are those of a
    // run with the rise time 0, and not those of one with 0.1.
    const numeric::Complex got = fem::FEM().GetNode(2).DispSpectrum(1, 1024);
    fem::Model same = fem::FEM(), other = fem::FEM();
    ASSERT_EQ(fem::RunAnalysis(same, 2048, 5.0, 0.005, 0.0).Dynamic, "");
    ASSERT_EQ(fem::RunAnalysis(other, 2048, 5.0, 0.005, 0.1).Dynamic, "");
    EXPECT_EQ(got.re, same.Nodes[2].DispSpectrum(1, 1024).re);
    EXPECT_EQ(got.im, same.Nodes[2].DispSpectrum(1, 1024).im);
    EXPECT_NE(got.re, other.Nodes[2].DispSpectrum(1, 1024).re);
}

}  // namespace
}  // namespace shelltest

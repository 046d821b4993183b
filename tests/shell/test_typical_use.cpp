// The typical use end to end: a sample, the analysis, an element's force histories
// in the result window; the enabled states around every step; stopping a run. The
// computations run on the panel's worker thread; the tests act on its progress reports.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "analysis/histories.h"
#include "analysis/impact.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "results/forcegraphwindow.h"
#include "results/graphcore.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell/elementsheet.h"
#include "shell/nodesheet.h"
#include "shell/numbertext.h"
#include "shell_fixture.h"
#include "view3d/sceneview.h"
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
        // "中止" only while something runs.
        EXPECT_EQ(s.stop, !inputs) << when;
    }
    // The states seen when the next computation first shows its progress.
    void RecordDuringRun(States& during) {
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(panel, &shell::AnalysisPanel::Progressed, panel,
                                 [this, &during, once](int) {
                                     during = Now();
                                     QObject::disconnect(*once);
                                 });
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
    Settle();
    Expect(during, false, false, false, "during the analysis");
    Expect(Now(), true, true, true, "after the analysis");
    EXPECT_TRUE(messages.empty());
    ASSERT_NE(Doc().Impact(), nullptr);
    ASSERT_NE(Doc().Statics(), nullptr);
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 257 / 257 ");  // points 0 .. 256
    QComboBox* elements = Get<QComboBox>("forceElementCombo");
    ASSERT_EQ(elements->count(), 2);
    EXPECT_EQ(elements->currentText(), "0");

    // Static solution of the bar pulled by 1 kgf at its free end: u = P L / (E A).
    const double area = std::acos(-1.0) * 25.0;
    EXPECT_NEAR(Doc().Statics()->NodeDisp[2][0], 200.0 / (21000.0 * area), 1e-12);

    Choose(elements, 1);
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), " 1 - 2 ");
    Get<QCheckBox>("globalComponentsCheck")->setChecked(true);  // global components
    RecordDuringRun(during);
    Get<QPushButton>("computeForcesButton")->click();
    Settle();
    Expect(during, false, false, false, "during the element forces");
    Expect(Now(), true, true, true, "after the element forces");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Get<QLabel>("forceProgress")->text(), " 257 / 257 ");

    results::ForceGraphWindow* result = ForceGraphs();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisible());
    EXPECT_EQ(result->windowTitle(), QStringLiteral("要素の節点力計算結果"));
    EXPECT_EQ(result->elementLabel->text(), QStringLiteral("要素番号 1"));
    const numeric::RealMatrix& shown = result->ForceHistory();
    ASSERT_EQ(shown.Rows(), 12);
    ASSERT_EQ(shown.Cols(), 512);

    // The same histories straight from the engine.
    const numeric::RealMatrix engine =
        fem::ElementForceHistory(*Doc().Impact(), 1, fem::ForceAxes::Global).Best();
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
        QString::fromStdString(results::FormatSingle(Doc().Statics()->NodeDisp[2][0]));
    EXPECT_EQ(result->displacementList->findItems(disp, Qt::MatchExactly).size(), 1)
        << disp.toStdString();

    // A new sample disables the nodal-force group again.
    frame->Action("sample2Action")->trigger();
    Expect(Now(), true, false, true, "after the next sample");
}

TEST_F(TypicalUseTest, ElementChoiceShowsItsNodesWithOneBlankAroundEach) {
    frame->Action("sample4Action")->trigger();
    fem::ElementRecord e = Model().GetElement(3);
    e.EndNode = {4, 7};
    Model().PutElement(3, e);
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    Analyse();
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
    Analyse();
    EXPECT_TRUE(frame->ViewWindow()->isVisible());
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), " 0 - 1 ") << "element 0 is chosen";
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 129 / 129 ");

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

    // A run stopped right after its start leaves partial spectra.
    messages.clear();
    panel->RunAnalysis();
    Get<QPushButton>("stopButton")->click();
    Settle();
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("解析を中止しました。"));
    Expect(Now(), true, true, true, "after a stopped analysis");

    messages.clear();
    Get<QPushButton>("computeForcesButton")->click();
    Settle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("中止またはエラー")));
    EXPECT_EQ(frame->ForceGraphWindow(), nullptr);
    Expect(Now(), true, true, true, "after the refusal");
}

// No result outlives the structure it was computed for: after any change "計算実行"
// asks for a new analysis, and the static deformation is no longer drawn.
TEST_F(TypicalUseTest, EveryChangeOfTheStructureRetiresItsResults) {
    const auto confirm = [this](QDialog* sheet, const char* box, const char* text,
                                const char* check = nullptr) {
        Answer(
            sheet,
            [=] {
                if (check) sheet->findChild<QCheckBox*>(QLatin1String(check))->setChecked(true);
                if (box) sheet->findChild<QLineEdit*>(QLatin1String(box))->setText(text);
            },
            "confirmButton");
    };
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"a diameter in the element sheet",
         [&] {
             confirm(panel->elementSheet(), "diameterEdit", "12");
             panel->EditElement(1);
         }},
        {"a node moved in the node sheet",
         [&] {
             confirm(panel->nodeSheet(), "coordinateEdit1", "5");
             panel->EditNode(2);
         }},
        {"every node translated",
         [&] {
             confirm(panel->nodeSheet(), "coordinateEdit0", "5", "translateAllCheck");
             panel->EditNode(1);
         }},
        {"the codes of one node given to all",
         [&] {
             confirm(panel->nodeSheet(), nullptr, nullptr, "applyToAllCheck");
             panel->EditNode(1);
         }},
        {"a node added",
         [&] {
             confirm(panel->nodeSheet(), "coordinateEdit2", "50");
             panel->EditNode(-1);
         }},
        {"an element deleted",
         [&] {
             Answer(panel->elementSheet(), nullptr, "deleteButton");
             panel->EditElement(1);
         }},
    };
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    for (const auto& c : changes) {
        frame->Action("sample1Action")->trigger();
        Analyse();
        const std::uint64_t analysed = Model().Revision();
        c.change();
        EXPECT_NE(Model().Revision(), analysed) << c.what;
        messages.clear();
        frame->Action("nodalForcesAction")->trigger();
        Settle();
        ASSERT_EQ(messages.size(), 1u) << c.what;
        EXPECT_EQ(
            messages[0],
            QStringLiteral("構造が解析後に変更されました。もう一度「解析実行」で解析して下さい。"))
            << c.what;
        EXPECT_EQ(frame->ForceGraphWindow(), nullptr) << c.what;
        // Only the structure is drawn, however the deformation is asked for.
        view3d::SceneView& view = frame->Scene();
        frame->Action("drawStructureAction")->trigger();
        const int structure = view.ItemCount();
        frame->Action("detailedDeformationAction")->trigger();
        frame->Action("simpleDeformationAction")->trigger();
        EXPECT_EQ(view.ItemCount(), structure) << c.what;
        Get<QPushButton>("redrawButton")->click();
        EXPECT_EQ(view.ItemCount(), structure) << c.what;
    }

    // A structure read or built anew has no results at all.
    frame->Action("sample1Action")->trigger();
    Analyse();
    frame->Action("sample1Action")->trigger();
    messages.clear();
    frame->Action("nodalForcesAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              QStringLiteral("解析結果がありません。先に「解析実行」で解析して下さい。"));
}

TEST_F(TypicalUseTest, NodeDisplacementsAreTheEnginesHistoriesInTheGraphWindow) {
    frame->Action("sample2Action")->trigger();
    EXPECT_FALSE(Get<QPushButton>("showDisplacementsButton")->isEnabled());
    panel->ComputeNodeDisplacements(2);  // no analysis yet
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("解析結果がありません")));

    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    Analyse();
    QComboBox* nodes = Get<QComboBox>("displacementNodeCombo");
    ASSERT_EQ(nodes->count(), 3);
    EXPECT_TRUE(Get<QPushButton>("showDisplacementsButton")->isEnabled());
    Choose(nodes, 2);
    Get<QPushButton>("showDisplacementsButton")->click();
    Settle();
    EXPECT_EQ(messages.size(), 1u);
    results::ForceGraphWindow* graphs = ForceGraphs();
    ASSERT_NE(graphs, nullptr);
    EXPECT_TRUE(graphs->isVisible());
    EXPECT_EQ(graphs->windowTitle(), QStringLiteral("節点変位の計算結果"));
    EXPECT_EQ(graphs->elementLabel->text(), QStringLiteral("節点番号 2"));
    const numeric::RealMatrix engine = fem::NodeDisplacementHistory(*Doc().Impact(), 2).Best();
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
    Settle();
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
    EXPECT_EQ(started->CurrentDocument().Model().NodeCount(), 2);
    EXPECT_TRUE(started->ViewWindow()->isVisible());
    delete started;
}

// A stop keeps the transform points finished by then and skips the static solution, so
// that no deformation of the stopped run is drawn.
TEST_F(TypicalUseTest, StopKeepsThePointsSoFarAndSkipsTheStaticPart) {
    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(5);  // 8192: points 0 .. 4096
    PaceProgress();
    // Pressed once the label has reached point 20, as a user would.
    QString shownAtStop;
    QObject::connect(panel, &shell::AnalysisPanel::Progressed, panel, [&](int k) {
        if (k < 20 || !shownAtStop.isEmpty()) return;
        shownAtStop = Get<QLabel>("analysisProgress")->text();
        Get<QPushButton>("stopButton")->click();
    });
    Analyse();

    EXPECT_EQ(shownAtStop, " 21 / 4097 ");  // points 0 .. 20 solved
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("解析を中止しました。"));
    ASSERT_NE(Doc().LastAnalysis().Impact, nullptr);
    const fem::ImpactSolution& impact = *Doc().LastAnalysis().Impact;
    EXPECT_TRUE(impact.Result().Stopped());
    EXPECT_EQ(Doc().Impact(), nullptr);
    // The run kept the points the label ends with, at most one beyond those it showed at
    // the stop (paced reports); later points hold nothing.
    const int last =
        Get<QLabel>("analysisProgress")->text().section(QLatin1Char('/'), 0, 0).trimmed().toInt() -
        1;
    EXPECT_GE(last, 20);
    EXPECT_LE(last, 21);
    const numeric::Complex* corner = impact.Spectrum(0, 2, 1);  // the loaded corner, uy
    EXPECT_NE(corner[last].re, 0.0);
    EXPECT_EQ(corner[last + 1].re, 0.0);
    EXPECT_EQ(corner[last + 1].im, 0.0);
    // No static solution, and nothing but the structure drawn, however it is asked for.
    EXPECT_EQ(Doc().LastAnalysis().Static, nullptr);
    EXPECT_EQ(Doc().Statics(), nullptr);
    view3d::SceneView& view = frame->Scene();
    const int drawn = view.ItemCount();
    panel->DrawStructure();
    EXPECT_EQ(view.ItemCount(), drawn);
    Get<QPushButton>("redrawButton")->click();
    frame->Action("detailedDeformationAction")->trigger();
    EXPECT_EQ(view.ItemCount(), drawn);
    Expect(Now(), true, true, true, "after the stop");
}

TEST_F(TypicalUseTest, StopEndsTheElementForcesWithoutGraphs) {
    frame->Action("sample1Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    Analyse();
    messages.clear();
    PaceProgress();  // the computation waits at its first report for the click
    panel->ComputeElementForces(1);
    Get<QPushButton>("stopButton")->click();
    Settle();
    EXPECT_EQ(messages, std::vector<QString>({QStringLiteral("解析を中止しました。")}));
    EXPECT_EQ(frame->ForceGraphWindow(), nullptr);
    Expect(Now(), true, true, true, "after the stop");
    // The stop ended that computation only.
    panel->ComputeElementForces(1);
    Settle();
    EXPECT_NE(frame->ForceGraphWindow(), nullptr);
}

// "エイリアシング補正" is off by default and stays as chosen for the next structures; with
// it the graph window shows the corrected histories and "推定誤差": per component, the
// largest estimated error of the uncorrected curve relative to the corrected curve's peak.
TEST_F(TypicalUseTest, AliasingCorrectionShowsTheEstimatedErrorOfEveryComponent) {
    QCheckBox* correct = Get<QCheckBox>("aliasingCheck");
    EXPECT_FALSE(correct->isChecked());
    correct->setChecked(true);
    frame->Action("sample2Action")->trigger();
    frame->Action("sample1Action")->trigger();
    EXPECT_TRUE(correct->isChecked());
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);  // 256
    Analyse();
    EXPECT_TRUE(messages.empty());
    ASSERT_NE(Doc().Impact(), nullptr);
    EXPECT_EQ(Doc().Impact()->Lines(), 2);
    // Both lines of transform points: 2 x 129.
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(),
              QStringLiteral(" %1 / %1 ").arg(fem::DynamicPointCount(256, true)));

    // Largest |error| over largest |corrected| of row c, or -1 for a curve that is zero.
    const auto relative = [](const fem::HistoryResult& h, int c) {
        double error = 0.0, peak = 0.0;
        for (int j = 0; j < h.Corrected.Cols(); ++j) {
            error = std::max(error, std::abs(h.EstimatedError(c, j)));
            peak = std::max(peak, std::abs(h.Corrected(c, j)));
        }
        return peak > 0.0 ? error / peak : -1.0;
    };
    results::ForceGraphWindow* graphs = nullptr;
    // Line `line` of the list: the component's title, then the ratio ("-" for none).
    const auto expectLine = [&](int line, const std::string& title, double expected) {
        const QString text = graphs->errorList->item(line)->text();
        ASSERT_TRUE(text.startsWith(QString::fromStdString(title))) << text.toStdString();
        const QString value = text.mid(static_cast<int>(QString::fromStdString(title).size()));
        if (expected < 0.0) {
            EXPECT_EQ(value, "-") << title;
            return;
        }
        const double shown = shell::ParseDouble(value).value_or(-1.0);
        EXPECT_NEAR(shown, expected, 1e-6 * expected) << title;
    };

    panel->ComputeElementForces(1);  // the loaded end: its axial force is the load
    Settle();
    graphs = ForceGraphs();  // a new window with the list
    ASSERT_NE(graphs, nullptr);
    const fem::HistoryResult forces =
        fem::ElementForceHistory(*Doc().Impact(), 1, fem::ForceAxes::Element);
    ASSERT_EQ(forces.EstimatedError.Rows(), 12);
    const numeric::RealMatrix& shown = graphs->ForceHistory();
    for (int c = 0; c < 12; ++c)
        for (int j = 0; j < 256; ++j) ASSERT_EQ(shown(c, j), forces.Corrected(c, j)) << c;
    ASSERT_FALSE(graphs->errorList->isHidden());
    EXPECT_EQ(graphs->errorListHeading->text(), QStringLiteral("推定誤差"));
    ASSERT_EQ(graphs->errorList->count(), 14);
    EXPECT_EQ(graphs->errorList->item(0)->text(), QStringLiteral("　節点 1"));
    EXPECT_EQ(graphs->errorList->item(7)->text(), QStringLiteral("　節点 2"));
    for (int c = 0; c < 12; ++c)
        expectLine(c < 6 ? 1 + c : 2 + c, graphs->PenTitle(c), relative(forces, c));
    // A periodic image damped by e^-5 leaves the load's curve off by about 0.7 % of it.
    EXPECT_GT(relative(forces, 6), 1e-3);
    EXPECT_LT(relative(forces, 6), 5e-2);
    // The list is a column of its own, right of the static lists.
    const int column = graphs->errorList->width() + platform::TwipsToPixels(50);
    EXPECT_EQ(graphs->errorList->x(), graphs->forceList->x() + column);
    const int correctedWidth = graphs->width();
    const int plotWidth = graphs->plotPicture->width();

    panel->ComputeNodeDisplacements(2);
    Settle();
    const fem::HistoryResult tip = fem::NodeDisplacementHistory(*Doc().Impact(), 2);
    ASSERT_EQ(graphs->errorList->count(), 7);
    for (int c = 0; c < 6; ++c) expectLine(1 + c, graphs->PenTitle(c), relative(tip, c));
    EXPECT_EQ(graphs->ListText(graphs->errorList).section('\n', 0, 1),
              QStringLiteral("推定誤差\n　節点 2"));

    // Without the correction the column goes; the plot keeps its width.
    correct->setChecked(false);
    Analyse();
    panel->ComputeElementForces(0);
    Settle();
    EXPECT_TRUE(graphs->errorList->isHidden());
    EXPECT_EQ(graphs->width(), correctedWidth - column);
    EXPECT_EQ(graphs->plotPicture->width(), plotWidth);
}

TEST_F(TypicalUseTest, ClosingTheFrameDuringARunStopsItWithoutMessages) {
    frame->Action("sample4Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(5);  // 8192
    PaceProgress();
    bool acted = false;
    bool sampleEnabled = true, readEnabled = true, exitEnabled = false;
    QEventLoop loop;
    QObject::connect(panel, &shell::AnalysisPanel::Progressed, &loop, [&](int) {
        if (acted) return;
        acted = true;
        // Only "終了" is offered while the run goes on.
        sampleEnabled = frame->Action("sample1Action")->isEnabled();
        readEnabled = frame->Action("readStructureAction")->isEnabled();
        exitEnabled = frame->Action("exitAction")->isEnabled();
        frame->Action("exitAction")->trigger();  // stops the run and waits for it
        loop.quit();
    });
    panel->RunAnalysis();
    loop.exec();
    QCoreApplication::processEvents();  // nothing of the run arrives afterwards

    ASSERT_TRUE(acted);
    EXPECT_FALSE(sampleEnabled);
    EXPECT_FALSE(readEnabled);
    EXPECT_TRUE(exitEnabled);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Doc().AnalysedRevision(), 0u);  // nothing of the run was handed over
    EXPECT_EQ(Doc().LastAnalysis().Impact, nullptr);
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
    Analyse();
    panel->ComputeElementForces(0);
    Settle();
    ASSERT_NE(ForceGraphs(), nullptr);
    ASSERT_TRUE(messages.empty());

    Get<QComboBox>("nwCombo")->setCurrentIndex(3);  // 2048
    QLineEdit* delay = Get<QLineEdit>("tauEdit");
    bool acted = false;
    bool resultEnabled = true;
    // Once the label has reached point 10.
    QObject::connect(panel, &shell::AnalysisPanel::Progressed, panel, [&](int k) {
        if (acted || k < 10) return;
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
    Analyse();

    ASSERT_TRUE(acted);
    EXPECT_EQ(keypads, 0);
    EXPECT_EQ(dialogs.colours, 0);
    EXPECT_FALSE(resultEnabled);
    EXPECT_TRUE(ForceGraphs()->isEnabled());
    EXPECT_TRUE(messages.empty());
    ASSERT_NE(Doc().Impact(), nullptr);
    // Enter still checks the box (0.5 is above 0.1) ...
    EXPECT_EQ(delay->text(), "0.1");
    // ... but the run kept the rise time it started with, 0: its spectra are those of a
    // run with the rise time 0, and not those of one with 0.1.
    const numeric::Complex got = Doc().Impact()->Spectrum(0, 2, 1)[1024];
    fem::AnalysisSettings settings;
    settings.Nw = 2048;
    settings.GammaTe = 5.0;
    settings.Te = 0.005;
    const auto same = fem::SolveImpact(Model(), settings);
    settings.Tau = 0.1;
    const auto other = fem::SolveImpact(Model(), settings);
    ASSERT_TRUE(same->Complete() && other->Complete());
    EXPECT_EQ(got.re, same->Spectrum(0, 2, 1)[1024].re);
    EXPECT_EQ(got.im, same->Spectrum(0, 2, 1)[1024].im);
    EXPECT_NE(got.re, other->Spectrum(0, 2, 1)[1024].re);
}

}  // namespace
}  // namespace shelltest

// The run controller on a document without windows: an analysis handed over to the
// document, a second start refused while one runs, a stop that keeps the points solved
// by then and skips the static solution, and histories from the document's solution.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QEventLoop>
#include <QTimer>

#include "analysis/histories.h"
#include "model/samples.h"
#include "shell/document.h"
#include "shell/runcontroller.h"

namespace shelltest {
namespace {

class RunControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fem::Model sample;
        fem::BuildSample(sample, 2);
        document.Replace(std::move(sample), std::string());
        settings.Nw = 256;
        settings.Te = 0.01;
        QObject::connect(&runs, &shell::RunController::BusyChanged,
                         [this](bool busy) { busyChanges.push_back(busy); });
        QObject::connect(&runs, &shell::RunController::Progressed,
                         [this](int k) { lastProgress = k; });
        QObject::connect(&runs, &shell::RunController::AnalysisEnded,
                         [this](const shell::AnalysisEnd& end) { analysisEnd = end; });
        QObject::connect(&runs, &shell::RunController::HistoriesEnded,
                         [this](const shell::HistoryEnd& end) { historyEnd = end; });
    }
    // Runs the event loop until the computation has ended (at most a minute).
    void Settle() {
        if (!runs.Busy()) return;
        QEventLoop loop;
        QObject::connect(&runs, &shell::RunController::BusyChanged, &loop, [&](bool busy) {
            if (!busy) QTimer::singleShot(0, &loop, &QEventLoop::quit);  // after the ends
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_FALSE(runs.Busy());
    }

    shell::Document document;
    shell::RunController runs{document};
    fem::AnalysisSettings settings;
    std::vector<bool> busyChanges;
    int lastProgress = -1;
    shell::AnalysisEnd analysisEnd;
    shell::HistoryEnd historyEnd;
};

TEST_F(RunControllerTest, AnalysisIsHandedToTheDocumentAndOneRunsAtATime) {
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::NoAnalysis);
    shell::HistoryRequest forces;
    EXPECT_FALSE(runs.StartHistories(forces)) << "no solution to compute them from";

    ASSERT_TRUE(runs.StartAnalysis(settings));
    EXPECT_TRUE(runs.Busy());
    EXPECT_FALSE(runs.StartAnalysis(settings));
    EXPECT_FALSE(runs.StartHistories(forces));
    Settle();

    EXPECT_EQ(busyChanges, std::vector<bool>({true, false}));
    EXPECT_EQ(lastProgress, settings.PointsPerLine() - 1);
    ASSERT_NE(analysisEnd.Result.Impact, nullptr);
    EXPECT_TRUE(analysisEnd.Result.Impact->Complete());
    EXPECT_TRUE(analysisEnd.Failure.Complete());
    // The document holds the result, and it belongs to the structure as it is.
    EXPECT_EQ(document.LastAnalysis().Impact, analysisEnd.Result.Impact);
    EXPECT_EQ(document.Impact(), analysisEnd.Result.Impact);
    ASSERT_NE(document.Statics(), nullptr);
    EXPECT_EQ(document.AnalysedRevision(), document.Model().Revision());
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::None);

    // Histories come from the document's solution, bit for bit the engine's.
    forces.Number = 1;
    forces.Axes = fem::ForceAxes::Global;
    ASSERT_TRUE(runs.StartHistories(forces));
    Settle();
    ASSERT_TRUE(historyEnd.Result.Complete());
    EXPECT_EQ(historyEnd.Solution, document.Impact());
    const numeric::RealMatrix engine =
        fem::ElementForceHistory(*document.Impact(), 1, fem::ForceAxes::Global).Best();
    const numeric::RealMatrix& got = historyEnd.Histories.Best();
    ASSERT_EQ(got.Rows(), 12);
    ASSERT_EQ(got.Cols(), 256);
    for (int c = 0; c < 12; ++c)
        for (int j = 0; j < 256; ++j) ASSERT_EQ(got(c, j), engine(c, j)) << c << " " << j;

    // A changed structure retires the results: no histories of it.
    document.Model().Touch();
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::Changed);
    EXPECT_EQ(document.Statics(), nullptr);
    EXPECT_FALSE(runs.StartHistories(forces));
}

TEST_F(RunControllerTest, StopKeepsThePointsSolvedAndSkipsTheStaticSolution) {
    settings.Nw = 4096;
    runs.SetPaced(true);  // each report waits for the one before it to be shown
    int stoppedAt = -1;
    QObject::connect(&runs, &shell::RunController::Progressed, [&](int k) {
        if (k < 5 || stoppedAt >= 0) return;
        stoppedAt = k;
        runs.Stop();
    });
    ASSERT_TRUE(runs.StartAnalysis(settings));
    Settle();

    ASSERT_NE(analysisEnd.Result.Impact, nullptr);
    const fem::ImpactSolution& impact = *analysisEnd.Result.Impact;
    ASSERT_TRUE(impact.Result().Stopped());
    EXPECT_EQ(analysisEnd.Result.Static, nullptr);
    // At most one report beyond the one that asked for the stop; the points up to the
    // last one reported are kept, the others hold nothing.
    EXPECT_GE(lastProgress, stoppedAt);
    EXPECT_LE(lastProgress, stoppedAt + 1);
    const numeric::Complex* uy = impact.Spectrum(0, 2, 1);  // the loaded node
    for (int k = 0; k <= lastProgress; ++k) EXPECT_NE(uy[k].re, 0.0) << k;
    for (int k = lastProgress + 1; k < impact.PointsPerLine(); ++k) ASSERT_EQ(uy[k].re, 0.0) << k;
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::Incomplete);
    EXPECT_EQ(document.Statics(), nullptr);

    // A stop ends histories without a result.
    runs.SetPaced(false);
    ASSERT_TRUE(runs.StartAnalysis(settings));
    Settle();
    ASSERT_NE(document.Impact(), nullptr);
    runs.SetPaced(true);
    shell::HistoryRequest forces;
    ASSERT_TRUE(runs.StartHistories(forces));
    runs.Stop();
    Settle();
    EXPECT_TRUE(historyEnd.Result.Stopped());
    EXPECT_TRUE(historyEnd.Histories.Uncorrected.Empty());
}

// The document knows its file, whether the structure changed since it was read or
// written, and lets go of every result when a structure replaces it.
TEST(Document, ReplacingForgetsTheResultsAndSavingMarksTheModelUnchanged) {
    shell::Document document;
    fem::Model sample;
    fem::BuildSample(sample, 1);
    document.Replace(sample, "/data/bar.txt");
    EXPECT_EQ(document.Path(), "/data/bar.txt");
    EXPECT_FALSE(document.ChangedSinceSaved());
    fem::AnalysisSettings settings;
    settings.Nw = 64;
    document.TakeAnalysis(fem::RunAnalysis(document.Snapshot(), settings),
                          document.Model().Revision());
    auto modes = std::make_shared<shell::ModesSolution>();
    modes->ModelRevision = document.Model().Revision();
    document.TakeModes(modes);
    ASSERT_NE(document.Impact(), nullptr);
    ASSERT_NE(document.StaticDisplacements(), nullptr);

    document.Model().Touch();
    EXPECT_TRUE(document.ChangedSinceSaved());
    EXPECT_EQ(document.StaticDisplacements(), nullptr);
    document.Saved("/data/copy.txt");
    EXPECT_FALSE(document.ChangedSinceSaved());
    EXPECT_EQ(document.Path(), "/data/copy.txt");
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::Changed);

    // The same structure read again is a new one: nothing of the old results is its own.
    document.Replace(sample, std::string());
    EXPECT_EQ(document.Path(), "");
    EXPECT_EQ(document.LastAnalysis().Impact, nullptr);
    EXPECT_EQ(document.Modes(), nullptr);
    EXPECT_EQ(document.WhyNoImpact(), shell::MissingResults::NoAnalysis);
    EXPECT_NE(document.Model().Revision(), sample.Revision());
}

}  // namespace
}  // namespace shelltest

// An analysis shared among processes: transform points solved in parts, and a solution
// put together from the gathered spectra of some nodes, against the whole solution.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/histories.h"
#include "analysis/impact.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::At;

class Counter : public fem::AnalysisCallbacks {
  public:
    void Progress(int k) override {
        progress.push_back(k);
        if (k == stopAt) RequestStop();
    }
    int stopAt = -1;
    std::vector<int> progress;
};

void ExpectSameHistories(const fem::HistoryResult& a, const fem::HistoryResult& b) {
    for (const auto member : {&fem::HistoryResult::Uncorrected, &fem::HistoryResult::Corrected,
                              &fem::HistoryResult::EstimatedError}) {
        const numeric::RealMatrix& x = a.*member;
        const numeric::RealMatrix& y = b.*member;
        ASSERT_EQ(x.Rows(), y.Rows());
        ASSERT_EQ(x.Cols(), y.Cols());
        for (int r = 0; r < x.Rows(); ++r)
            for (int j = 0; j < x.Cols(); ++j) ASSERT_EQ(x(r, j), y(r, j)) << r << " " << j;
    }
}

// Three parts taking every third point of both lines, as three processes would.
TEST(SharedAnalysis, PartsPutTogetherGiveTheHistoriesOfTheWholeSolution) {
    auto model = std::make_shared<fem::Model>();
    const fem::SampleSettings st = fem::BuildSample(*model, 3);
    fem::AnalysisSettings settings = testsupport::Settings(256, 5, st.Te, 0, true);
    const auto whole = fem::SolveImpact(model, settings);
    ASSERT_TRUE(whole->Complete());
    const int points = settings.Points(), perLine = settings.PointsPerLine();

    const int element = 1;
    const auto ends = model->Elements[element].EndNode;
    const std::vector<int> nodes = {ends[0], ends[1]};
    std::vector<numeric::ComplexMatrix> gathered(2);
    for (auto& m : gathered) m.Resize(12, perLine);
    for (int part = 0; part < 3; ++part) {
        std::vector<int> list;
        for (int i = points - 1 - part; i >= 0; i -= 3) list.push_back(i);  // any order
        const auto solved = fem::SolveImpactPoints(model, settings, list);
        ASSERT_TRUE(solved->Complete());
        EXPECT_FALSE(solved->AllPoints());
        EXPECT_EQ(solved->Part(), list);
        for (int i = 0; i < points; ++i) {
            const int line = i / perLine, k = i % perLine;
            const bool listed = (points - 1 - part - i) % 3 == 0;
            for (int node = 0; node < model->NodeCount(); ++node)
                for (int dof = 0; dof < 6; ++dof) {
                    const auto v = At(*solved, node, dof, k, line);
                    ASSERT_EQ(v, listed ? At(*whole, node, dof, k, line) : testsupport::cd())
                        << "point " << i << " node " << node;
                }
            if (!listed) continue;
            for (size_t n = 0; n < nodes.size(); ++n)
                for (int dof = 0; dof < 6; ++dof)
                    gathered[line](6 * n + dof, k) = solved->Spectrum(line, nodes[n], dof)[k];
        }
        EXPECT_THROW((void)fem::NodeDisplacementHistory(*solved, ends[0]),
                     numeric::ComputationFailure);
    }

    const auto together = fem::SolutionFromSpectra(model, settings, nodes, gathered, {});
    ASSERT_TRUE(together->Complete());
    EXPECT_TRUE(together->AllPoints());
    for (const auto axes : {fem::ForceAxes::Element, fem::ForceAxes::Global})
        ExpectSameHistories(fem::ElementForceHistory(*together, element, axes),
                            fem::ElementForceHistory(*whole, element, axes));
    ExpectSameHistories(fem::NodeDisplacementHistory(*together, ends[1]),
                        fem::NodeDisplacementHistory(*whole, ends[1]));

    // Nothing is made up for a node whose spectra were not gathered.
    int other = 0;
    while (other == ends[0] || other == ends[1]) ++other;
    EXPECT_FALSE(together->HoldsNode(other));
    EXPECT_THROW((void)fem::NodeDisplacementHistory(*together, other), numeric::ComputationFailure);
    for (int e = 0; e < model->ElementCount(); ++e) {
        const auto en = model->Elements[e].EndNode;
        if (en[0] == other || en[1] == other) {
            EXPECT_THROW((void)fem::ElementForceHistory(*together, e, fem::ForceAxes::Global),
                         numeric::ComputationFailure);
        }
    }
    EXPECT_THROW((void)fem::SolutionFromSpectra(model, settings, {ends[0]}, gathered, {}),
                 numeric::ComputationFailure);
}

TEST(SharedAnalysis, ProgressStopAndFailureCountTheListedPoints) {
    auto model = std::make_shared<fem::Model>();
    const fem::SampleSettings st = fem::BuildSample(*model, 1);
    const fem::AnalysisSettings settings = testsupport::Settings(256, 5, st.Te);
    const std::vector<int> list = {7, 3, 100, 0, 50};

    Counter all;
    ASSERT_TRUE(fem::SolveImpactPoints(model, settings, list, &all)->Complete());
    EXPECT_EQ(all.progress, (std::vector<int>{0, 1, 2, 3, 4}));

    Counter stop;
    stop.stopAt = 1;
    const auto stopped = fem::SolveImpactPoints(model, settings, list, &stop);
    EXPECT_EQ(stopped->Result().Kind, fem::OutcomeKind::Stopped);
    EXPECT_EQ(stopped->Result().Point, 100);  // the first listed point not kept
    EXPECT_NE(At(*stopped, 2, 0, 3).real(), 0.0);
    EXPECT_EQ(At(*stopped, 2, 0, 100).real(), 0.0);

    // gamma Te = 0 makes point 0 singular: the outcome names it, not its place in the list.
    const auto singular = fem::SolveImpactPoints(model, testsupport::Settings(256, 0, st.Te), list);
    EXPECT_EQ(singular->Result().Kind, fem::OutcomeKind::SingularMatrix);
    EXPECT_EQ(singular->Result().Point, 0);

    EXPECT_TRUE(fem::SolveImpactPoints(model, settings, {})->Complete());
    for (const std::vector<int>& bad :
         {std::vector<int>{3, 129}, std::vector<int>{-1}, std::vector<int>{4, 5, 4}})
        EXPECT_EQ(fem::SolveImpactPoints(model, settings, bad)->Result().Kind,
                  fem::OutcomeKind::BadSettings);
}

}  // namespace

#pragma once
// One whole analysis as the analysis command runs it: the impact solution, then the
// static solution with the static element results, on one copy of the structure.
#include <memory>

#include "analysis/impact.h"
#include "analysis/statics.h"

namespace fem {

struct AnalysisResult {
    std::shared_ptr<const ImpactSolution> Impact;
    std::shared_ptr<const StaticSolution> Static;  // null when the impact solution was stopped
};

// The static solution is skipped after a stop (the caller asked to end the run); after a
// failure of the impact solution it still runs. Never throws for a failure of a solution.
[[nodiscard]] AnalysisResult RunAnalysis(std::shared_ptr<const Model> model,
                                         const AnalysisSettings& settings,
                                         AnalysisCallbacks* callbacks = nullptr);
[[nodiscard]] AnalysisResult RunAnalysis(const Model& model, const AnalysisSettings& settings,
                                         AnalysisCallbacks* callbacks = nullptr);

}  // namespace fem

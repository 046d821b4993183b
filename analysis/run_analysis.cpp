#include "analysis/run_analysis.h"

#include <utility>

namespace fem {

AnalysisResult RunAnalysis(std::shared_ptr<const Model> model, const AnalysisSettings& settings,
                           AnalysisCallbacks* callbacks) {
    AnalysisResult result;
    result.Impact = SolveImpact(model, settings, callbacks);
    if (!result.Impact->Result().Stopped())
        result.Static = SolveStatic(*model, result.Impact->Numbering());
    return result;
}

AnalysisResult RunAnalysis(const Model& model, const AnalysisSettings& settings,
                           AnalysisCallbacks* callbacks) {
    return RunAnalysis(std::make_shared<const Model>(model), settings, callbacks);
}

}  // namespace fem

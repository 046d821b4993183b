#include "shell/document.h"

#include <utility>

namespace shell {

Document::Document() : savedRevision_(model_.Revision()) {}

void Document::Replace(fem::Model model, std::string path) {
    model_ = std::move(model);
    // A model read or built anew gets a revision of its own even when it was copied from
    // one analysed before, so that no result of that one belongs to it.
    model_.Touch();
    path_ = std::move(path);
    savedRevision_ = model_.Revision();
    analysis_ = {};
    analysedRevision_ = 0;
    modes_.reset();
}

void Document::Saved(std::string path) {
    path_ = std::move(path);
    savedRevision_ = model_.Revision();
}

std::shared_ptr<const fem::Model> Document::Snapshot() const {
    return std::make_shared<const fem::Model>(model_);
}

void Document::TakeAnalysis(fem::AnalysisResult result, std::uint64_t revision) {
    analysis_ = std::move(result);
    analysedRevision_ = revision;
}

std::shared_ptr<const fem::ImpactSolution> Document::Impact() const {
    if (analysis_.Impact && analysis_.Impact->BelongsTo(model_)) return analysis_.Impact;
    return nullptr;
}

const fem::StaticSolution* Document::Statics() const {
    if (analysis_.Static && analysis_.Static->BelongsTo(model_)) return analysis_.Static.get();
    return nullptr;
}

const std::vector<std::array<double, 6>>* Document::StaticDisplacements() const {
    const fem::StaticSolution* statics = Statics();
    return statics ? &statics->NodeDisp : nullptr;
}

MissingResults Document::WhyNoImpact() const {
    if (Impact()) return MissingResults::None;
    if (analysedRevision_ == 0) return MissingResults::NoAnalysis;
    if (analysedRevision_ != model_.Revision()) return MissingResults::Changed;
    return MissingResults::Incomplete;
}

}  // namespace shell

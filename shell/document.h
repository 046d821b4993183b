#pragma once
// Document: what the program has open. The structure, the file it was read from or last
// written to, and the results computed for it: the last analysis (impact and static
// solutions) and the natural frequencies of the modes window. Every result keeps the
// revision of the structure it was computed for, so that a window can tell whether it
// still belongs to the structure as it is now. Qt-free; the main window owns one and
// hands it to the windows that show or change it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/modes.h"
#include "analysis/run_analysis.h"
#include "model/model.h"

namespace shell {

// Natural frequencies found for one revision of the structure.
struct ModesSolution {
    std::uint64_t ModelRevision = 0;
    fem::ModeResult Result;
    [[nodiscard]] bool BelongsTo(const fem::Model& model) const {
        return model.Revision() == ModelRevision;
    }
};

// Why no histories can be computed for the structure as it is now.
enum class MissingResults {
    None,        // a complete impact solution belongs to the structure
    NoAnalysis,  // nothing analysed since the structure was read or built
    Changed,     // the structure changed after the last analysis
    Incomplete,  // the last analysis of this structure was stopped or failed
};

class Document {
  public:
    Document();

    // The structure. Every change of it changes its revision (fem::Model), which retires
    // the results computed before.
    [[nodiscard]] fem::Model& Model() { return model_; }
    [[nodiscard]] const fem::Model& Model() const { return model_; }
    // A structure read from the file path, or built (path empty): it replaces the model,
    // and the results of the one before are let go of.
    void Replace(fem::Model model, std::string path);
    // The structure data file (UTF-8), empty when there is none.
    [[nodiscard]] const std::string& Path() const { return path_; }
    // The model was written to path.
    void Saved(std::string path);
    // The file is no longer the document's: writing asks for a name.
    void ForgetPath() { path_.clear(); }
    // Whether the model changed since it was read, built or last written.
    [[nodiscard]] bool ChangedSinceSaved() const { return model_.Revision() != savedRevision_; }
    // An immutable copy of the model as it is now, for a computation on another thread.
    [[nodiscard]] std::shared_ptr<const fem::Model> Snapshot() const;

    // The last analysis, run for the revision AnalysedRevision() (0: none since the
    // structure was read or built). Its Impact is null when the run failed outright.
    [[nodiscard]] const fem::AnalysisResult& LastAnalysis() const { return analysis_; }
    [[nodiscard]] std::uint64_t AnalysedRevision() const { return analysedRevision_; }
    void TakeAnalysis(fem::AnalysisResult result, std::uint64_t revision);
    // The impact solution when it is complete and belongs to the model as it is now,
    // else null.
    [[nodiscard]] std::shared_ptr<const fem::ImpactSolution> Impact() const;
    // The static solution when it is complete and belongs to the model, else null.
    [[nodiscard]] const fem::StaticSolution* Statics() const;
    // Its node displacements, or null.
    [[nodiscard]] const std::vector<std::array<double, 6>>* StaticDisplacements() const;
    [[nodiscard]] MissingResults WhyNoImpact() const;

    // The natural frequencies last found (null: none).
    [[nodiscard]] const std::shared_ptr<const ModesSolution>& Modes() const { return modes_; }
    void TakeModes(std::shared_ptr<const ModesSolution> modes) { modes_ = std::move(modes); }

  private:
    fem::Model model_;
    std::string path_;
    std::uint64_t savedRevision_ = 0;
    fem::AnalysisResult analysis_;
    std::uint64_t analysedRevision_ = 0;
    std::shared_ptr<const ModesSolution> modes_;
};

}  // namespace shell

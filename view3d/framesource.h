#pragma once
// Frames of a moving structure: the displacement of every node at each frame, for the
// view's animation. Two sources: the impact response of the last analysis (the node
// displacement histories, frame j at t_j) and a mode shape oscillating as
// shape * sin(2 pi f / frames per cycle). Plain C++.
//
// Animating other frames, e.g. a natural-frequency mode: build a FrameSource (for a mode,
// ModeShapeFrames from its six displacements per node, its frequency and
// model.Revision()) and give it to ViewWindow::SetFrames. The view plays it with the
// same play control and time slider, at a magnification of its own (chosen by
// DefaultMagnification when the frames are first shown, then the one typed in the
// box); SetFrames(nullptr) goes back to the impact response. Frames made for an older
// revision of the structure are let go of (BelongsTo).
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace fem {
class Model;
class ImpactSolution;
class InverseTransform;
}  // namespace fem

namespace view3d {

// One row of six per node: ux, uy, uz (mm) and rx, ry, rz (rad) in global axes.
using NodeDisplacements = std::vector<std::array<double, 6>>;

class FrameSource {
  public:
    virtual ~FrameSource() = default;
    [[nodiscard]] virtual int FrameCount() const = 0;
    [[nodiscard]] virtual int NodeCount() const = 0;
    // Time of frame f in s.
    [[nodiscard]] virtual double FrameTime(int f) const = 0;
    // out <- the displacement of every node at frame f (0 .. FrameCount - 1).
    virtual void Displacements(int f, NodeDisplacements& out) const = 0;
    // The largest length of a node's translation over all frames, mm.
    [[nodiscard]] virtual double LargestTranslation() const = 0;
    // Revision of the model the displacements belong to.
    [[nodiscard]] virtual std::uint64_t ModelRevision() const = 0;
    // Whether the frames still show model: made for its present revision (and for the
    // results it holds now).
    [[nodiscard]] virtual bool BelongsTo(const fem::Model& model) const;
};

// The impact response: every node's six displacement histories of an impact solution
// (the corrected ones when it solved the second line), inverted once and kept in
// single precision, frame by frame. Frame j is t_j = j Te / Nw. The frames hold the
// solution they come from, so a window may let a worker thread invert them while it
// goes on; reading frames while InvertMore runs on another thread is not safe.
class HistoryFrames final : public FrameSource {
  public:
    // Now: every node's histories are inverted by the constructor. Later: the frames
    // start empty and InvertMore inverts a few nodes at a time.
    enum class Inversion { Now, Later };
    // Raises numeric::ComputationFailure when the solution is not complete, and
    // std::bad_alloc when the frames do not fit in memory.
    explicit HistoryFrames(std::shared_ptr<const fem::ImpactSolution> solution,
                           Inversion when = Inversion::Now);
    ~HistoryFrames() override;
    // Inverts the histories of the next `count` nodes (at least one) and returns how many
    // nodes are left.
    int InvertMore(int count);
    [[nodiscard]] int NodesInverted() const { return inverted_; }
    [[nodiscard]] bool Complete() const { return inverted_ == nodes_; }
    [[nodiscard]] const std::shared_ptr<const fem::ImpactSolution>& Solution() const {
        return solution_;
    }

    [[nodiscard]] int FrameCount() const override { return frames_; }
    [[nodiscard]] int NodeCount() const override { return nodes_; }
    [[nodiscard]] double FrameTime(int f) const override;
    void Displacements(int f, NodeDisplacements& out) const override;
    [[nodiscard]] double LargestTranslation() const override { return largest_; }
    [[nodiscard]] std::uint64_t ModelRevision() const override { return revision_; }

  private:
    std::shared_ptr<const fem::ImpactSolution> solution_;
    std::unique_ptr<const fem::InverseTransform> inverse_;
    int frames_ = 0;
    int nodes_ = 0;
    double te_ = 0.0;
    double largest_ = 0.0;
    std::uint64_t revision_ = 0;
    int inverted_ = 0;           // nodes whose histories are in values_
    std::vector<float> values_;  // [frame][node][component]
};

// A mode shape oscillating at frequency (Hz): frame f is shape * sin(2 pi f / cycle),
// t = f / (cycle * frequency) (f / cycle when the frequency is not above 0).
class ModeShapeFrames final : public FrameSource {
  public:
    ModeShapeFrames(NodeDisplacements shape, double frequency, std::uint64_t modelRevision,
                    int framesPerCycle = 40);

    [[nodiscard]] int FrameCount() const override { return cycle_; }
    [[nodiscard]] int NodeCount() const override { return static_cast<int>(shape_.size()); }
    [[nodiscard]] double FrameTime(int f) const override;
    void Displacements(int f, NodeDisplacements& out) const override;
    [[nodiscard]] double LargestTranslation() const override { return largest_; }
    [[nodiscard]] std::uint64_t ModelRevision() const override { return revision_; }

  private:
    NodeDisplacements shape_;
    double frequency_;
    std::uint64_t revision_;
    int cycle_;
    double largest_ = 0.0;
};

// A magnification that shows the largest translation as a fifth of size (the
// structure's diagonal, mm), rounded down to 1, 2 or 5 times a power of ten; 1 when
// nothing moves.
double DefaultMagnification(double largestTranslation, double size);
// The diagonal of the box around model's nodes, mm (0 without nodes).
double BoundingDiagonal(const fem::Model& model);

}  // namespace view3d

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
    // Stations inside every member whose motion the frames hold, evenly spaced
    // (fem::InnerStations); 0 when they hold none (the members are then drawn along the
    // static cubic through their ends).
    [[nodiscard]] virtual int StationsPerMember() const { return 0; }
    // out[0 .. StationsPerMember() - 1] <- ux, uy, uz (mm, global axes) at the stations of
    // element e at frame f, from its first node to its second.
    virtual void StationTranslations(int f, int e, std::array<double, 3>* out) const;
    // Whether the frames still show model: made for its present revision (and for the
    // results it holds now).
    [[nodiscard]] virtual bool BelongsTo(const fem::Model& model) const;
};

// The impact response: every node's six displacement histories of an impact solution
// (the corrected ones when it solved the second line), and the translations at stations
// inside every member from the exact solution of the member between its ends
// (fem::StationHistories), inverted once and kept in single precision, frame by frame.
// Frame j is t_j = j Te / Nw. The frames hold the solution they come from, so a window
// may let a worker thread invert them while it goes on; reading frames while InvertMore
// runs on another thread is not safe.
class HistoryFrames final : public FrameSource {
  public:
    // Now: everything is inverted by the constructor. Later: the frames start empty and
    // InvertMore inverts a few nodes or members at a time.
    enum class Inversion { Now, Later };
    // stationsPerMember: the stations inside each member; kAutomaticStations takes
    // AutomaticStations(). Raises numeric::ComputationFailure when the solution is not
    // complete, and std::bad_alloc when the frames do not fit in memory.
    explicit HistoryFrames(std::shared_ptr<const fem::ImpactSolution> solution,
                           Inversion when = Inversion::Now,
                           int stationsPerMember = kAutomaticStations);
    ~HistoryFrames() override;
    static constexpr int kAutomaticStations = -1;
    // Inverts the next `count` pieces of work (at least one): a node's histories, then a
    // member's stations, and returns how many are left.
    int InvertMore(int count);
    [[nodiscard]] int Work() const { return nodes_ + (stations_ > 0 ? members_ : 0); }
    [[nodiscard]] int WorkDone() const { return done_; }
    [[nodiscard]] bool Complete() const { return done_ == Work(); }
    [[nodiscard]] const std::shared_ptr<const fem::ImpactSolution>& Solution() const {
        return solution_;
    }

    [[nodiscard]] int FrameCount() const override { return frames_; }
    [[nodiscard]] int NodeCount() const override { return nodes_; }
    [[nodiscard]] double FrameTime(int f) const override;
    void Displacements(int f, NodeDisplacements& out) const override;
    [[nodiscard]] double LargestTranslation() const override { return largest_; }
    [[nodiscard]] std::uint64_t ModelRevision() const override { return revision_; }
    [[nodiscard]] int StationsPerMember() const override { return stations_; }
    void StationTranslations(int f, int e, std::array<double, 3>* out) const override;

  private:
    void InvertNode(int n);
    void InvertMember(int e);

    std::shared_ptr<const fem::ImpactSolution> solution_;
    std::unique_ptr<const fem::InverseTransform> inverse_;
    int frames_ = 0;
    int nodes_ = 0;
    int members_ = 0;
    int stations_ = 0;
    double te_ = 0.0;
    double largest_ = 0.0;
    std::uint64_t revision_ = 0;
    int done_ = 0;                      // pieces of work inverted: nodes first, then members
    std::vector<float> values_;         // [frame][node][component]
    std::vector<float> stationValues_;  // [frame][member][station][ux, uy, uz]
};

// The stations kept inside each member: kMaxStationsPerMember (a member drawn in eight
// pieces), fewer where the frames of all members at that many would take more than
// kStationBudget bytes (at least one while one fits; none beyond).
inline constexpr int kMaxStationsPerMember = 7;
inline constexpr double kStationBudget = 128.0 * 1024 * 1024;
[[nodiscard]] int AutomaticStations(int frames, int members);

// A mode shape oscillating at frequency (Hz): frame f is shape * sin(2 pi f / cycle),
// t = f / (cycle * frequency) (f / cycle when the frequency is not above 0).
class ModeShapeFrames final : public FrameSource {
  public:
    ModeShapeFrames(NodeDisplacements shape, double frequency, std::uint64_t modelRevision,
                    int framesPerCycle = 40);
    // The shape's translations at the same number of evenly spaced stations inside every
    // member (members[e][i]: station i of element e), so that the members move along the
    // exact shape; without them, along the static cubic through their ends.
    void SetMemberShapes(std::vector<std::vector<std::array<double, 3>>> members);
    [[nodiscard]] int StationsPerMember() const override { return stations_; }
    void StationTranslations(int f, int e, std::array<double, 3>* out) const override;

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
    int stations_ = 0;
    std::vector<std::vector<std::array<double, 3>>> members_;
};

// A magnification that shows the largest translation as a fifth of size (the
// structure's diagonal, mm), rounded down to 1, 2 or 5 times a power of ten; 1 when
// nothing moves.
double DefaultMagnification(double largestTranslation, double size);
// The diagonal of the box around model's nodes, mm (0 without nodes).
double BoundingDiagonal(const fem::Model& model);

}  // namespace view3d

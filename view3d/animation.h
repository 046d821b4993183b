#pragma once
// The animation of the view: frames of a moving structure (framesource.h) drawn one at
// a time over the structure, each member through the displacements the frames hold at
// stations inside it (its exact motion), or, for frames without stations, along the
// static cubic through its end displacements, with a magnification of its own. Plain C++; the view
// window adds the play control, the time slider and the magnification box.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "view3d/framesource.h"

namespace fem {
class Model;
}

namespace view3d {

class SceneView;

// Ticks of the play control for one run through all frames, at most: longer runs skip
// frames.
inline constexpr int kTicksPerRun = 256;

class Animation {
  public:
    // Shows these frames from frame 0 (null: none).
    void SetFrames(std::shared_ptr<const FrameSource> frames);
    void Drop() { SetFrames(nullptr); }
    [[nodiscard]] const FrameSource* Frames() const { return frames_.get(); }
    [[nodiscard]] const std::shared_ptr<const FrameSource>& SharedFrames() const { return frames_; }
    // Whether there are frames and they still show model (FrameSource::BelongsTo).
    [[nodiscard]] bool BelongsTo(const fem::Model& model) const;

    [[nodiscard]] int Frame() const { return frame_; }
    void SetFrame(int f);  // clamped to the frames
    // Moves step frames on, from the last back to the first.
    void Advance(int step);
    // The frames one tick of the play control moves on.
    [[nodiscard]] int PlayStep() const;

    // Keeps the first `keep` items of view's list, draws the structure displaced at the
    // present frame magnified over them (an element whose nodes the frames do not know
    // is left out) in kAnimationColor and redraws the view once.
    void Draw(SceneView& view, const fem::Model& model, int keep);

    double Magnification = 1.0;

  private:
    // Every member as a line through its ends and the frames' stations inside it.
    void DrawThroughStations(SceneView& view, const fem::Model& model);

    std::shared_ptr<const FrameSource> frames_;
    int frame_ = 0;
    NodeDisplacements scratch_;
    std::vector<std::array<double, 3>> stations_;
};

// "時刻 t = 0.00012 s   j = 12": the time of a frame and its index.
std::string TimeCaption(double t, int j);

}  // namespace view3d

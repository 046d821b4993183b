#include "view3d/animation.h"

#include <algorithm>

#include "model/model.h"
#include "numeric/numbertext.h"
#include "view3d/sceneview.h"
#include "view3d/structure.h"

namespace view3d {

void Animation::SetFrames(std::shared_ptr<const FrameSource> frames) {
    frames_ = std::move(frames);
    frame_ = 0;
}

bool Animation::BelongsTo(const fem::Model& model) const {
    return frames_ && frames_->BelongsTo(model);
}

void Animation::SetFrame(int f) {
    const int count = frames_ ? frames_->FrameCount() : 0;
    frame_ = count > 0 ? std::clamp(f, 0, count - 1) : 0;
}

void Animation::Advance(int step) {
    const int count = frames_ ? frames_->FrameCount() : 0;
    if (count <= 0) return;
    frame_ = frame_ + step >= count ? 0 : frame_ + step;
}

int Animation::PlayStep() const {
    const int count = frames_ ? frames_->FrameCount() : 0;
    return std::max(1, (count + kTicksPerRun - 1) / kTicksPerRun);
}

void Animation::Draw(SceneView& view, const fem::Model& model, int keep) {
    view.DiscardItemsFrom(std::clamp(keep, 0, view.ItemCount()));
    view.BeginBatch();
    try {
        if (frames_) {
            frames_->Displacements(frame_, scratch_);
            DrawDisplacedStructure(view, model, scratch_, Magnification, true, kAnimationColor, 2);
        }
    } catch (...) {
        view.EndBatch();
        throw;
    }
    view.EndBatch();
}

std::string TimeCaption(double t, int j) {
    return "時刻 t = " + numeric::FormatGeneral(t, 5) + " s   j = " + std::to_string(j);
}

}  // namespace view3d

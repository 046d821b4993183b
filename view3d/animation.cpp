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
            if (frames_->StationsPerMember() > 0)
                DrawThroughStations(view, model);
            else
                DrawDisplacedStructure(view, model, scratch_, Magnification, true, kAnimationColor,
                                       2);
        }
    } catch (...) {
        view.EndBatch();
        throw;
    }
    view.EndBatch();
}

void Animation::DrawThroughStations(SceneView& view, const fem::Model& model) {
    const int count = frames_->StationsPerMember();
    stations_.resize(static_cast<std::size_t>(count));
    const auto& u = scratch_;
    for (int e = 0; e < model.ElementCount(); ++e) {
        const fem::ElementRecord& el = model.Elements[static_cast<std::size_t>(e)];
        const int n0 = el.EndNode[0];
        const int n1 = el.EndNode[1];
        if (n0 < 0 || n1 < 0 || static_cast<std::size_t>(std::max(n0, n1)) >= u.size()) continue;
        frames_->StationTranslations(frame_, e, stations_.data());
        const Vec3& first = model.Nodes[static_cast<std::size_t>(n0)].Coord;
        const Vec3& second = model.Nodes[static_cast<std::size_t>(n1)].Coord;
        Vec3 p;
        for (int k = 0; k < 3; ++k) p[k] = first[k] + Magnification * u[n0][k];
        view.AddDot(p);
        for (int i = 0; i < count; ++i) {
            // Station i + 1 of count + 1 equal pieces along the member, displaced.
            const double x = el.Length * (i + 1) / (count + 1);
            for (int k = 0; k < 3; ++k)
                p[k] = first[k] + x * el.RotMatrix[0][k] + Magnification * stations_[i][k];
            view.AddLineTo(p, kAnimationColor, 2);
        }
        for (int k = 0; k < 3; ++k) p[k] = second[k] + Magnification * u[n1][k];
        view.AddLineTo(p, kAnimationColor, 2);
    }
}

std::string TimeCaption(double t, int j) {
    return "時刻 t = " + numeric::FormatGeneral(t, 5) + " s   j = " + std::to_string(j);
}

}  // namespace view3d

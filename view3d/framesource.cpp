#include "view3d/framesource.h"

#include <algorithm>
#include <cmath>

#include "analysis/histories.h"
#include "analysis/member_field.h"
#include "model/model.h"
#include "numeric/constants.h"
#include "numeric/failure.h"

namespace view3d {
namespace {

double Translation(const std::array<double, 6>& u) {
    return std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
}

}  // namespace

bool FrameSource::BelongsTo(const fem::Model& model) const {
    return ModelRevision() == model.Revision() && NodeCount() == model.NodeCount();
}

void FrameSource::StationTranslations(int, int, std::array<double, 3>*) const {}

int AutomaticStations(int frames, int members) {
    if (frames <= 0 || members <= 0) return 0;
    const double perStation = 3.0 * sizeof(float) * frames * static_cast<double>(members);
    return static_cast<int>(
        std::min<double>(kMaxStationsPerMember, std::floor(kStationBudget / perStation)));
}

HistoryFrames::HistoryFrames(std::shared_ptr<const fem::ImpactSolution> solution, Inversion when,
                             int stationsPerMember)
    : solution_(std::move(solution)) {
    if (!solution_ || !solution_->Complete())
        throw numeric::ComputationFailure(numeric::kInvalidArgument,
                                          "no impact response of this structure");
    inverse_ = std::make_unique<const fem::InverseTransform>(solution_->Settings());
    frames_ = solution_->Settings().Nw;
    nodes_ = solution_->Structure().NodeCount();
    members_ = solution_->Structure().ElementCount();
    stations_ = stationsPerMember >= 0 ? std::min(stationsPerMember, kMaxStationsPerMember)
                                       : AutomaticStations(frames_, members_);
    te_ = solution_->Settings().Te;
    revision_ = solution_->ModelRevision();
    values_.assign(static_cast<std::size_t>(frames_) * nodes_ * 6, 0.0f);
    stationValues_.assign(static_cast<std::size_t>(frames_) * members_ * stations_ * 3, 0.0f);
    if (when == Inversion::Now) InvertMore(Work());
}

HistoryFrames::~HistoryFrames() = default;

int HistoryFrames::InvertMore(int count) {
    const int last = std::min(Work(), done_ + std::max(count, 1));
    for (; done_ < last; ++done_) {
        if (done_ < nodes_)
            InvertNode(done_);
        else
            InvertMember(done_ - nodes_);
    }
    return Work() - done_;
}

void HistoryFrames::InvertNode(int n) {
    const fem::HistoryResult h = fem::NodeDisplacementHistory(*solution_, n, *inverse_);
    const numeric::RealMatrix& best = h.Best();
    for (int j = 0; j < frames_; ++j) {
        float* row = &values_[(static_cast<std::size_t>(j) * nodes_ + n) * 6];
        double squared = 0.0;
        for (int c = 0; c < 6; ++c) {
            row[c] = static_cast<float>(best(c, j));
            if (c < 3) squared += best(c, j) * best(c, j);
        }
        largest_ = std::max(largest_, std::sqrt(squared));
    }
}

void HistoryFrames::InvertMember(int e) {
    const fem::ElementRecord& el = solution_->Structure().Elements[static_cast<std::size_t>(e)];
    const fem::HistoryResult h =
        fem::StationHistories(*solution_, e, fem::InnerStations(el.Length, stations_),
                              fem::StationValues::Translations, *inverse_);
    const numeric::RealMatrix& best = h.Best();
    const std::size_t perFrame = static_cast<std::size_t>(members_) * stations_ * 3;
    for (int j = 0; j < frames_; ++j) {
        float* row = &stationValues_[j * perFrame + static_cast<std::size_t>(e) * stations_ * 3];
        for (int r = 0; r < 3 * stations_; ++r) row[r] = static_cast<float>(best(r, j));
        for (int i = 0; i < stations_; ++i)
            largest_ = std::max(largest_, std::sqrt(best(3 * i, j) * best(3 * i, j) +
                                                    best(3 * i + 1, j) * best(3 * i + 1, j) +
                                                    best(3 * i + 2, j) * best(3 * i + 2, j)));
    }
}

double HistoryFrames::FrameTime(int f) const {
    return frames_ > 0 ? f * te_ / frames_ : 0.0;
}

void HistoryFrames::Displacements(int f, NodeDisplacements& out) const {
    out.resize(static_cast<std::size_t>(nodes_));
    if (f < 0 || f >= frames_) {
        std::fill(out.begin(), out.end(), std::array<double, 6>{});
        return;
    }
    const float* v = &values_[static_cast<std::size_t>(f) * nodes_ * 6];
    for (int n = 0; n < nodes_; ++n, v += 6)
        for (int c = 0; c < 6; ++c) out[n][c] = v[c];
}

void HistoryFrames::StationTranslations(int f, int e, std::array<double, 3>* out) const {
    if (f < 0 || f >= frames_ || e < 0 || e >= members_) {
        std::fill(out, out + stations_, std::array<double, 3>{});
        return;
    }
    const float* v =
        &stationValues_[((static_cast<std::size_t>(f) * members_ + e) * stations_) * 3];
    for (int i = 0; i < stations_; ++i, v += 3) out[i] = {v[0], v[1], v[2]};
}

ModeShapeFrames::ModeShapeFrames(NodeDisplacements shape, double frequency,
                                 std::uint64_t modelRevision, int framesPerCycle)
    : shape_(std::move(shape)),
      frequency_(frequency),
      revision_(modelRevision),
      cycle_(std::max(framesPerCycle, 2)) {
    for (const auto& u : shape_) largest_ = std::max(largest_, Translation(u));
}

void ModeShapeFrames::SetMemberShapes(std::vector<std::vector<std::array<double, 3>>> members) {
    members_ = std::move(members);
    stations_ = members_.empty() ? 0 : static_cast<int>(members_.front().size());
    for (const auto& inner : members_) {
        if (static_cast<int>(inner.size()) != stations_) {
            // Members of different numbers of stations cannot be drawn alike.
            members_.clear();
            stations_ = 0;
            return;
        }
        for (const auto& u : inner)
            largest_ = std::max(largest_, std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
    }
}

void ModeShapeFrames::StationTranslations(int f, int e, std::array<double, 3>* out) const {
    const double s = std::sin(numeric::TwoPi * f / cycle_);
    const bool known = e >= 0 && e < static_cast<int>(members_.size());
    for (int i = 0; i < stations_; ++i)
        for (int c = 0; c < 3; ++c)
            out[i][c] = known ? s * members_[static_cast<std::size_t>(e)][i][c] : 0.0;
}

double ModeShapeFrames::FrameTime(int f) const {
    const double cycles = static_cast<double>(f) / cycle_;
    return frequency_ > 0.0 ? cycles / frequency_ : cycles;
}

void ModeShapeFrames::Displacements(int f, NodeDisplacements& out) const {
    const double s = std::sin(numeric::TwoPi * f / cycle_);
    out.resize(shape_.size());
    for (std::size_t n = 0; n < shape_.size(); ++n)
        for (int c = 0; c < 6; ++c) out[n][c] = s * shape_[n][c];
}

double DefaultMagnification(double largestTranslation, double size) {
    if (!(largestTranslation > 0.0) || !(size > 0.0) || !std::isfinite(largestTranslation))
        return 1.0;
    const double wanted = 0.2 * size / largestTranslation;
    const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * decade <= wanted * (1.0 + 1e-12)) return step * decade;
    return decade;
}

double BoundingDiagonal(const fem::Model& model) {
    if (model.Nodes.empty()) return 0.0;
    std::array<double, 3> lo = model.Nodes[0].Coord;
    std::array<double, 3> hi = lo;
    for (const fem::NodeRecord& n : model.Nodes)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], n.Coord[k]);
            hi[k] = std::max(hi[k], n.Coord[k]);
        }
    return std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                     (hi[2] - lo[2]) * (hi[2] - lo[2]));
}

}  // namespace view3d

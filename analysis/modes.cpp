// Natural frequencies by the Wittrick-Williams count on the exact dynamic stiffness,
// and mode shapes by inverse iteration, on a pool of worker threads that each factorise
// their own K(omega).
#include "analysis/modes.h"

#include <Eigen/Dense>
#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "analysis/bar_modes.h"
#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/node_terms.h"
#include "analysis/settings.h"
#include "analysis/sparse_solver.h"
#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

using numeric::ComputationFailure;

namespace {

// Every frequency is refined until its bracket is narrower than this, relative.
constexpr double kTolerance = 1e-12;
// Frequencies this close (relative) form one repeated frequency for the mode shapes, and
// a bar's own frequency this close takes part in it. Wider than the tolerance, so that
// frequencies too close for inverse iteration to tell apart get orthogonal shapes.
constexpr double kSameFrequency = 1e-7;
// Near a bar's pole the shapes are found this far (relative) above the frequency: there
// the rounding of K, u / kShapeOffset, and the change of the shape, of the order of
// kShapeOffset, are both about 1E-8.
constexpr double kShapeOffset = 1e-8;

// Near a pole of a bar (one of its own clamped frequencies) K(omega) is a rank-one term
// of order 1 / (distance to the pole) plus a regular part, and the count needs the small
// eigenvalue of the whole. In double precision that eigenvalue is lost when the distance
// is below about the square root of the rounding, 1E-8, even with every entry of K
// correctly rounded: the rounding of the large entries alone moves it by more than its
// size. So a bar with a pole within kNearPole (relative) of the trial omega is counted as
// two bars joined at an inner node, whose own poles lie elsewhere: the same structure
// and the same frequencies (the element matrices are exact), counted on a matrix with no
// large entries. Outside kNearPole the rounding of the pole term moves a frequency by
// less than about 0.4 u / kNearPole, 5E-14 relative.
constexpr double kNearPole = 1e-3;
// Where the inner node goes, as a fraction of the bar's length from its first node:
// irrational, so that the parts' own frequencies avoid the whole bar's; the first of
// them whose parts have no pole within 4 kNearPole of omega is taken, or, at a high
// order where the parts' poles lie dense, within the widest of kPartMargins that one of
// them keeps (1E-4 still gives 1E-12).
constexpr double kInnerNodeAt[] = {0.41421356237309503,
                                   0.3819660112501051,
                                   0.4472135954999579,
                                   0.36602540378443865,
                                   0.4306,
                                   0.3937};
constexpr double kPartMargins[] = {4 * kNearPole, kNearPole, 3e-4, 1e-4, 0.0};

using RealSparse = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
using Ldlt = Eigen::SimplicialLDLT<RealSparse, Eigen::Lower, Eigen::AMDOrdering<int>>;

// Members with released end forces. The Wittrick-Williams count J = J0 + s{K} holds for
// any partition of a structure into parts whose dynamic stiffnesses are condensed onto
// the nodes, J0 counting each part's frequencies with its nodes clamped. A member with
// releases is such a part: its condensed stiffness K* = K_cc - K_cr K_rr^-1 K_rc (c the
// kept, r the released dofs) relates its kept end dofs, and its share of J0 is the
// number of frequencies of the member with the kept dofs clamped and the released ones
// free. That is the count of the member alone as a structure whose dofs are r, with c
// clamped: again by Wittrick and Williams, J0(clamped-clamped member) + s{K_rr}, the
// member's own clamped frequencies plus the negative eigenvalues of its released block
// (the negative pivots of the condensation, CondenseReleases). So a released member
// adds s{K_rr(omega)} to the bars' share; its poles (the frequencies of the member with
// the released dofs free) are where that share steps up, while across one of its
// clamped-clamped frequencies K* stays regular, the clamped count rising by one as an
// eigenvalue of K_rr passes from minus to plus infinity. Springs (k on the diagonal) and
// masses (-m omega^2) have no poles and leave J0 as it is.

// The member's share of J0 below omega; work is the caller's scratch. An omega at a
// pole exactly is moved by a few parts in 1E14, as the count moves it.
int MemberCountBelow(const ElementRecord& e, double omega, ElementWork& work) {
    if (!HasReleases(e)) return detail::ClampedCountBelow(e, omega);
    numeric::ComplexMatrix K(12, 12);
    for (int attempt = 0;; ++attempt) {
        const double w = omega * (1.0 + 1e-14 * attempt);
        try {
            ElemStiffDyn(numeric::Complex{0.0, w}, e, work, K);
            return detail::ClampedCountBelow(e, w) + work.releasedNegatives;
        } catch (const ComputationFailure&) {
            if (attempt == 7) throw;
        }
    }
}

// What every worker reads: the model, the numbering of its free dofs and the pattern.
struct Setup {
    explicit Setup(const Model& m) : model(m), numbering(NumberDofs(m)) {
        pattern = std::make_unique<GlobalPattern>(m, numbering);
        zeroLimit = ZeroFrequencyLimit(m);
        lowestPole.reserve(m.Elements.size());
        // A released member's poles lie below its clamped ones: it is always looked at.
        for (const ElementRecord& e : m.Elements)
            lowestPole.push_back(HasReleases(e) ? 0.0 : detail::LowestClampedFrequency(e));
    }
    [[nodiscard]] int Order() const { return pattern->Order(); }

    const Model& model;
    DofNumbering numbering;
    std::unique_ptr<GlobalPattern> pattern;
    double zeroLimit = 0.0;
    std::vector<double> lowestPole;  // each bar's lowest clamped frequency, rad/s
};

// Whether a pole of the member's dynamic stiffness lies within distance (relative) of
// omega. A released member also has the clamped-clamped poles of its uncondensed
// stiffness, which cancel in K* but whose large entries would cost K* its digits.
bool PoleNear(const ElementRecord& e, double omega, double distance, ElementWork& work) {
    const double below = omega * (1.0 - distance), above = omega * (1.0 + distance);
    if (detail::ClampedCountBelow(e, below) != detail::ClampedCountBelow(e, above)) return true;
    return HasReleases(e) && MemberCountBelow(e, below, work) != MemberCountBelow(e, above, work);
}

// The parts of a bar divided at fraction of its length from its first node: the first
// keeps the releases of the first end, the second those of the second.
std::pair<ElementRecord, ElementRecord> DividedBar(const ElementRecord& el, double fraction) {
    ElementRecord first = el, second = el;
    first.Length = fraction * el.Length;
    second.Length = el.Length - first.Length;
    for (int k = 0; k < 6; ++k) {
        first.Released[6 + k] = false;
        second.Released[k] = false;
    }
    return {first, second};
}

// The bars to divide at omega, each with the index in kInnerNodeAt of where; empty when
// no bar has a pole near omega.
std::vector<std::pair<int, int>> BarsToDivide(const Setup& setup, double omega, ElementWork& work) {
    const Model& model = setup.model;
    std::vector<std::pair<int, int>> divide;
    for (int e = 0; e < model.ElementCount(); ++e) {
        const ElementRecord& el = model.Elements[e];
        if (omega * (1.0 + kNearPole) < setup.lowestPole[e] ||
            !PoleNear(el, omega, kNearPole, work))
            continue;
        int chosen = -1;
        for (const double margin : kPartMargins) {
            for (int at = 0; at < static_cast<int>(std::size(kInnerNodeAt)) && chosen < 0; ++at) {
                const auto [first, second] = DividedBar(el, kInnerNodeAt[at]);
                if (margin == 0.0 || (!PoleNear(first, omega, margin, work) &&
                                      !PoleNear(second, omega, margin, work)))
                    chosen = at;
            }
            if (chosen >= 0) break;
        }
        divide.emplace_back(e, chosen);
    }
    return divide;
}

int BarCount(const Model& model, double omega, ElementWork& work) {
    long long n = 0;
    for (const ElementRecord& e : model.Elements) n += MemberCountBelow(e, omega, work);
    return static_cast<int>(std::min<long long>(n, INT_MAX / 2));
}
int BarCount(const Model& model, double omega) {
    ElementWork work;
    return BarCount(model, omega, work);
}

// The count at one omega, with what the refinement needs: the bars' share J0, the
// negative pivots and log |det K|.
struct Sample {
    double omega = 0.0;
    int count = 0;
    int bars = 0;
    int negatives = 0;
    double logDet = 0.0;
    bool measured = true;  // false: count is only a lower bound (J0 alone)
    // Largest pivot over largest diagonal entry of K: large where a leading block of K
    // is nearly singular along with K (then the count is unsure near the frequency).
    double growth = 0.0;
    // Which bars were divided (0: none): bars and logDet compare only between samples
    // of the same division.
    std::uint64_t division = 0;
};

class Evaluator;

// The model with some bars divided at an inner node (free in all six dofs), and an
// evaluator of its own.
struct DividedModel {
    DividedModel(const Model& whole, std::vector<std::pair<int, int>> bars);
    std::vector<std::pair<int, int>> key;
    std::uint64_t division = 0;
    Model model;
    std::unique_ptr<Setup> setup;
    std::unique_ptr<Evaluator> evaluator;
};

// The count factorises by UMFPACK above this many flops per entry of L (AMD's estimate of
// the pattern), by Eigen's SimplicialLDLT below (see Evaluator's constructor).
constexpr double kMultifrontalCountFlopsPerEntry = 75.0;

// One worker's K(omega) and its factorisation; the ordering is made once.
class Evaluator {
  public:
    // divide: count near a bar's pole on the model with that bar divided.
    Evaluator(const Setup& s, bool divide) : setup_(s), divide_(divide), ke_(12, 12) {
        const GlobalPattern& p = *s.pattern;
        A_.resize(p.Order(), p.Order());
        A_.resizeNonZeros(p.NonZeros());
        std::copy(p.ColumnStarts().begin(), p.ColumnStarts().end(), A_.outerIndexPtr());
        std::copy(p.RowIndices().begin(), p.RowIndices().end(), A_.innerIndexPtr());
        std::fill(A_.valuePtr(), A_.valuePtr() + p.NonZeros(), 0.0);
        // UMFPACK counts faster once the factor's columns are long (the 7 x 7 x 7 grid,
        // 109 flops per entry: 10 frequencies in half the time), Eigen's simplicial
        // factorisation while they are short (the 4 x 4 x 4 grid, 42: 20 frequencies
        // in 0.85 of UMFPACK's time).
        if (p.Order() > 0) {
            if (FactorFlopsPerEntry(Pattern()) > kMultifrontalCountFlopsPerEntry)
                count_ =
                    std::make_unique<RealSymmetricSolver>(Pattern(), RealSymmetricSolver::kInertia);
            else
                ldlt_.analyzePattern(A_);
        }
    }

    // J at omega. An exactly zero pivot, or a bar's pole hit exactly, moves omega by a
    // few parts in 1E14; the count is right wherever the factorisation exists.
    Sample Evaluate(double omega) {
        if (divide_) {
            std::vector<std::pair<int, int>> bars = BarsToDivide(setup_, omega, work_);
            if (!bars.empty()) {
                if (!divided_ || divided_->key != bars)
                    divided_ = std::make_unique<DividedModel>(setup_.model, std::move(bars));
                Sample s = divided_->evaluator->Evaluate(omega);
                s.division = divided_->division;
                return s;
            }
        }
        for (int attempt = 0; attempt < 8; ++attempt) {
            const double w = omega * (1.0 + 1e-14 * attempt);
            try {
                Assemble(w);
            } catch (const ComputationFailure&) {
                if (attempt == 7) throw;
                continue;
            }
            Sample s;
            s.omega = w;
            s.bars = BarCount(setup_.model, w, work_);
            s.count = s.bars;
            if (setup_.Order() == 0) return s;
            double largest = 0.0;
            if (count_) {
                if (!count_->Factorize(A_.valuePtr())) continue;
                s.negatives = count_->NegativePivots();
                s.logDet = count_->LogAbsDeterminant();
                largest = count_->LargestPivot();
            } else {
                ldlt_.factorize(A_);
                if (ldlt_.info() != Eigen::Success) continue;
                const Eigen::VectorXd& D = ldlt_.vectorD();
                for (int i = 0; i < D.size(); ++i) {
                    numeric::CheckFinite(D[i], "factorisation of K(omega)");
                    if (D[i] < 0.0) ++s.negatives;
                    s.logDet += std::log(std::fabs(D[i]));
                }
                largest = D.cwiseAbs().maxCoeff();
            }
            const double diagonal = A_.diagonal().cwiseAbs().maxCoeff();
            if (diagonal > 0.0) s.growth = largest / diagonal;
            s.count += s.negatives;
            return s;
        }
        throw ComputationFailure(numeric::kZeroPivot,
                                 "K(omega) has a zero pivot at every omega tried near " +
                                     std::to_string(omega) + " rad/s");
    }

    // Factorises K at omega (or within a few parts in 1E14) by LU with partial pivoting,
    // stable however nearly singular K is: for inverse iteration at a natural frequency.
    void FactoriseForShapes(double omega) {
        for (int attempt = 0; attempt < 8; ++attempt) {
            Assemble(omega * (1.0 + 1e-14 * attempt));
            if (Stable().Factorize(A_.valuePtr())) return;
        }
        throw ComputationFailure(
            numeric::kZeroPivot,
            "K(omega) is singular at every omega tried near " + std::to_string(omega) + " rad/s");
    }

    // log |det K(omega)| by LU with partial pivoting, or NaN when K is singular there.
    // Unlike the count's factorisation it stays accurate near a natural frequency whose
    // mode keeps the dofs eliminated last at rest.
    double PivotedLogDet(double omega) {
        Assemble(omega);
        if (!Stable().Factorize(A_.valuePtr())) return std::numeric_limits<double>::quiet_NaN();
        return Stable().LogAbsDeterminant();
    }

    // The equation of a free dof that K(omega) does not hold at any omega (no element,
    // no spring, no mass at it), or -1.
    int EquationHeldByNothing(double omega) {
        Assemble(omega);
        return ZeroRow(*setup_.pattern, A_.valuePtr());
    }

    // x = K^-1 b with the factorisation of the last FactoriseForShapes.
    Eigen::VectorXd Solve(const Eigen::VectorXd& b) {
        Eigen::VectorXd x(b.size());
        Stable().Solve(b.data(), x.data());
        return x;
    }

  private:
    // The real parts of the elements' dynamic stiffness at s = i omega (the imaginary
    // parts vanish there), each entry from the upper triangle: exactly symmetric.
    void Assemble(double omega) {
        const GlobalPattern& p = *setup_.pattern;
        double* values = A_.valuePtr();
        std::fill(values, values + p.NonZeros(), 0.0);
        for (int e = 0; e < p.ElementCount(); ++e) {
            ElemStiffDyn(numeric::Complex{0.0, omega}, setup_.model.Elements[e], work_, ke_);
            const int* slot = p.Slots(e);
            for (int r = 0; r < 12; ++r)
                for (int c = 0; c < 12; ++c) {
                    const int at = slot[r * 12 + c];
                    if (at >= 0) values[at] += r <= c ? ke_(r, c).re : ke_(c, r).re;
                }
        }
        for (const GlobalPattern::DiagonalTerm& t : p.NodeTerms())
            values[t.Slot] += NodeDynamicDiagonal(t.Stiffness, t.Mass, {0.0, omega}).re;
        for (int i = 0; i < p.NonZeros(); ++i)
            if (!std::isfinite(values[i])) numeric::CheckFinite(values[i], "assembly of K(omega)");
    }

    [[nodiscard]] SymmetricPattern Pattern() const {
        return {static_cast<int>(A_.rows()), A_.outerIndexPtr(), A_.innerIndexPtr()};
    }
    // The pivoted factorisation, analysed when first needed.
    RealSymmetricSolver& Stable() {
        if (!stable_)
            stable_ =
                std::make_unique<RealSymmetricSolver>(Pattern(), RealSymmetricSolver::kStable);
        return *stable_;
    }

    const Setup& setup_;
    bool divide_;
    std::unique_ptr<DividedModel> divided_;
    RealSparse A_;
    // K's factorisations: for the count diagonal pivots in the symmetric order (the
    // negative pivots are the inertia), by UMFPACK or Eigen's SimplicialLDLT (see the
    // constructor); for log |det K| and the shapes UMFPACK's partial pivoting.
    std::unique_ptr<RealSymmetricSolver> count_, stable_;
    Ldlt ldlt_;
    ElementWork work_;
    numeric::ComplexMatrix ke_;
};

DividedModel::DividedModel(const Model& whole, std::vector<std::pair<int, int>> bars)
    : key(std::move(bars)), division(14695981039346656037ull) {
    // What the count reads: the nodes (codes, springs, masses), the elements and the
    // dropped weight's mass.
    model.Nodes = whole.Nodes;
    model.Elements = whole.Elements;
    model.SetImpact(whole.Impact());
    for (const auto& [e, at] : key) {
        division = (division ^ static_cast<std::uint64_t>(e * 8 + at)) * 1099511628211ull;
        const double fraction = kInnerNodeAt[at];
        auto [first, second] = DividedBar(model.Elements[e], fraction);
        NodeRecord inner;
        for (int j = 0; j < 3; ++j) {
            const double a = whole.Nodes[first.EndNode[0]].Coord[j];
            inner.Coord[j] = a + fraction * (whole.Nodes[first.EndNode[1]].Coord[j] - a);
        }
        inner.BcCode.fill("p");
        const int node = model.NodeCount();
        model.Nodes.push_back(std::move(inner));
        first.EndNode[1] = node;
        second.EndNode[0] = node;
        model.Elements[e] = first;
        model.Elements.push_back(second);
    }
    division |= 1;  // never 0, the undivided model
    setup = std::make_unique<Setup>(model);
    evaluator = std::make_unique<Evaluator>(*setup, false);
}

// Worker threads, each with its evaluator, kept from one batch of tasks to the next.
// The calling thread reports progress and watches the stop request meanwhile.
class Pool {
  public:
    Pool(const Setup& setup, int threads, ModeCallbacks* callbacks,
         std::function<ModeProgress()> progress)
        : setup_(setup),
          evaluators_(threads),
          callbacks_(callbacks),
          progress_(std::move(progress)) {}

    [[nodiscard]] bool Halted() const { return halt_ || StopRequested(callbacks_); }
    [[nodiscard]] bool Stopped() const { return StopRequested(callbacks_) && failure_.empty(); }
    [[nodiscard]] const std::string& Failure() const { return failure_; }
    [[nodiscard]] bool OutOfMemory() const { return outOfMemory_; }
    [[nodiscard]] int Threads() const { return static_cast<int>(evaluators_.size()); }

    // task(evaluator, i) for i = 0 .. count - 1, as long as nothing halts the pool.
    void Run(int count, const std::function<void(Evaluator&, int)>& task) {
        std::atomic<int> next{0};
        const int wanted = std::min(count, Threads());
        int running = 0;
        auto work = [&](int w) {
            try {
                if (!evaluators_[w]) evaluators_[w] = std::make_unique<Evaluator>(setup_, true);
                for (int i; !Halted() && (i = next.fetch_add(1)) < count;) task(*evaluators_[w], i);
            } catch (const std::bad_alloc&) {
                outOfMemory_ = true;
                Fail("the memory ran out");
            } catch (const std::exception& e) {
                Fail(e.what());
            } catch (...) {
                Fail("unknown failure");
            }
            std::lock_guard<std::mutex> lock(mutex_);
            --running;
            finished_.notify_all();
        };
        std::vector<std::thread> threads;
        struct Joiner {
            std::vector<std::thread>& threads;
            std::atomic<bool>& halt;
            ~Joiner() {
                for (std::thread& t : threads) {
                    if (std::uncaught_exceptions() > 0) halt = true;
                    t.join();
                }
            }
        } joiner{threads, halt_};
        for (int w = 0; w < wanted; ++w) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++running;
            }
            try {
                threads.emplace_back(work, w);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex_);
                --running;
                if (threads.empty()) throw;
                break;  // fewer workers than asked for
            }
        }
        for (bool ended = false; !ended;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ended = finished_.wait_for(lock, std::chrono::milliseconds(5),
                                           [&] { return running == 0; });
            }
            Report();
            if (callbacks_ && !ended) callbacks_->Yield();
        }
    }

    void Report() {
        if (!callbacks_) return;
        const ModeProgress p = progress_();
        if (p.Found == last_.Found && p.Wanted == last_.Wanted &&
            p.Evaluations == last_.Evaluations && p.ShapesFound == last_.ShapesFound)
            return;
        last_ = p;
        callbacks_->Progress(p);
    }

  private:
    void Fail(const std::string& why) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failure_.empty()) failure_ = why.empty() ? "failure" : why;
        halt_ = true;
    }

    const Setup& setup_;
    std::vector<std::unique_ptr<Evaluator>> evaluators_;
    ModeCallbacks* callbacks_;
    std::function<ModeProgress()> progress_;
    ModeProgress last_{-1, -2, -1, -1};
    std::atomic<bool> halt_{false};
    std::atomic<bool> outOfMemory_{false};
    std::string failure_;
    std::mutex mutex_;
    std::condition_variable finished_;
};

// The samples of all workers, and the frequencies found from them.
class Search {
  public:
    void Insert(const Sample& s) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto [at, added] = samples_.emplace(s.omega, s);
        if (!added && s.measured) at->second = s;
        if (s.measured) ++evaluations_;
    }

    // The narrowest bracket of frequency number k (from 1) the samples give: lo the
    // highest sample that counts fewer than k, hi the lowest above it that counts k or
    // more. The floor sample always exists, and an upper bound from the bars.
    std::pair<Sample, Sample> Bracket(int k) {
        std::lock_guard<std::mutex> lock(mutex_);
        Sample lo;  // omega 0: no frequency below
        for (const auto& [omega, s] : samples_)
            if (s.measured && s.count < k) lo = s;
        Sample hi;
        hi.omega = -1.0;
        for (auto it = samples_.upper_bound(lo.omega); it != samples_.end(); ++it)
            if (it->second.count >= k) {
                hi = it->second;
                break;
            }
        return {lo, hi};
    }

    [[nodiscard]] int Evaluations() const { return evaluations_; }

  private:
    std::mutex mutex_;
    std::map<double, Sample> samples_;
    std::atomic<int> evaluations_{0};
};

// The root r in (lo, hi) of the model log|det K| = m log|x - r| + a + b x through
// three samples: the ends of the bracket and one outside it. Bisection on r of the
// collinearity of L_i - m log|x_i - r|, which changes sign between the ends.
double SingularFit(const Sample& lo, const Sample& hi, const Sample& out, int m) {
    auto gap = [&](double r) {
        const double f1 = lo.logDet - m * std::log(r - lo.omega);
        const double f2 = hi.logDet - m * std::log(hi.omega - r);
        const double f3 = out.logDet - m * std::log(std::fabs(out.omega - r));
        return (f2 - f1) * (out.omega - lo.omega) - (f3 - f1) * (hi.omega - lo.omega);
    };
    double a = lo.omega, b = hi.omega;
    const bool risingAtHi = out.omega > hi.omega;  // the sign of gap near hi
    for (int i = 0; i < 200 && b - a > 1e-3 * kTolerance * hi.omega; ++i) {
        const double r = 0.5 * (a + b);
        ((gap(r) > 0.0) == risingAtHi ? b : a) = r;
    }
    return 0.5 * (a + b);
}

// The m-fold frequency r found by counting in (lo, hi), made exact to rounding. The
// count's factorisation has no pivoting: where a mode keeps the dofs it eliminates last at
// rest (symmetric modes of symmetric frames), a leading block of K is singular with K,
// its pivots grow without bound near r, and the count is wrong within a few 1E-9 of r. Three
// samples of log |det K| by pivoted LU at x - d, x + d and x + 3d, d = 1E-7 x, well outside that
// zone and inside the bracket's isolation (checked by counting at the outer two), fix r through log
// |det K| = m log |omega - r| + a + b omega; the fit's own error is of order d^3.
double PolishFrequency(Evaluator& ev, const Sample& lo, const Sample& hi) {
    const int m = hi.count - lo.count;
    const double x = 0.5 * (lo.omega + hi.omega);
    if (m < 1 || lo.division != 0 || hi.division != 0 || !lo.measured || lo.omega <= 0.0) return x;
    const double d = 1e-7 * x;
    Sample a = ev.Evaluate(x - d);
    Sample c = ev.Evaluate(x + 3.0 * d);
    if (a.division != 0 || c.division != 0 || a.count != lo.count || c.count != hi.count ||
        a.bars != lo.bars || c.bars != hi.bars)
        return x;  // another frequency or a bar's pole too near: the count's result stands
    Sample b = c;
    b.omega = x + d;
    a.logDet = ev.PivotedLogDet(a.omega);
    b.logDet = ev.PivotedLogDet(b.omega);
    c.logDet = ev.PivotedLogDet(c.omega);
    if (!std::isfinite(a.logDet) || !std::isfinite(b.logDet) || !std::isfinite(c.logDet)) return x;
    return SingularFit(a, b, c, m);
}

// A bracket shared by several frequencies is split by this many points at most in one
// round: more would keep more workers busy early but spend factorisations where no
// frequency lies (measured on grid frames: 1 to 4 cost about the same, 20 a fifth more).
// A constant, not the number of workers, so that the course of the search is the same
// for any number of threads.
constexpr int kSplitPoints = 4;

// Splits (lo, hi) into parts + 1 parts: evenly, or geometrically across a factor above 4.
double SplitPoint(double lo, double hi, int part, int parts) {
    const double f = static_cast<double>(part) / (parts + 1);
    if (parts == 1) return lo > 0.0 && hi > 4.0 * lo ? std::sqrt(lo * hi) : 0.5 * (lo + hi);
    return lo > 0.0 && hi > 4.0 * lo ? lo * std::pow(hi / lo, f) : lo + f * (hi - lo);
}

// The refinement of one frequency, number k (from 1), from one round to the next.
struct Refinement {
    int k = 0;
    int steps = 0;
    double markWidth = -1.0;
    Sample replaced;  // the last bracket end a sample of this refinement replaced
    Sample lo, hi;    // the bracket of the present round
    bool done = false;
    Refinement() { replaced.measured = false; }
};

// Refines the frequencies first + 1 .. wanted in rounds. Each round looks at the bracket
// of every frequency not yet final. Across a bracket that holds other frequencies or a
// bar's pole: bisection (by the geometric mean across wide brackets), the frequencies that
// share one bracket splitting it into as many parts as they need. Once the bracket holds
// frequency k alone (m-fold) and no pole, log|det K| = m log|omega - omega_k| + a smooth
// part: the next point is the root of that model through the bracket's ends (the smooth
// part constant) or through them and the last end its samples replaced (the smooth part
// linear), kept inside the bracket, and replaced by bisection whenever three steps have
// not halved the bracket. A bracket narrower than the tolerance is polished
// (PolishFrequency). The points of a round are chosen before any is evaluated, so the
// course of the search does not depend on the workers.
void FindFrequencies(Pool& pool, Search& search, int first, int wanted,
                     std::vector<NaturalMode>& modes, std::vector<char>& done,
                     std::atomic<int>& found) {
    std::vector<Refinement> open;
    for (int k = first; k < wanted; ++k) {
        Refinement r;
        r.k = k + 1;
        open.push_back(r);
    }
    struct Task {
        double x = 0.0;
        int polish = -1;           // the refinement to polish, or -1 to evaluate x
        std::vector<int> members;  // the refinements the polished value is for
        Sample sample;
        double omega = 0.0;
    };
    // A point evaluated once however many refinements chose it.
    auto addPoint = [](std::vector<Task>& tasks, double x) {
        for (const Task& t : tasks)
            if (t.polish < 0 && t.x == x) return;
        Task t;
        t.x = x;
        tasks.push_back(t);
    };
    while (!open.empty() && !pool.Halted()) {
        std::vector<Task> tasks;
        std::map<std::pair<double, double>, std::vector<int>> splits;  // bracket -> refinements
        for (int i = 0; i < static_cast<int>(open.size()); ++i) {
            Refinement& r = open[i];
            std::tie(r.lo, r.hi) = search.Bracket(r.k);
            const Sample& lo = r.lo;
            const Sample& hi = r.hi;
            if (hi.omega < 0.0)
                throw ComputationFailure(numeric::kOutOfRange, "no upper bound of a frequency");
            const double width = hi.omega - lo.omega;
            if (width <= kTolerance * hi.omega) {
                // The frequencies of one m-fold bracket share its polished value.
                const auto same = std::find_if(tasks.begin(), tasks.end(), [&](const Task& t) {
                    return t.polish >= 0 && open[t.polish].lo.omega == lo.omega &&
                           open[t.polish].hi.omega == hi.omega;
                });
                if (same != tasks.end()) {
                    same->members.push_back(i);
                    continue;
                }
                Task t;
                t.polish = i;
                t.members.push_back(i);
                tasks.push_back(t);
                continue;
            }
            bool bisect = false;
            if (r.markWidth < 0.0 || width <= 0.5 * r.markWidth) {
                r.markWidth = width;
                r.steps = 0;
            } else if (++r.steps >= 3) {
                bisect = true;
                r.markWidth = width;
                r.steps = 0;
            }
            const int m = hi.count - lo.count;
            const bool isolated = lo.measured && hi.measured && lo.omega > 0.0 &&
                                  lo.division == hi.division && hi.bars == lo.bars &&
                                  hi.negatives - lo.negatives == m;
            if (!isolated || bisect) {
                splits[{lo.omega, hi.omega}].push_back(i);
                continue;
            }
            const Sample& third = r.replaced;
            const bool useThird = third.measured && third.division == lo.division &&
                                  third.bars == lo.bars &&
                                  ((third.omega < lo.omega && third.count == lo.count &&
                                    third.negatives == lo.negatives) ||
                                   (third.omega > hi.omega && third.count == hi.count &&
                                    third.negatives == hi.negatives));
            double x;
            if (useThird) {
                x = SingularFit(lo, hi, third, m);
            } else {
                const double d = (hi.logDet - lo.logDet) / m;  // |det| ~ |omega - r|^m
                x = lo.omega + width / (1.0 + std::exp(std::min(d, 700.0)));
            }
            const double margin = 0.25 * kTolerance * hi.omega;
            addPoint(tasks, std::clamp(x, lo.omega + margin, hi.omega - margin));
        }
        for (const auto& [bracket, members] : splits) {
            const int parts = std::min(static_cast<int>(members.size()), kSplitPoints);
            for (int p = 1; p <= parts; ++p)
                addPoint(tasks, SplitPoint(bracket.first, bracket.second, p, parts));
        }
        pool.Run(static_cast<int>(tasks.size()), [&](Evaluator& ev, int i) {
            Task& t = tasks[i];
            if (t.polish >= 0) {
                const Refinement& r = open[t.polish];
                t.omega = PolishFrequency(ev, r.lo, r.hi);
            } else {
                t.sample = ev.Evaluate(t.x);
            }
        });
        if (pool.Halted()) return;
        for (const Task& t : tasks)
            if (t.polish < 0) search.Insert(t.sample);
        for (const Task& t : tasks)
            for (int member : t.members) {
                Refinement& r = open[member];
                const int k = r.k - 1;
                modes[k].Omega = t.omega;
                modes[k].FrequencyHz = t.omega / numeric::TwoPi;
                done[k] = 1;
                ++found;
                r.done = true;
            }
        for (Refinement& r : open) {
            if (r.done) continue;
            const auto [lo, hi] = search.Bracket(r.k);
            if (lo.omega != r.lo.omega)
                r.replaced = r.lo;
            else if (hi.omega != r.hi.omega)
                r.replaced = r.hi;
        }
        open.erase(
            std::remove_if(open.begin(), open.end(), [](const Refinement& r) { return r.done; }),
            open.end());
    }
}

// One repeated (or single) frequency: modes first .. last, all at omega.
struct Group {
    int first = 0;
    int last = 0;
    double omega = 0.0;
};

// The bars whose own clamped frequencies lie at omega, and the combinations of their
// clamped modes whose end forces cancel at every free dof: natural modes whose nodes
// stay at rest.
std::vector<std::vector<BarVibration>> BarModesAtRest(const Setup& setup, double omega) {
    const Model& model = setup.model;
    std::vector<detail::ClampedMode> modes;
    std::vector<int> elements;
    // The clamped modes of the actions a member releases are not modes of it.
    constexpr int kActionDofs[4][4] = {{0, 6, 0, 6}, {3, 9, 3, 9}, {1, 5, 7, 11}, {2, 4, 8, 10}};
    for (int e = 0; e < model.ElementCount(); ++e)
        for (int action = 0; action < 4; ++action) {
            const ElementRecord& el = model.Elements[e];
            bool released = false;
            for (const int d : kActionDofs[action]) released = released || el.Released[d];
            if (released) continue;
            const int below = detail::ClampedCountBelow(el, action, omega * (1 - kSameFrequency));
            const int above = detail::ClampedCountBelow(el, action, omega * (1 + kSameFrequency));
            for (int order = below + 1; order <= above; ++order) {
                modes.push_back(detail::MakeClampedMode(el, action, order, omega));
                elements.push_back(e);
            }
        }
    const int p = static_cast<int>(modes.size());
    if (p == 0) return {};
    // End forces of every clamped mode on the free dofs, one column each, scaled to 1.
    std::map<int, int> rowOf;
    std::vector<std::array<double, 12>> forces(p);
    for (int j = 0; j < p; ++j) {
        const ElementRecord& el = model.Elements[elements[j]];
        const std::array<double, 12> local = detail::ClampedModeEndForces(el, modes[j]);
        RotateVector12(el.RotMatrixT, local.data(), forces[j].data());
        for (int c = 0; c < 12; ++c) {
            const int eq = setup.numbering.DofMap[el.EndNode[c / 6]][c % 6];
            if (eq < setup.Order() && rowOf.count(eq) == 0) {
                const int next = static_cast<int>(rowOf.size());
                rowOf[eq] = next;
            }
        }
    }
    Eigen::MatrixXd R = Eigen::MatrixXd::Zero(static_cast<int>(rowOf.size()), p);
    for (int j = 0; j < p; ++j) {
        const ElementRecord& el = model.Elements[elements[j]];
        for (int c = 0; c < 12; ++c) {
            const int eq = setup.numbering.DofMap[el.EndNode[c / 6]][c % 6];
            if (eq < setup.Order()) R(rowOf[eq], j) += forces[j][c];
        }
    }
    Eigen::VectorXd scale = Eigen::VectorXd::Ones(p);
    for (int j = 0; j < p; ++j) {
        const double n = R.col(j).norm();
        if (n > 0.0) R.col(j) /= n, scale[j] = n;
    }
    // The null space of R: the columns of Q beyond the rank of R^T = Q T.
    Eigen::MatrixXd null;
    if (R.rows() == 0) {
        null = Eigen::MatrixXd::Identity(p, p);
    } else {
        Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(R.transpose());
        qr.setThreshold(1e-8);
        const Eigen::MatrixXd Q = qr.householderQ();
        null = Q.rightCols(p - static_cast<int>(qr.rank()));
    }
    std::vector<std::vector<BarVibration>> result;
    for (int m = 0; m < null.cols(); ++m) {
        Eigen::VectorXd a = null.col(m).cwiseQuotient(scale);
        Eigen::Index big = 0;
        a.cwiseAbs().maxCoeff(&big);
        a /= a[big];
        std::vector<BarVibration> bars;
        for (int j = 0; j < p; ++j)
            if (std::fabs(a[j]) > 1e-12)
                bars.push_back(BarVibration{elements[j], modes[j].Action, modes[j].Order, a[j]});
        result.push_back(std::move(bars));
    }
    return result;
}

// The null vectors of K at a group's frequency, orthogonal to each other, by inverse
// iteration on K(omega) itself: nearly singular, so that one solve gives the null
// space to rounding.
std::vector<Eigen::VectorXd> NullVectors(Evaluator& ev, const Setup& setup, double omega,
                                         int count) {
    const int n = setup.Order();
    std::vector<Eigen::VectorXd> found;
    if (count <= 0 || n == 0) return found;
    // A zero frequency: at the zero limit, where the rigid motions have the smallest
    // magnitudes of K by far (K(0) itself may be exactly singular).
    ev.FactoriseForShapes(omega > 0.0 ? omega : setup.zeroLimit);
    auto orthogonalise = [&](Eigen::VectorXd& x) {
        for (int pass = 0; pass < 2; ++pass)
            for (const Eigen::VectorXd& f : found) x -= f.dot(x) * f;
        const double norm = x.norm();
        numeric::CheckFinite(1.0 / norm, "mode shape");
        x /= norm;
    };
    for (int m = 0; m < count; ++m) {
        Eigen::VectorXd x(n);
        for (int i = 0; i < n; ++i) x[i] = 1.0 + 0.5 * std::sin(0.7 * i + 1.3 * m);
        orthogonalise(x);
        for (int iteration = 0; iteration < 8; ++iteration) {
            Eigen::VectorXd y = ev.Solve(x);
            for (int i = 0; i < n; ++i) numeric::CheckFinite(y[i], "mode shape");
            orthogonalise(y);
            if (y.dot(x) < 0.0) y = -y;
            const double change = (y - x).norm();
            x = y;
            if (change < 1e-13 && iteration > 0) break;
        }
        found.push_back(x);
    }
    return found;
}

// Node displacements of a null vector, scaled to a largest component of +1.
std::vector<std::array<double, 6>> NodeDisplacements(const Setup& setup, const Eigen::VectorXd& x) {
    std::vector<std::array<double, 6>> d(setup.model.NodeCount(), std::array<double, 6>{});
    double big = 0.0;
    for (int r = 0; r < x.size(); ++r) {
        const auto [node, dof] = setup.numbering.DofOwner[r];
        d[node][dof] = x[r];
    }
    for (const auto& n : d)
        for (double v : n)
            if (std::fabs(v) > std::fabs(big)) big = v;
    if (big != 0.0)
        for (auto& n : d)
            for (double& v : n) v /= big;
    return d;
}

void ShapeGroup(Evaluator& ev, const Setup& setup, const Group& g,
                std::vector<NaturalMode>& modes) {
    const int m = g.last - g.first + 1;
    std::vector<std::vector<BarVibration>> atRest;
    if (g.omega > 0.0) atRest = BarModesAtRest(setup, g.omega);
    // At a bar's own frequency the amplitude of its clamped mode in the shape along it
    // is 0 / 0 in K(omega): the shapes are found a little off that pole, and the shape
    // along the bar is evaluated there too.
    const bool atPole = BarCount(setup.model, g.omega * (1 - kSameFrequency)) !=
                        BarCount(setup.model, g.omega * (1 + kSameFrequency));
    const double shapeOmega = atPole && g.omega > 0.0 ? g.omega * (1.0 + kShapeOffset) : g.omega;
    const int inside = std::min(m, static_cast<int>(atRest.size()));
    const std::vector<Eigen::VectorXd> shapes = NullVectors(ev, setup, shapeOmega, m - inside);
    for (int i = 0; i < m; ++i) {
        NaturalMode& mode = modes[g.first + i];
        mode.ShapeOmega = shapeOmega;
        if (i < static_cast<int>(shapes.size())) {
            mode.NodeDisp = NodeDisplacements(setup, shapes[i]);
        } else {
            mode.NodeDisp.assign(setup.model.NodeCount(), std::array<double, 6>{});
            if (i >= m - inside) mode.InsideBars = atRest[i - (m - inside)];
        }
    }
}

}  // namespace

double ZeroFrequencyLimit(const Model& model) {
    double fastest = 0.0;
    for (const ElementRecord& e : model.Elements)
        fastest = std::max({fastest, e.WaveAxial / e.Length, e.WaveTorsion / e.Length});
    return 1e-6 * fastest;
}

int CountFrequenciesBelow(const Model& model, double omega) {
    const Setup setup(model);
    Evaluator ev(setup, true);
    return ev.Evaluate(omega).count;
}

ModeResult SolveModes(const Model& model, const ModeRequest& request, ModeCallbacks* callbacks) {
    ModeResult result;
    std::vector<NaturalMode> modes;
    std::vector<char> done;
    std::atomic<int> found{0}, shapesFound{0};
    int wanted = -1;
    try {
        const Setup setup(model);
        result.FreeDofs = setup.Order();
        if (setup.Order() > 0) {
            const GlobalPattern& p = *setup.pattern;
            const bool multifrontal =
                FactorFlopsPerEntry({p.Order(), p.ColumnStarts().data(), p.RowIndices().data()}) >
                kMultifrontalCountFlopsPerEntry;
            result.Solver = std::string(multifrontal ? "UMFPACK LDL^T (diagonal pivots)"
                                                     : "Eigen SimplicialLDLT") +
                            ", AMD ordering, for the Wittrick-Williams count; UMFPACK LU with "
                            "partial pivoting for the shapes";
        }
        result.ZeroLimit = setup.zeroLimit;
        const bool byCount = request.Count > 0;
        const bool byLimit = request.BelowHz > 0.0;
        if (model.ElementCount() == 0 || (!byCount && !byLimit)) return result;
        // A free dof that nothing holds is a mechanism without mass: no frequency counts.
        // So is a joint of released members that nothing holds in some direction.
        std::pair<int, int> loose{-1, -1};
        if (const int row = Evaluator(setup, false).EquationHeldByNothing(setup.zeroLimit);
            row >= 0)
            loose = setup.numbering.DofOwner[row];
        else
            loose = FindLooseJoint(model, setup.numbering, true);
        if (loose.first >= 0) {
            result.Result.Kind = OutcomeKind::SingularMatrix;
            std::tie(result.Result.Node, result.Result.Dof) = loose;
            result.Result.Detail = "a free degree of freedom that nothing holds";
            return result;
        }

        // Memory first: every worker holds its matrix and factorisations.
        int threads = ThreadsFor(request.Threads);
        const MemoryPlan plan = PlanMemory(*setup.pattern, SymmetricFactorNonZeros(*setup.pattern),
                                           model.NodeCount(), 0);
        MemoryRoom room = AvailableMemory();
        // The shapes' factorisation runs on UMFPACK, and with it the BLAS.
        if (room.Limit == MemoryLimit::AddressSpace) room.PerThreadBytes += kBlasBufferBytes;
        if (room.Bytes > 0.0) {
            try {
                threads = WorkersThatFit(plan, threads, room, "reduce the number of nodes");
            } catch (const ComputationFailure& f) {
                result.Result.Kind = OutcomeKind::WouldNotFit;
                result.Result.Detail = f.what();
                result.Result.NeededBytes =
                    plan.SharedBytes + plan.PerWorkerBytes + room.PerThreadBytes;
                result.Result.AvailableBytes = room.Bytes;
                result.Result.Limit = room.Limit;
                return result;
            }
        }

        Search search;
        Pool pool(setup, threads, callbacks, [&] {
            return ModeProgress{found.load(), wanted, search.Evaluations(), shapesFound.load()};
        });
        result.Threads = pool.Threads();
        auto finish = [&] {
            result.Evaluations = search.Evaluations();
            if (pool.OutOfMemory()) {
                result.Result.Kind = OutcomeKind::OutOfMemory;
                result.Result.Detail = "the natural-frequency search";
            } else if (!pool.Failure().empty()) {
                result.Result.Kind = OutcomeKind::SingularMatrix;
                result.Result.Detail = pool.Failure();
            } else if (pool.Stopped()) {
                result.Result.Kind = OutcomeKind::Stopped;
            }
            for (int k = 0; k < static_cast<int>(done.size()) && done[k]; ++k)
                result.Modes.push_back(modes[k]);
            return result;
        };

        // The zero limit, and the limit asked for.
        const double limit = numeric::TwoPi * request.BelowHz;
        std::vector<double> probes{setup.zeroLimit};
        if (byLimit) probes.push_back(limit);
        std::vector<Sample> probed(probes.size());
        pool.Run(static_cast<int>(probes.size()), [&](Evaluator& ev, int i) {
            probed[i] = ev.Evaluate(probes[i]);
            search.Insert(probed[i]);
        });
        if (pool.Halted()) return finish();
        const int zeros = probed[0].count;
        wanted = byCount ? request.Count : INT_MAX;
        if (byLimit) wanted = std::min(wanted, probed[1].count);
        modes.resize(wanted);
        done.assign(wanted, 0);
        // An upper bound for every wanted frequency: J >= J0, so where the bars alone
        // count them all.
        double top = 0.0;
        for (const ElementRecord& e : model.Elements)
            top = top == 0.0 ? detail::LowestClampedFrequency(e)
                             : std::min(top, detail::LowestClampedFrequency(e));
        while (BarCount(model, top) < wanted) {
            top *= 2.0;
            if (!(top < 1e300))
                throw ComputationFailure(numeric::kOverflow, "too many frequencies asked for");
        }
        Sample bound;
        bound.omega = top;
        bound.count = bound.bars = BarCount(model, top);
        bound.measured = false;
        search.Insert(bound);

        for (int k = 0; k < std::min(zeros, wanted); ++k) done[k] = 1, ++found;
        const int first = std::min(zeros, wanted);
        FindFrequencies(pool, search, first, wanted, modes, done, found);
        if (pool.Halted() || !request.Shapes) return finish();

        std::vector<Group> groups;
        for (int k = 0; k < wanted; ++k) {
            const double omega = modes[k].Omega;
            if (!groups.empty() &&
                omega - groups.back().omega <= kSameFrequency * std::max(omega, 0.0)) {
                groups.back().last = k;
            } else {
                groups.push_back(Group{k, k, omega});
            }
        }
        pool.Run(static_cast<int>(groups.size()), [&](Evaluator& ev, int i) {
            ShapeGroup(ev, setup, groups[i], modes);
            shapesFound += groups[i].last - groups[i].first + 1;
        });
        if (pool.Halted()) {
            // Shapes in part: keep them only where the whole group was done.
            for (NaturalMode& m : modes)
                if (m.NodeDisp.empty()) m.InsideBars.clear();
        }
        return finish();
    } catch (const std::bad_alloc&) {
        result.Result.Kind = OutcomeKind::OutOfMemory;
        result.Result.Detail = "the natural-frequency search";
        result.Modes.clear();
        for (int k = 0; k < static_cast<int>(done.size()) && done[k]; ++k)
            result.Modes.push_back(modes[k]);
        return result;
    } catch (const std::exception& e) {
        result.Result.Kind = OutcomeKind::SingularMatrix;
        result.Result.Detail = e.what();
        result.Modes.clear();
        for (int k = 0; k < static_cast<int>(done.size()) && done[k]; ++k)
            result.Modes.push_back(modes[k]);
        return result;
    }
}

std::vector<std::array<double, 6>> ModeShapeAlongBar(const Model& model, const NaturalMode& mode,
                                                     int e, int points, bool global) {
    if (e < 0 || e >= model.ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(e) + " does not exist");
    const ElementRecord& el = model.Elements[e];
    for (int n : el.EndNode)
        if (n < 0 || n >= model.NodeCount())
            throw ComputationFailure(
                numeric::kOutOfRange,
                "an element refers to node " + std::to_string(n) + ", which does not exist");
    points = std::max(points, 2);
    double d[12] = {}, local[12];
    if (static_cast<int>(mode.NodeDisp.size()) == model.NodeCount())
        for (int c = 0; c < 12; ++c) d[c] = mode.NodeDisp[el.EndNode[c / 6]][c % 6];
    RotateVector12(el.RotMatrix, d, local);
    const double omega = mode.ShapeOmega > 0.0 ? mode.ShapeOmega : mode.Omega;
    if (HasReleases(el)) {
        // The member's own end displacements where it is released, from the kept ones.
        ElementWork work;
        numeric::ComplexMatrix K(12, 12);
        ElemStiffDyn(numeric::Complex{0.0, omega}, el, work, K);
        double own[12];
        for (int c = 0; c < 12; ++c) {
            own[c] = local[c];
            if (!el.Released[c]) continue;
            own[c] = 0.0;
            for (int j = 0; j < 12; ++j) own[c] += work.recovery(c, j).re * local[j];
        }
        std::copy(own, own + 12, local);
    }
    const detail::BarField field(el, omega, local);
    std::vector<detail::ClampedMode> own;
    std::vector<double> amplitude;
    for (const BarVibration& b : mode.InsideBars)
        if (b.Element == e) {
            own.push_back(detail::MakeClampedMode(el, b.Action, b.Order, mode.Omega));
            amplitude.push_back(b.Amplitude);
        }
    std::vector<std::array<double, 6>> out(points);
    for (int i = 0; i < points; ++i) {
        const double x = el.Length * i / (points - 1);
        std::array<double, 6> u = field.At(x);
        for (std::size_t j = 0; j < own.size(); ++j) {
            const double a = amplitude[j];
            const std::array<double, 2> shape = detail::ClampedModeAt(own[j], x);
            const double v = a * shape[0];
            switch (own[j].Action) {
                case 0:
                    u[0] += v;
                    break;
                case 1:
                    u[3] += v;
                    break;
                case 2:
                    u[1] += v;
                    u[5] += a * shape[1];
                    break;
                default:
                    u[2] += v;
                    u[4] -= a * shape[1];
                    break;
            }
        }
        if (global) {
            std::array<double, 6> g{};
            for (int half = 0; half < 2; ++half)
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c)
                        g[3 * half + r] += el.RotMatrixT[r][c] * u[3 * half + c];
            u = g;
        }
        out[i] = u;
    }
    return out;
}

}  // namespace fem

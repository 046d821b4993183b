#pragma once
// How a solution of the engine ended, as a value: complete, stopped, or failed with the
// kind of failure and what it concerns. Programs word it in their own language by its
// kind; EnglishText gives the command-line tool's words.
#include <string>

namespace fem {

enum class OutcomeKind {
    Complete,
    Stopped,         // a stop was requested; the points before Point are kept
    SingularMatrix,  // a zero pivot: at transform point Point (impact) or in the statics
    NoFreeDof,       // every degree of freedom is fixed
    WouldNotFit,     // refused before starting: NeededBytes against AvailableBytes
    OutOfMemory,     // an allocation failed while the solution ran
    BadNumbering,    // an element refers to a node that does not exist
    NotFinite,       // a value overflowed or became undefined
    BadSettings,     // the settings of the run cannot be used (Detail says which)
};

// Which limit left the memory a run was measured against.
enum class MemoryLimit {
    Available,     // the memory the system has available
    AddressSpace,  // the process's address-space limit (ulimit -v)
    ControlGroup,  // the memory limit of the process's control group
};

struct Outcome {
    OutcomeKind Kind = OutcomeKind::Complete;
    int Point = -1;  // the transform point (counted over both lines) it concerns, or -1
    int Node = -1;   // the node and degree of freedom it concerns, or -1
    int Dof = -1;
    double NeededBytes = 0.0;  // WouldNotFit, OutOfMemory: the estimate, bytes
    double AvailableBytes = 0.0;
    MemoryLimit Limit = MemoryLimit::Available;  // what AvailableBytes is
    std::string Detail;  // English, for reports; never needed to choose a message

    [[nodiscard]] bool Complete() const { return Kind == OutcomeKind::Complete; }
    [[nodiscard]] bool Stopped() const { return Kind == OutcomeKind::Stopped; }
    [[nodiscard]] bool Failed() const { return !Complete() && !Stopped(); }
};

// The texts a failed or stopped solution has always been shown with.
inline const char* const kUserStop = "User Stop";
inline const char* const kGaussError = "Gauss Error";

// "" for a complete solution, "User Stop", "Gauss Error" (singular matrix, no free
// degree of freedom, values not finite; a singular matrix that shows at a node adds
// ": mechanism at node 5, rx"), or a sentence for the other kinds.
std::string EnglishText(const Outcome& outcome);

// "ux", "uy", "uz", "rx", "ry", "rz" for dof 0 .. 5.
const char* DofName(int dof);

}  // namespace fem

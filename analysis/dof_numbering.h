#pragma once
// The equation numbers of a structure's degrees of freedom: free ones ("p..." codes)
// upwards in node-then-dof order from 0, fixed ones downwards from DofCount - 1, so that
// the free dofs of a node are consecutive and ascend with the node number.
#include <array>
#include <utility>
#include <vector>

namespace fem {

class Model;

struct DofNumbering {
    int DofCount = 0;
    int FreeDofCount = 0;
    std::vector<std::array<int, 6>> DofMap;     // equation number of (node, dof)
    std::vector<std::pair<int, int>> DofOwner;  // (node, dof) owning each equation

    [[nodiscard]] bool IsFree(int node, int dof) const { return DofMap[node][dof] < FreeDofCount; }
};

// How the dofs of a node that no element touches are numbered: by their codes as every
// other node's (the static and impact solutions), or as fixed (the natural frequencies:
// they carry neither mass nor stiffness).
enum class UnjoinedNodes { ByCode, Fixed };

// Raises numeric::ComputationFailure when an element refers to a node that does not exist,
// or (kOverflow) when the numbering does not fit in memory.
[[nodiscard]] DofNumbering NumberDofs(const Model& model,
                                      UnjoinedNodes unjoined = UnjoinedNodes::ByCode);

// Raises numeric::ComputationFailure when an element of model refers to a node that does
// not exist.
void CheckEndNodes(const Model& model);

}  // namespace fem

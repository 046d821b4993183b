#include "analysis/dof_numbering.h"

#include <new>
#include <string>

#include "model/model.h"
#include "numeric/failure.h"

namespace fem {

using numeric::ComputationFailure;

void CheckEndNodes(const Model& model) {
    for (const ElementRecord& e : model.Elements)
        for (int n : e.EndNode)
            if (n < 0 || n >= model.NodeCount())
                throw ComputationFailure(
                    numeric::kOutOfRange,
                    "an element refers to node " + std::to_string(n) + ", which does not exist");
}

DofNumbering NumberDofs(const Model& model, UnjoinedNodes unjoined) {
    CheckEndNodes(model);
    const int nodes = model.NodeCount();
    DofNumbering d;
    try {
        std::vector<char> joined(nodes, unjoined == UnjoinedNodes::ByCode ? 1 : 0);
        for (const ElementRecord& e : model.Elements)
            joined[e.EndNode[0]] = joined[e.EndNode[1]] = 1;
        d.DofCount = 6 * nodes;  // the model keeps NodeCount below INT_MAX / 6
        d.DofMap.assign(nodes, std::array<int, 6>{});
        d.DofOwner.assign(d.DofCount, std::pair<int, int>{0, 0});
        int top = d.DofCount - 1;
        for (int i = 0; i < nodes; ++i)
            for (int j = 0; j < 6; ++j) {
                const std::string& code = model.Nodes[i].BcCode[j];
                if (joined[i] && !code.empty() && code[0] == 'p') {
                    d.DofMap[i][j] = d.FreeDofCount;
                    d.DofOwner[d.FreeDofCount++] = {i, j};
                } else {
                    d.DofMap[i][j] = top;
                    d.DofOwner[top--] = {i, j};
                }
            }
    } catch (const std::bad_alloc&) {
        throw ComputationFailure(numeric::kOverflow, "not enough memory to number the " +
                                                         std::to_string(6L * nodes) +
                                                         " degrees of freedom");
    }
    return d;
}

}  // namespace fem

#pragma once
// Grid frames for the benchmarks: bays of 500 mm in x and y, storeys of 400 mm, the
// default steel bar of 10 mm diameter between neighbouring nodes (beams above the ground
// only), the ground nodes clamped and one step load along x at the top corner.
#include "model/model.h"

namespace benchgrid {

inline void BuildGrid(fem::Model& m, int bx, int by, int storeys) {
    m.ClearModel();
    auto index = [&](int i, int j, int k) { return (k * (by + 1) + j) * (bx + 1) + i; };
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                fem::NodeRecord n = fem::DefaultNode();
                n.Coord = {500.0 * i, 500.0 * j, 400.0 * k};
                for (auto& code : n.BcCode) code = k == 0 ? "u" : "p";
                if (i == bx && j == by && k == storeys) {
                    n.BcCode[0] = "pf";
                    n.LoadValue[0] = 1.0;
                }
                m.AddNode(n);
            }
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                fem::ElementRecord e = fem::DefaultElement();
                const int a = index(i, j, k);
                if (k > 0 && i < bx) {
                    e.EndNode = {a, index(i + 1, j, k)};
                    m.AddElement(e);
                }
                if (k > 0 && j < by) {
                    e.EndNode = {a, index(i, j + 1, k)};
                    m.AddElement(e);
                }
                if (k < storeys) {
                    e.EndNode = {a, index(i, j, k + 1)};
                    m.AddElement(e);
                }
            }
}

}  // namespace benchgrid

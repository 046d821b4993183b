#include "model/samples.h"

#include <string>

#include "numeric/failure.h"

namespace fem {
namespace {

enum Support { kFree, kFixed };

void AddSampleNode(Model& m, double x, double y, double z, Support s, int pfDof = -1,
                   double pfValue = 0.0) {
    NodeRecord n = DefaultNode();
    n.Coord = {x, y, z};
    for (int j = 0; j < 6; ++j) n.BcCode[j] = (s == kFixed) ? "u" : "p";
    if (pfDof >= 0) {
        n.BcCode[pfDof] = "pf";
        n.LoadValue[pfDof] = pfValue;
    }
    m.AddNode(n);
}

void AddSampleElement(Model& m, int a, int b) {
    ElementRecord e = DefaultElement();
    e.EndNode = {a, b};
    m.AddElement(e);
}

}  // namespace

SampleSettings BuildSample(Model& model, int number) {
    if (number < 1 || number > 4)
        throw numeric::ComputationFailure(numeric::kOutOfRange,
                                          "no sample " + std::to_string(number) + " (1 to 4)");
    Model m;
    SampleSettings s;
    switch (number) {
        case 1:  // axial step load on a straight bar
            AddSampleNode(m, 0, 0, 0, kFixed);
            AddSampleNode(m, 100, 0, 0, kFree);
            AddSampleNode(m, 200, 0, 0, kFree, 0, 1.0);
            AddSampleElement(m, 0, 1);
            AddSampleElement(m, 1, 2);
            s = {0.0004, 10000};
            break;
        case 2:  // cantilever with a transverse step load at its tip
            AddSampleNode(m, 0, 0, 0, kFixed);
            AddSampleNode(m, 50, 0, 0, kFree);
            AddSampleNode(m, 100, 0, 0, kFree, 1, -1.0);
            AddSampleElement(m, 0, 1);
            AddSampleElement(m, 1, 2);
            s = {0.01, 300};
            break;
        case 3:  // portal frame loaded at the middle of its beam
            AddSampleNode(m, 0, 0, 0, kFixed);
            AddSampleNode(m, 0, 100, 0, kFree);
            AddSampleNode(m, 50, 100, 0, kFree, 1, 1.0);
            AddSampleNode(m, 100, 100, 0, kFree);
            AddSampleNode(m, 100, 0, 0, kFixed);
            for (int e = 0; e < 4; ++e) AddSampleElement(m, e, e + 1);
            s = {0.005, 10000};
            break;
        default: {  // box frame clamped on one side
            AddSampleNode(m, 0, 0, 0, kFixed);
            AddSampleNode(m, 100, 0, 0, kFree);
            AddSampleNode(m, 100, 20, 0, kFree, 1, 1.0);
            AddSampleNode(m, 0, 20, 0, kFixed);
            AddSampleNode(m, 0, 0, -40, kFixed);
            AddSampleNode(m, 100, 0, -40, kFree);
            AddSampleNode(m, 100, 20, -40, kFree, 1, 1.0);
            AddSampleNode(m, 0, 20, -40, kFixed);
            const int ends[12][2] = {{0, 1}, {1, 2}, {2, 3}, {0, 3}, {0, 4}, {1, 5},
                                     {4, 5}, {5, 6}, {6, 2}, {6, 7}, {7, 4}, {3, 7}};
            for (const auto& en : ends) AddSampleElement(m, en[0], en[1]);
            s = {0.005, 1000};
            break;
        }
    }
    model = std::move(m);
    return s;
}

}  // namespace fem

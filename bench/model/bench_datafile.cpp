// Reading and writing a structure data file of 30,000 nodes, as version 1 (round bars of
// their own values) and as version 2 (a named material and I section, every other member
// turned).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "model/datafile.h"

namespace {

// A grid of 30,000 nodes (150 x 200) with a bar from every node to its right neighbour;
// with version2, I sections of a named material, every other one rolled by 30 degrees.
fem::Model BigModel(bool version2 = false) {
    fem::Model m;
    if (version2) {
        m.PutMaterial("steel", {21000, 8000, 7.86E-06});
        fem::Section h200;
        h200.Shape = fem::SectionShape::I;
        h200.Height = 200, h200.Width = 100, h200.WebThickness = 5.5, h200.FlangeThickness = 8;
        m.PutSection("H200", h200);
    }
    const int cols = 150;
    const int rows = 200;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            fem::NodeRecord n = fem::DefaultNode();
            n.Coord = {c * 12.5, r * 7.25, (r % 3) * 0.1};
            if (r == 0) n.BcCode = {"u", "u", "u", "u", "u", "u"};
            if (r == rows - 1) {
                n.BcCode[1] = "pf";
                n.LoadValue[1] = -1.5;
            }
            m.AddNode(n);
        }
    }
    for (int r = 0; r < rows && m.ElementCount() < 29000; ++r) {
        for (int c = 0; c + 1 < cols; ++c) {
            fem::ElementRecord e = fem::DefaultElement();
            e.EndNode = {r * cols + c, r * cols + c + 1};
            if (version2) {
                e.MaterialName = "steel";
                e.SectionName = "H200";
                e.Roll = c % 2 ? 30.0 : 0.0;
            }
            m.AddElement(e);
        }
    }
    return m;
}

const std::string kPath = "/tmp/impactframe_bench_30000.txt";

// state.range(0): the version.
void BM_WriteDataFile(benchmark::State& state) {
    const fem::Model m = BigModel(state.range(0) == 2);
    for (auto _ : state) {
        std::string err;
        if (!fem::StructDataWriteFile(m, kPath, &err)) state.SkipWithError(err.c_str());
    }
}
BENCHMARK(BM_WriteDataFile)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ReadDataFile(benchmark::State& state) {
    {
        std::string err;
        if (!fem::StructDataWriteFile(BigModel(state.range(0) == 2), kPath, &err))
            state.SkipWithError(err.c_str());
    }
    for (auto _ : state) {
        fem::Model m;
        fem::DataFileError err;
        if (!fem::StructDataReadFile(m, kPath, &err)) state.SkipWithError(err.Message().c_str());
        benchmark::DoNotOptimize(m.NodeCount());
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_ReadDataFile)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

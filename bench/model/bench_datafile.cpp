// Reading and writing a structure data file of 30,000 nodes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "model/datafile.h"

namespace {

// A grid of 30,000 nodes (150 x 200) with a bar from every node to its right neighbour.
fem::Model BigModel() {
    fem::Model m;
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
            m.AddElement(e);
        }
    }
    return m;
}

const std::string kPath = "/tmp/impactframe_bench_30000.txt";

void BM_WriteDataFile(benchmark::State& state) {
    const fem::Model m = BigModel();
    for (auto _ : state) {
        std::string err;
        if (!fem::StructDataWriteFile(m, kPath, &err)) state.SkipWithError(err.c_str());
    }
}
BENCHMARK(BM_WriteDataFile)->Unit(benchmark::kMillisecond);

void BM_ReadDataFile(benchmark::State& state) {
    {
        std::string err;
        if (!fem::StructDataWriteFile(BigModel(), kPath, &err)) state.SkipWithError(err.c_str());
    }
    for (auto _ : state) {
        fem::Model m;
        fem::DataFileError err;
        if (!fem::StructDataReadFile(m, kPath, &err)) state.SkipWithError(err.Message().c_str());
        benchmark::DoNotOptimize(m.NodeCount());
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond);

}  // namespace

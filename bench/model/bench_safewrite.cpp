// Writing a 4 KiB file safely into folders of 0 to 10,000 other files: the cost of
// looking for a killed save's leftovers, which every save does first.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/safewrite.h"

namespace {

void BM_WriteFileSafelyInAFolderOf(benchmark::State& state) {
    const auto others = static_cast<int>(state.range(0));
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("impactframe_bench_safewrite_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (int i = 0; i < others; ++i) std::ofstream(dir / ("other" + std::to_string(i) + ".csv"));
    const std::string text(4096, 'x');
    const std::string path = (dir / "out.csv").string();
    for (auto _ : state) {
        fem::FileWriteError why;
        if (!fem::WriteFileSafely(path, text, &why)) state.SkipWithError(why.Message().c_str());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteFileSafelyInAFolderOf)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

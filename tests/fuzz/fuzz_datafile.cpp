// Fuzz target of the structure data file readers. Whatever the bytes, a reader either
// gives a model that keeps the model's invariants and that its own file text reads
// back as the same model, or fails with a located reason and leaves the model as it
// was; it never crashes, hangs or reaches undefined behaviour.
//
// Built with libFuzzer by clang (IMPACTFRAME_FUZZ=ON, as ./test does in build-fuzz);
// replay.cpp runs it over the seed corpus in every other build.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/datafile.h"
#include "model/samples.h"

namespace {

// A reader of data file text: the signature of StructDataReadText.
using Reader = bool (*)(fem::Model& model, const std::string& text, const std::string& name,
                        fem::DataFileError* error);

// Every input goes to every reader; a new reader of data files is one more line here.
constexpr Reader kReaders[] = {
    fem::StructDataReadText,  // version 1
};

// A broken invariant is a crash for the fuzzer to report, in release builds too.
void Require(bool holds) {
    if (!holds) std::abort();
}

void CheckModel(const fem::Model& m) {
    for (const fem::ElementRecord& e : m.Elements) {
        for (const int end : e.EndNode) Require(end >= 0 && end < m.NodeCount());
        Require(e.EndNode[0] != e.EndNode[1]);
        Require(std::isfinite(e.Length) && e.Length > 0.0);
        Require(std::isfinite(e.WaveAxial) && std::isfinite(e.BendCoefZ));
    }
    for (const fem::NodeRecord& n : m.Nodes) {
        for (const double c : n.Coord) Require(std::isfinite(c));
        for (const std::string& code : n.BcCode)
            Require(code == "p" || code == "u" || code == "pf");
    }
}

void CheckReader(Reader read, const std::string& input, const std::string& untouched) {
    fem::Model model;
    fem::BuildSample(model, 1);
    fem::DataFileError error;
    if (!read(model, input, "fuzz", &error)) {
        Require(!error.expected.empty());
        Require(error.line >= 1 || error.problem == fem::ReadProblem::Unreadable);
        Require(fem::StructDataText(model) == untouched);
        return;
    }
    CheckModel(model);
    // What was read can be written, and the written file reads back as itself.
    const std::string written = fem::StructDataText(model);
    fem::Model again;
    Require(fem::StructDataReadText(again, written, "written", nullptr));
    Require(fem::StructDataText(again) == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    fem::Model sample;
    fem::BuildSample(sample, 1);
    const std::string untouched = fem::StructDataText(sample);
    for (const Reader read : kReaders) CheckReader(read, input, untouched);
    return 0;
}

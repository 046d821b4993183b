// Shared helpers of the command-line tool and its "sample" and "check" commands.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "model/datafile.h"
#include "model/safewrite.h"
#include "model/samples.h"
#include "model/section.h"
#include "numeric/failure.h"
#include "results/historytable.h"

namespace cli {

int UsageError(const std::string& why) {
    std::fprintf(stderr, "impactframe-cli: %s (try impactframe-cli --help)\n", why.c_str());
    return 2;
}

bool WriteOutput(const std::string& path, const std::string& text) {
    if (path.empty() || path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
            std::fflush(stdout) == 0)
            return true;
        std::fprintf(stderr, "impactframe-cli: standard output: %s\n", std::strerror(errno));
        return false;
    }
    fem::FileWriteError error;
    if (!fem::WriteFileSafely(path, text, &error)) {
        std::fprintf(stderr, "impactframe-cli: %s\n", error.Message().c_str());
        return false;
    }
    return true;
}

int LoadStructure(const std::string& input, fem::Model& model, double* te) {
    if (input.rfind("sample:", 0) == 0) {
        const std::string n = input.substr(7);
        if (n.size() != 1 || n[0] < '1' || n[0] > '4')
            return UsageError("no sample '" + n + "' (sample:1 .. sample:4)");
        const double sampleTe = fem::BuildSample(model, n[0] - '0').Te;
        if (te) *te = sampleTe;
        return 0;
    }
    fem::DataFileError error;
    if (!fem::StructDataReadFile(model, input, &error)) {
        std::fprintf(stderr, "impactframe-cli: %s\n", error.Message().c_str());
        return 2;
    }
    return 0;
}

int UseTimoshenko(fem::Model& model, bool quiet) {
    try {
        fem::UseTimoshenkoWhereShearAreas(model);
    } catch (const numeric::ComputationFailure& f) {
        if (!quiet) std::fprintf(stderr, "impactframe-cli: --timoshenko: %s\n", f.what());
        return 2;
    }
    return 0;
}

namespace {

// A text field of the CSV, quoted when it holds a comma, a quote or a line end.
std::string CsvText(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The dimensions of a section as "d=60.5 t=3.2".
std::string DimensionsText(const fem::Section& s) {
    std::string text;
    for (const fem::SectionDimension& d : fem::DimensionsOf(s.Shape))
        if (!d.Optional || s.*d.Value != 0.0)
            text += (text.empty() ? "" : " ") + std::string(d.Key) + "=" +
                    results::CsvNumber(s.*d.Value);
    return text;
}

// The released end forces of one end, as "My Mz".
std::string ReleasedText(const fem::ElementRecord& e, int end) {
    std::string text;
    for (int k = 0; k < 6; ++k)
        if (e.Released[6 * end + k])
            text += (text.empty() ? "" : " ") + std::string(fem::ReleaseName(k));
    return text;
}

// What the structure has besides rigid joints and bare bars, as tables after the element
// table, each after an empty line and only when there is something to list: the
// releases of the elements, the springs and masses of the nodes, the dropped weight.
std::string JointTables(const fem::Model& model) {
    std::string text;
    std::string rows;
    for (int k = 0; k < model.ElementCount(); ++k) {
        const fem::ElementRecord& e = model.Elements[k];
        if (fem::HasReleases(e))
            rows += std::to_string(k) + "," + ReleasedText(e, 0) + "," + ReleasedText(e, 1) + "\n";
    }
    if (!rows.empty()) text += "\nelement,releases_start,releases_end\n" + rows;
    rows.clear();
    for (int i = 0; i < model.NodeCount(); ++i) {
        const fem::NodeRecord& n = model.Nodes[i];
        if (!fem::HasSpringOrMass(n)) continue;
        rows += std::to_string(i);
        for (double k : n.Springs) rows += "," + results::CsvNumber(k);
        rows += "," + results::CsvNumber(n.MassWeight);
        for (double j : n.RotaryInertia) rows += "," + results::CsvNumber(j);
        rows += "\n";
    }
    if (!rows.empty()) text += "\nnode,kx,ky,kz,krx,kry,krz,weight,jx,jy,jz\n" + rows;
    if (const auto& d = model.Impact()) {
        text += "\nimpact_node,weight,vx,vy,vz,gravity\n" + std::to_string(d->Node) + "," +
                results::CsvNumber(d->Weight);
        for (double v : d->Velocity) text += "," + results::CsvNumber(v);
        text += std::string(",") + (d->Gravity ? "true" : "false") + "\n";
    }
    return text;
}

// ", 2 released elements, 1 node with springs or masses, a dropped weight": what the
// tables of JointTables list, "" when they list nothing.
std::string JointSummary(const fem::Model& model) {
    int released = 0, held = 0;
    for (const fem::ElementRecord& e : model.Elements) released += fem::HasReleases(e) ? 1 : 0;
    for (const fem::NodeRecord& n : model.Nodes) held += fem::HasSpringOrMass(n) ? 1 : 0;
    std::string text;
    if (released > 0)
        text += ", " + std::to_string(released) + " released element" + (released > 1 ? "s" : "");
    if (held > 0)
        text += ", " + std::to_string(held) + " node" + (held > 1 ? "s" : "") +
                " with springs or masses";
    if (model.Impact()) text += ", a dropped weight";
    return text;
}

// Parses "[-o OUT]" after the positional argument; returns false on a usage error.
bool ParseOutputOption(const std::vector<std::string>& args, size_t from, std::string& out,
                       std::string& why) {
    for (size_t i = from; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            out = args[++i];
        } else {
            why = "unexpected argument '" + args[i] + "'";
            return false;
        }
    }
    return true;
}

}  // namespace

int RunSample(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("sample needs a number from 1 to 4");
    const std::string& n = args[0];
    if (n.size() != 1 || n[0] < '1' || n[0] > '4')
        return UsageError("no sample '" + n + "' (1 to 4)");
    std::string out;
    std::string why;
    if (!ParseOutputOption(args, 1, out, why)) return UsageError(why);
    fem::Model model;
    fem::BuildSample(model, n[0] - '0');
    if (out.empty() || out == "-") return WriteOutput(out, fem::StructDataText(model)) ? 0 : 1;
    std::string error;
    if (!fem::StructDataWriteFile(model, out, &error)) {
        std::fprintf(stderr, "impactframe-cli: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunCheck(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("check needs a structure data file");
    std::string out;
    std::string why;
    if (!ParseOutputOption(args, 1, out, why)) return UsageError(why);
    fem::Model model;
    fem::DataFileError error;
    if (!fem::StructDataReadFile(model, args[0], &error)) {
        std::fprintf(stderr, "impactframe-cli: %s\n", error.Message().c_str());
        return 2;
    }
    std::string csv =
        "element,node1,node2,length,axis_x,axis_y,axis_z,area,polar_j,iz,iy,poisson,wave_axial,"
        "wave_torsion,bend_coef_z,bend_coef_y,r00,r01,r02,r10,r11,r12,r20,r21,r22,polar_moment,"
        "ay,az,e,g,density,material,section,shape,dimensions,roll,z_towards_x,z_towards_y,"
        "z_towards_z\n";
    for (int k = 0; k < model.ElementCount(); ++k) {
        const fem::ElementRecord& e = model.Elements[k];
        std::string row = std::to_string(k) + "," + std::to_string(e.EndNode[0]) + "," +
                          std::to_string(e.EndNode[1]);
        const double values[] = {
            e.Length, e.AxisCos[0], e.AxisCos[1], e.AxisCos[2],  e.Area,      e.PolarJ,   e.Iz,
            e.Iy,     e.Poisson,    e.WaveAxial,  e.WaveTorsion, e.BendCoefZ, e.BendCoefY};
        for (double v : values) row += "," + results::CsvNumber(v);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) row += "," + results::CsvNumber(e.RotMatrix[i][j]);
        for (double v : {e.PolarMoment, e.ShearAreaY, e.ShearAreaZ, e.Young, e.Shear, e.Density})
            row += "," + results::CsvNumber(v);
        row += "," + CsvText(e.MaterialName) + "," + CsvText(e.SectionName) + "," +
               fem::ShapeName(e.CrossSection.Shape) + "," + DimensionsText(e.CrossSection) + "," +
               results::CsvNumber(e.Roll);
        for (int c = 0; c < 3; ++c)
            row += "," + (e.ZTowards ? results::CsvNumber((*e.ZTowards)[c]) : std::string());
        csv += row + "\n";
    }
    csv += JointTables(model);
    if (!out.empty()) {
        std::string werror;
        if (!fem::StructDataWriteFile(model, out, &werror)) {
            std::fprintf(stderr, "impactframe-cli: %s\n", werror.c_str());
            return 1;
        }
    }
    if (!WriteOutput("-", csv)) return 1;
    std::fprintf(stderr, "%d nodes, %d elements%s\n", model.NodeCount(), model.ElementCount(),
                 JointSummary(model).c_str());
    return 0;
}

}  // namespace cli

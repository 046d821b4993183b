#include "model/datafile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <istream>
#include <sstream>

#include "numeric/failure.h"

namespace fem {
namespace {

constexpr size_t kMaxFieldLength = 256;
const char* const kDofNames[6] = {"Ux", "Uy", "Uz", "θx", "θy", "θz"};

// Reads comma- and line-separated fields one after another, as the file format
// prescribes: a comma and a line end both end a field, blanks around a field are
// skipped, so only the order of the fields matters.
class FieldReader {
  public:
    explicit FieldReader(std::istream& in) : in_(*in.rdbuf()) {}

    // Returns false at the end of the file. `line` is where the field starts.
    bool Next(std::string& field, int& line, bool& tooLong) {
        field.clear();
        tooLong = false;
        int c = Get();
        // Skip blanks and line ends before a field.
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = Get();
        line = line_;  // at the end of the file: the line where the field was expected
        if (c == EOF) return false;
        while (c != EOF && c != ',' && c != '\r' && c != '\n') {
            if (field.size() >= kMaxFieldLength) {
                tooLong = true;  // stop here: a huge field is not worth reading to its end
                return true;
            }
            field.push_back(static_cast<char>(c));
            c = Get();
        }
        while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
        return true;
    }

  private:
    // One character; counts lines, taking CR LF as one line end.
    int Get() {
        const int c = in_.sbumpc();
        if (c == '\n' && !lastWasCr_) ++line_;
        if (c == '\r') ++line_;
        lastWasCr_ = (c == '\r');
        return c;
    }

    std::streambuf& in_;
    int line_ = 1;
    bool lastWasCr_ = false;
};

struct ReadFailure {
    DataFileError error;
};

std::string Shown(const std::string& field) {
    std::string s;
    for (unsigned char ch : field) {
        if (ch >= 32 && ch < 127) {
            s.push_back(static_cast<char>(ch));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", ch);
            s += buf;
        }
        if (s.size() > 40) {
            s += "...";
            break;
        }
    }
    return "\"" + s + "\"";
}

bool ParseDouble(const std::string& text, double& value) {
    if (text.empty()) return false;
    // Only plain decimal and exponent notation; strtod alone would also take hex,
    // "inf" and "nan".
    for (char ch : text) {
        if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '+' || ch == '-' || ch == '.' ||
              ch == 'e' || ch == 'E'))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return false;
    return std::isfinite(value);
}

class Parser {
  public:
    Parser(std::istream& in, std::string name) : reader_(in), name_(std::move(name)) {}

    double Number(const std::string& expected) {
        const std::string f = Field(expected + " (a number)");
        double v;
        if (!ParseDouble(f, v)) Fail(expected + " (a number)", Shown(f));
        return v;
    }

    int Integer(const std::string& expected, int lo, int hi) {
        const std::string what = expected + " (a whole number from " + std::to_string(lo) + " to " +
                                 std::to_string(hi) + ")";
        const std::string f = Field(what);
        double v;
        if (!ParseDouble(f, v) || v != std::floor(v) || v < lo || v > hi) Fail(what, Shown(f));
        return static_cast<int>(v);
    }

    std::string Code(const std::string& expected) {
        const std::string what = expected + " (p, u or pf)";
        std::string f = Field(what);
        if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
        std::string lower;
        for (char ch : f)
            lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
        if (lower != "p" && lower != "u" && lower != "pf") Fail(what, Shown(f));
        return lower;
    }

    [[noreturn]] void Fail(const std::string& expected, const std::string& found) {
        throw ReadFailure{DataFileError{name_, line_, expected, found}};
    }

    [[nodiscard]] int Line() const { return line_; }

  private:
    std::string Field(const std::string& expected) {
        std::string f;
        bool tooLong = false;
        if (!reader_.Next(f, line_, tooLong)) Fail(expected, "end of file");
        if (tooLong) Fail(expected, "a field longer than 256 characters");
        return f;
    }

    FieldReader reader_;
    std::string name_;
    int line_ = 1;
};

void ReadModel(std::istream& in, const std::string& name, Model& out) {
    Parser p(in, name);
    const int n = p.Integer("the node count", 0, kMaxCount);
    const int m = p.Integer("the element count", 0, kMaxCount);
    for (int i = 0; i < n; ++i) {
        const std::string node = "node " + std::to_string(i);
        NodeRecord rec = DefaultNode();
        p.Number("the number of " + node);  // written as i, ignored on reading
        const char* axes[3] = {"x", "y", "z"};
        for (int k = 0; k < 3; ++k)
            rec.Coord[k] = p.Number(std::string("the ") + axes[k] + " coordinate of " + node);
        for (int j = 0; j < 6; ++j) {
            const std::string dof = std::string(kDofNames[j]) + " of " + node;
            const std::string code = p.Code("the constraint code of " + dof);
            const double value = p.Number("the value of " + dof);
            rec.BcCode[j] = code;
            if (code == "u") {
                rec.FixedDispC[j] = Complex{value, 0.0};
                rec.FixedDisp[j] = value;
            } else if (code == "p") {
                rec.LoadC[j] = Complex{value, 0.0};
                rec.LoadValue[j] = value;
            } else {
                // A step load without a size is a unit step load.
                rec.LoadValue[j] = (value == 0.0) ? 1.0 : value;
            }
        }
        out.AddNode(rec);
    }
    for (int k = 0; k < m; ++k) {
        const std::string elem = "element " + std::to_string(k);
        ElementRecord rec = DefaultElement();
        p.Number("the number of " + elem);  // ignored on reading
        const int hi = std::max(0, n - 1);
        if (n == 0)
            p.Fail("no element, since the file has no nodes", "element " + std::to_string(k));
        rec.EndNode[0] = p.Integer("the first node of " + elem, 0, hi);
        rec.EndNode[1] = p.Integer("the second node of " + elem, 0, hi);
        rec.Young = p.Number("Young's modulus of " + elem);
        rec.Shear = p.Number("the shear modulus of " + elem);
        rec.Density = p.Number("the density of " + elem);
        rec.Diameter = p.Number("the diameter of " + elem);
        if (rec.EndNode[0] == rec.EndNode[1])
            p.Fail("two different nodes for " + elem,
                   "node " + std::to_string(rec.EndNode[0]) + " twice");
        try {
            out.AddElement(rec);
        } catch (const numeric::ComputationFailure& f) {
            p.Fail("usable values for " + elem +
                       " (positive density and diameter, "
                       "non-negative moduli, nodes at different places)",
                   f.what());
        }
    }
}

bool ReadStream(Model& model, std::istream& in, const std::string& name, DataFileError* error) {
    Model fresh;
    try {
        ReadModel(in, name, fresh);
    } catch (const ReadFailure& f) {
        if (error) *error = f.error;
        return false;
    } catch (const std::exception& e) {  // e.g. out of memory
        if (error) *error = DataFileError{name, 0, "a readable structure data file", e.what()};
        return false;
    }
    model = std::move(fresh);
    return true;
}

}  // namespace

std::string DataFileError::Message() const {
    std::string s = path;
    if (line > 0) s += ": line " + std::to_string(line);
    s += ": expected " + expected;
    if (!found.empty()) s += ", found " + found;
    return s;
}

bool StructDataReadFile(Model& model, const std::string& path, DataFileError* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = DataFileError{path, 0, "a file that can be opened for reading",
                                   std::strerror(errno)};
        return false;
    }
    return ReadStream(model, in, path, error);
}

bool StructDataReadText(Model& model, const std::string& text, const std::string& name,
                        DataFileError* error) {
    std::istringstream in(text);
    return ReadStream(model, in, name, error);
}

std::string FormatFileNumber(double x) {
    if (x == 0.0) x = 0.0;  // no "-0"
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", x);
    return buf;
}

std::string StructDataText(const Model& model) {
    std::string s;
    s.reserve(64 + static_cast<size_t>(model.NodeCount()) * 120 + model.ElementCount() * 60);
    const char* nl = "\r\n";
    s += std::to_string(model.NodeCount()) + "," + std::to_string(model.ElementCount()) + nl;
    for (int i = 0; i < model.NodeCount(); ++i) {
        const NodeRecord& n = model.Nodes[i];
        s += std::to_string(i) + "," + FormatFileNumber(n.Coord[0]) + "," +
             FormatFileNumber(n.Coord[1]) + "," + FormatFileNumber(n.Coord[2]) + nl;
        for (int j = 0; j < 6; ++j) {
            const double v = (n.BcCode[j] == "u") ? n.FixedDisp[j] : n.LoadValue[j];
            s += n.BcCode[j] + "," + FormatFileNumber(v) + nl;
        }
    }
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        s += std::to_string(k) + "," + std::to_string(e.EndNode[0]) + "," +
             std::to_string(e.EndNode[1]) + nl;
        s += FormatFileNumber(e.Young) + "," + FormatFileNumber(e.Shear) + "," +
             FormatFileNumber(e.Density) + "," + FormatFileNumber(e.Diameter) + nl;
    }
    return s;
}

bool StructDataWriteFile(const Model& model, const std::string& path, std::string* error) {
    const std::string text = StructDataText(model);
    const std::string temp = path + ".writing";
    auto fail = [&](const std::string& why) {
        std::remove(temp.c_str());
        if (error) *error = path + ": " + why;
        return false;
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return fail(std::string("cannot create the file: ") + std::strerror(errno));
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) return fail(std::string("cannot write the file: ") + std::strerror(errno));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        return fail(std::string("cannot replace the file: ") + std::strerror(errno));
    return true;
}

}  // namespace fem

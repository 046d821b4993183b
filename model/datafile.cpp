#include "model/datafile.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <istream>
#include <sstream>
#include <stdexcept>

#include "model/datafile_json.h"
#include "model/safewrite.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace fem {
namespace {

constexpr size_t kMaxFieldLength = 256;
const char* const kDofNames[6] = {"Ux", "Uy", "Uz", "θx", "θy", "θz"};
const char* const kAxisNames[3] = {"x", "y", "z"};
const char* const kMaterialNames[4] = {"Young's modulus", "the shear modulus", "the density",
                                       "the diameter"};

// The names of the fields in messages, the same for reading and writing.
std::string CoordinateName(int node, int axis) {
    return std::string("the ") + kAxisNames[axis] + " coordinate of node " + std::to_string(node);
}
std::string DofName(int node, int dof) {
    return std::string(kDofNames[dof]) + " of node " + std::to_string(node);
}
std::string MaterialName(int element, int field) {
    return std::string(kMaterialNames[field]) + " of element " + std::to_string(element);
}

// The value a degree-of-freedom line holds: the prescribed displacement of a "u" dof,
// the load of any other.
double WrittenValue(const NodeRecord& n, int dof) {
    return n.BcCode[dof] == "u" ? n.FixedDisp[dof] : n.LoadValue[dof];
}
// An element's entered material values in the order of the file.
std::array<double, 4> MaterialValues(const ElementRecord& e) {
    return {e.Young, e.Shear, e.Density, e.CrossSection.Diameter};
}

// Reads comma- and line-separated fields one after another, as the file format
// prescribes: a comma and a line end both end a field, blanks around a field are
// skipped, so only the order of the fields matters. A field that follows a comma
// starts right there: when the line ends first, the field is empty.
class FieldReader {
  public:
    explicit FieldReader(std::istream& in) : in_(*in.rdbuf()) {
        // A UTF-8 byte-order mark, as some editors put at the start, is not text.
        static const char kByteOrderMark[] = "\xEF\xBB\xBF";
        while (head_.size() < 3 &&
               in_.sgetc() == static_cast<unsigned char>(kByteOrderMark[head_.size()]))
            head_.push_back(static_cast<char>(in_.sbumpc()));
        if (head_.size() == 3) head_.clear();
    }

    // Returns false at the end of the file. `line` is where the field starts.
    bool Next(std::string& field, int& line, bool& tooLong) {
        field.clear();
        tooLong = false;
        const bool afterComma = afterComma_;
        afterComma_ = false;
        SkipBlanks(!afterComma);
        line = line_;  // at the end of the file: the line where the field was expected
        int c = Peek();
        if (c == EOF && !afterComma) return false;
        while (c != EOF && c != ',' && c != '\r' && c != '\n') {
            if (field.size() >= kMaxFieldLength) {
                tooLong = true;  // stop here: a huge field is not worth reading to its end
                return true;
            }
            field.push_back(static_cast<char>(c));
            Bump();
            c = Peek();
        }
        if (c != EOF) Bump();
        afterComma_ = (c == ',');
        while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
        return true;
    }

    // True when nothing but blanks and line ends is left.
    bool AtEnd() {
        SkipBlanks(true);
        return Peek() == EOF;
    }

  private:
    void SkipBlanks(bool lineEndsToo) {
        for (int c = Peek(); c == ' ' || c == '\t' || (lineEndsToo && (c == '\r' || c == '\n'));
             c = Peek())
            Bump();
    }

    int Peek() { return head_.empty() ? in_.sgetc() : static_cast<unsigned char>(head_.front()); }

    // Takes one character; counts lines, taking CR LF as one line end.
    void Bump() {
        int c;
        if (head_.empty()) {
            c = in_.sbumpc();
        } else {
            c = static_cast<unsigned char>(head_.front());
            head_.erase(0, 1);
        }
        if (c == '\n' && !lastWasCr_) ++line_;
        if (c == '\r') ++line_;
        lastWasCr_ = (c == '\r');
    }

    std::streambuf& in_;
    std::string head_;  // the first bytes, read ahead to look for a byte-order mark
    int line_ = 1;
    bool lastWasCr_ = false;
    bool afterComma_ = false;
};

struct ReadFailure {
    DataFileError error;
};

DataFileError ReadError(const std::string& path, int line, const std::string& expected,
                        const std::string& found, ReadProblem problem) {
    DataFileError e;
    e.path = path;
    e.line = line;
    e.expected = expected;
    e.found = found;
    e.problem = problem;
    return e;
}

std::string Shown(const std::string& field) {
    std::string s;
    for (unsigned char ch : field) {
        if (ch >= 32 && ch < 127) {
            s.push_back(static_cast<char>(ch));
        } else {
            const char* const hex = "0123456789ABCDEF";
            s += "\\x";
            s.push_back(hex[ch >> 4]);
            s.push_back(hex[ch & 15]);
        }
        if (s.size() > 40) {
            s += "...";
            break;
        }
    }
    return "\"" + s + "\"";
}

class Parser {
  public:
    Parser(std::istream& in, std::string name) : reader_(in), name_(std::move(name)) {}

    // The field read next, for the failures.
    void At(DataField kind, int node = -1, int element = -1, int index = -1) {
        field_ = FieldRef{kind, node, element, index};
    }

    double Number(const std::string& expected) {
        const std::string f = Field(expected + " (a number)");
        if (f.empty()) return 0.0;  // an empty field, as in "u," at a line end
        double v;
        if (!numeric::ParseNumber(f, v))
            Fail(ReadProblem::NotANumber, expected + " (a number)", Shown(f));
        return v;
    }

    int Integer(const std::string& expected, int lo, int hi) {
        const std::string what = expected + " (a whole number from " + std::to_string(lo) + " to " +
                                 std::to_string(hi) + ")";
        low_ = lo;
        high_ = hi;
        const std::string f = Field(what);
        double v;
        if (!numeric::ParseNumber(f, v) || v != std::floor(v) || v < lo || v > hi)
            Fail(ReadProblem::NotAWholeNumber, what, Shown(f));
        return static_cast<int>(v);
    }

    std::string Code(const std::string& expected) {
        const std::string what = expected + " (p, u or pf)";
        std::string f = Field(what);
        if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
        std::string lower;
        for (char ch : f)
            lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
        if (lower != "p" && lower != "u" && lower != "pf")
            Fail(ReadProblem::NotACode, what, Shown(f));
        return lower;
    }

    [[noreturn]] void Fail(ReadProblem problem, const std::string& expected,
                           const std::string& found) {
        DataFileError e = ReadError(name_, line_, expected, found, problem);
        e.field = field_;
        e.low = low_;
        e.high = high_;
        throw ReadFailure{e};
    }

    // Refuses anything but blanks after the last field the counts call for.
    void ExpectEnd(int nodes, int elements) {
        if (reader_.AtEnd()) return;
        std::string f;
        bool tooLong = false;
        reader_.Next(f, line_, tooLong);
        At(DataField::EndAfterElements);
        DataFileError e = ReadError(name_, line_,
                                    "the end of the file after " + std::to_string(nodes) +
                                        " nodes and " + std::to_string(elements) + " elements",
                                    Shown(f), ReadProblem::TextAfterEnd);
        e.field = field_;
        e.nodeCount = nodes;
        e.elementCount = elements;
        throw ReadFailure{e};
    }

    [[nodiscard]] int Line() const { return line_; }

  private:
    std::string Field(const std::string& expected) {
        std::string f;
        bool tooLong = false;
        if (!reader_.Next(f, line_, tooLong)) Fail(ReadProblem::Missing, expected, "end of file");
        if (tooLong) Fail(ReadProblem::TooLong, expected, "a field longer than 256 characters");
        return f;
    }

    FieldReader reader_;
    std::string name_;
    int line_ = 1;
    FieldRef field_;
    int low_ = 0, high_ = 0;
};

void ReadModel(std::istream& in, const std::string& name, Model& out) {
    Parser p(in, name);
    p.At(DataField::NodeCount);
    const int n = p.Integer("the node count", 0, kMaxCount);
    p.At(DataField::ElementCount);
    const int m = p.Integer("the element count", 0, kMaxCount);
    for (int i = 0; i < n; ++i) {
        const std::string node = "node " + std::to_string(i);
        NodeRecord rec = DefaultNode();
        p.At(DataField::NodeNumber, i);
        p.Number("the number of " + node);  // written as i, ignored on reading
        for (int k = 0; k < 3; ++k) {
            p.At(DataField::Coordinate, i, -1, k);
            rec.Coord[k] = p.Number(CoordinateName(i, k));
        }
        for (int j = 0; j < 6; ++j) {
            const std::string dof = DofName(i, j);
            p.At(DataField::ConstraintCode, i, -1, j);
            const std::string code = p.Code("the constraint code of " + dof);
            p.At(DataField::DofValue, i, -1, j);
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
        p.At(DataField::ElementNumber, -1, k);
        p.Number("the number of " + elem);  // ignored on reading
        const int hi = std::max(0, n - 1);
        if (n == 0)
            p.Fail(ReadProblem::NoNodes, "no element, since the file has no nodes",
                   "element " + std::to_string(k));
        p.At(DataField::FirstNode, -1, k);
        rec.EndNode[0] = p.Integer("the first node of " + elem, 0, hi);
        p.At(DataField::SecondNode, -1, k);
        rec.EndNode[1] = p.Integer("the second node of " + elem, 0, hi);
        for (int f = 0; f < 4; ++f) {
            p.At(DataField::Material, -1, k, f);
            const double v = p.Number(MaterialName(k, f));
            if (f == 0) rec.Young = v;
            if (f == 1) rec.Shear = v;
            if (f == 2) rec.Density = v;
            if (f == 3) rec.CrossSection.Diameter = v;
        }
        p.At(DataField::SecondNode, rec.EndNode[1], k);
        if (rec.EndNode[0] == rec.EndNode[1])
            p.Fail(ReadProblem::SameNodes, "two different nodes for " + elem,
                   "node " + std::to_string(rec.EndNode[0]) + " twice");
        p.At(DataField::Material, -1, k);
        try {
            out.AddElement(rec);
        } catch (const numeric::ComputationFailure& f) {
            p.Fail(ReadProblem::UnusableElement,
                   "usable values for " + elem +
                       " (positive moduli, density and diameter, nodes at different places)",
                   f.what());
        }
    }
    p.ExpectEnd(n, m);
}

// Version 2 starts with "{" after blanks and a byte-order mark; version 1 with a number.
bool LooksLikeJson(const std::string& text) {
    size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    return i < text.size() && text[i] == '{';
}

bool ReadStream(Model& model, std::istream& in, const std::string& name, DataFileError* error) {
    Model fresh;
    try {
        ReadModel(in, name, fresh);
    } catch (const ReadFailure& f) {
        if (error) *error = f.error;
        return false;
    } catch (const std::exception& e) {  // e.g. out of memory
        if (error) {
            *error = ReadError(name, 0, "a readable structure data file", e.what(),
                               ReadProblem::Unreadable);
        }
        return false;
    }
    model = std::move(fresh);
    return true;
}

// The data file's name for the step of the safe write that failed.
WriteStep DataFileWriteStep(FileWriteStep step) {
    switch (step) {
        case FileWriteStep::LookAtFile:
            return WriteStep::LookAtFile;
        case FileWriteStep::TooManyLinks:
            return WriteStep::TooManyLinks;
        case FileWriteStep::NotRegularFile:
            return WriteStep::NotRegularFile;
        case FileWriteStep::CreateTemporary:
            return WriteStep::CreateTemporary;
        case FileWriteStep::SetPermissions:
            return WriteStep::SetPermissions;
        case FileWriteStep::Write:
            return WriteStep::Write;
        case FileWriteStep::Replace:
            return WriteStep::Replace;
    }
    return WriteStep::Write;
}

}  // namespace

std::string DataFileError::Message() const {
    std::string s = path;
    if (line > 0) s += ": line " + std::to_string(line);
    if (line > 0 && column > 0) s += ", column " + std::to_string(column);
    s += ": expected " + expected;
    if (!found.empty()) s += ", found " + found;
    return s;
}

bool StructDataReadFile(Model& model, const std::string& path, DataFileError* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int why = errno;
        if (error) {
            *error = ReadError(path, 0, "a file that can be opened for reading", std::strerror(why),
                               ReadProblem::CannotOpen);
            error->systemError = why;
        }
        return false;
    }
    // The whole text first: which version it is shows only after any blanks.
    std::string text;
    try {
        std::ostringstream whole;
        whole << in.rdbuf();
        text = whole.str();
    } catch (const std::exception& e) {
        if (error)
            *error = ReadError(path, 0, "a readable structure data file", e.what(),
                               ReadProblem::Unreadable);
        return false;
    }
    return StructDataReadText(model, text, path, error);
}

bool StructDataReadText(Model& model, const std::string& text, const std::string& name,
                        DataFileError* error) {
    if (!LooksLikeJson(text)) {
        std::istringstream in(text);
        return ReadStream(model, in, name, error);
    }
    Model fresh;
    DataFileError why;
    try {
        if (!detail::ReadJsonModel(text, name, fresh, why)) {
            if (error) *error = why;
            return false;
        }
    } catch (const std::exception& e) {  // e.g. out of memory
        if (error)
            *error = ReadError(name, 0, "a readable structure data file", e.what(),
                               ReadProblem::Unreadable);
        return false;
    }
    model = std::move(fresh);
    return true;
}

std::string FormatFileNumber(double x) {
    if (x == 0.0) return "0";  // no "-0"
    // 15 significant digits as a rule; 16 or 17 only where 15 would read back as
    // another double, so that a file read back gives the model that was written.
    for (int digits = 15; digits < 17; ++digits) {
        std::string text = numeric::FormatGeneral(x, digits);
        double back = 0.0;
        if (numeric::ParseNumber(text, back) && back == x) return text;
    }
    return numeric::FormatGeneral(x, 17);
}

namespace {

// The first value a file cannot hold: its English description, its field and its text.
std::string FindUnwritable(const Model& model, FieldRef& field, std::string& value) {
    auto notFinite = [&](const std::string& name, double x, FieldRef at) {
        field = at;
        value = numeric::FormatGeneral(x, 15, numeric::ExponentLetter::Lower);
        return name + " is not a finite number (" + value + ")";
    };
    for (int i = 0; i < model.NodeCount(); ++i) {
        const NodeRecord& n = model.Nodes[i];
        for (int j = 0; j < 6; ++j)
            if (!n.History[j].empty() && model.Histories().count(n.History[j]) == 0) {
                field = {DataField::NodeKey, i, -1, j, n.History[j], "histories"};
                value = n.History[j];
                return "node " + std::to_string(i) + " refers to the history " + Shown(value) +
                       ", which the model does not have";
            }
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(n.Coord[k]))
                return notFinite(CoordinateName(i, k), n.Coord[k],
                                 {DataField::Coordinate, i, -1, k});
        for (int j = 0; j < 6; ++j) {
            if (n.BcCode[j] != "p" && n.BcCode[j] != "u" && n.BcCode[j] != "pf") {
                field = {DataField::ConstraintCode, i, -1, j};
                value = n.BcCode[j];
                return "the constraint code of " + DofName(i, j) + " is " + Shown(n.BcCode[j]) +
                       ", not p, u or pf";
            }
            if (!std::isfinite(WrittenValue(n, j)))
                return notFinite("the value of " + DofName(i, j), WrittenValue(n, j),
                                 {DataField::DofValue, i, -1, j});
        }
        const std::string node = "node " + std::to_string(i);
        for (int j = 0; j < 6; ++j)
            if (!std::isfinite(n.Springs[j]))
                return notFinite("a spring of " + node, n.Springs[j],
                                 {DataField::NodeKey, i, -1, j, "", "springs"});
        if (!std::isfinite(n.MassWeight))
            return notFinite("the weight of " + node, n.MassWeight,
                             {DataField::NodeKey, i, -1, -1, "", "mass"});
        for (int j = 0; j < 3; ++j)
            if (!std::isfinite(n.RotaryInertia[j]))
                return notFinite("a rotary inertia of " + node, n.RotaryInertia[j],
                                 {DataField::NodeKey, i, -1, j, "", "mass"});
    }
    if (const auto& d = model.Impact()) {
        const FieldRef at{DataField::FileKey, -1, -1, -1, "", "impact"};
        if (!std::isfinite(d->Weight)) return notFinite("the dropped weight", d->Weight, at);
        for (int c = 0; c < 3; ++c)
            if (!std::isfinite(d->Velocity[c]))
                return notFinite("the velocity of the dropped weight", d->Velocity[c], at);
        if (d->Node < 0 || d->Node >= model.NodeCount()) {
            field = at;
            value = std::to_string(d->Node);
            return "the dropped weight strikes node " + value + ", which the model does not have";
        }
    }
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        const std::string element = "element " + std::to_string(k);
        // A name the model lacks, and the element's own values where it names none.
        const std::pair<const std::string*, bool> names[2] = {
            {&e.MaterialName, model.Materials().count(e.MaterialName) != 0},
            {&e.SectionName, model.Sections().count(e.SectionName) != 0}};
        for (int r = 0; r < 2; ++r) {
            if (names[r].first->empty() || names[r].second) continue;
            const char* what = r == 0 ? "material" : "section";
            field = {DataField::ElementKey, -1, k, -1, *names[r].first, what};
            value = *names[r].first;
            return element + " refers to the " + what + " " + Shown(value) +
                   ", which the model does not have";
        }
        const std::array<double, 4> values = MaterialValues(e);
        const bool round = e.CrossSection.Shape == SectionShape::Round;
        for (int f = 0; f < 4; ++f) {
            if (f < 3 ? !e.MaterialName.empty() : (!e.SectionName.empty() || !round)) continue;
            if (!std::isfinite(values[f]))
                return notFinite(MaterialName(k, f), values[f], {DataField::Material, -1, k, f});
        }
        if (e.SectionName.empty() && !round)
            for (const SectionDimension& d : DimensionsOf(e.CrossSection.Shape))
                if (!std::isfinite(e.CrossSection.*d.Value))
                    return notFinite(std::string(d.Meaning) + " " + d.Key + " of " + element,
                                     e.CrossSection.*d.Value,
                                     {DataField::ElementSection, -1, k, -1, "", d.Key});
        if (!std::isfinite(e.Roll))
            return notFinite("the roll of " + element, e.Roll,
                             {DataField::ElementKey, -1, k, -1, "", "roll"});
        if (e.ZTowards)
            for (int c = 0; c < 3; ++c)
                if (!std::isfinite((*e.ZTowards)[c]))
                    return notFinite("z_towards of " + element, (*e.ZTowards)[c],
                                     {DataField::ElementKey, -1, k, c, "", "z_towards"});
    }
    return {};
}

}  // namespace

std::string UnwritableValue(const Model& model) {
    FieldRef field;
    std::string value;
    return FindUnwritable(model, field, value);
}

int DataFileVersionOf(const Model& model) {
    return detail::NeedsJson(model) ? 2 : 1;
}

std::string JsonDataText(const Model& model) {
    const std::string unwritable = UnwritableValue(model);
    if (!unwritable.empty()) throw std::invalid_argument(unwritable);
    return detail::JsonText(model);
}

std::string StructDataText(const Model& model) {
    const std::string unwritable = UnwritableValue(model);
    if (!unwritable.empty()) throw std::invalid_argument(unwritable);
    if (detail::NeedsJson(model)) return detail::JsonText(model);
    std::string s;
    s.reserve(64 + static_cast<size_t>(model.NodeCount()) * 120 + model.ElementCount() * 60);
    const char* nl = "\r\n";
    s += std::to_string(model.NodeCount()) + "," + std::to_string(model.ElementCount()) + nl;
    for (int i = 0; i < model.NodeCount(); ++i) {
        const NodeRecord& n = model.Nodes[i];
        s += std::to_string(i) + "," + FormatFileNumber(n.Coord[0]) + "," +
             FormatFileNumber(n.Coord[1]) + "," + FormatFileNumber(n.Coord[2]) + nl;
        for (int j = 0; j < 6; ++j)
            s += n.BcCode[j] + "," + FormatFileNumber(WrittenValue(n, j)) + nl;
    }
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        s += std::to_string(k) + "," + std::to_string(e.EndNode[0]) + "," +
             std::to_string(e.EndNode[1]) + nl;
        s += FormatFileNumber(e.Young) + "," + FormatFileNumber(e.Shear) + "," +
             FormatFileNumber(e.Density) + "," + FormatFileNumber(e.CrossSection.Diameter) + nl;
    }
    return s;
}

bool StructDataWriteFile(const Model& model, const std::string& path, std::string* error) {
    DataFileWriteError why;
    if (StructDataWriteFile(model, path, &why)) return true;
    if (error) *error = why.Message();
    return false;
}

bool StructDataWriteFile(const Model& model, const std::string& path, DataFileWriteError* error,
                         WrittenVersion version) {
    DataFileWriteError why;
    why.path = path;
    why.reason = FindUnwritable(model, why.field, why.value);
    if (why.reason.empty()) {
        FileWriteError failure;
        const std::string text =
            version == WrittenVersion::Json ? JsonDataText(model) : StructDataText(model);
        if (WriteFileSafely(path, text, &failure)) return true;
        why.reason = failure.reason;
        why.step = DataFileWriteStep(failure.step);
        why.systemError = failure.systemError;
    } else {
        why.step = WriteStep::Unwritable;
        why.reason += "; nothing was written";
    }
    if (error) *error = why;
    return false;
}

}  // namespace fem

#include "model/datafile_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace fem::detail {
namespace {

constexpr int kVersion = 2;
constexpr int kMaxDepth = 64;
constexpr const char* kUnits = "mm kgf s";
const char* const kAxisKeys[3] = {"x", "y", "z"};
const char* const kDofNames[6] = {"Ux", "Uy", "Uz", "θx", "θy", "θz"};

// ---- The JSON text as a tree that knows where each value starts ----------------------

struct JsonMember;
struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    size_t offset = 0;  // of its first character in the text
    bool boolean = false;
    double number = 0.0;
    std::string text;  // a string's value, a number's text
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // in the order of the text
};
struct JsonMember {
    std::string key;
    size_t keyOffset = 0;
    JsonValue value;
};

// A character iterator that counts how many characters the JSON reader has taken, so
// that each value can be placed in the text.
class CountingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, const char* start, size_t* taken)
        : at_(at), start_(start), taken_(taken) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        ++at_;
        *taken_ = static_cast<size_t>(at_ - start_);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& o) const { return at_ == o.at_; }
    bool operator!=(const CountingIterator& o) const { return at_ != o.at_; }

  private:
    const char* at_;
    const char* start_;
    size_t* taken_;
};

bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Builds the tree from the reader's events. Each event comes right after its token was
// read: a string's or literal's last character, or for a number one character beyond it
// (the reader looks ahead to see that the number has ended), or the end of the text.
class TreeBuilder : public nlohmann::json_sax<nlohmann::json> {
  public:
    TreeBuilder(const std::string& text, const size_t& taken) : text_(text), taken_(taken) {}

    JsonValue root;
    // Set when the events stopped the reading.
    bool failed = false;
    size_t failureOffset = 0;
    ReadProblem problem = ReadProblem::NotJson;
    std::string found;  // NotJson: what the JSON reader met; DuplicateKey: the key

    bool null() override { return Add(Leaf(JsonValue::Kind::Null, taken_ - 4)); }
    bool boolean(bool b) override {
        JsonValue v = Leaf(JsonValue::Kind::Boolean, taken_ - (b ? 4 : 5));
        v.boolean = b;
        return Add(std::move(v));
    }
    bool number_integer(number_integer_t /*value*/) override { return Number(); }
    bool number_unsigned(number_unsigned_t /*value*/) override { return Number(); }
    bool number_float(number_float_t /*value*/, const string_t& /*text*/) override {
        return Number();
    }
    bool string(string_t& s) override {
        JsonValue v = Leaf(JsonValue::Kind::String, StringStart());
        v.text = std::move(s);
        return Add(std::move(v));
    }
    bool binary(binary_t& /*data*/) override { return false; }  // not in JSON text
    bool start_object(std::size_t /*size*/) override { return Open(JsonValue::Kind::Object); }
    bool key(string_t& k) override {
        if (!keys_.back().insert(k).second) {
            failed = true;
            failureOffset = StringStart();
            problem = ReadProblem::DuplicateKey;
            found = k;
            return false;
        }
        key_ = std::move(k);
        keyOffset_ = StringStart();
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t /*size*/) override { return Open(JsonValue::Kind::Array); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t position, const std::string& /*lastToken*/,
                     const nlohmann::detail::exception& e) override {
        failed = true;
        failureOffset = position > 0 ? position - 1 : 0;
        problem = ReadProblem::NotJson;
        // "[json.exception.parse_error.101] parse error at line 1, column 9: syntax error
        // while parsing value - invalid literal; last read: 'tru,'": the part after the
        // place, which this reader gives itself.
        std::string what = e.what();
        const size_t bracket = what.find("] ");
        if (what.rfind("[json.exception.", 0) == 0 && bracket != std::string::npos)
            what.erase(0, bracket + 2);
        const size_t colon = what.find(": ");
        if (what.rfind("parse error", 0) == 0 && colon != std::string::npos)
            what.erase(0, colon + 2);
        found = what;
        return false;
    }

  private:
    JsonValue Leaf(JsonValue::Kind kind, size_t offset) const {
        JsonValue v;
        v.kind = kind;
        v.offset = offset;
        return v;
    }

    // Where the string that ends with the last character taken starts: its opening quote
    // is the first one before it that no odd number of backslashes escapes.
    size_t StringStart() const {
        size_t p = taken_ >= 2 ? taken_ - 2 : 0;
        while (p > 0) {
            if (text_[p] == '"') {
                size_t slashes = 0;
                while (p > slashes && text_[p - 1 - slashes] == '\\') ++slashes;
                if (slashes % 2 == 0) break;
            }
            --p;
        }
        return p;
    }

    bool Number() {
        size_t end = taken_;
        if (!(end == text_.size() && end > 0 && IsNumberCharacter(text_[end - 1]))) --end;
        size_t start = end;
        while (start > 0 && IsNumberCharacter(text_[start - 1])) --start;
        JsonValue v = Leaf(JsonValue::Kind::Number, start);
        v.text = text_.substr(start, end - start);
        // The project's own reading of decimal text, whatever the locale; magnitudes below
        // the smallest double read as 0, as in version 1.
        if (!numeric::ParseNumber(v.text, v.number)) {
            failed = true;
            failureOffset = start;
            problem = ReadProblem::NotJson;
            found = "the number " + v.text + ", which is beyond the range of a double";
            return false;
        }
        return Add(std::move(v));
    }

    bool Add(JsonValue v) {
        if (open_.empty()) {
            root = std::move(v);
            return true;
        }
        JsonValue& parent = *open_.back();
        if (parent.kind == JsonValue::Kind::Array) {
            parent.items.push_back(std::move(v));
        } else {
            parent.members.push_back(JsonMember{std::move(key_), keyOffset_, std::move(v)});
        }
        return true;
    }

    JsonValue* Last() {
        if (open_.empty()) return &root;
        JsonValue& parent = *open_.back();
        return parent.kind == JsonValue::Kind::Array ? &parent.items.back()
                                                     : &parent.members.back().value;
    }

    // A container stays the last child of its parent while it is open, so the pointers
    // to the open ones stay valid.
    bool Open(JsonValue::Kind kind) {
        if (open_.size() >= static_cast<size_t>(kMaxDepth)) {
            failed = true;
            failureOffset = taken_ - 1;
            problem = ReadProblem::TooDeep;
            return false;
        }
        Add(Leaf(kind, taken_ - 1));
        open_.push_back(Last());
        keys_.emplace_back();
        return true;
    }

    bool Close() {
        open_.pop_back();
        keys_.pop_back();
        return true;
    }

    const std::string& text_;
    const size_t& taken_;
    std::vector<JsonValue*> open_;
    std::vector<std::set<std::string>> keys_;
    std::string key_;
    size_t keyOffset_ = 0;
};

// ---- Reading the model from the tree ------------------------------------------------

struct JsonFailure {
    DataFileError error;
};

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// What a value is, for "found ...".
std::string Describe(const JsonValue& v) {
    switch (v.kind) {
        case JsonValue::Kind::Null:
            return "null";
        case JsonValue::Kind::Boolean:
            return v.boolean ? "true" : "false";
        case JsonValue::Kind::Number:
            return "the number " + v.text;
        case JsonValue::Kind::String:
            return "the text " + Quoted(v.text.size() > 40 ? v.text.substr(0, 40) + "..." : v.text);
        case JsonValue::Kind::Array:
            return "an array of " + std::to_string(v.items.size());
        case JsonValue::Kind::Object:
            break;
    }
    return "an object";
}

FieldRef WithKey(FieldRef f, const std::string& key, int index = -1) {
    f.key = key;
    if (index >= 0) f.index = index;
    return f;
}

// One key an object may have: whether it must, and what reads its value. Reading a new
// key is one more rule in the object's list.
struct KeyRule {
    const char* key;
    bool required;
    std::function<void(const JsonMember&)> read;
};

class JsonModelReader {
  public:
    JsonModelReader(const std::string& text, std::string name)
        : text_(text), name_(std::move(name)) {}

    DataFileError Error(size_t offset, const FieldRef& field, ReadProblem problem,
                        const std::string& expected, const std::string& found) const {
        DataFileError e;
        e.path = name_;
        Place(offset, e.line, e.column);
        e.expected = expected;
        e.found = found;
        e.problem = problem;
        e.field = field;
        return e;
    }

    [[noreturn]] void Fail(size_t offset, const FieldRef& field, ReadProblem problem,
                           const std::string& expected, const std::string& found) const {
        throw JsonFailure{Error(offset, field, problem, expected, found)};
    }

    // Line and column (in characters, from 1) of a byte offset; CR LF, LF and CR end lines.
    void Place(size_t offset, int& line, int& column) const {
        line = 1;
        size_t lineStart = 0;
        offset = std::min(offset, text_.size());
        for (size_t i = 0; i < offset; ++i) {
            if (text_[i] == '\n' ||
                (text_[i] == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n'))) {
                ++line;
                lineStart = i + 1;
            }
        }
        column = 1;
        for (size_t i = lineStart; i < offset; ++i)
            if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
    }

    void Read(const JsonValue& root, Model& out) {
        const FieldRef file{DataField::FileKey};
        if (root.kind != JsonValue::Kind::Object)
            Fail(root.offset, {}, ReadProblem::WrongType,
                 "an ImpactFrame data file (a JSON object)", Describe(root));
        // Format and version first: a later version may have keys this one does not know.
        const JsonMember* format = Find(root, "format");
        if (!format) Missing(root, WithKey(file, "format"), "the file");
        if (format->value.kind != JsonValue::Kind::String || format->value.text != "ImpactFrame")
            Fail(format->value.offset, WithKey(file, "format"), ReadProblem::NotThisFormat,
                 "\"format\": \"ImpactFrame\"", Describe(format->value));
        const JsonMember* version = Find(root, "version");
        if (!version) Missing(root, WithKey(file, "version"), "the file");
        const JsonValue& v = version->value;
        if (v.kind == JsonValue::Kind::Number && v.number > kVersion)
            Fail(v.offset, WithKey(file, "version"), ReadProblem::LaterVersion,
                 "version " + std::to_string(kVersion) +
                     " or earlier (the file was written by a later version of ImpactFrame)",
                 "version " + v.text);
        if (v.kind != JsonValue::Kind::Number || v.number != kVersion)
            Fail(v.offset, WithKey(file, "version"), ReadProblem::UnusableValue,
                 "version " + std::to_string(kVersion) +
                     " (version 1 files are plain text, not JSON)",
                 Describe(v));

        ReadObject(
            root, file, "the file",
            {{"format", true, [](const JsonMember&) {}},
             {"version", true, [](const JsonMember&) {}},
             {"units", false,
              [&](const JsonMember& m) {
                  if (m.value.kind != JsonValue::Kind::String || m.value.text != kUnits)
                      Fail(m.value.offset, WithKey(file, "units"), ReadProblem::UnusableValue,
                           std::string("\"units\": \"") + kUnits + "\" (the units of this program)",
                           Describe(m.value));
              }},
             {"histories", false, [&](const JsonMember& m) { ReadHistories(m.value, out); }},
             {"damping", false,
              [&](const JsonMember& m) {
                  const FieldRef field = WithKey(file, "damping");
                  const Damping d = ReadDamping(m.value, field, "the model's damping");
                  try {
                      out.SetModelDamping(d);
                  } catch (const numeric::ComputationFailure& f) {
                      Fail(m.value.offset, field, ReadProblem::UnusableValue, "a usable damping",
                           f.what());
                  }
              }},
             {"materials", false, [&](const JsonMember& m) { ReadMaterials(m.value, out); }},
             {"sections", false, [&](const JsonMember& m) { ReadSections(m.value, out); }},
             {"nodes", true, [&](const JsonMember& m) { ReadNodes(m.value, out); }},
             {"elements", true, [&](const JsonMember& m) { ReadElements(m.value, out); }},
             {"ground", false, [&](const JsonMember& m) { ReadGround(m.value, out); }},
             {"impact", false, [&](const JsonMember& m) { ReadImpact(m.value, out); }}});
    }

  private:
    static const JsonMember* Find(const JsonValue& object, const std::string& key) {
        for (const JsonMember& m : object.members)
            if (m.key == key) return &m;
        return nullptr;
    }

    [[noreturn]] void Missing(const JsonValue& object, const FieldRef& field,
                              const std::string& what) const {
        Fail(object.offset, field, ReadProblem::MissingKey,
             "the key " + Quoted(field.key) + " in " + what, "an object without it");
    }

    // Reads the members of an object by its rules, in the order of the rules; refuses a
    // key no rule names and a missing key a rule requires.
    void ReadObject(const JsonValue& object, const FieldRef& owner, const std::string& what,
                    const std::vector<KeyRule>& rules) {
        if (object.kind != JsonValue::Kind::Object)
            Fail(object.offset, owner, ReadProblem::WrongType, what + " (an object)",
                 Describe(object));
        for (const JsonMember& m : object.members) {
            bool known = false;
            for (const KeyRule& r : rules) known = known || m.key == r.key;
            if (known) continue;
            std::string keys;
            for (const KeyRule& r : rules) keys += (keys.empty() ? "" : ", ") + Quoted(r.key);
            Fail(m.keyOffset, WithKey(owner, m.key), ReadProblem::UnknownKey,
                 "a key of " + what + " (" + keys + ")", Quoted(m.key));
        }
        for (const KeyRule& r : rules) {
            const JsonMember* m = Find(object, r.key);
            if (m) {
                r.read(*m);
            } else if (r.required) {
                Missing(object, WithKey(owner, r.key), what);
            }
        }
    }

    double Number(const JsonValue& v, const FieldRef& field, const std::string& what) const {
        if (v.kind != JsonValue::Kind::Number)
            Fail(v.offset, field, ReadProblem::WrongType, what + " (a number)", Describe(v));
        return v.number;
    }

    int Whole(const JsonValue& v, const FieldRef& field, const std::string& what, int low,
              int high) const {
        if (v.kind != JsonValue::Kind::Number || v.number != std::floor(v.number) ||
            v.number < low || v.number > high) {
            DataFileError e = Error(v.offset, field, ReadProblem::NotAWholeNumber,
                                    what + " (a whole number from " + std::to_string(low) + " to " +
                                        std::to_string(high) + ")",
                                    Describe(v));
            e.low = low;
            e.high = high;
            throw JsonFailure{e};
        }
        return static_cast<int>(v.number);
    }

    const std::vector<JsonValue>& Array(const JsonValue& v, const FieldRef& field,
                                        const std::string& what, int size = -1) const {
        if (v.kind != JsonValue::Kind::Array ||
            (size >= 0 && static_cast<int>(v.items.size()) != size))
            Fail(v.offset, field, ReadProblem::WrongType,
                 what + (size >= 0 ? " (an array of " + std::to_string(size) + ")" : " (an array)"),
                 Describe(v));
        return v.items;
    }

    // A material's values, checked where they stand.
    Material ReadMaterial(const JsonValue& object, const FieldRef& owner, const std::string& what) {
        Material m;
        const bool named = owner.kind == DataField::NamedMaterial;
        const std::pair<const char*, double Material::*> values[] = {
            {"E", &Material::Young}, {"G", &Material::Shear}, {"density", &Material::Density}};
        std::vector<KeyRule> rules;
        for (int k = 0; k < 3; ++k) {
            const auto [key, member] = values[k];
            rules.push_back({key, true, [&, k, key = key, member = member](const JsonMember& jm) {
                                 m.*member = Number(jm.value, Indexed(owner, key, k),
                                                    Quoted(key) + " of " + what);
                             }});
        }
        // Damping belongs to named materials; an element's own values take the model's.
        if (named)
            rules.push_back({"damping", false, [&](const JsonMember& jm) {
                                 m.Damp = ReadDamping(jm.value, WithKey(owner, "damping"),
                                                      "the damping of " + what);
                             }});
        ReadObject(object, owner, what, rules);
        const ValueFault fault = FindMaterialFault(m);
        if (!fault.Empty()) {
            int k = 0;
            while (k < 3 && fault.Key != values[k].first) ++k;
            if (k == 3) k = 2;
            Fail(Find(object, fault.Key)->value.offset, Indexed(owner, fault.Key, k),
                 ReadProblem::UnusableValue, "a usable " + Quoted(fault.Key) + " of " + what,
                 fault.Reason);
        }
        return m;
    }

    // The index of a material value in DataField::Material fields.
    static FieldRef Indexed(const FieldRef& owner, const std::string& key, int index) {
        return WithKey(owner, key, owner.kind == DataField::Material ? index : -1);
    }

    // A section's shape and dimensions, checked where they stand.
    Section ReadSection(const JsonValue& object, const FieldRef& owner, const std::string& what) {
        if (object.kind != JsonValue::Kind::Object)
            Fail(object.offset, owner, ReadProblem::WrongType, what + " (an object)",
                 Describe(object));
        const JsonMember* shape = Find(object, "shape");
        if (!shape) Missing(object, WithKey(owner, "shape"), what);
        Section s;
        if (shape->value.kind != JsonValue::Kind::String ||
            !ShapeFromName(shape->value.text, s.Shape))
            Fail(shape->value.offset, WithKey(owner, "shape"), ReadProblem::UnusableValue,
                 "the shape of " + what +
                     " (\"round\", \"tube\", \"rectangle\", \"box\", \"I\" or \"general\")",
                 Describe(shape->value));
        std::vector<KeyRule> rules{{"shape", true, [](const JsonMember&) {}}};
        for (const SectionDimension& d : DimensionsOf(s.Shape))
            rules.push_back({d.Key, !d.Optional, [&, d](const JsonMember& m) {
                                 s.*d.Value = Number(m.value, WithKey(owner, d.Key),
                                                     Quoted(d.Key) + " of " + what);
                             }});
        ReadObject(object, owner, what, rules);
        const ValueFault fault = FindSectionFault(s);
        if (!fault.Empty()) {
            const JsonMember* at = fault.Key.empty() ? nullptr : Find(object, fault.Key);
            Fail(at ? at->value.offset : object.offset, WithKey(owner, fault.Key),
                 ReadProblem::UnusableValue,
                 "usable dimensions of " + what + " (" + ShapeName(s.Shape) + ")", fault.Reason);
        }
        return s;
    }

    // Checks a name where it stands as the model would check it.
    template <class Put>
    void PutNamed(const JsonMember& m, const FieldRef& field, Put put) {
        try {
            put();
        } catch (const numeric::ComputationFailure& f) {
            Fail(m.keyOffset, field, ReadProblem::UnusableValue, "a usable name", f.what());
        }
    }

    void ReadMaterials(const JsonValue& table, Model& out) {
        if (table.kind != JsonValue::Kind::Object)
            Fail(table.offset, {DataField::FileKey, -1, -1, -1, "", "materials"},
                 ReadProblem::WrongType, "the materials (an object of names)", Describe(table));
        for (const JsonMember& m : table.members) {
            const FieldRef field{DataField::NamedMaterial, -1, -1, -1, m.key, ""};
            const Material material = ReadMaterial(m.value, field, "material " + Quoted(m.key));
            PutNamed(m, field, [&] { out.PutMaterial(m.key, material); });
        }
    }

    void ReadSections(const JsonValue& table, Model& out) {
        if (table.kind != JsonValue::Kind::Object)
            Fail(table.offset, {DataField::FileKey, -1, -1, -1, "", "sections"},
                 ReadProblem::WrongType, "the sections (an object of names)", Describe(table));
        for (const JsonMember& m : table.members) {
            const FieldRef field{DataField::NamedSection, -1, -1, -1, m.key, ""};
            const Section section = ReadSection(m.value, field, "section " + Quoted(m.key));
            PutNamed(m, field, [&] { out.PutSection(m.key, section); });
        }
    }

    // {"alpha": a, "beta": b} (either may be left out: 0) or {"ratio": z, "at_hz": [f1, f2]},
    // checked where it stands.
    Damping ReadDamping(const JsonValue& object, const FieldRef& owner, const std::string& what) {
        Damping d;
        if (object.kind == JsonValue::Kind::Object && Find(object, "ratio")) {
            d.Given = Damping::Form::Ratio;
            ReadObject(object, owner, what,
                       {{"ratio", true,
                         [&](const JsonMember& m) {
                             d.Ratio = Number(m.value, WithKey(owner, "ratio"),
                                              "the damping ratio of " + what);
                         }},
                        {"at_hz", true, [&](const JsonMember& m) {
                             const auto& f = Array(m.value, WithKey(owner, "at_hz"),
                                                   "the two frequencies at_hz of " + what, 2);
                             for (int i = 0; i < 2; ++i)
                                 d.AtHz[i] = Number(f[i], WithKey(owner, "at_hz", i),
                                                    "a frequency at_hz of " + what);
                         }}});
        } else {
            ReadObject(object, owner, what + " (alpha and beta, or ratio and at_hz)",
                       {{"alpha", false,
                         [&](const JsonMember& m) {
                             d.Alpha = Number(m.value, WithKey(owner, "alpha"), "alpha of " + what);
                         }},
                        {"beta", false, [&](const JsonMember& m) {
                             d.Beta = Number(m.value, WithKey(owner, "beta"), "beta of " + what);
                         }}});
        }
        const std::string why = DampingProblem(d);
        if (!why.empty())
            Fail(object.offset, owner, ReadProblem::UnusableValue, "a usable " + what, why);
        return d;
    }

    void ReadHistories(const JsonValue& table, Model& out) {
        if (table.kind != JsonValue::Kind::Object)
            Fail(table.offset, {DataField::FileKey, -1, -1, -1, "", "histories"},
                 ReadProblem::WrongType, "the load histories (an object of names)",
                 Describe(table));
        for (const JsonMember& m : table.members) {
            const FieldRef field{DataField::NamedHistory, -1, -1, -1, m.key, ""};
            const LoadHistory h = ReadHistory(m.value, field, "history " + Quoted(m.key));
            PutNamed(m, field, [&] { out.PutHistory(m.key, h); });
        }
    }

    LoadHistory ReadHistory(const JsonValue& object, const FieldRef& owner,
                            const std::string& what) {
        if (object.kind != JsonValue::Kind::Object)
            Fail(object.offset, owner, ReadProblem::WrongType, what + " (an object)",
                 Describe(object));
        const JsonMember* kind = Find(object, "kind");
        if (!kind) Missing(object, WithKey(owner, "kind"), what);
        LoadHistory h;
        if (kind->value.kind != JsonValue::Kind::String ||
            !HistoryKindFromName(kind->value.text, h.Kind))
            Fail(kind->value.offset, WithKey(owner, "kind"), ReadProblem::UnusableValue,
                 "the kind of " + what +
                     " (\"step\", \"rectangle\", \"half-sine\", \"triangle\" or \"table\")",
                 Describe(kind->value));
        std::vector<KeyRule> rules{{"kind", true, [](const JsonMember&) {}}};
        const char* valueKey = "points";
        if (h.Kind == HistoryKind::Step) {
            valueKey = "rise";
            rules.push_back({"rise", false, [&](const JsonMember& m) {
                                 h.Rise = Number(m.value, WithKey(owner, "rise"),
                                                 "the rise time of " + what + " in s");
                             }});
        } else if (h.Kind == HistoryKind::Table) {
            rules.push_back(
                {"points", true, [&](const JsonMember& m) {
                     const auto& list =
                         Array(m.value, WithKey(owner, "points"), "the points [t, f] of " + what);
                     for (size_t i = 0; i < list.size(); ++i) {
                         const int at = static_cast<int>(i);
                         const auto& p = Array(list[i], WithKey(owner, "points", at),
                                               "a point [t, f] of " + what, 2);
                         h.Points.push_back({Number(p[0], WithKey(owner, "points", at),
                                                    "the time of a point of " + what),
                                             Number(p[1], WithKey(owner, "points", at),
                                                    "the value of a point of " + what)});
                     }
                 }});
        } else {
            valueKey = "duration";
            rules.push_back({"duration", true, [&](const JsonMember& m) {
                                 h.Duration = Number(m.value, WithKey(owner, "duration"),
                                                     "the duration of " + what + " in s");
                             }});
        }
        ReadObject(object, owner, what, rules);
        const std::string why = HistoryProblem(h);
        if (!why.empty()) {
            const JsonMember* at = Find(object, valueKey);
            Fail(at ? at->value.offset : object.offset, WithKey(owner, valueKey),
                 ReadProblem::UnusableValue, "a usable " + what, why);
        }
        return h;
    }

    void ReadGround(const JsonValue& object, Model& out) {
        const FieldRef owner{DataField::FileKey, -1, -1, -1, "", "ground"};
        const std::string what = "the ground motion";
        GroundMotion g;
        const JsonMember* direction = nullptr;
        ReadObject(
            object, owner, what,
            {{"direction", true,
              [&](const JsonMember& m) {
                  direction = &m;
                  const auto& v = Array(m.value, WithKey(owner, "direction"),
                                        "the direction [dx, dy, dz] of " + what, 3);
                  for (int c = 0; c < 3; ++c)
                      g.Direction[c] = Number(v[c], WithKey(owner, "direction", c),
                                              "a component of the direction of " + what);
              }},
             {"history", true,
              [&](const JsonMember& m) {
                  if (m.value.kind != JsonValue::Kind::String)
                      Fail(m.value.offset, WithKey(owner, "history"), ReadProblem::WrongType,
                           "the name of the history of " + what, Describe(m.value));
                  if (out.Histories().count(m.value.text) == 0) {
                      FieldRef field = WithKey(owner, "history");
                      field.name = m.value.text;
                      Fail(m.value.offset, field, ReadProblem::UnknownName,
                           "the name of one of the file's histories for " + what,
                           Describe(m.value));
                  }
                  g.History = m.value.text;
              }},
             {"quantity", false, [&](const JsonMember& m) {
                  if (m.value.kind != JsonValue::Kind::String ||
                      (m.value.text != "acceleration" && m.value.text != "displacement"))
                      Fail(m.value.offset, WithKey(owner, "quantity"), ReadProblem::UnusableValue,
                           "the quantity of " + what + " (\"acceleration\" or \"displacement\")",
                           Describe(m.value));
                  g.Quantity = m.value.text == "acceleration" ? GroundQuantity::Acceleration
                                                              : GroundQuantity::Displacement;
              }}});
        try {
            out.SetGround(g);
        } catch (const numeric::ComputationFailure& f) {
            Fail(direction ? direction->value.offset : object.offset, WithKey(owner, "direction"),
                 ReadProblem::UnusableValue, "a usable direction of " + what, f.what());
        }
    }

    void ReadNodes(const JsonValue& list, Model& out) {
        const auto& nodes = Array(list, {DataField::FileKey, -1, -1, -1, "", "nodes"}, "the nodes");
        if (nodes.size() > static_cast<size_t>(kMaxCount))
            Fail(list.offset, {DataField::NodeCount}, ReadProblem::UnusableValue,
                 "at most " + std::to_string(kMaxCount) + " nodes",
                 std::to_string(nodes.size()) + " nodes");
        out.Nodes.reserve(nodes.size());
        histories_ = &out.Histories();
        for (size_t i = 0; i < nodes.size(); ++i)
            out.AddNode(ReadNode(nodes[i], static_cast<int>(i)));
    }

    NodeRecord ReadNode(const JsonValue& object, int i) {
        const std::string node = "node " + std::to_string(i);
        const FieldRef owner{DataField::NodeKey, i};
        NodeRecord n = DefaultNode();
        std::array<double, 6> values{};
        std::vector<KeyRule> rules;
        for (int k = 0; k < 3; ++k)
            rules.push_back({kAxisKeys[k], true, [&, k](const JsonMember& m) {
                                 n.Coord[k] = Number(
                                     m.value, {DataField::Coordinate, i, -1, k, "", kAxisKeys[k]},
                                     std::string("the ") + kAxisKeys[k] + " coordinate of " + node);
                             }});
        rules.push_back(
            {"codes", false, [&](const JsonMember& m) {
                 const auto& codes =
                     Array(m.value, WithKey(owner, "codes"), "the constraint codes of " + node, 6);
                 for (int j = 0; j < 6; ++j) {
                     const JsonValue& c = codes[j];
                     std::string lower = c.text;
                     for (char& ch : lower)
                         ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                     if (c.kind != JsonValue::Kind::String ||
                         (lower != "p" && lower != "u" && lower != "pf"))
                         Fail(c.offset, {DataField::ConstraintCode, i, -1, j, "", "codes"},
                              ReadProblem::NotACode,
                              std::string("the constraint code of ") + kDofNames[j] + " of " +
                                  node + " (p, u or pf)",
                              Describe(c));
                     n.BcCode[j] = lower;
                 }
             }});
        rules.push_back({"values", false, [&](const JsonMember& m) {
                             const auto& list = Array(m.value, WithKey(owner, "values"),
                                                      "the values of " + node, 6);
                             for (int j = 0; j < 6; ++j)
                                 values[j] = Number(
                                     list[j], {DataField::DofValue, i, -1, j, "", "values"},
                                     std::string("the value of ") + kDofNames[j] + " of " + node);
                         }});
        rules.push_back({"springs", false, [&](const JsonMember& m) {
                             const auto& list = Array(m.value, WithKey(owner, "springs"),
                                                      "the springs of " + node, 6);
                             for (int j = 0; j < 6; ++j)
                                 n.Springs[j] = Number(
                                     list[j], WithKey(owner, "springs", j),
                                     std::string("the spring of ") + kDofNames[j] + " of " + node);
                         }});
        rules.push_back({"mass", false, [&](const JsonMember& m) {
                             const FieldRef at = WithKey(owner, "mass");
                             const std::string what = "the mass of " + node;
                             ReadObject(m.value, at, what,
                                        {{"weight", true,
                                          [&](const JsonMember& w) {
                                              n.MassWeight =
                                                  Number(w.value, at, "the weight of " + what);
                                          }},
                                         {"inertia", false, [&](const JsonMember& j) {
                                              const auto& list = Array(
                                                  j.value, at, "the rotary inertias of " + what, 3);
                                              for (int k = 0; k < 3; ++k)
                                                  n.RotaryInertia[k] =
                                                      Number(list[k], WithKey(owner, "mass", k),
                                                             "a rotary inertia of " + what);
                                          }}});
                         }});
        rules.push_back(
            {"histories", false, [&](const JsonMember& m) {
                 const auto& names = Array(m.value, WithKey(owner, "histories"),
                                           "the load histories of " + node, 6);
                 for (int j = 0; j < 6; ++j) {
                     const JsonValue& h = names[j];
                     FieldRef field{DataField::NodeKey, i, -1, j, "", "histories"};
                     if (h.kind != JsonValue::Kind::String)
                         Fail(h.offset, field, ReadProblem::WrongType,
                              std::string("the name of the load history of ") + kDofNames[j] +
                                  " of " + node + " (a text, \"\" for the step)",
                              Describe(h));
                     if (!h.text.empty() && histories_->count(h.text) == 0) {
                         field.name = h.text;
                         Fail(h.offset, field, ReadProblem::UnknownName,
                              "the name of one of the file's histories for " + node, Describe(h));
                     }
                     n.History[j] = h.text;
                 }
             }});
        ReadObject(object, owner, node, rules);
        const ValueFault fault = FindNodeFault(n);
        if (!fault.Empty()) {
            const JsonMember* at = Find(object, fault.Key);
            Fail(at ? at->value.offset : object.offset, WithKey(owner, fault.Key),
                 ReadProblem::UnusableValue, "usable " + fault.Key + " of " + node, fault.Reason);
        }
        // The values mean what they mean in version 1.
        for (int j = 0; j < 6; ++j) {
            const double value = values[j];
            if (n.BcCode[j] == "u") {
                n.FixedDispC[j] = Complex{value, 0.0};
                n.FixedDisp[j] = value;
            } else if (n.BcCode[j] == "p") {
                n.LoadC[j] = Complex{value, 0.0};
                n.LoadValue[j] = value;
            } else {
                n.LoadValue[j] = (value == 0.0) ? 1.0 : value;  // a unit step load
            }
        }
        return n;
    }

    void ReadElements(const JsonValue& list, Model& out) {
        const auto& elements =
            Array(list, {DataField::FileKey, -1, -1, -1, "", "elements"}, "the elements");
        out.Elements.reserve(std::min(elements.size(), static_cast<size_t>(kMaxCount)));
        for (size_t k = 0; k < elements.size(); ++k)
            ReadElement(elements[k], static_cast<int>(k), out);
    }

    void ReadElement(const JsonValue& object, int k, Model& out) {
        const std::string element = "element " + std::to_string(k);
        const FieldRef owner{DataField::ElementKey, -1, k};
        ElementRecord e = DefaultElement();
        const JsonMember* turn = nullptr;  // roll or z_towards, where a refusal of the axes points
        std::vector<KeyRule> rules;
        rules.push_back(
            {"nodes", true, [&](const JsonMember& m) {
                 const auto& ends =
                     Array(m.value, WithKey(owner, "nodes"), "the nodes of " + element, 2);
                 if (out.NodeCount() == 0)
                     Fail(m.value.offset, WithKey(owner, "nodes"), ReadProblem::NoNodes,
                          "no element, since the file has no nodes", element);
                 const int high = out.NodeCount() - 1;
                 e.EndNode[0] = Whole(ends[0], {DataField::FirstNode, -1, k, -1, "", "nodes"},
                                      "the first node of " + element, 0, high);
                 e.EndNode[1] = Whole(ends[1], {DataField::SecondNode, -1, k, -1, "", "nodes"},
                                      "the second node of " + element, 0, high);
                 if (e.EndNode[0] == e.EndNode[1])
                     Fail(ends[1].offset, {DataField::SecondNode, e.EndNode[1], k, -1, "", "nodes"},
                          ReadProblem::SameNodes, "two different nodes for " + element,
                          "node " + std::to_string(e.EndNode[0]) + " twice");
             }});
        rules.push_back(
            {"material", true, [&](const JsonMember& m) {
                 if (m.value.kind == JsonValue::Kind::String) {
                     e.MaterialName = Named(m.value, out.Materials(), owner, "material", element);
                 } else if (m.value.kind == JsonValue::Kind::Object) {
                     const Material own = ReadMaterial(m.value, {DataField::Material, -1, k},
                                                       "the material of " + element);
                     e.Young = own.Young;
                     e.Shear = own.Shear;
                     e.Density = own.Density;
                 } else {
                     Fail(m.value.offset, WithKey(owner, "material"), ReadProblem::WrongType,
                          "the material of " + element +
                              " (a material's name or an object with E, G and density)",
                          Describe(m.value));
                 }
             }});
        rules.push_back(
            {"section", true, [&](const JsonMember& m) {
                 if (m.value.kind == JsonValue::Kind::String) {
                     e.SectionName = Named(m.value, out.Sections(), owner, "section", element);
                 } else if (m.value.kind == JsonValue::Kind::Object) {
                     e.CrossSection = ReadSection(m.value, {DataField::ElementSection, -1, k},
                                                  "the section of " + element);
                 } else {
                     Fail(m.value.offset, WithKey(owner, "section"), ReadProblem::WrongType,
                          "the section of " + element +
                              " (a section's name or an object with its shape)",
                          Describe(m.value));
                 }
             }});
        rules.push_back({"roll", false, [&](const JsonMember& m) {
                             e.Roll = Number(m.value, WithKey(owner, "roll"),
                                             "the roll of " + element + " in degrees");
                             turn = &m;
                         }});
        rules.push_back({"z_towards", false, [&](const JsonMember& m) {
                             const auto& v = Array(m.value, WithKey(owner, "z_towards"),
                                                   "the direction z_towards of " + element, 3);
                             Vec3 towards{};
                             for (int c = 0; c < 3; ++c)
                                 towards[c] = Number(v[c], WithKey(owner, "z_towards", c),
                                                     "a component of z_towards of " + element);
                             e.ZTowards = towards;
                             turn = &m;
                         }});
        const JsonMember* releases = nullptr;
        rules.push_back({"releases", false, [&](const JsonMember& m) {
                             ReadReleases(m.value, WithKey(owner, "releases"), element, e);
                             releases = &m;
                         }});
        rules.push_back(
            {"timoshenko", false, [&](const JsonMember& m) {
                 if (m.value.kind != JsonValue::Kind::Boolean)
                     Fail(m.value.offset, WithKey(owner, "timoshenko"), ReadProblem::WrongType,
                          "whether " + element + " bends as a Timoshenko member (true or false)",
                          Describe(m.value));
                 e.Timoshenko = m.value.boolean;
             }});
        ReadObject(object, owner, element, rules);
        if (releases) {
            const std::string why = ReleaseFault(e);
            if (!why.empty())
                Fail(releases->value.offset, WithKey(owner, "releases"), ReadProblem::UnusableValue,
                     "releases that leave " + element + " held as a member", why);
        }
        try {
            out.AddElement(e);
        } catch (const numeric::ComputationFailure& f) {
            // A refusal of the axes points at roll or z_towards, any other at the element.
            const std::string why = f.what();
            const bool axes = turn && (why.find("z_towards") != std::string::npos ||
                                       why.find("roll") != std::string::npos);
            Fail(axes ? turn->value.offset : object.offset,
                 axes ? WithKey(owner, turn->key) : owner, ReadProblem::UnusableElement,
                 "usable values for " + element +
                     " (positive moduli, density and dimensions, nodes at different places)",
                 why);
        }
    }

    // "releases": {"start": ["My", "Mz"], "end": ["T"]}, each end optional, each name of
    // an end force at most once.
    void ReadReleases(const JsonValue& object, const FieldRef& at, const std::string& element,
                      ElementRecord& e) {
        const char* const ends[2] = {"start", "end"};
        std::vector<KeyRule> rules;
        for (int end = 0; end < 2; ++end)
            rules.push_back({ends[end], false, [&, end](const JsonMember& m) {
                                 const std::string what = std::string("the end forces ") + element +
                                                          " releases at its " + ends[end];
                                 const auto& names = Array(m.value, at, what);
                                 for (size_t i = 0; i < names.size(); ++i) {
                                     const JsonValue& v = names[i];
                                     int k = 0;
                                     while (k < 6 && (v.kind != JsonValue::Kind::String ||
                                                      v.text != ReleaseName(k)))
                                         ++k;
                                     if (k == 6)
                                         Fail(v.offset, WithKey(at, "releases", int(i)),
                                              ReadProblem::UnusableValue,
                                              what +
                                                  " (\"N\", \"Vy\", \"Vz\", \"T\", \"My\" "
                                                  "or \"Mz\")",
                                              Describe(v));
                                     if (e.Released[6 * end + k])
                                         Fail(v.offset, WithKey(at, "releases", int(i)),
                                              ReadProblem::UnusableValue, what + ", each once",
                                              Describe(v) + " again");
                                     e.Released[6 * end + k] = true;
                                 }
                             }});
        ReadObject(object, at, "the releases of " + element, rules);
    }

    // "impact": {"node": n, "weight": W, "velocity": [vx, vy, vz], "gravity": false}.
    void ReadImpact(const JsonValue& object, Model& out) {
        const FieldRef at{DataField::FileKey, -1, -1, -1, "", "impact"};
        const std::string what = "the dropped weight";
        DroppedWeight d;
        ReadObject(object, at, what,
                   {{"node", true,
                     [&](const JsonMember& m) {
                         if (out.NodeCount() == 0)
                             Fail(m.value.offset, at, ReadProblem::NoNodes,
                                  "no dropped weight, since the file has no nodes", what);
                         d.Node = Whole(m.value, at, "the node " + what + " strikes", 0,
                                        out.NodeCount() - 1);
                     }},
                    {"weight", true,
                     [&](const JsonMember& m) {
                         d.Weight = Number(m.value, at, "the weight of " + what);
                     }},
                    {"velocity", true,
                     [&](const JsonMember& m) {
                         const auto& v = Array(m.value, at, "the velocity of " + what, 3);
                         for (int c = 0; c < 3; ++c)
                             d.Velocity[c] = Number(v[c], WithKey(at, "impact", c),
                                                    "a component of the velocity of " + what);
                     }},
                    {"gravity", false, [&](const JsonMember& m) {
                         if (m.value.kind != JsonValue::Kind::Boolean)
                             Fail(m.value.offset, at, ReadProblem::WrongType,
                                  "whether the weight of " + what + " acts (true or false)",
                                  Describe(m.value));
                         d.Gravity = m.value.boolean;
                     }}});
        const ValueFault fault = FindImpactFault(d, out.NodeCount());
        if (!fault.Empty()) {
            const JsonMember* m = Find(object, fault.Key);
            Fail(m ? m->value.offset : object.offset, at, ReadProblem::UnusableValue,
                 "a usable " + fault.Key + " of " + what, fault.Reason);
        }
        out.SetImpact(d);
    }

    template <class Table>
    std::string Named(const JsonValue& v, const Table& table, const FieldRef& owner,
                      const char* what, const std::string& element) const {
        if (table.count(v.text) == 0) {
            FieldRef field = WithKey(owner, what);
            field.name = v.text;
            Fail(v.offset, field, ReadProblem::UnknownName,
                 std::string("the name of one of the file's ") + what + "s for " + element,
                 Describe(v));
        }
        return v.text;
    }

    const std::string& text_;
    std::string name_;
    const std::map<std::string, LoadHistory>* histories_ = nullptr;
};

// ---- Writing ----------------------------------------------------------------------------

// The shortest text that reads back as the same double; -0 keeps its sign.
std::string JsonNumber(double x) {
    if (x == 0.0) return std::signbit(x) ? "-0.0" : "0";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            const char* const hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string MaterialObject(double young, double shear, double density) {
    return "{\"E\": " + JsonNumber(young) + ", \"G\": " + JsonNumber(shear) +
           ", \"density\": " + JsonNumber(density) + "}";
}

std::string SectionObject(const Section& s) {
    std::string out = std::string("{\"shape\": \"") + ShapeName(s.Shape) + "\"";
    for (const SectionDimension& d : DimensionsOf(s.Shape))
        if (!d.Optional || s.*d.Value != 0.0)
            out += std::string(", \"") + d.Key + "\": " + JsonNumber(s.*d.Value);
    return out + "}";
}

std::string DampingObject(const Damping& d) {
    if (d.Given == Damping::Form::Ratio)
        return "{\"ratio\": " + JsonNumber(d.Ratio) + ", \"at_hz\": [" + JsonNumber(d.AtHz[0]) +
               ", " + JsonNumber(d.AtHz[1]) + "]}";
    return "{\"alpha\": " + JsonNumber(d.Alpha) + ", \"beta\": " + JsonNumber(d.Beta) + "}";
}

std::string NamedMaterialObject(const Material& m) {
    std::string out = MaterialObject(m.Young, m.Shear, m.Density);
    if (m.Damp) out.insert(out.size() - 1, ", \"damping\": " + DampingObject(*m.Damp));
    return out;
}

std::string HistoryObject(const LoadHistory& h) {
    std::string out = std::string("{\"kind\": \"") + HistoryKindName(h.Kind) + "\"";
    switch (h.Kind) {
        case HistoryKind::Step:
            out += ", \"rise\": " + JsonNumber(h.Rise);
            break;
        case HistoryKind::Table:
            out += ", \"points\": [";
            for (size_t i = 0; i < h.Points.size(); ++i)
                out += (i ? ", [" : "[") + JsonNumber(h.Points[i][0]) + ", " +
                       JsonNumber(h.Points[i][1]) + "]";
            out += "]";
            break;
        default:
            out += ", \"duration\": " + JsonNumber(h.Duration);
            break;
    }
    return out + "}";
}

bool NamesHistories(const NodeRecord& n) {
    for (const std::string& h : n.History)
        if (!h.empty()) return true;
    return false;
}

template <class Table, class Write>
std::string TableText(const Table& table, Write write) {
    std::string out = "{";
    bool first = true;
    for (const auto& [name, value] : table) {
        out += first ? "\n    " : ",\n    ";
        out += JsonString(name) + ": " + write(value);
        first = false;
    }
    return out + (first ? "}" : "\n  }");
}

}  // namespace

bool ReadJsonModel(const std::string& text, const std::string& name, Model& out,
                   DataFileError& error) {
    JsonModelReader reader(text, name);
    try {
        size_t taken = 0;
        TreeBuilder tree(text, taken);
        const CountingIterator first(text.data(), text.data(), &taken);
        const CountingIterator last(text.data() + text.size(), text.data(), &taken);
        const bool parsed = nlohmann::json::sax_parse(first, last, &tree);
        if (!parsed || tree.failed) {
            const FieldRef at = tree.problem == ReadProblem::DuplicateKey
                                    ? FieldRef{DataField::None, -1, -1, -1, "", tree.found}
                                    : FieldRef{};
            const std::string expected =
                tree.problem == ReadProblem::DuplicateKey ? "each key once in an object"
                : tree.problem == ReadProblem::TooDeep
                    ? "arrays and objects nested at most " + std::to_string(kMaxDepth) + " deep"
                    : "JSON text";
            reader.Fail(tree.failureOffset, at, tree.problem, expected,
                        tree.problem == ReadProblem::DuplicateKey ? Quoted(tree.found)
                        : tree.problem == ReadProblem::TooDeep    ? "deeper nesting"
                                                                  : tree.found);
        }
        reader.Read(tree.root, out);
    } catch (const JsonFailure& f) {
        error = f.error;
        return false;
    }
    return true;
}

bool NeedsJson(const Model& model) {
    if (!model.Materials().empty() || !model.Sections().empty() || model.Impact()) return true;
    if (!model.Histories().empty() || model.Ground() || model.ModelDamping()) return true;
    for (const NodeRecord& n : model.Nodes)
        if (NamesHistories(n) || HasSpringOrMass(n)) return true;
    for (const ElementRecord& e : model.Elements)
        if (!e.MaterialName.empty() || !e.SectionName.empty() ||
            e.CrossSection.Shape != SectionShape::Round || e.Roll != 0.0 || e.ZTowards ||
            e.Timoshenko || HasReleases(e))
            return true;
    return false;
}

std::string JsonText(const Model& model) {
    std::string s;
    s.reserve(256 + static_cast<size_t>(model.NodeCount()) * 140 + model.ElementCount() * 120);
    s += "{\n  \"format\": \"ImpactFrame\",\n  \"version\": " + std::to_string(kVersion) +
         ",\n  \"units\": \"" + kUnits + "\",\n";
    if (!model.Histories().empty())
        s += "  \"histories\": " + TableText(model.Histories(), HistoryObject) + ",\n";
    if (model.ModelDamping()) s += "  \"damping\": " + DampingObject(*model.ModelDamping()) + ",\n";
    s += "  \"materials\": " + TableText(model.Materials(), NamedMaterialObject) + ",\n";
    s += "  \"sections\": " + TableText(model.Sections(), SectionObject) + ",\n";
    s += "  \"nodes\": [";
    for (int i = 0; i < model.NodeCount(); ++i) {
        const NodeRecord& n = model.Nodes[i];
        s += i == 0 ? "\n    {" : ",\n    {";
        for (int k = 0; k < 3; ++k)
            s += std::string(k ? ", \"" : "\"") + kAxisKeys[k] + "\": " + JsonNumber(n.Coord[k]);
        s += ", \"codes\": [";
        for (int j = 0; j < 6; ++j) s += (j ? ", " : "") + JsonString(n.BcCode[j]);
        s += "], \"values\": [";
        for (int j = 0; j < 6; ++j)
            s += (j ? ", " : "") + JsonNumber(n.BcCode[j] == "u" ? n.FixedDisp[j] : n.LoadValue[j]);
        s += "]";
        if (n.Springs != std::array<double, 6>{}) {
            s += ", \"springs\": [";
            for (int j = 0; j < 6; ++j) s += (j ? ", " : "") + JsonNumber(n.Springs[j]);
            s += "]";
        }
        if (n.MassWeight != 0.0 || n.RotaryInertia != std::array<double, 3>{}) {
            s += ", \"mass\": {\"weight\": " + JsonNumber(n.MassWeight);
            if (n.RotaryInertia != std::array<double, 3>{})
                s += ", \"inertia\": [" + JsonNumber(n.RotaryInertia[0]) + ", " +
                     JsonNumber(n.RotaryInertia[1]) + ", " + JsonNumber(n.RotaryInertia[2]) + "]";
            s += "}";
        }
        if (NamesHistories(n)) {
            s += ", \"histories\": [";
            for (int j = 0; j < 6; ++j) s += (j ? ", " : "") + JsonString(n.History[j]);
            s += "]";
        }
        s += "}";
    }
    s += model.NodeCount() ? "\n  ],\n" : "],\n";
    s += "  \"elements\": [";
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        s += k == 0 ? "\n    {" : ",\n    {";
        s += "\"nodes\": [" + std::to_string(e.EndNode[0]) + ", " + std::to_string(e.EndNode[1]) +
             "]";
        s += ", \"material\": " + (e.MaterialName.empty()
                                       ? MaterialObject(e.Young, e.Shear, e.Density)
                                       : JsonString(e.MaterialName));
        s += ", \"section\": " +
             (e.SectionName.empty() ? SectionObject(e.CrossSection) : JsonString(e.SectionName));
        if (e.Roll != 0.0) s += ", \"roll\": " + JsonNumber(e.Roll);
        if (e.ZTowards) {
            const Vec3& v = *e.ZTowards;
            s += ", \"z_towards\": [" + JsonNumber(v[0]) + ", " + JsonNumber(v[1]) + ", " +
                 JsonNumber(v[2]) + "]";
        }
        if (e.Timoshenko) s += ", \"timoshenko\": true";
        if (HasReleases(e)) {
            const char* const ends[2] = {"start", "end"};
            std::string list;
            for (int end = 0; end < 2; ++end) {
                std::string names;
                for (int c = 0; c < 6; ++c)
                    if (e.Released[6 * end + c])
                        names +=
                            (names.empty() ? "\"" : ", \"") + std::string(ReleaseName(c)) + "\"";
                if (!names.empty())
                    list += (list.empty() ? "\"" : ", \"") + std::string(ends[end]) + "\": [" +
                            names + "]";
            }
            s += ", \"releases\": {" + list + "}";
        }
        s += "}";
    }
    s += model.ElementCount() ? "\n  ]" : "]";
    if (const auto& g = model.Ground()) {
        s += ",\n  \"ground\": {\"direction\": [" + JsonNumber(g->Direction[0]) + ", " +
             JsonNumber(g->Direction[1]) + ", " + JsonNumber(g->Direction[2]) +
             "], \"history\": " + JsonString(g->History) + ", \"quantity\": \"" +
             (g->Quantity == GroundQuantity::Acceleration ? "acceleration" : "displacement") +
             "\"}";
    }
    if (const auto& d = model.Impact()) {
        s += ",\n  \"impact\": {\"node\": " + std::to_string(d->Node) +
             ", \"weight\": " + JsonNumber(d->Weight) + ", \"velocity\": [" +
             JsonNumber(d->Velocity[0]) + ", " + JsonNumber(d->Velocity[1]) + ", " +
             JsonNumber(d->Velocity[2]) + "], \"gravity\": " + (d->Gravity ? "true" : "false") +
             "}";
    }
    s += "\n}\n";
    return s;
}

}  // namespace fem::detail

// Model, Node, Element and sample() of the Python module.
//
// The fields a script gives to add_node / add_element / set_node / set_element and reads
// from Node and Element come from the two tables NodeFields() and ElementFields(): a new
// field of NodeRecord or ElementRecord is one entry there (its keyword, its text, and how
// it is read from and written to the record); the functions' keyword arguments, the
// attributes of Node and Element and the docstrings follow from the tables.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/datafile.h"
#include "model/samples.h"
#include "python/bindings.h"

namespace py = pybind11;

namespace pyframe {
namespace {

// One field of a record as scripts see it: a keyword argument of the functions that add
// and change records, and an attribute of the record's view.
template <class Record>
struct Field {
    const char* name;
    const char* doc;
    std::function<py::object(const Record&)> get;
    // Changes the record from a Python value (raising TypeError or ValueError for one it
    // cannot take); empty for a quantity derived from the others, which is read only.
    std::function<void(Record&, const py::handle&)> set;
};

double FiniteNumber(const py::handle& value, const char* name) {
    double x = 0.0;
    try {
        x = value.cast<double>();
    } catch (const py::cast_error&) {
        throw py::type_error(std::string(name) + " must be a number, not " +
                             std::string(py::str(py::type::of(value).attr("__name__"))));
    }
    if (!std::isfinite(x)) throw py::value_error(std::string(name) + " must be a finite number");
    return x;
}

int WholeNumber(const py::handle& value, const char* name) {
    if (!py::isinstance<py::int_>(value))
        throw py::type_error(std::string(name) + " must be a whole number");
    return value.cast<int>();
}

// A sequence of exactly six items (a str counts as one item, repeated six times, when
// allowSingle is set).
std::vector<py::object> SixItems(const py::handle& value, const char* name, bool allowSingle) {
    if (allowSingle && py::isinstance<py::str>(value))
        return std::vector<py::object>(6, py::reinterpret_borrow<py::object>(value));
    if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) ||
        py::len(value) != 6)
        throw py::type_error(std::string(name) + " must be a sequence of six values " +
                             "(Ux Uy Uz θx θy θz)");
    std::vector<py::object> items;
    for (const py::handle item : py::reinterpret_borrow<py::sequence>(value))
        items.push_back(py::reinterpret_borrow<py::object>(item));
    return items;
}

// The value a degree of freedom holds as the data file has it: the prescribed
// displacement of a "u" dof, the load of any other.
std::array<double, 6> DofValues(const fem::NodeRecord& n) {
    std::array<double, 6> values{};
    for (int j = 0; j < 6; ++j) values[j] = n.BcCode[j] == "u" ? n.FixedDisp[j] : n.LoadValue[j];
    return values;
}

// Stores the values under the node's codes as reading a data file does, a "pf" value of
// 0 becoming a unit step load.
void SetDofValues(fem::NodeRecord& n, const std::array<double, 6>& values) {
    const std::array<std::string, 6> codes = n.BcCode;
    const std::array<std::string, 6> histories = n.History;
    const fem::Vec3 coord = n.Coord;
    n = fem::DefaultNode();
    n.Coord = coord;
    n.BcCode = codes;
    n.History = histories;
    for (int j = 0; j < 6; ++j) {
        const double v = values[j];
        if (codes[j] == "u") {
            n.FixedDispC[j] = {v, 0.0};
            n.FixedDisp[j] = v;
        } else if (codes[j] == "p") {
            n.LoadC[j] = {v, 0.0};
            n.LoadValue[j] = v;
        } else {
            n.LoadValue[j] = v == 0.0 ? 1.0 : v;
        }
    }
}

Field<fem::NodeRecord> Coordinate(const char* name, int axis, const char* doc) {
    return {name, doc, [axis](const fem::NodeRecord& n) { return py::cast(n.Coord[axis]); },
            [axis, name](fem::NodeRecord& n, const py::handle& v) {
                n.Coord[axis] = FiniteNumber(v, name);
            }};
}

// The fields of a node, in the order in which they are applied (codes before values,
// whose storage depends on the codes).
const std::vector<Field<fem::NodeRecord>>& NodeFields() {
    static const std::vector<Field<fem::NodeRecord>> fields = {
        Coordinate("x", 0, "x coordinate, mm"),
        Coordinate("y", 1, "y coordinate, mm"),
        Coordinate("z", 2, "z coordinate, mm"),
        {"codes",
         "constraint codes of Ux Uy Uz θx θy θz: 'p' free, 'u' fixed (at its value),\n"
         "'pf' free and step-loaded (by its value); one code stands for all six",
         [](const fem::NodeRecord& n) { return py::cast(n.BcCode); },
         [](fem::NodeRecord& n, const py::handle& v) {
             const std::array<double, 6> values = DofValues(n);
             const std::vector<py::object> items = SixItems(v, "codes", true);
             for (int j = 0; j < 6; ++j) {
                 const std::string code = py::isinstance<py::str>(items[j])
                                              ? items[j].cast<std::string>()
                                              : std::string();
                 if (code != "p" && code != "u" && code != "pf")
                     throw py::value_error("a constraint code is 'p', 'u' or 'pf', not " +
                                           std::string(py::repr(items[j])));
                 n.BcCode[j] = code;
             }
             SetDofValues(n, values);
         }},
        {"values",
         "values of Ux Uy Uz θx θy θz (mm, rad; kgf, kgf mm): the prescribed\n"
         "displacement of a 'u' dof, the static load of a 'p' dof, the step load of a\n"
         "'pf' dof (0 there means a unit load, as in the data file)",
         [](const fem::NodeRecord& n) { return py::cast(DofValues(n)); },
         [](fem::NodeRecord& n, const py::handle& v) {
             const std::vector<py::object> items = SixItems(v, "values", false);
             std::array<double, 6> values{};
             for (int j = 0; j < 6; ++j) values[j] = FiniteNumber(items[j], "a value");
             SetDofValues(n, values);
         }},
        {"springs",
         "springs to the ground on Ux Uy Uz (kgf/mm) and θx θy θz (kgf mm/rad), 0: none;\n"
         "a spring on a fixed dof changes nothing",
         [](const fem::NodeRecord& n) { return py::cast(n.Springs); },
         [](fem::NodeRecord& n, const py::handle& v) {
             const std::vector<py::object> items = SixItems(v, "springs", false);
             for (int j = 0; j < 6; ++j) n.Springs[j] = FiniteNumber(items[j], "a spring");
         }},
        {"mass",
         "lumped mass: {'weight': W (kgf), 'inertia': (Jx, Jy, Jz) (kgf mm^2, weight times\n"
         "radius of gyration squared)}, or the weight alone as a number; both are divided\n"
         "by g = 9800 mm/s^2 as the bars' density is",
         [](const fem::NodeRecord& n) {
             py::dict d;
             d["weight"] = n.MassWeight;
             d["inertia"] =
                 py::make_tuple(n.RotaryInertia[0], n.RotaryInertia[1], n.RotaryInertia[2]);
             return py::object(d);
         },
         [](fem::NodeRecord& n, const py::handle& v) {
             if (!py::isinstance<py::dict>(v)) {
                 n.MassWeight = FiniteNumber(v, "mass");
                 n.RotaryInertia = {};
                 return;
             }
             const py::dict d = py::reinterpret_borrow<py::dict>(v);
             for (const auto& item : d) {
                 const std::string key = py::str(item.first);
                 if (key != "weight" && key != "inertia")
                     throw py::type_error("mass has the keys 'weight' and 'inertia', not '" + key +
                                          "'");
             }
             n.MassWeight = d.contains("weight") ? FiniteNumber(d["weight"], "weight") : 0.0;
             n.RotaryInertia = {};
             if (d.contains("inertia")) {
                 const py::object inertia = d["inertia"];
                 if (!py::isinstance<py::sequence>(inertia) || py::isinstance<py::str>(inertia) ||
                     py::len(inertia) != 3)
                     throw py::type_error("inertia must be a sequence of three values (Jx Jy Jz)");
                 for (int k = 0; k < 3; ++k)
                     n.RotaryInertia[k] = FiniteNumber(inertia[py::int_(k)], "a rotary inertia");
             }
         }},
        {"histories",
         "names of the model's load histories (Model.histories) of the 'pf' loads of\n"
         "Ux Uy Uz θx θy θz, None for the step with the run's rise time; one name (or\n"
         "None) stands for all six; ignored on other dofs",
         [](const fem::NodeRecord& n) {
             py::list names;
             for (const std::string& h : n.History)
                 names.append(h.empty() ? py::object(py::none()) : py::object(py::str(h)));
             return py::object(names);
         },
         [](fem::NodeRecord& n, const py::handle& v) {
             const bool single = v.is_none() || py::isinstance<py::str>(v);
             const std::vector<py::object> items =
                 single ? std::vector<py::object>(6, py::reinterpret_borrow<py::object>(v))
                        : SixItems(v, "histories", false);
             for (int j = 0; j < 6; ++j) {
                 if (items[j].is_none()) {
                     n.History[j].clear();
                 } else if (py::isinstance<py::str>(items[j])) {
                     n.History[j] = items[j].cast<std::string>();
                 } else {
                     throw py::type_error("histories holds names of load histories (str) or None");
                 }
             }
         }},
    };
    return fields;
}

Field<fem::ElementRecord> EndNode(const char* name, int end, const char* doc) {
    return {name, doc, [end](const fem::ElementRecord& e) { return py::cast(e.EndNode[end]); },
            [end, name](fem::ElementRecord& e, const py::handle& v) {
                e.EndNode[end] = WholeNumber(v, name);
            }};
}

Field<fem::ElementRecord> Number(const char* name, double fem::ElementRecord::*member,
                                 const char* doc) {
    return {name, doc, [member](const fem::ElementRecord& e) { return py::cast(e.*member); },
            [member, name](fem::ElementRecord& e, const py::handle& v) {
                e.*member = FiniteNumber(v, name);
            }};
}

// A value of the element's own material: giving it turns the element away from a named
// material to its own values (those of the material so far, changed by this one).
Field<fem::ElementRecord> OwnMaterialValue(const char* name, double fem::ElementRecord::*member,
                                           const char* doc) {
    Field<fem::ElementRecord> field = Number(name, member, doc);
    const auto set = field.set;
    field.set = [set](fem::ElementRecord& e, const py::handle& v) {
        set(e, v);
        e.MaterialName.clear();
    };
    return field;
}

// The name of a model's material or section, or None for the element's own values.
Field<fem::ElementRecord> ReferenceName(const char* name, std::string fem::ElementRecord::*member,
                                        const char* doc) {
    return {name, doc,
            [member](const fem::ElementRecord& e) -> py::object {
                if ((e.*member).empty()) return py::none();
                return py::str(e.*member);
            },
            [member, name](fem::ElementRecord& e, const py::handle& v) {
                if (v.is_none()) {
                    (e.*member).clear();
                    return;
                }
                if (!py::isinstance<py::str>(v))
                    throw py::type_error(std::string(name) + " must be a name (str) or None");
                const std::string text = v.cast<std::string>();
                if (text.empty())
                    throw py::value_error(std::string(name) +
                                          " must not be empty (None for the element's own values)");
                e.*member = text;
            }};
}

std::array<double, 3> ThreeNumbers(const py::handle& value, const char* name) {
    if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) ||
        py::len(value) != 3)
        throw py::type_error(std::string(name) + " must be a sequence of three numbers (x y z)");
    std::array<double, 3> numbers{};
    int c = 0;
    for (const py::handle item : py::reinterpret_borrow<py::sequence>(value))
        numbers[c++] = FiniteNumber(item, name);
    return numbers;
}

template <class T>
Field<fem::ElementRecord> Derived(const char* name, T fem::ElementRecord::*member,
                                  const char* doc) {
    return {name, doc, [member](const fem::ElementRecord& e) { return py::cast(e.*member); }, {}};
}

// The fields of an element: what is entered, then what follows from it (read only).
const std::vector<Field<fem::ElementRecord>>& ElementFields() {
    static const std::vector<Field<fem::ElementRecord>> fields = {
        EndNode("first", 0, "first node"),
        EndNode("second", 1, "second node"),
        ReferenceName("material", &fem::ElementRecord::MaterialName,
                      "name of the model's material the element is made of (Model.materials),\n"
                      "or None for its own young, shear and density"),
        OwnMaterialValue("young", &fem::ElementRecord::Young,
                         "Young's modulus E, kgf/mm^2 (giving it sets material to None)"),
        OwnMaterialValue("shear", &fem::ElementRecord::Shear,
                         "shear modulus G, kgf/mm^2 (giving it sets material to None)"),
        OwnMaterialValue("density", &fem::ElementRecord::Density,
                         "weight per unit volume w, kgf/mm^3 (giving it sets material to None)"),
        ReferenceName("section", &fem::ElementRecord::SectionName,
                      "name of the model's section of the element (Model.sections), or None\n"
                      "for its own solid circular section of the given diameter"),
        {"diameter",
         "diameter d of the element's own solid circular section, mm (giving it sets\n"
         "section to None); of a tube its outside diameter, 0 for other shapes",
         [](const fem::ElementRecord& e) { return py::cast(e.CrossSection.Diameter); },
         [](fem::ElementRecord& e, const py::handle& v) {
             e.CrossSection = fem::Section{};
             e.CrossSection.Shape = fem::SectionShape::Round;
             e.CrossSection.Diameter = FiniteNumber(v, "diameter");
             e.SectionName.clear();
         }},
        {"releases",
         "released end forces: {'start': [...], 'end': [...]} with names of 'N', 'Vy',\n"
         "'Vz', 'T', 'My', 'Mz' (element axes); a released end force is zero",
         [](const fem::ElementRecord& e) {
             py::dict d;
             const char* const ends[2] = {"start", "end"};
             for (int end = 0; end < 2; ++end) {
                 py::list names;
                 for (int k = 0; k < 6; ++k)
                     if (e.Released[6 * end + k]) names.append(fem::ReleaseName(k));
                 d[ends[end]] = names;
             }
             return py::object(d);
         },
         [](fem::ElementRecord& e, const py::handle& v) {
             if (!py::isinstance<py::dict>(v))
                 throw py::type_error(
                     "releases must be a dict {'start': [...], 'end': [...]} of end forces");
             std::array<bool, 12> released{};
             for (const auto& item : py::reinterpret_borrow<py::dict>(v)) {
                 const std::string key = py::str(item.first);
                 const int end = key == "start" ? 0 : (key == "end" ? 1 : -1);
                 if (end < 0)
                     throw py::type_error("releases has the keys 'start' and 'end', not '" + key +
                                          "'");
                 if (!py::isinstance<py::sequence>(item.second) ||
                     py::isinstance<py::str>(item.second))
                     throw py::type_error("releases['" + key + "'] must be a list of names");
                 for (const py::handle name : py::reinterpret_borrow<py::sequence>(item.second)) {
                     const std::string text =
                         py::isinstance<py::str>(name) ? name.cast<std::string>() : std::string();
                     int k = 0;
                     while (k < 6 && text != fem::ReleaseName(k)) ++k;
                     if (k == 6)
                         throw py::value_error(
                             "an end force is 'N', 'Vy', 'Vz', 'T', 'My' or 'Mz', not " +
                             std::string(py::repr(name)));
                     released[6 * end + k] = true;
                 }
             }
             e.Released = released;
         }},
        Number("roll", &fem::ElementRecord::Roll,
               "turn of local y and z about the member's axis, degrees (round bars and\n"
               "tubes ignore it); 0 when z_towards is given"),
        {"z_towards",
         "a point (x, y, z) in mm towards which local z points, or None for the\n"
         "default axes turned by roll (round bars and tubes ignore it)",
         [](const fem::ElementRecord& e) -> py::object {
             if (!e.ZTowards) return py::none();
             return py::cast(*e.ZTowards);
         },
         [](fem::ElementRecord& e, const py::handle& v) {
             if (v.is_none()) {
                 e.ZTowards.reset();
                 return;
             }
             const std::array<double, 3> p = ThreeNumbers(v, "z_towards");
             e.ZTowards = fem::Vec3{p[0], p[1], p[2]};
         }},
        {"timoshenko",
         "True: bends as a Timoshenko member in both planes (shear deformation where the\n"
         "section has a shear area, rotary inertia); False: Euler-Bernoulli",
         [](const fem::ElementRecord& e) { return py::cast(e.Timoshenko); },
         [](fem::ElementRecord& e, const py::handle& v) {
             if (!py::isinstance<py::bool_>(v))
                 throw py::type_error("timoshenko must be True or False");
             e.Timoshenko = v.cast<bool>();
         }},
        {"shape",
         "shape of the section: 'round', 'tube', 'rectangle', 'box', 'I' or 'general'",
         [](const fem::ElementRecord& e) {
             return py::cast(std::string(fem::ShapeName(e.CrossSection.Shape)));
         },
         {}},
        Derived("length", &fem::ElementRecord::Length, "length L, mm"),
        Derived("axis", &fem::ElementRecord::AxisCos,
                "direction cosines of the axis from the first node to the second"),
        Derived("area", &fem::ElementRecord::Area, "cross-section area A, mm^2"),
        Derived("polar_moment", &fem::ElementRecord::PolarJ,
                "torsion constant J (pi d^4 / 32 of a round bar), mm^4"),
        Derived("iy", &fem::ElementRecord::Iy, "second moment of area about local y, mm^4"),
        Derived("iz", &fem::ElementRecord::Iz, "second moment of area about local z, mm^4"),
        Derived("shear_area_y", &fem::ElementRecord::ShearAreaY,
                "shear area Ay for shear along local y (Cowper's, or as given), mm^2"),
        Derived("shear_area_z", &fem::ElementRecord::ShearAreaZ,
                "shear area Az for shear along local z (Cowper's, or as given), mm^2"),
        Derived("poisson", &fem::ElementRecord::Poisson, "Poisson's ratio E / (2 G) - 1"),
    };
    return fields;
}

// Sets the fields given by keyword on record, in the table's order; an unknown or
// read-only keyword raises TypeError before anything is set.
template <class Record>
void ApplyFields(const std::vector<Field<Record>>& fields, Record& record, const py::dict& given,
                 const char* function) {
    for (const auto& item : given) {
        const std::string name = py::str(item.first);
        const Field<Record>* field = nullptr;
        for (const auto& f : fields)
            if (name == f.name) field = &f;
        if (field == nullptr || !field->set) {
            std::string known;
            for (const auto& f : fields)
                if (f.set) known += std::string(known.empty() ? "" : ", ") + f.name;
            throw py::type_error(std::string(function) + "() got " +
                                 (field ? "the derived quantity '" : "an unknown field '") + name +
                                 "'; its fields are " + known);
        }
    }
    for (const auto& f : fields)
        if (f.set && given.contains(f.name)) f.set(record, given[f.name]);
}

// The keyword fields of a table with their defaults, for docstrings.
// The fields that can be set, with the value each has in defaults, for docstrings; the
// positional ones of a function are left out.
template <class Record>
std::string FieldList(const std::vector<Field<Record>>& fields, const Record& defaults,
                      std::initializer_list<std::string> positional = {}) {
    std::string text;
    for (const auto& f : fields) {
        if (!f.set || std::find(positional.begin(), positional.end(), f.name) != positional.end())
            continue;
        std::string doc = f.doc;
        for (size_t at = doc.find('\n'); at != std::string::npos; at = doc.find('\n', at + 5))
            doc.replace(at, 1, "\n    ");
        text += "  " + std::string(f.name) + ": " + doc + " [" +
                std::string(py::repr(f.get(defaults))) + "]\n";
    }
    return text;
}

// What Model.node() and Model.element() return: a copy of one record with its number.
template <class Record>
struct RecordView {
    int index = 0;
    Record record;
};
using NodeView = RecordView<fem::NodeRecord>;
using ElementView = RecordView<fem::ElementRecord>;

template <class Record>
void DefineFields(py::class_<RecordView<Record>>& cls, const std::vector<Field<Record>>& fields) {
    cls.def_property_readonly(
        "index", [](const RecordView<Record>& v) { return v.index; }, "its number (from 0)");
    for (const auto& f : fields) {
        const auto get = f.get;
        cls.def_property_readonly(
            f.name, [get](const RecordView<Record>& v) { return get(v.record); }, f.doc);
    }
    const std::string className = py::str(cls.attr("__name__"));
    cls.def("__repr__", [&fields, className](const RecordView<Record>& v) {
        std::string text = className + "(" + std::to_string(v.index);
        for (const auto& f : fields)
            if (f.set)
                text += ", " + std::string(f.name) + "=" + std::string(py::repr(f.get(v.record)));
        return text + ")";
    });
}

void CheckIndex(int i, int count, const char* what) {
    if (i < 0 || i >= count)
        throw py::index_error("no " + std::string(what) + " " + std::to_string(i) +
                              " (the model has " + std::to_string(count) + " " + what + "s)");
}

void CheckEndNodes(const fem::Model& model, const fem::ElementRecord& e) {
    for (int end : e.EndNode) CheckIndex(end, model.NodeCount(), "node");
}

// A path given as str or os.PathLike.
std::string PathText(const py::object& path) {
    return py::module_::import("os").attr("fspath")(path).cast<std::string>();
}

ScriptModel ReadModel(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    ScriptModel script;
    fem::DataFileError error;
    bool read = false;
    {
        py::gil_scoped_release release;
        read = fem::StructDataReadFile(script.model, path, &error);
    }
    if (!read) {
        py::dict attributes;
        attributes["path"] = error.path;
        attributes["line"] = error.line;
        attributes["field"] = error.expected;
        attributes["found"] = error.found;
        RaiseWithAttributes("DataFileError", error.Message(), attributes);
    }
    return script;
}

ScriptModel ModelFromText(const std::string& text, const std::string& name) {
    ScriptModel script;
    fem::DataFileError error;
    if (!fem::StructDataReadText(script.model, text, name, &error)) {
        py::dict attributes;
        attributes["path"] = error.path;
        attributes["line"] = error.line;
        attributes["field"] = error.expected;
        attributes["found"] = error.found;
        RaiseWithAttributes("DataFileError", error.Message(), attributes);
    }
    return script;
}

void WriteModel(const ScriptModel& script, const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    const fem::Model model = script.model;  // another thread may change the script's
    fem::DataFileWriteError error;
    bool written = false;
    {
        py::gil_scoped_release release;
        written = fem::StructDataWriteFile(model, path, &error);
    }
    if (written) return;
    if (error.step == fem::WriteStep::Unwritable) throw py::value_error(error.Message());
    // OSError picks its subclass (PermissionError, IsADirectoryError, ...) from errno.
    const py::object oserror = py::module_::import("builtins").attr("OSError");
    const py::object exception = error.systemError != 0
                                     ? oserror(error.systemError, error.reason, path)
                                     : oserror(error.Message());
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
    throw py::error_already_set();
}

// An element either names a material or has its own values, and likewise a section.
void CheckElementFields(const py::dict& given, const char* function) {
    const auto refuse = [&](const char* name, const char* own) {
        if (given.contains(name) && given.contains(own) && !given[name].is_none())
            throw py::type_error(std::string(function) + "() got both " + name + " and " + own +
                                 "; an element has its " + name + " by name or its own values");
    };
    for (const char* own : {"young", "shear", "density"}) refuse("material", own);
    refuse("section", "diameter");
}

// A damping as the data file has it: {"alpha": a, "beta": b} or {"ratio": z, "at_hz":
// [f1, f2]}.
py::dict DampingValues(const fem::Damping& damping) {
    py::dict values;
    if (damping.Given == fem::Damping::Form::Ratio) {
        values["ratio"] = damping.Ratio;
        values["at_hz"] = py::make_tuple(damping.AtHz[0], damping.AtHz[1]);
    } else {
        values["alpha"] = damping.Alpha;
        values["beta"] = damping.Beta;
    }
    return values;
}

std::optional<fem::Damping> DampingFrom(const py::handle& value, const std::string& name) {
    if (value.is_none()) return std::nullopt;
    if (!py::isinstance<py::dict>(value))
        throw py::type_error(name + " must be None, {'alpha': a, 'beta': b} or " +
                             "{'ratio': z, 'at_hz': (f1, f2)}");
    const py::dict given = py::reinterpret_borrow<py::dict>(value);
    fem::Damping damping;
    const bool ratio = given.contains("ratio");
    for (const auto& item : given) {
        const std::string key = py::str(item.first);
        const bool known =
            ratio ? key == "ratio" || key == "at_hz" : key == "alpha" || key == "beta";
        if (!known)
            throw py::type_error(name + " got '" + key + "'; a damping has alpha and beta, or " +
                                 "ratio and at_hz");
    }
    if (ratio) {
        damping.Given = fem::Damping::Form::Ratio;
        damping.Ratio = FiniteNumber(given["ratio"], "ratio");
        if (!given.contains("at_hz"))
            throw py::type_error(name + " with a ratio needs at_hz (f1, f2)");
        const py::object at = given["at_hz"];
        if (!py::isinstance<py::sequence>(at) || py::isinstance<py::str>(at) || py::len(at) != 2)
            throw py::type_error("at_hz must be two frequencies (f1, f2) in Hz");
        const py::sequence pair = py::reinterpret_borrow<py::sequence>(at);
        damping.AtHz = {FiniteNumber(pair[0], "at_hz"), FiniteNumber(pair[1], "at_hz")};
    } else {
        if (given.contains("alpha")) damping.Alpha = FiniteNumber(given["alpha"], "alpha");
        if (given.contains("beta")) damping.Beta = FiniteNumber(given["beta"], "beta");
    }
    if (const std::string problem = fem::DampingProblem(damping); !problem.empty())
        throw py::value_error(name + ": " + problem);
    return damping;
}

py::dict MaterialValues(const fem::Material& material) {
    py::dict values;
    values["E"] = material.Young;
    values["G"] = material.Shear;
    values["density"] = material.Density;
    if (material.Damp) values["damping"] = DampingValues(*material.Damp);
    return values;
}

py::dict HistoryValues(const fem::LoadHistory& history) {
    py::dict values;
    values["kind"] = fem::HistoryKindName(history.Kind);
    switch (history.Kind) {
        case fem::HistoryKind::Step:
            values["rise"] = history.Rise;
            break;
        case fem::HistoryKind::Table: {
            py::list points;
            for (const auto& p : history.Points) points.append(py::make_tuple(p[0], p[1]));
            values["points"] = points;
            break;
        }
        default:
            values["duration"] = history.Duration;
    }
    return values;
}

fem::LoadHistory HistoryFrom(const std::string& name, const py::dict& given) {
    fem::LoadHistory history;
    if (!given.contains("kind"))
        throw py::type_error("set_history() needs the kind of history \"" + name + "\"");
    const py::object kind = given["kind"];
    if (!py::isinstance<py::str>(kind) ||
        !fem::HistoryKindFromName(kind.cast<std::string>(), history.Kind))
        throw py::value_error(
            "kind must be 'step', 'rectangle', 'half-sine', 'triangle' or "
            "'table', not " +
            std::string(py::repr(kind)));
    const char* valueKey = history.Kind == fem::HistoryKind::Step    ? "rise"
                           : history.Kind == fem::HistoryKind::Table ? "points"
                                                                     : "duration";
    for (const auto& item : given) {
        const std::string key = py::str(item.first);
        if (key != "kind" && key != valueKey)
            throw py::type_error("set_history() got '" + key + "'; a history of kind '" +
                                 fem::HistoryKindName(history.Kind) + "' has " + valueKey);
    }
    if (history.Kind == fem::HistoryKind::Step) {
        if (given.contains("rise")) history.Rise = FiniteNumber(given["rise"], "rise");
    } else if (!given.contains(valueKey)) {
        throw py::type_error("set_history() needs " + std::string(valueKey) +
                             " for a history of kind '" + fem::HistoryKindName(history.Kind) + "'");
    } else if (history.Kind == fem::HistoryKind::Table) {
        const py::object points = given["points"];
        if (!py::isinstance<py::sequence>(points) || py::isinstance<py::str>(points))
            throw py::type_error("points must be a sequence of pairs (t, f)");
        for (const py::handle p : py::reinterpret_borrow<py::sequence>(points)) {
            if (!py::isinstance<py::sequence>(p) || py::isinstance<py::str>(p) || py::len(p) != 2)
                throw py::type_error("points must be a sequence of pairs (t, f)");
            const py::sequence pair = py::reinterpret_borrow<py::sequence>(p);
            history.Points.push_back(
                {FiniteNumber(pair[0], "points"), FiniteNumber(pair[1], "points")});
        }
    } else {
        history.Duration = FiniteNumber(given["duration"], "duration");
    }
    if (const std::string problem = fem::HistoryProblem(history); !problem.empty())
        throw py::value_error("history \"" + name + "\": " + problem);
    return history;
}

py::object GroundValues(const std::optional<fem::GroundMotion>& ground) {
    if (!ground) return py::none();
    py::dict values;
    values["direction"] = py::cast(ground->Direction);
    values["history"] = ground->History;
    values["quantity"] =
        ground->Quantity == fem::GroundQuantity::Acceleration ? "acceleration" : "displacement";
    return std::move(values);
}

std::optional<fem::GroundMotion> GroundFrom(const py::handle& value) {
    if (value.is_none()) return std::nullopt;
    if (!py::isinstance<py::dict>(value))
        throw py::type_error(
            "ground must be None or {'direction': (x, y, z), 'history': name, "
            "'quantity': 'acceleration' | 'displacement'}");
    const py::dict given = py::reinterpret_borrow<py::dict>(value);
    for (const auto& item : given) {
        const std::string key = py::str(item.first);
        if (key != "direction" && key != "history" && key != "quantity")
            throw py::type_error("ground got '" + key +
                                 "'; a ground motion has direction, history and quantity");
    }
    fem::GroundMotion ground;
    if (!given.contains("direction") || !given.contains("history"))
        throw py::type_error("ground needs direction and history");
    ground.Direction = ThreeNumbers(given["direction"], "direction");
    if (!py::isinstance<py::str>(given["history"]))
        throw py::type_error("the ground's history must be a history's name (str)");
    ground.History = given["history"].cast<std::string>();
    if (given.contains("quantity")) {
        const py::object q = given["quantity"];
        const std::string text = py::isinstance<py::str>(q) ? q.cast<std::string>() : "";
        if (text != "acceleration" && text != "displacement")
            throw py::value_error(
                "the ground's quantity is 'acceleration' or 'displacement', not " +
                std::string(py::repr(q)));
        ground.Quantity = text == "acceleration" ? fem::GroundQuantity::Acceleration
                                                 : fem::GroundQuantity::Displacement;
    }
    return ground;
}

py::dict SectionValues(const fem::Section& section) {
    py::dict values;
    values["shape"] = fem::ShapeName(section.Shape);
    for (const fem::SectionDimension& d : fem::DimensionsOf(section.Shape))
        values[d.Key] = section.*d.Value;
    return values;
}

std::string KnownKeys(fem::SectionShape shape) {
    std::string keys;
    for (const fem::SectionDimension& d : fem::DimensionsOf(shape))
        keys += std::string(keys.empty() ? "" : ", ") + d.Key + (d.Optional ? " (optional)" : "");
    return keys;
}

// The material `name` with the values given (E, G, density); one the model does not have
// yet needs all three.
fem::Material MaterialFrom(const fem::Model& model, const std::string& name,
                           const py::dict& given) {
    const auto known = model.Materials().find(name);
    fem::Material material = known != model.Materials().end() ? known->second : fem::Material{};
    for (const auto& item : given) {
        const std::string key = py::str(item.first);
        if (key != "E" && key != "G" && key != "density" && key != "damping")
            throw py::type_error("set_material() got an unknown value '" + key +
                                 "'; a material has E, G, density and damping");
    }
    if (given.contains("damping"))
        material.Damp = DampingFrom(given["damping"], "the damping of \"" + name + "\"");
    const std::pair<const char*, double fem::Material::*> values[] = {
        {"E", &fem::Material::Young},
        {"G", &fem::Material::Shear},
        {"density", &fem::Material::Density}};
    for (const auto& [key, member] : values) {
        if (given.contains(key))
            material.*member = FiniteNumber(given[key], key);
        else if (known == model.Materials().end())
            throw py::type_error("set_material() needs " + std::string(key) +
                                 " for the new material \"" + name + "\"");
    }
    return material;
}

// The section `name` with the shape and dimensions given. Of a section the model has, the
// dimensions not given stay as they are while the shape stays; a new shape, like a new
// section, needs all the dimensions of its shape that are not optional.
fem::Section SectionFrom(const fem::Model& model, const std::string& name, const py::dict& given) {
    const auto known = model.Sections().find(name);
    fem::Section section;
    bool keep = false;
    if (known != model.Sections().end()) {
        section = known->second;
        keep = true;
    }
    if (given.contains("shape")) {
        const py::object text = given["shape"];
        fem::SectionShape shape{};
        if (!py::isinstance<py::str>(text) || !fem::ShapeFromName(text.cast<std::string>(), shape))
            throw py::value_error(
                "shape must be 'round', 'tube', 'rectangle', 'box', 'I' or "
                "'general', not " +
                std::string(py::repr(text)));
        if (!keep || shape != section.Shape) {
            section = fem::Section{};
            section.Shape = shape;
            keep = false;
        }
    } else if (!keep) {
        throw py::type_error("set_section() needs the shape of the new section \"" + name + "\"");
    }
    for (const auto& item : given) {
        const std::string key = py::str(item.first);
        if (key == "shape") continue;
        bool found = false;
        for (const fem::SectionDimension& d : fem::DimensionsOf(section.Shape))
            found = found || key == d.Key;
        if (!found)
            throw py::type_error("set_section() got '" + key + "', which a section of shape '" +
                                 fem::ShapeName(section.Shape) + "' does not have; it has " +
                                 KnownKeys(section.Shape));
    }
    for (const fem::SectionDimension& d : fem::DimensionsOf(section.Shape)) {
        if (given.contains(d.Key))
            section.*d.Value = FiniteNumber(given[d.Key], d.Key);
        else if (!keep && !d.Optional)
            throw py::type_error("set_section() needs " + std::string(d.Key) + " (" + d.Meaning +
                                 ") for a section of shape '" + fem::ShapeName(section.Shape) +
                                 "'");
    }
    return section;
}

}  // namespace

void BindModel(py::module_& m) {
    py::class_<NodeView> node(
        m, "Node",
        "A copy of one node of a Model, as Model.node(i) returned it; change\n"
        "the model with Model.set_node(i, ...).");
    DefineFields(node, NodeFields());
    py::class_<ElementView> element(
        m, "Element",
        "A copy of one element of a Model, as Model.element(i) returned it: the fields\n"
        "entered and the quantities derived from them; change the model with\n"
        "Model.set_element(i, ...).");
    DefineFields(element, ElementFields());

    const std::string nodeFields = FieldList(NodeFields(), fem::DefaultNode());
    const std::string newNodeFields = FieldList(NodeFields(), fem::DefaultNode(), {"x", "y", "z"});
    const std::string elementFields = FieldList(ElementFields(), fem::DefaultElement());
    const std::string newElementFields =
        FieldList(ElementFields(), fem::DefaultElement(), {"first", "second"});

    py::class_<ScriptModel>(m, "Model",
                            "A structure: nodes with six degrees of freedom each and bar elements\n"
                            "between them, of named or their own materials and sections, with\n"
                            "named load histories, damping and a ground motion. Units mm, kgf, s.\n"
                            "\n"
                            "Model() is empty; Model.read(path) reads a structure data file and\n"
                            "impactframe.sample(n) builds a sample. Changes either succeed as a\n"
                            "whole or raise (ValueError, IndexError, TypeError) and leave the\n"
                            "model as it was.")
        .def(py::init<>(), "An empty model.")
        .def_static("read", &ReadModel, py::arg("path"),
                    "Reads a structure data file. Raises impactframe.DataFileError (with\n"
                    "path, line and field) when it cannot.")
        .def_static("from_text", &ModelFromText, py::arg("text"), py::arg("name") = "<text>",
                    "Reads a structure data file's text; name stands for the file in\n"
                    "messages. Raises impactframe.DataFileError.")
        .def("write", &WriteModel, py::arg("path"),
             "Writes the model as a structure data file; an existing file is replaced only\n"
             "once the new one is complete. Raises OSError when it cannot.")
        .def(
            "to_text", [](const ScriptModel& s) { return fem::StructDataText(s.model); },
            "The structure data file's text, as write() writes it.")
        .def(
            "copy", [](const ScriptModel& s) { return s; }, "An independent copy of the model.")
        .def_property_readonly(
            "node_count", [](const ScriptModel& s) { return s.model.NodeCount(); },
            "The number of nodes.")
        .def_property_readonly(
            "element_count", [](const ScriptModel& s) { return s.model.ElementCount(); },
            "The number of elements.")
        .def_property(
            "time_span", [](const ScriptModel& s) { return s.timeSpan; },
            [](ScriptModel& s, std::optional<double> te) {
                if (te && !(*te > 0.0 && std::isfinite(*te)))
                    throw py::value_error("time_span must be a positive number of seconds");
                s.timeSpan = te;
            },
            "The time span Te (s) that analyse() takes when it is given no te: a sample's,\n"
            "or None (analyse() then takes 0.001 s, as impactframe-cli does).")
        .def_property(
            "impact",
            [](const ScriptModel& s) -> py::object {
                const auto& d = s.model.Impact();
                if (!d) return py::none();
                py::dict out;
                out["node"] = d->Node;
                out["weight"] = d->Weight;
                out["velocity"] = py::make_tuple(d->Velocity[0], d->Velocity[1], d->Velocity[2]);
                out["gravity"] = d->Gravity;
                return std::move(out);
            },
            [](ScriptModel& s, const py::object& value) {
                if (value.is_none()) {
                    s.model.SetImpact(std::nullopt);
                    return;
                }
                if (!py::isinstance<py::dict>(value))
                    throw py::type_error(
                        "impact must be None or a dict with node, weight, velocity and gravity");
                const py::dict d = py::reinterpret_borrow<py::dict>(value);
                for (const auto& item : d) {
                    const std::string key = py::str(item.first);
                    if (key != "node" && key != "weight" && key != "velocity" && key != "gravity")
                        throw py::type_error(
                            "impact has the keys node, weight, velocity and "
                            "gravity, not '" +
                            key + "'");
                }
                for (const char* key : {"node", "weight", "velocity"})
                    if (!d.contains(key))
                        throw py::type_error(std::string("impact needs '") + key + "'");
                fem::DroppedWeight w;
                w.Node = WholeNumber(d["node"], "node");
                w.Weight = FiniteNumber(d["weight"], "weight");
                const py::object velocity = d["velocity"];
                if (!py::isinstance<py::sequence>(velocity) || py::isinstance<py::str>(velocity) ||
                    py::len(velocity) != 3)
                    throw py::type_error("velocity must be a sequence of three values (mm/s)");
                for (int c = 0; c < 3; ++c)
                    w.Velocity[c] = FiniteNumber(velocity[py::int_(c)], "a velocity component");
                if (d.contains("gravity")) {
                    if (!py::isinstance<py::bool_>(d["gravity"]))
                        throw py::type_error("gravity must be True or False");
                    w.Gravity = d["gravity"].cast<bool>();
                }
                s.model.SetImpact(w);
            },
            "The dropped weight, or None: {'node': n, 'weight': W (kgf), 'velocity': (vx, vy,\n"
            "vz) (mm/s), 'gravity': False}. It strikes node n at Te/10 and stays attached;\n"
            "with gravity its weight acts from then on along the velocity. Raises\n"
            "ValueError for a node the model lacks, a weight that is not positive or a\n"
            "velocity of 0.")
        .def(
            "node",
            [](const ScriptModel& s, int i) {
                CheckIndex(i, s.model.NodeCount(), "node");
                return NodeView{i, s.model.Nodes[i]};
            },
            py::arg("index"), "A copy of node `index` (a Node).")
        .def(
            "element",
            [](const ScriptModel& s, int i) {
                CheckIndex(i, s.model.ElementCount(), "element");
                return ElementView{i, s.model.Elements[i]};
            },
            py::arg("index"), "A copy of element `index` (an Element).")
        .def_property_readonly(
            "nodes",
            [](const ScriptModel& s) {
                std::vector<NodeView> views;
                for (int i = 0; i < s.model.NodeCount(); ++i)
                    views.push_back({i, s.model.Nodes[i]});
                return views;
            },
            "Copies of all nodes, a list of Node.")
        .def_property_readonly(
            "elements",
            [](const ScriptModel& s) {
                std::vector<ElementView> views;
                for (int i = 0; i < s.model.ElementCount(); ++i)
                    views.push_back({i, s.model.Elements[i]});
                return views;
            },
            "Copies of all elements, a list of Element.")
        .def(
            "add_node",
            [](ScriptModel& s, const py::object& x, const py::object& y, const py::object& z,
               const py::kwargs& fields) {
                fem::NodeRecord n = fem::DefaultNode();
                py::dict given(fields);
                given["x"] = x;
                given["y"] = y;
                given["z"] = z;
                ApplyFields(NodeFields(), n, given, "add_node");
                s.model.AddNode(n);
                return s.model.NodeCount() - 1;
            },
            py::arg("x"), py::arg("y"), py::arg("z"),
            ("Adds a node at (x, y, z) and returns its number. Keyword fields [default]:\n" +
             newNodeFields)
                .c_str())
        .def(
            "set_node",
            [](ScriptModel& s, int i, const py::kwargs& fields) {
                CheckIndex(i, s.model.NodeCount(), "node");
                fem::NodeRecord n = s.model.Nodes[i];
                ApplyFields(NodeFields(), n, fields, "set_node");
                s.model.PutNode(i, n);
            },
            py::arg("index"),
            ("Changes the fields given of node `index`; its elements follow the node.\n"
             "Keyword fields [default of a new node]:\n" +
             nodeFields)
                .c_str())
        .def(
            "delete_node",
            [](ScriptModel& s, int i) {
                CheckIndex(i, s.model.NodeCount(), "node");
                s.model.DeleteNode(i);
            },
            py::arg("index"),
            "Deletes node `index` with the elements that use it; the nodes after it move\n"
            "down by one.")
        .def(
            "add_element",
            [](ScriptModel& s, const py::object& first, const py::object& second,
               const py::kwargs& fields) {
                fem::ElementRecord e = fem::DefaultElement();
                py::dict given(fields);
                given["first"] = first;
                given["second"] = second;
                CheckElementFields(given, "add_element");
                ApplyFields(ElementFields(), e, given, "add_element");
                CheckEndNodes(s.model, e);
                s.model.AddElement(e);
                return s.model.ElementCount() - 1;
            },
            py::arg("first"), py::arg("second"),
            ("Adds a bar from node `first` to node `second` and returns its number. Keyword\n"
             "fields [default]:\n" +
             newElementFields +
             "Raises ValueError for values the bar cannot have (coincident nodes, a\n"
             "density or diameter that is not positive, ...).")
                .c_str())
        .def(
            "set_element",
            [](ScriptModel& s, int i, const py::kwargs& fields) {
                CheckIndex(i, s.model.ElementCount(), "element");
                fem::ElementRecord e = s.model.Elements[i];
                CheckElementFields(fields, "set_element");
                ApplyFields(ElementFields(), e, fields, "set_element");
                CheckEndNodes(s.model, e);
                s.model.PutElement(i, e);
            },
            py::arg("index"),
            ("Changes the fields given of element `index`. Keyword fields [default of a new\n"
             "element]:\n" +
             elementFields)
                .c_str())
        .def(
            "delete_element",
            [](ScriptModel& s, int i) {
                CheckIndex(i, s.model.ElementCount(), "element");
                s.model.DeleteElement(i);
            },
            py::arg("index"), "Deletes element `index`; the elements after it move down by one.")
        .def_property_readonly(
            "materials",
            [](const ScriptModel& s) {
                py::dict table;
                for (const auto& [name, material] : s.model.Materials())
                    table[py::str(name)] = MaterialValues(material);
                return table;
            },
            "The model's named materials, a new dict {name: {'E': kgf/mm^2, 'G': kgf/mm^2,\n"
            "'density': kgf/mm^3}} ordered by name; change them with set_material().")
        .def_property_readonly(
            "sections",
            [](const ScriptModel& s) {
                py::dict table;
                for (const auto& [name, section] : s.model.Sections())
                    table[py::str(name)] = SectionValues(section);
                return table;
            },
            "The model's named sections, a new dict {name: {'shape': ..., dimensions}}\n"
            "ordered by name, with the dimensions of each shape as the data file has them\n"
            "(mm, mm^2, mm^4); change them with set_section().")
        .def(
            "set_material",
            [](ScriptModel& s, const std::string& name, const py::kwargs& values) {
                s.model.PutMaterial(name, MaterialFrom(s.model, name, values));
            },
            py::arg("name"),
            "set_material(name, E=..., G=..., density=..., damping=None)\n"
            "\n"
            "Adds the named material (E and G in kgf/mm^2, density as weight per unit\n"
            "volume in kgf/mm^3; all three needed) or changes the values given of one the\n"
            "model has, and with it every element made of it; damping is the material's own\n"
            "(as Model.damping; None: the model's). Raises ValueError, naming\n"
            "the value, for a value that is not a positive number or that an element\n"
            "cannot take; the model is then as it was.")
        .def(
            "set_section",
            [](ScriptModel& s, const std::string& name, const py::kwargs& values) {
                s.model.PutSection(name, SectionFrom(s.model, name, values));
            },
            py::arg("name"),
            "set_section(name, shape=..., **dimensions)\n"
            "\n"
            "Adds the named section or changes the values given of one the model has, and\n"
            "with it every element that has it. The shapes and their dimensions (mm):\n"
            "  'round': d;  'tube': d, t;  'rectangle': b (along local y), h (along local z);\n"
            "  'box': b, h, t;  'I': b, h, tw, tf;\n"
            "  'general': A (mm^2), Iy, Iz, J (mm^4) and optionally Ay, Az (shear areas,\n"
            "  mm^2; 0 or left out: no shear deformation in that plane).\n"
            "A new section, or a new shape, needs all of its shape's dimensions that are\n"
            "not optional. Raises TypeError for a dimension the shape does not have and\n"
            "ValueError, naming it, for one it cannot take (t >= d/2 of a tube, ...).")
        .def_property(
            "damping",
            [](const ScriptModel& s) -> py::object {
                if (!s.model.ModelDamping()) return py::none();
                return DampingValues(*s.model.ModelDamping());
            },
            [](ScriptModel& s, const py::object& value) {
                s.model.SetModelDamping(DampingFrom(value, "damping"));
            },
            "The damping of every element whose material has none of its own, or None:\n"
            "Rayleigh's {'alpha': 1/s, 'beta': s} (inertia rho (s^2 + alpha s), moduli\n"
            "E (1 + beta s)), or {'ratio': zeta, 'at_hz': (f1, f2)}, which damps both\n"
            "frequencies by zeta. A material's own: set_material(name, damping=...).")
        .def_property_readonly(
            "histories",
            [](const ScriptModel& s) {
                py::dict table;
                for (const auto& [name, history] : s.model.Histories())
                    table[py::str(name)] = HistoryValues(history);
                return table;
            },
            "The model's named load histories, a new dict {name: {'kind': ..., ...}}\n"
            "ordered by name, as the data file holds them; change them with set_history().")
        .def(
            "set_history",
            [](ScriptModel& s, const std::string& name, const py::kwargs& values) {
                s.model.PutHistory(name, HistoryFrom(name, values));
            },
            py::arg("name"),
            "set_history(name, kind=..., rise= | duration= | points=)\n"
            "\n"
            "Adds or replaces the named load history: how a 'pf' load (Node.histories)\n"
            "or the ground motion varies with time t (s) since its start at te / 10, as a\n"
            "multiple of its value:\n"
            "  'step': 1 - e^(-t / rise) (rise 0, the default: at once);\n"
            "  'rectangle': 1 for t < duration;  'half-sine': sin(pi t / duration) for\n"
            "  t < duration;  'triangle': up to 1 at duration / 2, back to 0 at duration;\n"
            "  'table': points [(t, f), ...] from t = 0, ascending, linear between them,\n"
            "  the last value held.\n"
            "Raises TypeError for a value the kind does not have and ValueError, naming it,\n"
            "for one it cannot take.")
        .def(
            "delete_history",
            [](ScriptModel& s, const std::string& name) { s.model.DeleteHistory(name); },
            py::arg("name"),
            "Deletes the named history; raises ValueError while a node or the ground uses it.")
        .def(
            "rename_history",
            [](ScriptModel& s, const std::string& from, const std::string& to) {
                s.model.RenameHistory(from, to);
            },
            py::arg("old"), py::arg("new"),
            "Renames a history, in the nodes and the ground motion too.")
        .def_property(
            "ground", [](const ScriptModel& s) { return GroundValues(s.model.Ground()); },
            [](ScriptModel& s, const py::object& value) { s.model.SetGround(GroundFrom(value)); },
            "The motion of the ground, or None: {'direction': [x, y, z], 'history': the\n"
            "name of one of the model's histories, 'quantity': 'acceleration' (mm/s^2,\n"
            "the default) or 'displacement' (mm)}. Every fixed translation moves along the\n"
            "direction by the history (in the impact analysis only).")
        .def(
            "delete_material",
            [](ScriptModel& s, const std::string& name) { s.model.DeleteMaterial(name); },
            py::arg("name"),
            "Deletes the named material; raises ValueError while an element is made of it.")
        .def(
            "delete_section",
            [](ScriptModel& s, const std::string& name) { s.model.DeleteSection(name); },
            py::arg("name"),
            "Deletes the named section; raises ValueError while an element has it.")
        .def(
            "rename_material",
            [](ScriptModel& s, const std::string& from, const std::string& to) {
                s.model.RenameMaterial(from, to);
            },
            py::arg("old"), py::arg("new"),
            "Renames a material, in the elements made of it too; raises ValueError when the\n"
            "new name is taken.")
        .def(
            "rename_section",
            [](ScriptModel& s, const std::string& from, const std::string& to) {
                s.model.RenameSection(from, to);
            },
            py::arg("old"), py::arg("new"),
            "Renames a section, in the elements that have it too; raises ValueError when the\n"
            "new name is taken.")
        .def("__repr__", [](const ScriptModel& s) {
            return "<impactframe.Model: " + std::to_string(s.model.NodeCount()) + " nodes, " +
                   std::to_string(s.model.ElementCount()) + " elements>";
        });

    m.def(
        "sample",
        [](int number) {
            ScriptModel script;
            script.timeSpan = fem::BuildSample(script.model, number).Te;
            return script;
        },
        py::arg("number"),
        "Sample structure `number` (1 to 4), the program's and impactframe-cli's\n"
        "sample:N, with its time span in Model.time_span.");
}

}  // namespace pyframe

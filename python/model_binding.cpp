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
    const fem::Vec3 coord = n.Coord;
    n = fem::DefaultNode();
    n.Coord = coord;
    n.BcCode = codes;
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
             d["inertia"] = py::make_tuple(n.RotaryInertia[0], n.RotaryInertia[1],
                                           n.RotaryInertia[2]);
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
                     n.RotaryInertia[k] =
                         FiniteNumber(inertia[py::int_(k)], "a rotary inertia");
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
        Number("young", &fem::ElementRecord::Young, "Young's modulus E, kgf/mm^2"),
        Number("shear", &fem::ElementRecord::Shear, "shear modulus G, kgf/mm^2"),
        Number("density", &fem::ElementRecord::Density, "weight per unit volume w, kgf/mm^3"),
        {"diameter", "diameter d of the solid circular section, mm",
         [](const fem::ElementRecord& e) { return py::cast(e.CrossSection.Diameter); },
         [](fem::ElementRecord& e, const py::handle& v) {
             e.CrossSection.Shape = fem::SectionShape::Round;
             e.CrossSection.Diameter = FiniteNumber(v, "diameter");
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
        Derived("length", &fem::ElementRecord::Length, "length L, mm"),
        Derived("axis", &fem::ElementRecord::AxisCos,
                "direction cosines of the axis from the first node to the second"),
        Derived("area", &fem::ElementRecord::Area, "cross-section area A = pi d^2 / 4, mm^2"),
        Derived("polar_moment", &fem::ElementRecord::PolarJ,
                "polar moment of area J = pi d^4 / 32, mm^4"),
        Derived("iy", &fem::ElementRecord::Iy, "second moment of area about local y, mm^4"),
        Derived("iz", &fem::ElementRecord::Iz, "second moment of area about local z, mm^4"),
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
                            "of solid circular section between them. Units mm, kgf, s.\n"
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
                        throw py::type_error("impact has the keys node, weight, velocity and "
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

#pragma once
// The structure data file, in two versions told apart by their content (see the manual
// page impactframe-format(5)):
//
// Version 1, plain text, comma-separated fields, CRLF line ends:
//   N,M
//   per node:    i,x,y,z   then six lines  code,value   (Ux Uy Uz θx θy θz)
//   per element: k,first,second   then   E,G,w,d
// Numbers use "." whatever the locale. An empty number field (as in "u," at a line end)
// is 0; a UTF-8 byte-order mark at the start is skipped; only blanks may follow the
// last element. It holds round bars with their own material values only.
//
// Version 2, JSON (a text whose first character other than blanks and a byte-order mark
// is "{"): named materials and sections, every section shape, the members' orientation,
// Timoshenko members, load histories, damping, ground motion, released end forces,
// springs and masses at nodes, and a dropped weight.
// Models that need nothing more than version 1 are written as version 1, byte for byte
// as before version 2 existed; every other model as version 2.
#include <string>
#include <utility>

#include "model/model.h"

namespace fem {

// A field of the file, for messages in any language: what it holds and whose it is.
enum class DataField {
    None,              // the file as a whole
    NodeCount,         // N on the first line
    ElementCount,      // M on the first line
    NodeNumber,        // i before a node's coordinates
    Coordinate,        // index: axis 0..2
    ConstraintCode,    // index: degree of freedom 0..5 (Ux Uy Uz θx θy θz)
    DofValue,          // index: degree of freedom 0..5
    ElementNumber,     // k before an element's nodes
    FirstNode,         // an element's first node
    SecondNode,        // an element's second node
    Material,          // index: 0 Young's modulus, 1 shear modulus, 2 density, 3 diameter
    EndAfterElements,  // nothing but blanks after the last element
    // Version 2 only (the kinds above serve it too where they fit; key holds the JSON key
    // of the value, name the name of the material or the section):
    FileKey,         // a key of the file's outer object: "format", "version", "units", ...,
                     // and the values of "impact" (key "impact")
    NamedMaterial,   // a value of material `name`: "E", "G", "density"
    NamedSection,    // a value of section `name`: "shape", "d", "t", "b", "h", "tw", ...
    NodeKey,         // another value or key of a node: "codes", "values", "springs", "mass"
                     // (index: place in an array), an unknown key
    ElementKey,      // another value or key of an element: "nodes", "material", "section",
                     // "roll", "z_towards", "timoshenko", "releases", an unknown key
                     // (index: place in an array)
    ElementSection,  // a value of an element's own section: "shape", "d", ...
    NamedHistory,    // a value of load history `name`: "kind", "rise", "duration", "points"
};
struct FieldRef {
    FieldRef() = default;
    FieldRef(DataField ofKind, int ofNode = -1, int ofElement = -1, int atIndex = -1,
             std::string ofName = {}, std::string atKey = {})
        : kind(ofKind),
          node(ofNode),
          element(ofElement),
          index(atIndex),
          name(std::move(ofName)),
          key(std::move(atKey)) {}
    DataField kind = DataField::None;
    int node = -1;     // the node the field belongs to
    int element = -1;  // the element the field belongs to
    int index = -1;    // axis, degree of freedom or material value (see DataField)
    std::string name;  // version 2: the material's or the section's name
    std::string key;   // version 2: the JSON key of the value
};

// What was wrong with the field (or the file).
enum class ReadProblem {
    CannotOpen,  // systemError tells why
    Unreadable,  // the reading itself failed (e.g. out of memory)
    Missing,     // the file ended before the field
    TooLong,     // more than 256 characters
    NotANumber,
    NotAWholeNumber,  // not a whole number from low to high
    NotACode,         // not p, u or pf
    NoNodes,          // an element in a file without nodes
    SameNodes,        // both ends of an element at one node (node)
    UnusableElement,  // the element's values cannot be used; found gives the reason
    TextAfterEnd,     // more text after the last element
    // Version 2 only:
    NotJson,        // not JSON text; found tells what the JSON reader met there
    TooDeep,        // arrays and objects nested more than 64 deep
    DuplicateKey,   // a key given twice in one object (field.key)
    UnknownKey,     // a key the object cannot have (field.key); expected lists the keys
    MissingKey,     // a key the object must have (field.key)
    WrongType,      // a value of the wrong JSON type (a string where a number belongs, ...)
    NotThisFormat,  // "format" is not "ImpactFrame"
    LaterVersion,   // "version" is a later one than this program reads (found)
    UnknownName,    // an element names a material or a section, a node or the ground a
                    // history, that the file lacks (field.name)
    UnusableValue,  // a value that cannot be used; found gives the reason
};

// Why a read failed: the file, the line where the offending field starts (0 when
// the file could not be opened) and what was expected there. Message() is the
// English text; the other fields let a program say the same in its own words.
struct DataFileError {
    std::string path;
    int line = 0;
    int column = 0;        // version 2: the column (in characters, from 1) where the value starts
    std::string expected;  // e.g. "the y coordinate of node 3 (a number)"
    std::string found;     // the text found instead, or "end of file"
    ReadProblem problem = ReadProblem::Unreadable;
    FieldRef field;
    int low = 0, high = 0;                // NotAWholeNumber: the range
    int systemError = 0;                  // CannotOpen: the errno value
    int nodeCount = 0, elementCount = 0;  // TextAfterEnd: what the counts called for
    [[nodiscard]] std::string Message() const;
};

// Why a write failed. Message() is the English text "path: reason".
enum class WriteStep {
    Unwritable,       // the model holds a value a file cannot hold (field, value)
    LookAtFile,       // the file or a link on the way could not be examined
    TooManyLinks,     // symbolic links in a loop
    NotRegularFile,   // the path names a folder or a socket
    CreateTemporary,  // no new file could be made in the folder
    SetPermissions,
    Write,
    Replace,  // the new file could not take the old one's name
};
struct DataFileWriteError {
    std::string path;
    std::string reason;  // English, as in Message()
    WriteStep step = WriteStep::Write;
    int systemError = 0;  // the errno value of a failed system call, 0 when none
    FieldRef field;       // Unwritable: the value's field
    std::string value;    // Unwritable: the value as text ("inf", "x")
    [[nodiscard]] std::string Message() const { return path + ": " + reason; }
};

// Reads the file into a fresh model. On success replaces `model` and returns true;
// on any failure returns false, leaves `model` untouched and describes the reason.
[[nodiscard]] bool StructDataReadFile(Model& model, const std::string& path,
                                      DataFileError* error = nullptr);
// The same, reading from text already in memory (`name` is used in messages).
[[nodiscard]] bool StructDataReadText(Model& model, const std::string& text,
                                      const std::string& name, DataFileError* error = nullptr);

// The first value of the model that a file cannot hold (a number that is not finite,
// a code other than p, u and pf), described as "the y coordinate of node 3 is not a
// finite number (inf)"; empty when the whole model can be written.
std::string UnwritableValue(const Model& model);

// 1 when version 1 holds the whole model (round bars with their own material values, no
// named materials or sections, no releases, springs, masses or dropped weight), else 2.
int DataFileVersionOf(const Model& model);

// The file's text for the model, in the version DataFileVersionOf gives, byte for byte
// what StructDataWriteFile writes. Throws std::invalid_argument with UnwritableValue's
// description for a model it cannot hold.
std::string StructDataText(const Model& model);
// The model as version 2 text whatever it holds (LF line ends, numbers in their shortest
// form that reads back as the same double). Throws as StructDataText.
std::string JsonDataText(const Model& model);

// Writes the model through WriteFileSafely (model/safewrite.h): a temporary file beside
// the target replaces it only when complete and on the disk; an existing file keeps its
// permissions, and a symbolic link its place (the file it points to is replaced).
// Returns false and a reason ("path: why") when it cannot, or when the model holds a
// value a file cannot hold; the old file is then unchanged.
[[nodiscard]] bool StructDataWriteFile(const Model& model, const std::string& path,
                                       std::string* error = nullptr);
// Which version a file is written in: the one DataFileVersionOf gives (version 1 for a
// model that needs nothing more), or version 2 whatever the model holds (a user who
// asked for a JSON file gets one).
enum class WrittenVersion { AsNeeded, Json };
// The same with the reason described field by field.
[[nodiscard]] bool StructDataWriteFile(const Model& model, const std::string& path,
                                       DataFileWriteError* error,
                                       WrittenVersion version = WrittenVersion::AsNeeded);

// A double as the data file writes it: C's %.15G ("7.86E-06", "0.0004", "21000"), with
// 16 or 17 digits where 15 would not read back as the same double; zero is "0".
std::string FormatFileNumber(double x);

}  // namespace fem

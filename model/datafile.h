#pragma once
// The structure data file: plain text, comma-separated fields, CRLF line ends.
//   N,M
//   per node:    i,x,y,z   then six lines  code,value   (Ux Uy Uz θx θy θz)
//   per element: k,first,second   then   E,G,w,d
// Numbers use "." whatever the locale. An empty number field (as in "u," at a line end)
// is 0; a UTF-8 byte-order mark at the start is skipped; only blanks may follow the
// last element.
#include <string>

#include "model/model.h"

namespace fem {

// Why a read failed: the file, the line where the offending field starts (0 when
// the file could not be opened) and what was expected there.
struct DataFileError {
    std::string path;
    int line = 0;
    std::string expected;  // e.g. "the y coordinate of node 3 (a number)"
    std::string found;     // the text found instead, or "end of file"
    [[nodiscard]] std::string Message() const;
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

// The file's text for the model, byte for byte what StructDataWriteFile writes. Throws
// std::invalid_argument with UnwritableValue's description for a model it cannot hold.
std::string StructDataText(const Model& model);

// Writes the model through a temporary file beside the target that replaces it only
// when complete and on the disk; an existing file keeps its permissions, and a symbolic
// link its place (the file it points to is replaced). Returns false and a reason
// ("path: why") when it cannot, or when the model holds a value a file cannot hold;
// the old file is then unchanged.
[[nodiscard]] bool StructDataWriteFile(const Model& model, const std::string& path,
                                       std::string* error = nullptr);

// A double as the data file writes it: C's %.15G ("7.86E-06", "0.0004", "21000"), with
// 16 or 17 digits where 15 would not read back as the same double; zero is "0".
std::string FormatFileNumber(double x);

}  // namespace fem

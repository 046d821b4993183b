#pragma once
// The structure data file: plain text, comma-separated fields, CRLF line ends.
//   N,M
//   per node:    i,x,y,z   then six lines  code,value   (Ux Uy Uz θx θy θz)
//   per element: k,first,second   then   E,G,w,d
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

// The file's text for the model, byte for byte what StructDataWriteFile writes.
std::string StructDataText(const Model& model);

// Writes the model through a temporary file in the same folder that replaces the
// target only when complete. Returns false and a reason when it cannot.
[[nodiscard]] bool StructDataWriteFile(const Model& model, const std::string& path,
                                       std::string* error = nullptr);

// A double as the data file writes it: C's %.15G ("7.86E-06", "0.0004", "21000").
std::string FormatFileNumber(double x);

}  // namespace fem

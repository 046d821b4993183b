#pragma once
// The document's structure read from a structure data file, written to one, or built
// from a sample: each either succeeds completely or leaves the document as it was and
// returns the message that says why.
#include <QString>

#include "model/samples.h"

namespace shell {

class Document;

// Reads the file at path; the structure read replaces the document's, which takes path
// as its file. Returns "" on success, else the message (the document is unchanged).
QString ReadStructureFile(Document& document, const QString& path);
// Writes the document's structure to path, which becomes its file. Returns "" on
// success, else the message (the document keeps the file it had).
QString WriteStructureFile(Document& document, const QString& path);
// Builds built-in sample number (1..4) as the document's structure, without a file;
// settings get its time span and magnification. Returns "" on success, else the message.
QString BuildSampleStructure(Document& document, int number, fem::SampleSettings& settings);

// The file name without folder and extension, as the panel's file name label shows it.
QString FileBaseName(const QString& path);

}  // namespace shell

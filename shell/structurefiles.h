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
// Writes the document's structure to path, which becomes its file: as JSON (version 2)
// when path ends in ".json", else in the version the structure needs (version 1 when it
// needs nothing more). Returns "" on success, else the message (the document keeps the
// file it had).
QString WriteStructureFile(Document& document, const QString& path);

// The file dialogs' filters ("description|patterns", services/fileservice.h). Reading
// offers both versions together first (the version is told by the content); writing
// offers version 1 ("*.txt", entry 0) and version 2 ("*.json", entry 1).
QString StructureReadFilter();
QString StructureWriteFilter();
inline constexpr int kTextFilterEntry = 0;
inline constexpr int kJsonFilterEntry = 1;

// Whether path names a JSON file (".json" in any case).
bool IsJsonPath(const QString& path);
// path with its extension replaced by `extension` (".json"), or given it when it has none.
QString WithExtension(const QString& path, const QString& extension);
// The question asked before a structure that version 1 cannot hold is written as JSON to
// jsonPath instead of the version 1 file path the user chose.
QString AskJsonInsteadText(const QString& path, const QString& jsonPath);
// Builds built-in sample number (1..4) as the document's structure, without a file;
// settings get its time span and magnification. Returns "" on success, else the message.
QString BuildSampleStructure(Document& document, int number, fem::SampleSettings& settings);

// The file name without folder and extension, as the panel's file name label shows it.
QString FileBaseName(const QString& path);

}  // namespace shell

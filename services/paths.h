#pragma once
// Path splitting of the file service (no Qt).
#include <string>

namespace services {

// Splits a path at its last "\" or "/": returns the folder including that
// separator and sets fileName to the rest; without a separator returns "" and
// fileName is the whole input.
std::string FolderOf(const std::string& fullName, std::string& fileName);

// Returns the extension after the last "." and sets baseName to the part before it.
// No dot, a dot only as the first character, or a trailing dot give an empty
// extension; in the first two cases baseName is the whole name, in the last the
// name without the trailing dot.
std::string ExtensionOf(const std::string& fileName, std::string& baseName);

}  // namespace services

#pragma once
// The command-line tool's commands and their shared helpers; each command returns the
// exit code.
#include <string>
#include <vector>

namespace cli {

// Prints "impactframe-cli: why (try impactframe-cli --help)" and returns 2.
int UsageError(const std::string& why);
// Writes text to path, or to standard output when path is "" or "-".
bool WriteOutput(const std::string& path, const std::string& text);

// impactframe-cli sample N [-o OUT]
int RunSample(const std::vector<std::string>& args);
// impactframe-cli check FILE [-o OUT]
int RunCheck(const std::vector<std::string>& args);
// impactframe-cli analyse INPUT [options]
int RunAnalyse(const std::vector<std::string>& args);

}  // namespace cli

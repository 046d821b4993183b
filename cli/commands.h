#pragma once
// The command-line tool's commands and their shared helpers; each command returns the
// exit code.
#include <string>
#include <vector>

namespace fem {
class Model;
}

namespace cli {

// Prints "impactframe-cli: why (try impactframe-cli --help)" and returns 2.
int UsageError(const std::string& why);
// Writes text to standard output when path is "" or "-", else to the file through
// fem::WriteFileSafely; on failure prints "impactframe-cli: path: reason" and returns false.
bool WriteOutput(const std::string& path, const std::string& text);

// Builds model from INPUT, a structure data file or sample:1 .. sample:4; te receives the
// sample's time span (unchanged for a file). Returns 0, or 2 after printing why not.
int LoadStructure(const std::string& input, fem::Model& model, double* te = nullptr);
// --timoshenko: every member with a shear area bends as a Timoshenko member. Returns 0,
// or 2 after printing (unless quiet) why an element cannot.
int UseTimoshenko(fem::Model& model, bool quiet = false);

// impactframe-cli sample N [-o OUT]
int RunSample(const std::vector<std::string>& args);
// impactframe-cli check FILE [-o OUT]
int RunCheck(const std::vector<std::string>& args);
// impactframe-cli analyse INPUT [options]
int RunAnalyse(const std::vector<std::string>& args);
// impactframe-cli modes INPUT [options]
int RunModes(const std::vector<std::string>& args);
// impactframe-cli frf INPUT --node N --to HZ [options]
int RunFrequencyResponse(const std::vector<std::string>& args);
// impactframe-cli batch FILE... --out DIR [options]
int RunBatch(const std::vector<std::string>& args);

// Commands that draw pictures (impactframe-cli plot). Their options and help texts are
// part of every build; drawing needs Qt and is compiled only in the full build
// (library ifcli_drawing). A build without it runs RunDrawingCommand from
// ifcli_nodrawing, which says that this build cannot draw and returns 2.
//
// A new drawing command is one more entry in DrawingCommandUsage and one more
// function in the drawing library's command table.
//
// The help text of a drawing command, or nullptr when command is not one.
const char* DrawingCommandUsage(const std::string& command);
// Runs drawing command `command` with its arguments; returns the exit code.
int RunDrawingCommand(const std::string& command, const std::vector<std::string>& args);

}  // namespace cli

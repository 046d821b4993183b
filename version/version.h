#pragma once
// The program's version, as shown by impactframe-cli --version and the desktop program.

namespace version {

// The release number, e.g. "1.1.0".
const char* VersionNumber();
// The short hash of the git commit the program was built from, or "" when it was not
// built from a git checkout.
const char* GitCommit();
// The release number with the commit when there is one: "1.1.0 (git abc1234)" or "1.1.0".
const char* VersionText();
// The instruction set the program was built for: "this machine's (-march=native)" or
// "x86-64 baseline".
const char* InstructionSet();

}  // namespace version

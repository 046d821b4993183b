#include "version/version.h"

#include <string>

namespace version {

const char* VersionNumber() {
    return IMPACTFRAME_VERSION;
}

const char* VersionText() {
    static const std::string text = [] {
        std::string t = VersionNumber();
        const std::string commit = GitCommit();
        if (!commit.empty()) t += " (git " + commit + ")";
        return t;
    }();
    return text.c_str();
}

const char* InstructionSet() {
    return IMPACTFRAME_NATIVE_BUILD ? "this machine's (-march=native)" : "x86-64 baseline";
}

}  // namespace version

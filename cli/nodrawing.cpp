// The drawing commands of a build without Qt (IMPACTFRAME_ENGINE_ONLY): their help, and
// otherwise a clear refusal.
#include <cstdio>

#include "cli/commands.h"

namespace cli {

int RunDrawingCommand(const std::string& command, const std::vector<std::string>& args) {
    const char* usage = DrawingCommandUsage(command);
    for (const std::string& a : args) {
        if (usage && (a == "--help" || a == "-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    std::fprintf(stderr,
                 "impactframe-cli: this build has no drawing support: %s needs the full build "
                 "with Qt (IMPACTFRAME_ENGINE_ONLY=OFF)\n",
                 command.c_str());
    return 2;
}

}  // namespace cli

// impactframe-cli analyse: filled in with the analysis engine.
#include "cli/commands.h"

namespace cli {

int RunAnalyse(const std::vector<std::string>&) {
    return UsageError("the analyse command is not available yet");
}

}  // namespace cli

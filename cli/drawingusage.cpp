// The drawing commands' help texts, known to every build.
#include "cli/commands.h"
#include "cli/plotoptions.h"

namespace cli {

const char* DrawingCommandUsage(const std::string& command) {
    if (command == "plot") return kPlotUsage;
    return nullptr;
}

}  // namespace cli

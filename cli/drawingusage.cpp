// The drawing commands' help texts, known to every build.
#include "cli/commands.h"
#include "cli/drawoptions.h"
#include "cli/plotoptions.h"

namespace cli {

const char* DrawingCommandUsage(const std::string& command) {
    if (command == "plot") return kPlotUsage;
    if (command == "draw") return kDrawUsage;
    return nullptr;
}

}  // namespace cli

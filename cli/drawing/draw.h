#pragma once
// impactframe-cli draw: the structure as the view window shows it by default, with its
// static deformation or its impact response at one time, as a picture.
#include <string>
#include <vector>

namespace cli {

// Needs a QGuiApplication. Returns the exit code.
int RunDraw(const std::vector<std::string>& args);

}  // namespace cli

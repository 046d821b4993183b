#include "services/paths.h"

namespace services {

std::string FolderOf(const std::string& fullName, std::string& fileName) {
    const size_t p = fullName.find_last_of("\\/");
    if (p == std::string::npos) {
        fileName = fullName;
        return std::string();
    }
    fileName = fullName.substr(p + 1);
    return fullName.substr(0, p + 1);
}

std::string ExtensionOf(const std::string& fileName, std::string& baseName) {
    const size_t p = fileName.rfind('.');
    if (p == std::string::npos || p == 0) {
        baseName = fileName;
        return std::string();
    }
    baseName = fileName.substr(0, p);
    return fileName.substr(p + 1);
}

}  // namespace services

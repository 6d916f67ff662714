#include "ShellPaths.h"

std::string WithExtension(const std::string& programPath, const char* extension3) {
    if (programPath.size() < 4) return std::string();
    return programPath.substr(0, programPath.size() - 3) + extension3;
}

std::string GetModuleTitle(const std::string& path) {
    const size_t slash = path.rfind('\\');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

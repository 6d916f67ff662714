// The names the standalone host derives from its own program path: the
// plug-in beside it and its INI file share its base name.
#pragma once

#include <string>

// The path with its last three characters replaced (Name.exe -> Name.ini);
// empty when the path is shorter than its extension.
std::string WithExtension(const std::string& programPath, const char* extension3);
// The part after the last backslash (all of it without one) minus its last
// four characters: the program's file name without ".exe".
std::string GetModuleTitle(const std::string& path);

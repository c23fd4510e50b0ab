#pragma once

#include <cstdio>
#include <cstring>
#include <string>

// "TOOL (Calyrix) VERSION" and a newline.
inline std::string VersionLine(const char* tool)
{
    return std::string(tool) + " (Calyrix) " CALYRIX_VERSION "\n";
}

// Prints the version line and returns true when an argument is --version.
inline bool PrintVersionIfAsked(const char* tool, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(VersionLine(tool).c_str(), stdout);
            return true;
        }
    }
    return false;
}

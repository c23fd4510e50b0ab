#pragma once

#include <cstdio>
#include <cstring>

// Prints "TOOL (Calyrix) VERSION" and returns true when an argument is --version.
inline bool PrintVersionIfAsked(const char* tool, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s (Calyrix) %s\n", tool, CALYRIX_VERSION);
            return true;
        }
    }
    return false;
}
